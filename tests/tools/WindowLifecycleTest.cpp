// Opening, placing, reloading and closing the two sort windows, and the lost-focus rule.

#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "shell/Twips.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmSortByCriteria.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace {

class SortWindowLifecycle : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Where the program puts the main window: the bottom-right corner of the screen.
        const QRect screen = form->screen()->availableGeometry();
        form->move(screen.right() + 1 - form->frameGeometry().width(),
                   screen.bottom() + 1 - form->frameGeometry().height());
        MakeFolder(dir / "out");
        for (const char* name : {"a.txt", "b.doc"})
            WriteFile(dir / name, name);
        form->List1->items().append({dir / "a.txt", dir / "b.doc"});
    }

    frmMoveByExtension* pressF9() {
        TypeKey(form->List1, Qt::Key_F9);
        return Activated(
            qobject_cast<frmMoveByExtension*>(app->loaded(ToolWindow::MoveByExtension)));
    }
    frmSortByCriteria* typeS() {
        TypeKey(form->List1, Qt::Key_S, {}, QStringLiteral("s"));
        return Activated(qobject_cast<frmSortByCriteria*>(app->loaded(ToolWindow::SortByCriteria)));
    }

    // Standing directly above the main window, 100 twips further left.
    void expectAboveMainWindow(const QWidget* window) {
        const QRect main = form->frameGeometry();
        const QRect placed = window->frameGeometry();
        EXPECT_EQ(placed.left(), main.left() - Twips::toPixels(100, Twips::dpi(form)));
        EXPECT_EQ(placed.bottom() + 1, main.top());
    }

    static void openFolder(DirListBox* folders, const std::string& path) {
        for (int row = 0; row < folders->count(); ++row) {
            if (folders->entryPath(row) == path) {
                DoubleClickRow(folders, row);
                return;
            }
        }
        ADD_FAILURE() << path << " is not in the folder list";
    }

    std::vector<std::string> gathered() const { return form->List1->items().items(); }
};

// Clicks an option button on its round mark: the rest of its width does not take clicks.
void ClickOption(QRadioButton* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// Tabs round the active window from the control that has the focus, as a user would.
std::vector<QWidget*> TabOrder() {
    std::vector<QWidget*> seen{QApplication::focusWidget()};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == seen.front())
            break;
        seen.push_back(QApplication::focusWidget());
    }
    return seen;
}

} // namespace

TEST_F(SortWindowLifecycle, KeysOpenEachWindowAboveTheMainWindowWithACopyOfTheWorkList) {
    frmMoveByExtension* byExtension = pressF9();
    ASSERT_TRUE(byExtension);
    EXPECT_TRUE(byExtension->isVisible());
    EXPECT_EQ(byExtension->windowTitle(), "");
    EXPECT_EQ(byExtension->List1->items().items(), gathered());
    expectAboveMainWindow(byExtension);

    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byText);
    EXPECT_TRUE(byText->isVisible());
    EXPECT_EQ(byText->windowTitle(), "Form2");
    EXPECT_EQ(byText->List1->items().items(), gathered());
    expectAboveMainWindow(byText);
    // The work list itself is untouched, and the upper-case letter opens the window just as well.
    EXPECT_EQ(gathered().size(), 2u);
    app->unload(ToolWindow::SortByCriteria);
    TypeKey(form->List1, Qt::Key_S, Qt::ShiftModifier, QStringLiteral("S"));
    EXPECT_TRUE(app->loaded(ToolWindow::SortByCriteria));
}

