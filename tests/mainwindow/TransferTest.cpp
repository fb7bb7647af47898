#include "WidgetSupport.h"
#include "ui/frmProgress.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

class Transfer : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        MakeFolder(source);
        MakeFolder(other);
        WriteFile(source + "/one.txt", "one");
        WriteFile(source + "/two.txt", "two");
        WriteFile(other + "/one.txt", "other one");
    }

    const std::string source = dir / "source";
    const std::string other = dir / "other";
};

} // namespace

// Insert in the folder list copies the whole work list here, a later file of a name replacing
// the earlier copy, and reads the file list again; in the work list it copies only the selected
// file, with any shift state. A copy onto the file itself is refused with a reason.
TEST_F(Transfer, InsertCopiesTheWorkListOrItsSelectedFileHere) {
    TypeKey(form->Dir1, Qt::Key_Insert); // an empty work list: nothing to do or say
    form->List1->items().append({source + "/one.txt", other + "/one.txt", source + "/two.txt"});
    TypeKey(form->List1, Qt::Key_Insert); // nothing selected
    EXPECT_FALSE(Exists(dir / "one.txt"));
    form->List1->setListIndex(2);
    TypeKey(form->List1, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_FALSE(Exists(dir / "one.txt"));
    EXPECT_EQ(ReadFile(dir / "two.txt"), "two");
    TypeKey(form->Dir1, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(ReadFile(dir / "one.txt"), "other one");
    EXPECT_EQ(ReadFile(source + "/one.txt"), "one");
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(workList().size(), 3u);
    EXPECT_EQ(fileList(), (std::vector<std::string>{"one.txt", "two.txt"}));

    form->List1->items().append(dir / "two.txt");
    form->List1->setListIndex(3);
    TypeKey(form->List1, Qt::Key_Insert);
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0].rfind(Heading::Copying + std::string("\r\n     two.txt   "), 0),
              0u);
    EXPECT_EQ(ReadFile(dir / "two.txt"), "two");
}

TEST_F(Transfer, LetterKeysOfTheWorkList) {
    form->List1->items().append({source + "/one.txt", source + "/two.txt", other + "/one.txt"});
    form->List1->setFocus();
    // With nothing selected, M, C and F do nothing.
    TypeKey(form->List1, Qt::Key_M, {}, "m");
    TypeKey(form->List1, Qt::Key_C, Qt::ShiftModifier, "C");
    TypeKey(form->List1, Qt::Key_F, {}, "f");
    EXPECT_EQ(workList().size(), 3u);
    EXPECT_FALSE(Exists(dir / "one.txt"));

    // F copies the selected file here and keeps the entry; Ctrl+F types a control character.
    form->List1->setListIndex(2);
    TypeKey(form->List1, Qt::Key_F, Qt::ControlModifier, "\x06");
    EXPECT_FALSE(Exists(dir / "one.txt"));
    TypeKey(form->List1, Qt::Key_F, Qt::ShiftModifier, "F");
    EXPECT_EQ(ReadFile(dir / "one.txt"), "other one");
    EXPECT_EQ(workList().size(), 3u);

    // M moves the selected file and drops its entry, also when the move fails: a bare line
    // tells why.
    form->List1->setListIndex(1);
    TypeKey(form->List1, Qt::Key_M, {}, "m");
    EXPECT_EQ(ReadFile(dir / "two.txt"), "two");
    EXPECT_EQ(workList(), (std::vector<std::string>{source + "/one.txt", other + "/one.txt"}));
    EXPECT_EQ(form->List1->listIndex(), -1);
    form->List1->items().append(source + "/gone.txt");
    form->List1->setListIndex(2);
    TypeKey(form->List1, Qt::Key_M, Qt::ShiftModifier, "M");
    EXPECT_EQ(messages->shown,
              std::vector<std::string>{Heading::Moving +
                                       std::string("\r\n     No such file or directory\r\n")});
    messages->shown.clear();
    EXPECT_EQ(workList().size(), 2u);

    // C strikes an entry out and touches no file; R empties the list.
    form->List1->setListIndex(0);
    TypeKey(form->List1, Qt::Key_C, {}, "c");
    EXPECT_EQ(workList(), (std::vector<std::string>{other + "/one.txt"}));
    EXPECT_TRUE(Exists(source + "/one.txt"));
    TypeKey(form->List1, Qt::Key_R, {}, "r");
    EXPECT_TRUE(workList().empty());
    EXPECT_TRUE(messages->shown.empty());
}

