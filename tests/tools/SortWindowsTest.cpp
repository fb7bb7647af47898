// The two sort windows at work: their input checks, the extension box's upper-casing, and sorts
// by move and by copy on real folders.

#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmSortByCriteria.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

class SortWindows : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        MakeFolder(dir / "out");
    }

    frmMoveByExtension* pressF9() {
        TypeKey(form->List1, Qt::Key_F9);
        auto* w = qobject_cast<frmMoveByExtension*>(app->loaded(ToolWindow::MoveByExtension));
        return Activated(w);
    }
    frmSortByCriteria* typeS() {
        TypeKey(form->List1, Qt::Key_S, {}, QStringLiteral("s"));
        auto* w = qobject_cast<frmSortByCriteria*>(app->loaded(ToolWindow::SortByCriteria));
        return Activated(w);
    }

    // Files written in the test folder and gathered into the work list, in this order.
    void gather(std::initializer_list<std::string> paths) {
        for (const std::string& path : paths) {
            if (!Exists(path))
                WriteFile(path, path);
            form->List1->items().append(path);
        }
        form->File1->refresh();
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

    static void typeLetters(QWidget* box, const QString& letters) {
        for (QChar c : letters)
            TypeKey(box, Qt::Key(QChar(c).toUpper().unicode()), {}, QString(c));
    }
    static void clickOption(QRadioButton* option) {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    }

    std::vector<std::string> gathered() const { return form->List1->items().items(); }
    std::vector<std::string> mainFiles() const { return form->File1->items().items(); }
};

} // namespace

TEST_F(SortWindows, ExtensionChecksBeepAndSayWhatIsMissingInOrder) {
    gather({dir / "a.txt"});
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    // Each click gives one beep and one message; the window stays with everything in it.
    auto click = [&](const char* expected) {
        const int beepsBefore = messages->beeps;
        const size_t shownBefore = messages->shown.size();
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        EXPECT_EQ(messages->beeps, beepsBefore + 1);
        ASSERT_EQ(messages->shown.size(), shownBefore + 1);
        EXPECT_EQ(messages->shown.back(), expected);
        EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), w);
    };
    click("Please enter an extension");
    typeLetters(w->txtExtension, QStringLiteral("   "));
    click("Please enter an extension");
    typeLetters(w->txtExtension, QStringLiteral("txt"));
    click("Please Select an Action");
    clickOption(w->Option1[0]);
    // The folder list shows a folder, but none was chosen in it.
    ASSERT_FALSE(w->Dir1->path().empty());
    click("Please select a directory");

    EXPECT_EQ(w->txtExtension->text(), "   TXT");
    EXPECT_TRUE(w->Option1[0]->isChecked());
    EXPECT_EQ(gathered(), std::vector<std::string>{dir / "a.txt"});
    EXPECT_TRUE(Exists(dir / "a.txt"));
    EXPECT_TRUE(w->isVisible());
}

TEST_F(SortWindows, TypedLettersBecomeUpperCaseAndPastedTextKeepsItsCase) {
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    QLineEdit* box = w->txtExtension;
    typeLetters(box, QStringLiteral("t"));
    TypeKey(box, Qt::Key_X, Qt::ShiftModifier, QStringLiteral("X"));
    typeLetters(box, QStringLiteral("t2_"));
    TypeKey(box, Qt::Key_Eacute, {}, QStringLiteral("\u00e9"));
    // A character composed by an input method, too.
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\u00fc"));
    QApplication::sendEvent(box, &composed);
    EXPECT_EQ(box->text(), QStringLiteral("TXT2_\u00c9\u00dc"));
    // Keys that are not characters still do their work in the box.
    TypeKey(box, Qt::Key_Backspace);
    TypeKey(box, Qt::Key_Backspace);
    TypeKey(box, Qt::Key_Home);
    typeLetters(box, QStringLiteral("j"));
    EXPECT_EQ(box->text(), "JTXT2_");
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    typeLetters(box, QStringLiteral("doc"));
    EXPECT_EQ(box->text(), "DOC");

    QApplication::clipboard()->setText(QStringLiteral("txt"));
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "txt");

    // The name text box takes what is typed as it is.
    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byText);
    typeLetters(byText->txtCriteria, QStringLiteral("doc"));
    EXPECT_EQ(byText->txtCriteria->text(), "doc");
}