TEST_F(SortWindowLifecycle, ExtensionWindowStartsAtItsDesignValues) {
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    const double dpi = Twips::dpi(w);
    EXPECT_EQ(w->size(), QSize(Twips::toPixels(8235, dpi), Twips::toPixels(3945, dpi)));
    EXPECT_EQ(w->List1->geometry(), Twips::rect(240, 240, 7575, 1035, dpi));
    EXPECT_EQ(w->txtExtension->geometry(), Twips::rect(1800, 1680, 1095, 285, dpi));
    EXPECT_EQ(w->Option1[1]->geometry(), Twips::rect(3000, 2160, 1695, 255, dpi));
    EXPECT_EQ(w->Dir1->geometry(), Twips::rect(5880, 1560, 1935, 1440, dpi));
    EXPECT_EQ(w->Drive1->geometry(), Twips::rect(5880, 3000, 1935, 315, dpi));
    EXPECT_EQ(w->Command1->geometry(), Twips::rect(5880, 3360, 1935, 255, dpi));
    EXPECT_EQ(w->Label1->text(), "If File has Extension:");
    EXPECT_EQ(w->Option1[0]->text(), "Move");
    EXPECT_EQ(w->Option1[1]->text(), "Copy");
    EXPECT_EQ(w->Label2->text(), "to");
    EXPECT_EQ(w->Command1->text(), "&Sort");
    EXPECT_TRUE(w->txtExtension->text().isEmpty());
    EXPECT_FALSE(w->Option1[0]->isChecked() || w->Option1[1]->isChecked());
    EXPECT_EQ(w->Dir1->path() + "/", folder());
    EXPECT_EQ(w->List1->font().family(), "MS Sans Serif");

    // The frame rectangle runs along the client area's edge.
    const QImage shot = w->grab().toImage();
    const QColor frame = w->palette().color(QPalette::WindowText);
    EXPECT_EQ(shot.pixelColor(0, 0), frame);
    EXPECT_EQ(shot.pixelColor(Twips::toPixels(8175, dpi) - 1, Twips::toPixels(3855, dpi) - 1),
              frame);

    // The list first, then the sentence from left to right, then the button. The two options
    // are one stop, and the arrow keys move between them.
    const std::vector<QWidget*> order{w->List1,  w->txtExtension, w->Option1[0],
                                      w->Drive1, w->Dir1,         w->Command1};
    EXPECT_EQ(TabOrder(), order);
    w->Option1[0]->setFocus();
    QTest::keyClick(w->Option1[0], Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w->Option1[1]);
}

TEST_F(SortWindowLifecycle, NameTextWindowStartsAtItsDesignValues) {
    frmSortByCriteria* w = typeS();
    ASSERT_TRUE(w);
    const double dpi = Twips::dpi(w);
    EXPECT_EQ(w->size(), QSize(Twips::toPixels(7800, dpi), Twips::toPixels(3285, dpi)));
    EXPECT_EQ(w->List1->geometry(), Twips::rect(120, 120, 7575, 255, dpi));
    EXPECT_EQ(w->txtCriteria->geometry(), Twips::rect(1920, 600, 2535, 375, dpi));
    EXPECT_EQ(w->Option2->geometry(), Twips::rect(4560, 960, 1095, 375, dpi));
    EXPECT_EQ(w->Dir1->geometry(), Twips::rect(5760, 600, 1935, 1665, dpi));
    EXPECT_EQ(w->Drive1->geometry(), Twips::rect(5760, 2280, 1935, 315, dpi));
    EXPECT_EQ(w->Command1->geometry(), Twips::rect(6480, 2640, 1215, 255, dpi));
    EXPECT_EQ(w->Label1->text(), "If the file name includes");
    EXPECT_EQ(w->Option1->text(), "Move to");
    EXPECT_EQ(w->Option2->text(), "Copy to");
    EXPECT_EQ(w->Command1->text(), "&Sort");
    EXPECT_TRUE(w->txtCriteria->text().isEmpty());
    EXPECT_FALSE(w->Option1->isChecked() || w->Option2->isChecked());

    // The two options are one group.
    ClickOption(w->Option1);
    ClickOption(w->Option2);
    EXPECT_FALSE(w->Option1->isChecked());
    EXPECT_TRUE(w->Option2->isChecked());

    // The two options are one stop on the way round, at the ticked one.
    QTest::mouseClick(w->txtCriteria, Qt::LeftButton);
    const std::vector<QWidget*> order{w->txtCriteria, w->Option2,  w->Dir1,
                                      w->Drive1,      w->Command1, w->List1};
    EXPECT_EQ(TabOrder(), order);
}

TEST_F(SortWindowLifecycle, ASecondKeyPlacesTheSameWindowAgainWithoutRefillingIt) {
    frmMoveByExtension* byExtension = pressF9();
    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byExtension && byText);
    QTest::keyClicks(byExtension->txtExtension, QStringLiteral("TXT"));
    form->List1->items().append(dir / "later.txt");
    byExtension->move(0, 0);
    byText->move(0, 0);

    EXPECT_EQ(pressF9(), byExtension);
    EXPECT_EQ(typeS(), byText);
    EXPECT_EQ(byExtension->List1->count(), 2);
    EXPECT_EQ(byText->List1->count(), 2);
    EXPECT_EQ(byExtension->txtExtension->text(), "TXT");
    expectAboveMainWindow(byExtension);
    expectAboveMainWindow(byText);
}