// Ctrl+Z, from any list of the window, puts the last move back once, entries and all, naming
// in work-list order what it left; commands that changed no file keep it (a Delete of a file
// that is not there among them), a delete ends it.
TEST_F(Transfer, CtrlZPutsTheLastMoveBackOnce) {
    WriteFile(source + "/three.txt", "three");
    form->List1->items().append({source + "/one.txt", source + "/two.txt", source + "/three.txt"});
    TypeKey(form->Dir1, Qt::Key_M, {}, QStringLiteral("m"));
    EXPECT_EQ(ReadFile(dir / "two.txt"), "two");
    EXPECT_TRUE(workList().empty());
    TypeKey(form->Dir1, Qt::Key_M, {}, QStringLiteral("m"));
    TypeKey(form->List1, Qt::Key_Delete);
    form->List1->items().append(dir / "never-there");
    form->List1->setListIndex(0);
    TypeKey(form->List1, Qt::Key_Delete);
    WriteFile(dir / "one.txt", "changed");
    WriteFile(dir / "three.txt", "changed");
    QTest::keyClick(form->File1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ReadFile(source + "/two.txt"), "two");
    EXPECT_EQ(workList(), std::vector<std::string>{source + "/two.txt"});
    EXPECT_EQ(messages->shown, std::vector<std::string>{
                                   std::string(Heading::Undo) +
                                   "\r\n     one.txt   Changed since, so left where it is"
                                   "\r\n     three.txt   Changed since, so left where it is\r\n"});
    QTest::keyClick(form->List1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ReadFile(dir / "one.txt"), "changed");

    TypeKey(form->Dir1, Qt::Key_M, {}, QStringLiteral("m"));
    form->List1->items().append(dir / "one.txt");
    form->List1->setListIndex(0);
    TypeKey(form->List1, Qt::Key_Delete);
    EXPECT_FALSE(Exists(dir / "one.txt"));
    QTest::keyClick(form->List1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ReadFile(dir / "two.txt"), "two");
    EXPECT_EQ(messages->shown.size(), 1u);
}

// M cancelled inside its file keeps the entry: the file stays whole where it was and nothing is
// at the destination. The destination is an ext4 volume of the test's own, frozen: the move, a
// copy from another file system, waits at its first write there until the progress window has
// been answered and the volume thawed.
TEST_F(Transfer, MKeepsItsEntryAfterACancel) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a volume needs root";
    const std::string volume = dir / "volume", image = dir / "volume.img";
    MakeFolder(volume);
    // Mounted where only this thread, and the batch's worker it starts, sees it.
    const int shared = ::open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
    ASSERT_TRUE(::unshare(CLONE_NEWNS) == 0 &&
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    const auto back = qScopeGuard([&] {
        ::umount2(volume.c_str(), MNT_DETACH);
        ::setns(shared, CLONE_NEWNS);
        ::close(shared);
    });
    if (std::system(("truncate -s 32M " + image + " && PATH=$PATH:/usr/sbin mkfs.ext4 -q " + image +
                     " && mount -o loop " + image + " " + volume)
                        .c_str()) != 0)
        GTEST_SKIP() << "no ext4 volume on a loop device here";
    ASSERT_TRUE(form->Dir1->setPath(volume));
    form->List1->items().append(source + "/one.txt");
    form->List1->setListIndex(0);

    const int root = ::open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const auto thaw = [root] { ::ioctl(root, FITHAW, 0); };
    // A process of its own thaws the volume after 10 s at the latest, should this one hang or
    // crash: a thread waiting on a frozen volume cannot even be killed.
    int done[2];
    ASSERT_EQ(::pipe2(done, O_CLOEXEC), 0);
    const pid_t watchdog = ::fork();
    if (watchdog == 0) {
        ::close(done[1]);
        pollfd wait{done[0], POLLIN, 0};
        ::poll(&wait, 1, 10000);
        ::ioctl(root, FITHAW, 0);
        ::_exit(0);
    }
    ::close(done[0]);
    ASSERT_EQ(::ioctl(root, FIFREEZE, 0), 0);
    bool answered = false;
    Answering<frmProgress> user([&](frmProgress* progress) {
        if (std::exchange(answered, true))
            return;
        // R would empty the work list, were it taken under the progress window.
        QTest::keyClick(form->windowHandle(), Qt::Key_R);
        TypeKey(progress, Qt::Key_Escape);
        thaw();
    });
    TypeKey(form->List1, Qt::Key_M, {}, "m");
    thaw();
    ::close(done[1]);
    ::waitpid(watchdog, nullptr, 0);
    ::close(root);
    EXPECT_TRUE(answered);
    EXPECT_EQ(workList(), std::vector<std::string>{source + "/one.txt"});
    EXPECT_EQ(ReadFile(source + "/one.txt"), "one");
    EXPECT_TRUE(fileList().empty()); // neither the file nor a temporary of it
    EXPECT_TRUE(messages->shown.empty());
}
