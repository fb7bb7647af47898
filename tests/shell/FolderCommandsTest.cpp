#include "WidgetSupport.h"
#include "platform/DirListing.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using FolderCommands = MainWindowTest;

TEST_F(FolderCommands, NMakesAFolderWhereTheUserIs) {
    messages->answers = {"Reports"};
    TypeKey(form->Dir1, Qt::Key_N, {}, QStringLiteral("n"));
    ASSERT_EQ(messages->prompts.size(), 1u);
    EXPECT_EQ(messages->prompts[0], "Please Enter a name for the directory");
    EXPECT_TRUE(IsFolder(dir / "Reports"));
    EXPECT_EQ(form->Dir1->entryPath(form->Dir1->count() - 1), dir / "Reports");
    EXPECT_EQ(form->CurrentFolder(), folder());
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(FolderCommands, ACancelledNameMakesNothing) {
    TypeKey(form->Dir1, Qt::Key_N, Qt::ShiftModifier, QStringLiteral("N"));
    EXPECT_EQ(messages->prompts.size(), 1u);
    EXPECT_EQ(ListFolder(dir.path()).folders.size(), 0u);
    EXPECT_TRUE(messages->shown.empty());
    // Ctrl+N types a control character and asks nothing.
    TypeKey(form->Dir1, Qt::Key_N, Qt::ControlModifier, QStringLiteral("\x0e"));
    EXPECT_EQ(messages->prompts.size(), 1u);
}

TEST_F(FolderCommands, AFolderThatCannotBeMadeIsReported) {
    MakeFolder(dir / "Reports");
    messages->answers = {"Reports", "missing/sub"};
    TypeKey(form->Dir1, Qt::Key_N, {}, QStringLiteral("n"));
    TypeKey(form->Dir1, Qt::Key_N, {}, QStringLiteral("n"));
    ASSERT_EQ(messages->shown.size(), 2u);
    EXPECT_EQ(messages->shown[0], "An error occured in making directory \r\n     File exists\r\n");
    EXPECT_EQ(messages->shown[1],
              "An error occured in making directory \r\n     No such file or directory\r\n");
}

// The real boxes, answered by a user who looks at them first.
TEST(DialogMessages, ShowsAPlainBoxWithTheApplicationTitleAndAnInputBox) {
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        EXPECT_EQ(box->text(), "There were errors: \n     x\n");
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->windowTitle(), "");
        box->button(QMessageBox::Ok)->click();
    });
    poll.start(10);
    QTimer::singleShot(5000, [] { // a box that never comes fails instead of hanging
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    DialogMessages().message("There were errors: \r\n     x\r\n");
    EXPECT_TRUE(seen);

    int asked = 0;
    QObject::disconnect(&poll, nullptr, nullptr, nullptr);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ++asked;
        EXPECT_EQ(dialog->labelText(), "Please Enter a name");
        dialog->setTextValue(asked == 1 ? QStringLiteral("caf\u00e9") : QStringLiteral("x"));
        if (asked == 1)
            dialog->accept();
        else
            dialog->reject();
    });
    EXPECT_EQ(DialogMessages().input("Please Enter a name"), "caf\xc3\xa9");
    EXPECT_EQ(DialogMessages().input("Please Enter a name"), "");
    EXPECT_EQ(asked, 2);
}