TEST_F(SortWindowLifecycle, ReloadingStartsAfreshButKeepsTheTargetFolder) {
    frmMoveByExtension* first = pressF9();
    ASSERT_TRUE(first);
    QTest::keyClicks(first->txtExtension, QStringLiteral("txt"));
    ClickOption(first->Option1[0]);
    openFolder(first->Dir1, dir / "out");
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveByExtension), dir / "out/");
    // The drive list follows the folder list onto the folder's volume.
    EXPECT_EQ(first->Drive1->currentIndex(), VolumeIndexFor(first->Drive1->volumes(), dir / "out"));

    // The close box unloads: gone from the program at once, destroyed once the event loop runs.
    QPointer<frmMoveByExtension> closed = first;
    first->close();
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), nullptr);
    EXPECT_FALSE(closed->isVisible());
    QTest::qWait(0);
    EXPECT_TRUE(closed.isNull());

    form->List1->items().append(dir / "c.txt");
    WriteFile(dir / "c.txt", "c");
    frmMoveByExtension* second = pressF9();
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->txtExtension->text().isEmpty());
    EXPECT_FALSE(second->Option1[0]->isChecked() || second->Option1[1]->isChecked());
    EXPECT_EQ(second->List1->items().items(), gathered());
    // The folder list starts at the folder chosen before, and that folder is still the target.
    EXPECT_EQ(second->Dir1->path(), dir / "out");
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveByExtension), dir / "out/");

    // So this opening sorts there without its folder list being touched.
    TypeKey(second->txtExtension, Qt::Key_T, {}, QStringLiteral("t"));
    TypeKey(second->txtExtension, Qt::Key_X, {}, QStringLiteral("x"));
    TypeKey(second->txtExtension, Qt::Key_T, {}, QStringLiteral("t"));
    ClickOption(second->Option1[1]);
    QTest::mouseClick(second->Command1, Qt::LeftButton);
    EXPECT_EQ(messages->shown, std::vector<std::string>{});
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), "a.txt");
    EXPECT_EQ(ReadFile(dir / "out/c.txt"), "c");
    EXPECT_FALSE(Exists(dir / "out/b.doc"));

    // The other window keeps a target of its own.
    EXPECT_TRUE(app->targetFolder(ToolWindow::SortByCriteria).empty());
    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byText);
    EXPECT_EQ(byText->Dir1->path() + "/", folder());
}

TEST_F(SortWindowLifecycle, MovingTheFocusAmongTheControlsKeepsTheWindowOpen) {
    frmMoveByExtension* byExtension = pressF9();
    ASSERT_TRUE(byExtension);
    QTest::mouseClick(byExtension->txtExtension, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), byExtension->txtExtension);
    ClickRow(byExtension->List1, 0);
    EXPECT_EQ(QApplication::focusWidget(), byExtension->List1);
    ClickOption(byExtension->Option1[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), byExtension);
    EXPECT_TRUE(byExtension->isVisible());

    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byText);
    QTest::mouseClick(byText->txtCriteria, Qt::LeftButton);
    ClickRow(byText->List1, 1);
    QTest::keyClick(byText->List1, Qt::Key_Tab);
    EXPECT_EQ(app->loaded(ToolWindow::SortByCriteria), byText);
    EXPECT_TRUE(byText->isVisible());
    // Switching windows leaves both as they are.
    ASSERT_TRUE(Activated(form));
    EXPECT_TRUE(byExtension->isVisible() && byText->isVisible());
}

TEST_F(SortWindowLifecycle, AMessageBoxFromTheWindowLeavesItOpen) {
    app->setMessages(std::make_unique<DialogMessages>());
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    QTest::mouseClick(w->txtExtension, Qt::LeftButton);

    // The box is modal: a timer closes it, noting what it says and whether the window is still
    // there behind it. When no box comes, the click returns at once with nothing noted.
    QString said;
    bool openWhileShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->text();
            openWhileShown = app->loaded(ToolWindow::MoveByExtension) == w && w->isVisible();
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    poll.stop();

    EXPECT_EQ(said, "Please enter an extension");
    EXPECT_TRUE(openWhileShown);
    QTest::qWait(0);
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), w);
    EXPECT_TRUE(w->isVisible());
}
