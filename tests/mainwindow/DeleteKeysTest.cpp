#include "WidgetSupport.h"
#include "core/Module1.h"
#include "core/ViewerTypes.h"

#include <QTimer>
#include <sys/stat.h>

namespace {

class DeleteKeys : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            WriteFile(dir / name, name);
        form->File1->refresh();
        TypeKey(form->File1, Qt::Key_Return, Qt::ShiftModifier);
        form->List1->setFocus();
    }
};

} // namespace

TEST_F(DeleteKeys, DeleteRemovesTheSelectedFileWithAnyShiftButCtrlAlone) {
    for (const Qt::KeyboardModifiers state :
         {Qt::KeyboardModifiers(), Qt::ControlModifier | Qt::ShiftModifier}) {
        form->List1->setListIndex(0);
        const std::string victim = form->List1->selectedItem();
        TypeKey(form->List1, Qt::Key_Delete, state);
        EXPECT_FALSE(Exists(victim));
        EXPECT_EQ(RowOf(form->File1, Module1::GetFileName(victim)), -1)
            << "file list not refreshed";
        EXPECT_EQ(RowOf(form->List1, victim), -1);
    }
    EXPECT_EQ(workList(), std::vector<std::string>{dir / "c.txt"});
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(DeleteKeys, NothingSelectedOrAnEmptyListDeletesNothingAndAFailedDeleteIsSilent) {
    TypeKey(form->List1, Qt::Key_Delete);
    EXPECT_EQ(workList().size(), 3u);
    EXPECT_EQ(form->File1->count(), 3);
    // A failed delete is silent and the entry goes all the same.
    form->List1->items().append(dir / "never-there");
    form->List1->setListIndex(3);
    TypeKey(form->List1, Qt::Key_Delete);
    EXPECT_EQ(workList().size(), 3u);
    // Ctrl+Delete on an empty list does not even read the folder again.
    form->List1->clear();
    WriteFile(dir / "new.txt", "x");
    TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(RowOf(form->File1, "new.txt"), -1);
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(DeleteKeys, KeysHandledWhileTheBatchDeleteYieldsAreSafe) {
    // While the batch runs, R clears the list and a second batch delete starts inside it. The
    // outer batch then reads past the end of the list: empty entries whose deletes fail.
    QTimer::singleShot(0, form, [this] {
        TypeKey(form->List1, Qt::Key_R, {}, QStringLiteral("r"));
        form->List1->items().append(dir / "c.txt");
        TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    });
    ASSERT_EQ(::chmod((dir / "a.txt").c_str(), 0444), 0); // read-only goes too
    TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(Exists(dir / "a.txt"));
    EXPECT_TRUE(Exists(dir / "b.txt")); // the list was cleared before its turn
    EXPECT_FALSE(Exists(dir / "c.txt"));
    EXPECT_EQ(messages->shown,
              std::vector<std::string>{"There were errors in your batch delete: \r\n"
                                       "     No such file or directory\r\n"
                                       "     No such file or directory\r\n"});
    EXPECT_TRUE(workList().empty());
}

TEST(ViewerTypes, ChosenByTheUpperCasedExtensionOfTheWholePath) {
    for (const char* text : {"/a/notes.Txt", "/a/page.HTM", "/a/x.h"})
        EXPECT_EQ(ViewerFor(text), Viewer::Text) << text;
    for (const char* picture : {"/a/photo.JPEG", "/a/photo.jpg"})
        EXPECT_EQ(ViewerFor(picture), Viewer::Picture) << picture;
    for (const char* none : {"/a/setup.exe", "/a/data.csv", "/a/README", "/old.docs/README", ""})
        EXPECT_EQ(ViewerFor(none), Viewer::None) << none;
}
