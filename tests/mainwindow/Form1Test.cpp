// The main window: its windows' controls, browsing, the volume list, the new-folder prompt, long
// reports and the background behind it all.

#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "mainwindow/frmBackForm.h"
#include "ui/ToolWindowBase.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <filesystem>

using MainWindow = MainWindowTest;

// Every control of every window shows in it, and screen readers get a name and a description
// of each. Each caption fits its control in the face picked for the designed one: a wider
// stand-in cuts "If File has Extension:" short. A label that names a box brings no new Alt key.
TEST_F(MainWindow, EveryControlShowsInItsWindowIsDescribedAndItsCaptionFits) {
    std::vector<QWidget*> windows{form};
    for (int kind = 0; kind <= static_cast<int>(ToolWindow::CMDS); ++kind)
        windows.push_back(app->load(ToolWindow(kind)));
    const auto described = [](const QWidget* w) {
        return !w->accessibleName().isEmpty() && !w->accessibleDescription().isEmpty();
    };
    EXPECT_TRUE(described(std::make_unique<frmBackForm>().get()));
    int checked = 0;
    for (QWidget* window : windows) {
        EXPECT_TRUE(described(window)) << window->objectName().toStdString();
        for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const std::string id =
                window->objectName().toStdString() + "." + control->objectName().toStdString();
            EXPECT_TRUE(described(control)) << id;
            EXPECT_TRUE(window->rect().intersects(control->geometry())) << id;
            QString text;
            QRect room;
            if (auto* label = qobject_cast<QLabel*>(control); label && !label->wordWrap()) {
                text = label->text();
                room = label->contentsRect();
                EXPECT_FALSE(label->buddy() && text.contains(QLatin1Char('&'))) << id;
            } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
                text = button->text().remove(QLatin1Char('&')); // the access key's mark
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                const QStyle::SubElement contents =
                    qobject_cast<QCheckBox*>(button)      ? QStyle::SE_CheckBoxContents
                    : qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                                          : QStyle::SE_PushButtonContents;
                room = button->style()->subElementRect(contents, &option, button);
            }
            if (text.isEmpty())
                continue;
            ++checked;
            const QFontMetrics metrics(control->font());
            const std::string where = id + " \"" + text.toStdString() + "\" in " +
                                      QFontInfo(control->font()).family().toStdString();
            EXPECT_LE(metrics.horizontalAdvance(text), room.width()) << where;
            EXPECT_LE(metrics.tightBoundingRect(text).height(), room.height()) << where;
        }
    }
    EXPECT_GE(checked, 25);
}

// A single click on a folder only highlights it, a double-click opens it and the file list
// follows; a folder that cannot be opened changes nothing, and the root gets no second slash.
TEST_F(MainWindow, ADoubleClickOpensAFolderAndTheFileListFollows) {
    MakeFolder(dir / "inner");
    WriteFile(dir / "inner/deep.txt", "x");
    form->Dir1->refresh();
    const int innerRow = form->Dir1->count() - 1;
    ASSERT_EQ(form->Dir1->entryPath(innerRow), dir / "inner");
    ClickRow(form->Dir1, innerRow);
    EXPECT_EQ(form->CurrentFolder(), folder());
    DoubleClickRow(form->Dir1, innerRow);
    EXPECT_EQ(form->CurrentFolder(), dir / "inner/");
    EXPECT_EQ(fileList(), std::vector<std::string>{"deep.txt"});

    for (const std::string& path : {dir / "missing", dir / "inner/deep.txt"})
        EXPECT_FALSE(form->Dir1->setPath(path)) << path;
    EXPECT_EQ(form->CurrentFolder(), dir / "inner/");
    ASSERT_TRUE(form->Dir1->setPath("/"));
    EXPECT_TRUE(panel().startsWith("Active Path: /\r\n"));
    EXPECT_EQ(form->Dir1->entryPath(0), "/");
    for (int row = 1; row < form->Dir1->count(); ++row)
        EXPECT_EQ(form->Dir1->entryPath(row).find("//"), std::string::npos);
}

// Picking the volume we are on again, after another one, goes back to where we were.
TEST_F(MainWindow, PickingAVolumeGoesToItsLastFolder) {
    DriveListBox* drives = form->Drive1;
    if (drives->count() < 2)
        GTEST_SKIP() << "only one volume is mounted here";
    MakeFolder(dir / "here");
    ASSERT_TRUE(form->Dir1->setPath(dir / "here"));
    const int ours = drives->currentIndex();
    ASSERT_GE(ours, 0);
    drives->setCurrentIndex(ours == 0 ? 1 : 0);
    EXPECT_NE(form->CurrentFolder(), dir / "here/");
    drives->setCurrentIndex(ours);
    EXPECT_EQ(form->CurrentFolder(), dir / "here/");
}

// Shift+N in the folder list asks for a name: none given makes nothing; Ctrl+N types a control
// character and asks nothing. Making a folder, and its failures, the e2e suite checks.
TEST_F(MainWindow, ACancelledFolderNameMakesNothingAndCtrlNAsksNothing) {
    TypeKey(form->Dir1, Qt::Key_N, Qt::ShiftModifier, QStringLiteral("N"));
    EXPECT_EQ(messages->prompts.size(), 1u);
    TypeKey(form->Dir1, Qt::Key_N, Qt::ControlModifier, QStringLiteral("\x0e"));
    EXPECT_EQ(messages->prompts.size(), 1u);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.is_directory()) << entry.path();
    EXPECT_TRUE(messages->shown.empty());
}

// A long report shows its first 30 lines and counts the rest; the final line break is no line.
TEST(DialogMessages, ShowLongReportsCut) {
    QString said;
    Answering<QMessageBox> user([&](QMessageBox* box) {
        said = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    for (const auto& [failures, end] :
         {std::pair{29, "failure 28\n"}, std::pair{31, "failure 28\n... and 2 more lines"}}) {
        std::string text = "There were errors: \r\n";
        for (int i = 0; i < failures; ++i)
            text += "     failure " + std::to_string(i) + "\r\n";
        DialogMessages().message(text);
        EXPECT_TRUE(said.endsWith(QString::fromLatin1(end))) << said.toStdString();
    }
}

// The gradient runs from green at the top to black at the bottom, the same all along a row; the
// title in the top-left corner is white over a black shadow.
TEST(Background, PaintsTheGradientAndAWhiteTitleOverABlackShadow) {
    App app;
    app.showBackForm();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.backForm()));
    const QImage image = app.backForm()->grab().toImage();
    const int w = image.width(), h = image.height();
    EXPECT_EQ(image.pixelColor(w - 1, 0).rgb() & 0xFF00FF, 0u);
    EXPECT_GE(image.pixelColor(w - 1, 0).green(), 250);
    EXPECT_NEAR(image.pixelColor(w - 1, h / 2).green(), 128, 2);
    EXPECT_EQ(image.pixelColor(w - 1, h - 1), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(w / 2, h / 2), image.pixelColor(w - 1, h / 2));
    const int shadow = std::max(1, Twips::toPixels(10, Twips::dpi(app.backForm())));
    int white = 0, shadowed = 0;
    for (int y = 0; y < std::min(h, 80); ++y)
        for (int x = 0; x < std::min(w, 400); ++x)
            if (image.pixelColor(x, y) == QColor(Qt::white)) {
                ++white;
                shadowed += image.pixelColor(x + shadow, y + shadow) == QColor(Qt::black);
            }
    EXPECT_GT(white, 50) << "no title drawn";
    EXPECT_GT(shadowed, 5) << "no black shadow under the title";
}
