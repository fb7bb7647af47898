#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "mainwindow/frmBackForm.h"
#include "ui/ToolWindowBase.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

using Form1Layout = MainWindowTest;

// Each window's design names every control and where it sits. Each caption fits its control in
// the face picked for the designed one: a wider stand-in cuts "If File has Extension:" short.
// Screen readers get a name and a description of every window and control, and a label that
// names a box brings no new Alt key with it.
TEST_F(Form1Layout, EveryControlOfEveryWindowSitsAsDesignedIsDescribedAndItsCaptionFits) {
    std::vector<std::pair<QWidget*, WindowDesign>> windows{{form, Form1::Design}};
    for (int kind = 0; kind <= static_cast<int>(ToolWindow::CMDS); ++kind)
        windows.emplace_back(app->load(ToolWindow(kind)), app->load(ToolWindow(kind))->design());
    const auto described = [](const QWidget* w) {
        return !w->accessibleName().isEmpty() && !w->accessibleDescription().isEmpty();
    };
    frmBackForm background;
    EXPECT_TRUE(described(&background));
    int checked = 0;
    for (const auto& [window, design] : windows) {
        EXPECT_EQ(window->size(), Twips::size(design.client, Twips::dpi(window)));
        EXPECT_TRUE(described(window)) << window->objectName().toStdString();
        std::map<std::string, QRect> placed, designed;
        for (const ControlPlace& p : design.controls)
            designed[p.name] = Twips::rect(p.left, p.top, p.width, p.height, Twips::dpi(window));
        for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            placed[control->objectName().toStdString()] = control->geometry();
            const std::string id =
                window->objectName().toStdString() + "." + control->objectName().toStdString();
            EXPECT_TRUE(described(control)) << id;
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
        EXPECT_EQ(placed, designed) << window->objectName().toStdString();
    }
    EXPECT_GE(checked, 25);
}

using Form1Browsing = MainWindowTest;

TEST_F(Form1Browsing, OpeningAFolderFollowsWithTheFileListAndPanelButKeepsTheAttributes) {
    MakeFolder(dir / "inner");
    WriteFile(dir / "inner/deep.txt", "x");
    // A click on a file sets the attribute words (a dot-less plain file has none: use a dot file).
    WriteFile(dir / ".dot", "x");
    form->File1->refresh();
    form->Dir1->refresh();
    ClickRow(form->File1, RowOf(form->File1, ".dot"));
    EXPECT_EQ(form->CurrentAttributes(), "Hidden  ");

    const int innerRow = form->Dir1->count() - 1;
    ASSERT_EQ(form->Dir1->entryPath(innerRow), dir / "inner");
    // A single click only highlights.
    ClickRow(form->Dir1, innerRow);
    EXPECT_EQ(form->CurrentFolder(), folder());
    DoubleClickRow(form->Dir1, innerRow);
    EXPECT_EQ(form->CurrentFolder(), dir / "inner/");
    EXPECT_EQ(fileList(), std::vector<std::string>{"deep.txt"});
    EXPECT_EQ(panel(), QString::fromStdString("Active Path: " + dir / "inner/" +
                                              "\r\nActive File: \r\nAttribute: Hidden  "));
}

TEST_F(Form1Browsing, TheRootGetsNoSecondSlashAndAFolderThatCannotBeOpenedChangesNothing) {
    WriteFile(dir / "file", "x");
    for (const std::string& path : {dir / "missing", dir / "file"})
        EXPECT_FALSE(form->Dir1->setPath(path)) << path;
    EXPECT_EQ(form->CurrentFolder(), folder());

    ASSERT_TRUE(form->Dir1->setPath("/"));
    EXPECT_EQ(form->CurrentFolder(), "/");
    EXPECT_TRUE(panel().startsWith("Active Path: /\r\n"));
    EXPECT_EQ(form->Dir1->entryPath(0), "/");
    for (int row = 1; row < form->Dir1->count(); ++row)
        EXPECT_EQ(form->Dir1->entryPath(row).find("//"), std::string::npos);
}

TEST_F(Form1Browsing, PickingAVolumeGoesToItsLastFolderAndRewritesThePanel) {
    DriveListBox* drives = form->Drive1;
    ASSERT_GT(drives->count(), 0);
    MakeFolder(dir / "here");
    ASSERT_TRUE(form->Dir1->setPath(dir / "here"));
    // Pick the volume we are on again, after another one: back to where we were.
    const int ours = drives->currentIndex();
    ASSERT_GE(ours, 0);
    if (drives->count() < 2)
        GTEST_SKIP() << "only one volume is mounted here";
    drives->setCurrentIndex(ours == 0 ? 1 : 0);
    const std::string other = form->CurrentFolder();
    drives->setCurrentIndex(ours);
    EXPECT_EQ(form->CurrentFolder(), dir / "here/");
    EXPECT_NE(other, form->CurrentFolder());
}