TEST_F(SortWindows, MoveByExtensionMovesEveryMatchListsTheFailureAndCloses) {
    MakeFolder(dir / "notes.txt");
    WriteFile(dir / "out/taken.txt", "theirs");
    gather({dir / "a.txt", dir / "B.TXT", dir / "taken.txt", dir / "c.Txt", dir / "d.doc",
            dir / "noext", dir / "notes.txt/readme"});
    ASSERT_NE(RowOf(form->File1, "a.txt"), -1);
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    QPointer<frmMoveByExtension> window = w;
    // Entries gathered after the window opened are not sorted, but they leave the work list too.
    gather({dir / "late.txt"});

    typeLetters(w->txtExtension, QStringLiteral("txt"));
    clickOption(w->Option1[0]);
    openFolder(w->Dir1, dir / "out");
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    EXPECT_EQ(messages->beeps, 0);
    EXPECT_EQ(messages->shown,
              std::vector<std::string>{"There were errors in moving your files: \r\n"
                                       "     taken.txt   File exists\r\n"});
    for (const char* name : {"a.txt", "B.TXT", "c.Txt"}) {
        EXPECT_EQ(ReadFile(dir / ("out/" + std::string(name))), dir / name) << name;
        EXPECT_FALSE(Exists(dir / name)) << name;
    }
    EXPECT_EQ(ReadFile(dir / "out/taken.txt"), "theirs");
    EXPECT_TRUE(Exists(dir / "taken.txt"));
    for (const char* name : {"d.doc", "noext", "notes.txt/readme", "late.txt"})
        EXPECT_TRUE(Exists(dir / name)) << name;
    EXPECT_FALSE(Exists(dir / "out/readme"));

    EXPECT_TRUE(gathered().empty());
    EXPECT_EQ(mainFiles(), (std::vector<std::string>{"d.doc", "late.txt", "noext", "taken.txt"}));
    // Unloaded from its own handler: gone at once, destroyed once the handler has returned.
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), nullptr);
    EXPECT_FALSE(window.isNull());
    EXPECT_FALSE(window->isVisible());
    QTest::qWait(0);
    EXPECT_TRUE(window.isNull());
}

TEST_F(SortWindows, CopyByExtensionReplacesNamesTakenAndGoesOnPastAVanishedFile) {
    MakeFolder(dir / "sub");
    WriteFile(dir / "out/y.LOG", "old");
    gather({dir / "x.log", dir / "gone.log", dir / "y.LOG", dir / "sub/x.log", dir / "z.txt"});
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    ASSERT_EQ(::unlink((dir / "gone.log").c_str()), 0);

    typeLetters(w->txtExtension, QStringLiteral("log"));
    clickOption(w->Option1[1]);
    openFolder(w->Dir1, dir / "out");
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    EXPECT_EQ(messages->shown,
              std::vector<std::string>{"There were errors in copying your files: \r\n"
                                       "     gone.log   No such file or directory\r\n"});
    EXPECT_EQ(ReadFile(dir / "out/y.LOG"), dir / "y.LOG");
    // The second x.log replaced the first.
    EXPECT_EQ(ReadFile(dir / "out/x.log"), dir / "sub/x.log");
    EXPECT_FALSE(Exists(dir / "out/z.txt"));
    for (const char* name : {"x.log", "y.LOG", "sub/x.log"})
        EXPECT_TRUE(Exists(dir / name)) << name;
    EXPECT_TRUE(gathered().empty());
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), nullptr);
}

