#include "WidgetSupport.h"
#include "core/Module1.h"
#include "core/ViewerTypes.h"
#include "ui/frmProgress.h"

#include <cerrno>

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
    form->List1->items().clear();
    WriteFile(dir / "new.txt", "x");
    TypeKey(form->List1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(RowOf(form->File1, "new.txt"), -1);
    EXPECT_TRUE(messages->shown.empty());
}

// Escape under a batch's progress window stops it after the file at hand, whose entry stays with
// those not reached. A cancel that comes during the last file leaves no entry of the job
// unhandled: the list empties as after any whole batch, also of an entry the job did not take
// (one a sort did not match).
TEST_F(DeleteKeys, EscapeStopsABatchAndOnlyTheEntriesNotReachedStay) {
    BatchJob job(workList(), [&](const BatchJob::Step& step) {
        if (step.index == 0)
            return Result{};
        while (!step.watch.cancelled())
            ::usleep(1000);
        return Result::fromErrno(ECANCELED);
    });
    Answering<frmProgress> user([](frmProgress* progress) { TypeKey(progress, Qt::Key_Escape); });
    App::instance().runBatch(job, Batch::Copy);
    EXPECT_GE(user.seen, 1);
    EXPECT_EQ(job.results().size(), 1u);
    App::instance().emptyWorkListAfter(job);
    EXPECT_EQ(workList(), (std::vector<std::string>{dir / "b.txt", dir / "c.txt"}));

    BatchJob* self = nullptr;
    BatchJob late(workList(), [&](const BatchJob::Step& step) {
        if (step.index + 1 == self->entries().size())
            self->cancel();
        return Result{};
    });
    self = &late;
    late.run();
    form->List1->items().append(dir / "unmatched");
    App::instance().emptyWorkListAfter(late);
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
