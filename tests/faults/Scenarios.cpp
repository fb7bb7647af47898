#include "TestBed.h"

#include "TestSupport.h"
#include "core/BatchTransfer.h"
#include "core/FileOps.h"
#include "core/RenamerLogic.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <ranges>
#include <thread>
#include <unistd.h>

namespace {

using FileOps::CopyFile;
using FileOps::MoveFile;

std::vector<std::string> Keys(const Tree& tree) {
    const auto keys = std::views::keys(tree);
    return {keys.begin(), keys.end()};
}

// The verdict on a move across file systems while another program wrote to its source: the move
// either happened or gave up for that writer, and the one file left holds every byte written.
void ExpectNothingLost(Scene& s, const Result& result, const std::string& from,
                       const std::string& to, const std::string& written) {
    EXPECT_TRUE(result || result.error == Says::SourceChanged ||
                result.error == Says::OpenForWriting)
        << result.error;
    EXPECT_EQ(Keys(s.snapshot()), std::vector{result ? to : from});
    const std::string left = ReadFile(s[result ? to : from]);
    EXPECT_TRUE(left == written) << left.size() << " bytes kept of " << written.size()
                                 << " written";
}

// While a writer appends to the source, a move across file systems either fails and keeps
// everything, or moves all of it: no append is lost, not even one made after the last look at
// the source.
void MoveWhileAppending(Scene& s, const std::string& from, const std::string& to) {
    const auto chunk = [](int i) { return Pattern(4096, 1000 + unsigned(i)); };
    std::string whole = Pattern(4 << 20, 7);
    WriteFile(s[from], whole);
    std::atomic<int> appended = 0;
    std::atomic<bool> stop = false, ended = false;
    std::thread writer([&] {
        // Bounded, so that a copy chasing the writer never fills the destination; it stops once
        // the source is moved, or there is no room.
        for (int fd; !stop && appended < 1024; ++appended, ::close(fd))
            if ((fd = ::open(s[from].c_str(), O_WRONLY | O_APPEND | O_CLOEXEC)) < 0 ||
                ::write(fd, chunk(appended).data(), 4096) != 4096)
                break;
        ended = true;
    });
    while (appended == 0 && !ended)
        std::this_thread::yield();
    const Result result = MoveFile(s[from], s[to]);
    stop = true;
    writer.join();
    for (int i = 0; i < appended; ++i)
        whole += chunk(i);
    ExpectNothingLost(s, result, from, to, whole);
}

// Runs a copy, or a move across file systems, on a thread of its own, and meanwhile() on this one
// once the first chunk of the file is written.
Result WhileCopying(bool move, const std::string& from, const std::string& to,
                    const std::function<void(const FileOps::CopyWatch&)>& meanwhile) {
    FileOps::CopyWatch watch;
    Result result;
    std::atomic<bool> done = false;
    std::thread call([&] {
        result = move ? MoveFile(from, to, &watch) : CopyFile(from, to, &watch);
        done = true;
    });
    while (watch.bytes() == 0 && !done)
        std::this_thread::yield();
    meanwhile(watch);
    call.join();
    return result;
}

// While a move across file systems copies, another program makes a file of the destination's
// name: the move fails and leaves that file alone (or, done first, that program fails).
void DestinationAppears(Scene& s) {
    const std::string original = Pattern(10 << 20, 11), theirs = "made meanwhile";
    WriteFile(s["p/s"], original);
    bool made = false;
    const Result result = WhileCopying(true, s["p/s"], s["h/s"], [&](auto&) {
        const int fd = ::open(s["h/s"].c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        made = fd >= 0 && ::write(fd, theirs.data(), theirs.size()) == ssize_t(theirs.size());
        ::close(fd);
    });
    EXPECT_NE(bool(result), made) << result.error;
    EXPECT_EQ(result.error, result ? Says::Ok : Says::Exists);
    EXPECT_EQ(ReadFile(s["h/s"]), result ? original : theirs);
    EXPECT_EQ(Keys(s.snapshot()),
              (result ? std::vector<std::string>{"h/s"} : std::vector<std::string>{"h/s", "p/s"}));
}

// Whether a lease this process holds is being broken: a program that opens the file for writing
// waits in its open meanwhile.
bool LeaseBreaking() {
    std::ifstream locks("/proc/locks");
    const std::string ours = " " + std::to_string(::getpid()) + " ";
    for (std::string line; std::getline(locks, line);)
        if (line.find("LEASE  BREAKING") != std::string::npos &&
            line.find(ours) != std::string::npos)
            return true;
    return false;
}

// Another program writes to the source of a move across file systems: through a descriptor it
// opened before the move began (held), or opened while the move copies (to append, to truncate),
// writing once its open returns. Nothing it wrote is lost. One that opens the file waits for one
// chunk of the copy (4 MiB) at most, not for the rest of it: the move gives up and lets it go on.
enum class Writer { Held, Appends, Truncates };
void WriterAroundMove(Scene& s, Writer how) {
    constexpr std::uint64_t kChunk = 4 << 20;
    const std::string original = Pattern(10 << 20, 12), extra = "written by the other program";
    WriteFile(s["p/s"], original);
    const int flags = O_WRONLY | O_CLOEXEC | (how == Writer::Truncates ? O_TRUNC : O_APPEND);
    int fd = how == Writer::Held ? ::open(s["p/s"].c_str(), flags) : -1;
    const Result result =
        WhileCopying(true, s["p/s"], s["h/s"], [&](const FileOps::CopyWatch& watch) {
            if (how == Writer::Held)
                return;
            std::atomic<bool> opened = false;
            std::thread writer([&] {
                fd = ::open(s["p/s"].c_str(), flags);
                opened = true;
            });
            while (!opened && !LeaseBreaking())
                std::this_thread::yield();
            const std::uint64_t atBreak = watch.bytes();
            writer.join();
            if (atBreak + kChunk < original.size()) {
                EXPECT_LE(watch.bytes(), atBreak + kChunk)
                    << "the move copied on for a waiting writer";
            }
        });
    std::string expected = original;
    if (fd >= 0) {
        EXPECT_EQ(::write(fd, extra.data(), extra.size()), ssize_t(extra.size()));
        ::close(fd);
        expected = (how == Writer::Truncates ? "" : original) + extra;
    }
    ExpectNothingLost(s, result, "p/s", "h/s", expected);
}

// Another program puts a new file in the source's place by a rename while the move copies, as
// editors save. The move kept its copy, or was done before the rename: both files stand.
void ReplacedDuringMove(Scene& s) {
    const std::string original = Pattern(10 << 20, 12), theirs = "saved by the other program";
    WriteFile(s["p/s"], original);
    const Result result = WhileCopying(true, s["p/s"], s["h/s"], [&](auto&) {
        WriteFile(s["p/new"], theirs);
        EXPECT_EQ(::rename(s["p/new"].c_str(), s["p/s"].c_str()), 0);
    });
    EXPECT_TRUE(result || result.error == Says::Replaced) << result.error;
    EXPECT_EQ(Keys(s.snapshot()), (std::vector<std::string>{"h/s", "p/s"}));
    EXPECT_EQ(ReadFile(s["h/s"]), original);
    EXPECT_EQ(ReadFile(s["p/s"]), theirs);
}

// Without a lease (the file is another user's), a write during the copy is caught by the looks
// at size and time: the source stays, with what was written, and the copy goes.
void AppendWithoutLease(Scene& s) {
    const std::string original = Pattern(10 << 20, 13), extra = "written by the other program";
    WriteFile(s["p/s"], original);
    for (const char* ref : {"p/s", "p/", "h/"})
        EXPECT_EQ(::chmod(s[ref].c_str(), 0777), 0);
    bool caught = false;
    const AsNobody nobody;
    const Result result = WhileCopying(true, s["p/s"], s["h/s"], [&](const FileOps::CopyWatch& w) {
        const int fd = ::open(s["p/s"].c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        EXPECT_EQ(::write(fd, extra.data(), extra.size()), ssize_t(extra.size()));
        ::close(fd);
        caught = w.bytes() < original.size(); // written before the copy was done
    });
    if (!caught)
        GTEST_SKIP() << "the copy ran too fast to be caught";
    EXPECT_EQ(result.error, Says::SourceChanged);
    ExpectNothingLost(s, result, "p/s", "h/s", original + extra);
}

// Where a copy's temporary has a name, it is locked while the copy lives: the clean-up of what
// dead copies left does not take it, even when told to take everything.
void LockedNamedTemporaries(Scene& s) {
    WriteFile(s["p/big"], Pattern(10 << 20, 9));
    for (int attempt = 0; attempt < 10; ++attempt) {
        bool caught = false;
        const Result result = WhileCopying(false, s["p/big"], s["h/big"], [&](auto&) {
            for (const auto& entry : std::filesystem::directory_iterator(s["h/"]))
                caught |= entry.path().filename().string().starts_with(".dexaro-");
            FileOps::RemoveLeftoverTemporaries(s["h/"], std::chrono::seconds(-1));
        });
        if (caught) {
            EXPECT_EQ(result.error, "");
            EXPECT_EQ(Keys(s.snapshot()), (std::vector<std::string>{"h/big", "p/big"}));
            return;
        }
    }
    GTEST_SKIP() << "the copies ran too fast to be caught";
}

// 20,000 files moved, then copied, into folders where some of their names are taken: every file
// is moved or copied whole, or has a line of its own, shown escaped.
void BatchWithNamesTaken(Scene& s) {
    constexpr int kFiles = 20000;
    const auto name = [](int i) {
        return i == 7500 ? std::string("line\r\nbreak")
                         : "f" + std::to_string(100000 + i).substr(1);
    };
    const auto taken = [](int i) { return i % 1000 == 500; };
    s.make("d:h/src d:h/dst d:h/back");
    std::vector<std::string> sources, moved;
    for (int i = 0; i < kFiles; ++i) {
        sources.push_back(s["h/src/" + name(i)]);
        moved.push_back(s["h/dst/" + name(i)]);
        WriteFile(sources.back(), "file " + std::to_string(i) + "\n");
        if (taken(i)) // a folder or a file in the way of the move, a folder in that of the copy
            s.make((i / 1000 % 2 ? "d:h/dst/" : "f:h/dst/") + name(i) + " d:h/back/" + name(i));
    }
    ASSERT_FALSE(testing::Test::HasFailure());
    Tree expected = s.snapshot();

    const auto run = [](BatchTransfer::Operation operation, const std::vector<std::string>& entries,
                        const std::string& to, const char* heading) {
        const auto job = BatchTransfer::Transfer(operation, entries, to);
        job->run();
        return FailureMessage(*job, heading);
    };
    const std::string moveMessage =
        run(BatchTransfer::Operation::Move, sources, s["h/dst/"], Heading::Moving);
    const std::string copyMessage =
        run(BatchTransfer::Operation::Copy, moved, s["h/back/"], Heading::Copying);
    std::string moveText = Heading::Moving + std::string("\r\n"),
                copyText = Heading::Copying + std::string("\r\n");
    for (int i = 0; i < kFiles; ++i) {
        const std::string shown = i == 7500 ? "line\\r\\nbreak" : name(i);
        if (taken(i)) {
            moveText += "     " + shown + "   File exists\r\n";
            copyText += "     " + shown + "   Is a directory\r\n";
            continue;
        }
        MoveInTree(expected, "h/src/" + name(i), "h/dst/" + name(i));
        expected["h/back/" + name(i)] = expected["h/dst/" + name(i)];
    }
    EXPECT_EQ(moveMessage, moveText);
    EXPECT_EQ(copyMessage, copyText);
    EXPECT_EQ(Diff(expected, s.snapshot()), "");
}

// Renaming runs whose new names are the old names of later entries or of files outside the run
// (those fail, and the files stay), and one whose names earlier entries freed. Each entry: its
// name, and "!" where its new name is taken.
void RenamerChainsAndCollisions(Scene& s) {
    s.make("d:h/b");
    for (const char* name : {"05", "01", "02", "03", "y", "z", "06", "b/02", "b/03", "b/04", "b/x"})
        s.make("f:h/" + std::string(name) + ".txt");
    ASSERT_FALSE(testing::Test::HasFailure());
    Tree expected = s.snapshot();
    for (const auto& run : {std::vector<std::string>{"05!", "01!", "02!", "03", "y!", "z!"},
                            std::vector<std::string>{"b/02", "b/03", "b/04", "b/x"}}) {
        std::vector<std::string> paths;
        for (const std::string& entry : run)
            paths.push_back(s["h/" + entry.substr(0, entry.find('!')) + ".txt"]);
        const auto plan =
            RenamerLogic::PlanRenames(paths, RenamerLogic::RenameSettings{"", "1", true, ""});
        const auto job = RenamerLogic::RenameJob(plan);
        job->run();
        ASSERT_EQ(job->results().size(), run.size());
        for (size_t i = 0; i < run.size(); ++i) {
            EXPECT_EQ(job->results()[i].error, run[i].ends_with('!') ? Says::Exists : Says::Ok);
            if (job->results()[i])
                MoveInTree(expected, "h/" + paths[i].substr(s["h/"].size()),
                           "h/" + plan[i].to.substr(s["h/"].size()));
        }
    }
    EXPECT_EQ(Diff(expected, s.snapshot()), "");
}

} // namespace

std::vector<Case> Scenarios() {
    return {
        {.name = "move_in_while_source_grows",
         .run = [](Scene& s) { MoveWhileAppending(s, "p/s", "h/s"); }},
        {.name = "move_out_while_source_grows",
         .run = [](Scene& s) { MoveWhileAppending(s, "h/s", "p/s"); }},
        {.name = "move_across_while_destination_appears", .run = DestinationAppears},
        {.name = "move_in_while_held_for_writing",
         .run = [](Scene& s) { WriterAroundMove(s, Writer::Held); }},
        {.name = "move_in_while_opened_to_append",
         .run = [](Scene& s) { WriterAroundMove(s, Writer::Appends); }},
        {.name = "move_in_while_opened_to_truncate",
         .run = [](Scene& s) { WriterAroundMove(s, Writer::Truncates); }},
        {.name = "move_in_while_replaced", .run = ReplacedDuringMove},
        {.name = "move_in_while_appended_without_lease",
         .needs = Permissions,
         .run = AppendWithoutLease},
        {.name = "named_temporaries_locked_while_live",
         .needs = NamedTemporaries,
         .run = LockedNamedTemporaries},
        {.name = "batch_of_20000_with_names_taken", .needs = Roomy, .run = BatchWithNamesTaken},
        {.name = "renamer_chains_and_collisions", .run = RenamerChainsAndCollisions},
    };
}
