#include "WidgetSupport.h"
#include "shell/Module1.h"
#include "worklist/ViewerTypes.h"

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
    std::vector<std::string> entries() const { return form->List1->items().items(); }
};

} // namespace

TEST_F(DeleteKeys, DeleteRemovesTheSelectedFileWithAnyShiftButCtrlAlone) {
    const std::vector<Qt::KeyboardModifiers> states = {Qt::NoModifier, Qt::ShiftModifier,
                                                       Qt::AltModifier,
                                                       Qt::ControlModifier | Qt::ShiftModifier};
    WriteFile(dir / "d.txt", "d");
    form->List1->items().append(dir / "d.txt");
    for (const auto state : states) {
        form->List1->setListIndex(0);
        const std::string victim = form->List1->selectedItem();
        TypeKey(form->List1, Qt::Key_Delete, state);
        EXPECT_FALSE(Exists(victim));
        EXPECT_EQ(RowOf(form->File1, Module1::GetFileName(victim)), -1)
            << "file list not refreshed";
        EXPECT_EQ(RowOf(form->List1, victim), -1);
    }
    EXPECT_TRUE(entries().empty());
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(DeleteKeys, DeleteWithNothingSelectedDeletesNothing) {
    TypeKey(form->List1, Qt::Key_Delete);
    EXPECT_EQ(entries().size(), 3u);
    EXPECT_EQ(form->File1->count(), 3);
    // A failed delete is silent and the entry goes all the same.
    form->List1->items().append(dir / "never-there");
    form->List1->setListIndex(3);
    TypeKey(form->List1, Qt::Key_Delete);
    EXPECT_EQ(entries().size(), 3u);
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(DeleteKeys, CtrlDeleteDeletesEveryFileAndReportsEachFailureOnce) {
    ASSERT_EQ(::chmod((dir / "b.txt").c_str(), 0444), 0); // read-only goes too
    form->List1->items().append(dir / "a.txt");           // the second delete fails
    TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_FALSE(Exists(dir / name)) << name;
    EXPECT_EQ(form->File1->count(), 0);
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0],
              "There were errors in your batch delete: \r\n     No such file or directory\r\n");
    EXPECT_TRUE(entries().empty());
}

TEST_F(DeleteKeys, CtrlDeleteOnAnEmptyListDoesNothing) {
    form->List1->clear();
    WriteFile(dir / "new.txt", "x");
    TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(RowOf(form->File1, "new.txt"), -1) << "the file list is not refreshed";
}

TEST_F(DeleteKeys, KeysHandledWhileTheBatchDeleteYieldsAreSafe) {
    // While the batch runs, R clears the list and a second batch delete starts inside it. The
    // outer batch then reads past the end of the list: empty entries whose deletes fail.
    QTimer::singleShot(0, form, [this] {
        TypeKey(form->List1, Qt::Key_R, {}, QStringLiteral("r"));
        form->List1->items().append(dir / "c.txt");
        TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    });
    TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(Exists(dir / "a.txt"));
    EXPECT_TRUE(Exists(dir / "b.txt")); // the list was cleared before its turn
    EXPECT_FALSE(Exists(dir / "c.txt"));
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0], "There were errors in your batch delete: \r\n"
                                  "     No such file or directory\r\n"
                                  "     No such file or directory\r\n");
    EXPECT_TRUE(entries().empty());
}

TEST(ViewerTypes, ChosenByTheUpperCasedExtensionOfTheWholePath) {
    EXPECT_EQ(ViewerFor("/a/notes.Txt"), Viewer::Text);
    EXPECT_EQ(ViewerFor("/a/page.HTM"), Viewer::Text);
    EXPECT_EQ(ViewerFor("/a/x.h"), Viewer::Text);
    EXPECT_EQ(ViewerFor("/a/photo.JPEG"), Viewer::Picture);
    EXPECT_EQ(ViewerFor("/a/photo.jpg"), Viewer::Picture);
    EXPECT_EQ(ViewerFor("/a/setup.exe"), Viewer::None);
    EXPECT_EQ(ViewerFor("/a/data.csv"), Viewer::None);
    EXPECT_EQ(ViewerFor("/a/README"), Viewer::None);
    EXPECT_EQ(ViewerFor("/old.docs/README"), Viewer::None);
    EXPECT_EQ(ViewerFor(""), Viewer::None);
}
