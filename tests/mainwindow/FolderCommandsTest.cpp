#include "WidgetSupport.h"
#include "app/Startup.h"
#include "core/DirListing.h"

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

// The program as it starts has the real boxes: N in the folder list asks with a real input box.
TEST(DialogMessages, AreWhatTheProgramHasFromItsStart) {
    App app;
    Module1::Main();
    Form1* main = app.form1();
    ASSERT_TRUE(main && QTest::qWaitForWindowExposed(main));
    Answering<QInputDialog> user([](QInputDialog* dialog) {
        EXPECT_EQ(dialog->labelText(), "Please Enter a name for the directory");
        dialog->reject();
    });
    TypeKey(main->Dir1, Qt::Key_N, {}, QStringLiteral("n"));
    EXPECT_EQ(user.seen, 1);
}

TEST(DialogMessages, ShowsAPlainBoxWithTheApplicationTitleAndAnInputBox) {
    QString said;
    Answering<QMessageBox> user([&](QMessageBox* box) {
        said = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->windowTitle(), "");
        box->button(QMessageBox::Ok)->click();
    });
    DialogMessages().message("There were errors: \r\n     x\r\n");
    EXPECT_EQ(said, "There were errors: \n     x\n");

    // A long report shows its first 30 lines and counts the rest; the final line break is no line.
    const auto report = [](int failures) {
        std::string text = "There were errors: \r\n";
        for (int i = 0; i < failures; ++i)
            text += "     failure " + std::to_string(i) + "\r\n";
        return text;
    };
    DialogMessages().message(report(29));
    EXPECT_FALSE(said.contains("more lines"));
    EXPECT_TRUE(said.endsWith("failure 28\n"));
    DialogMessages().message(report(31));
    EXPECT_TRUE(said.endsWith("failure 28\n... and 2 more lines")) << said.toStdString();

    Answering<QInputDialog> typing([](QInputDialog* dialog) {
        EXPECT_EQ(dialog->labelText(), "Please Enter a name");
        dialog->setTextValue(QStringLiteral("caf\u00e9"));
        dialog->accept();
    });
    EXPECT_EQ(DialogMessages().input("Please Enter a name"), "caf\xc3\xa9");
}