TEST_F(SortWindows, NameTextChecksAreSilent) {
    gather({dir / "a.txt"});
    frmSortByCriteria* w = typeS();
    ASSERT_TRUE(w);
    auto clickChangesNothing = [&] {
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        EXPECT_EQ(app->loaded(ToolWindow::SortByCriteria), w);
        EXPECT_EQ(messages->beeps, 0);
        EXPECT_TRUE(messages->shown.empty());
        EXPECT_EQ(gathered().size(), 1u);
    };
    clickChangesNothing();
    typeLetters(w->txtCriteria, QStringLiteral("a"));
    clickChangesNothing();
    // Text and an action, and a folder on show that was never chosen.
    clickOption(w->Option2);
    clickChangesNothing();
    // Blanks alone are no text.
    w->txtCriteria->clear();
    typeLetters(w->txtCriteria, QStringLiteral("  "));
    clickChangesNothing();
    EXPECT_TRUE(Exists(dir / "a.txt"));
    EXPECT_FALSE(Exists(dir / "out/a.txt"));
}

TEST_F(SortWindows, NameTextIsFoundAnywhereInThePathInEitherCase) {
    MakeFolder(dir / "Docs");
    MakeFolder(dir / "x");
    gather({dir / "Docs/a.txt", dir / "x/mydoc.txt", dir / "x/other.txt", dir / "x/DOCUMENT"});
    frmSortByCriteria* w = typeS();
    ASSERT_TRUE(w);
    QPointer<frmSortByCriteria> window = w;
    typeLetters(w->txtCriteria, QStringLiteral("doc"));
    clickOption(w->Option1);
    openFolder(w->Dir1, dir / "out");
    EXPECT_EQ(app->targetFolder(ToolWindow::SortByCriteria), dir / "out/");
    // The button's access key runs the sort: it presses the button, which clicks once the
    // press has shown.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(w->Command1->isDown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app->loaded(ToolWindow::SortByCriteria); }));

    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), dir / "Docs/a.txt");
    EXPECT_EQ(ReadFile(dir / "out/mydoc.txt"), dir / "x/mydoc.txt");
    EXPECT_EQ(ReadFile(dir / "out/DOCUMENT"), dir / "x/DOCUMENT");
    EXPECT_FALSE(Exists(dir / "Docs/a.txt"));
    EXPECT_TRUE(Exists(dir / "x/other.txt"));
    EXPECT_FALSE(Exists(dir / "out/other.txt"));
    EXPECT_TRUE(gathered().empty());
    EXPECT_EQ(app->loaded(ToolWindow::SortByCriteria), nullptr);
    QTest::qWait(0);
    EXPECT_TRUE(window.isNull());
}

TEST_F(SortWindows, AnEmptyWorkListStillEndsTheSort) {
    frmSortByCriteria* w = typeS();
    ASSERT_TRUE(w);
    typeLetters(w->txtCriteria, QStringLiteral("a"));
    clickOption(w->Option2);
    openFolder(w->Dir1, dir / "out");
    // A file appears behind the main window's back; the sort's refresh shows it.
    WriteFile(dir / "new.txt", "n");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(mainFiles(), std::vector<std::string>{"new.txt"});
    EXPECT_EQ(app->loaded(ToolWindow::SortByCriteria), nullptr);
}

TEST_F(SortWindows, PickingAVolumeMovesTheFolderListAndSetsTheTarget) {
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    DriveListBox* drives = w->Drive1;
    const int ours = drives->currentIndex();
    ASSERT_GE(ours, 0);
    if (drives->count() < 2)
        GTEST_SKIP() << "only one volume is mounted here";
    const int other = ours == 0 ? 1 : ours - 1;
    drives->setFocus();
    QTest::keyClick(drives, ours == 0 ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(drives->currentIndex(), other);
    const std::string mount = drives->volumes()[static_cast<size_t>(other)].mountPoint;
    EXPECT_EQ(w->Dir1->path().rfind(mount, 0), 0u);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveByExtension),
              w->Dir1->path() == "/" ? "/" : w->Dir1->path() + "/");
}
