#include "core/FolderModel.h"
#include "core/ByteListModel.h"

#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Runs the events until done() holds, for 10 s at most; done() then.
bool EventsUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Counts how a model changed: by rows, never by a reset.
struct Changes {
    explicit Changes(QAbstractItemModel& model) {
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { ++resets; });
        QObject::connect(
            &model, &QAbstractItemModel::rowsInserted,
            [this](const QModelIndex&, int first, int last) { inserted += last - first + 1; });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int first, int last) {
                             removed += last - first + 1;
                             ++removals;
                         });
    }
    int resets = 0, inserted = 0, removed = 0, removals = 0;
};

using Names = std::vector<std::string>;

} // namespace

// Files and folders apart, in list order, at once for a small folder; then each outside change
// is one row, and refresh() has every change made before it without waiting for the events.
TEST(FolderModel, ListsEitherKindAndFollowsTheFolderOneNameAtATime) {
    TempDir dir;
    for (const char* name : {"b", "A", "c.txt"})
        WriteFile(dir / name, "x");
    MakeFolder(dir / "Sub");
    ASSERT_EQ(::symlink("Sub", (dir / "to-sub").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "broken").c_str()), 0);
    FolderModel files(FolderModel::Show::Files), folders(FolderModel::Show::Folders);
    EXPECT_FALSE(files.setFolder(dir / "missing"));
    ASSERT_TRUE(files.setFolder(dir.path()));
    ASSERT_TRUE(folders.setFolder(dir.path()));
    EXPECT_FALSE(files.listing());
    EXPECT_EQ(files.names(), (Names{"A", "b", "broken", "c.txt"}));
    EXPECT_EQ(folders.names(), (Names{"Sub", "to-sub"}));
    EXPECT_EQ(files.data(files.index(0), Qt::DisplayRole).toString(), "A");

    const Changes changed(files);
    WriteFile(dir / "a new", "x");
    ASSERT_EQ(::rename((dir / "c.txt").c_str(), (dir / "renamed").c_str()), 0);
    ASSERT_EQ(::unlink((dir / "b").c_str()), 0);
    MakeFolder(dir / "New folder");
    EXPECT_TRUE(EventsUntil([&] { return files.rowOf("renamed") >= 0 && files.rowOf("b") < 0; }));
    EXPECT_EQ(files.names(), (Names{"A", "a new", "broken", "renamed"}));
    EXPECT_TRUE(EventsUntil([&] { return folders.rowOf("New folder") >= 0; }));
    EXPECT_EQ(changed.resets, 0);
    EXPECT_EQ(changed.inserted, 2);
    EXPECT_EQ(changed.removed, 2);

    WriteFile(dir / "0 made just now", "x");
    ASSERT_EQ(::unlink((dir / "A").c_str()), 0);
    files.refresh();
    EXPECT_EQ(files.names(), (Names{"0 made just now", "a new", "broken", "renamed"}));
}

// A big folder shows its first names at once and the rest by rows once read, each insertion
// true to the rows around it; a change made meanwhile is in too. When the kernel's queue of
// changes overflows, the folder is read again.
TEST(FolderModel, ABigFolderFillsInByRowsAndAnOverflowReadsItAgain) {
    TempDir dir;
    Names all;
    for (int i = 0; i < 12000; ++i) {
        all.push_back("f" + std::to_string(100000 + i));
        std::ofstream(dir / all.back());
    }
    FolderModel files(FolderModel::Show::Files);
    const Changes changed(files);
    const QAbstractItemModelTester tester(&files,
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(files.setFolder(dir.path()));
    EXPECT_GT(files.count(), 0);
    EXPECT_TRUE(files.listing());
    ASSERT_EQ(::unlink((dir / all.back()).c_str()), 0);
    all.pop_back();
    WriteFile(dir / "g made meanwhile", "x");
    all.push_back("g made meanwhile");
    bool listed = false;
    QObject::connect(&files, &FolderModel::listed, [&] { listed = true; });
    ASSERT_TRUE(EventsUntil([&] { return listed; }));
    files.refresh();
    EXPECT_EQ(files.names(), all);
    EXPECT_EQ(changed.resets, 0);

    // More changes than the kernel queues (16,384 by default) while the events wait: one read
    // of the folder removes the files gone in one run of rows, not one by one.
    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    for (int i = 0; i < queued / 2 + 10; ++i) {
        std::ofstream(dir / "h");
        ::unlink((dir / "h").c_str());
    }
    for (std::size_t i = 0; i + 1 < all.size(); ++i)
        ASSERT_EQ(::unlink((dir / all[i]).c_str()), 0);
    const int removalsBefore = changed.removals;
    files.refresh();
    EXPECT_EQ(files.names(), Names{"g made meanwhile"});
    EXPECT_LE(changed.removals - removalsBefore, 2);
    EXPECT_EQ(changed.resets, 0);
}

// The work list keeps each folder part once and the names in one block: entries removed at
// random, the block given back and single paths appended between runs all keep every path exact.
TEST(ByteListModel, KeepsEveryPathExactThroughRemovalsAndTheBlocksRepacking) {
    ByteListModel list;
    std::vector<std::string> expected;
    Names names;
    for (int i = 0; i < 3000; ++i)
        names.push_back("name " + std::to_string(i));
    list.append("/a/", names);
    list.append(std::string("no folder"));
    list.append(std::vector<std::string>{"/b/c", "/b/d", "/"});
    list.append("/e/", names);
    for (const auto& name : names)
        expected.push_back("/a/" + name);
    expected.insert(expected.end(), {"no folder", "/b/c", "/b/d", "/"});
    for (const auto& name : names)
        expected.push_back("/e/" + name);
    ASSERT_EQ(list.items(), expected);
    // Two of every three entries out, from the end, past the point where the block is repacked.
    for (int i = list.count() - 1; i >= 0; --i) {
        if (i % 3 == 0)
            continue;
        list.removeAt(i);
        expected.erase(expected.begin() + i);
    }
    list.append(std::string("/f/last"));
    expected.push_back("/f/last");
    EXPECT_EQ(list.items(), expected);
    EXPECT_EQ(list.item(list.count() - 1), "/f/last");
    EXPECT_EQ(list.item(list.count()), "");
}
