// The file layer's copies where a file system can do better than copying every byte, against cp on
// the same files in the same run: a clone on btrfs and on XFS, and a sparse file on ext4. Then a
// batch of moves from one ext4 file system to another while another program appends records to
// the files, through the file layer and through mv, with the records each loses. Each file
// system is a loop image mounted in a mount namespace of this process's own, so no one else sees
// it and nothing stays mounted once the process is gone.
//
//   bench_filelayer [--quick] [folder]
//
// folder (default /var/tmp) holds the images, in a scratch folder removed at the end. --quick
// clones 64 MiB instead of 1 GiB and moves 500 files instead of 5,000. Needs root and
// mkfs.btrfs, mkfs.xfs and mkfs.ext4; without the right to mount, the sparse copy runs in folder
// itself when that is ext4, and the rest is skipped.

#include "BenchSupport.h"
#include "core/BatchTransfer.h"
#include "core/FileOps.h"

#include <atomic>
#include <climits>
#include <linux/magic.h>
#include <map>
#include <random>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <thread>

using namespace bench;

namespace {

constexpr int kRounds = 5;

std::string g_scratch;
std::vector<std::string> g_mounts;

// Also run by Die, so that a failed run leaves no mount or image behind.
void CleanUp() {
    for (auto it = g_mounts.rbegin(); it != g_mounts.rend(); ++it)
        if (::umount2(it->c_str(), 0) != 0)
            ::umount2(it->c_str(), MNT_DETACH);
    g_mounts.clear();
    if (!g_scratch.empty() && std::system(("rm -rf " + Quote(g_scratch)).c_str()) != 0)
        std::fprintf(stderr, "bench: could not remove %s\n", g_scratch.c_str());
}

// Empty when command succeeded, else the last line it printed.
std::string Run(const std::string& command) {
    FILE* out = ::popen((command + " 2>&1").c_str(), "r");
    if (!out)
        return std::strerror(errno);
    std::string last;
    char line[512];
    while (std::fgets(line, sizeof line, out))
        last = line;
    if (::pclose(out) == 0)
        return {};
    while (!last.empty() && last.back() == '\n')
        last.pop_back();
    return last.empty() ? "failed: " + command : last;
}

// A fresh file system made by mkfs in a sparse image of size bytes, mounted on a folder of the
// scratch folder: that folder, or empty with why set.
std::string MountImage(const std::string& name, const std::string& mkfs, off_t size,
                       std::string& why) {
    const std::string image = g_scratch + "/" + name + ".img";
    const std::string folder = g_scratch + "/" + name;
    const int fd = ::open(image.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 || ::ftruncate(fd, size) != 0 || ::mkdir(folder.c_str(), 0755) != 0)
        Die(image + ": " + std::strerror(errno));
    ::close(fd);
    why = Run(mkfs + " " + Quote(image));
    if (why.empty())
        why = Run("mount -o loop " + Quote(image) + " " + Quote(folder));
    if (!why.empty())
        return {};
    g_mounts.push_back(folder);
    return folder;
}

// The loop device goes with the mount (mount -o loop sets it to clear itself), the image after.
void Unmount(const std::string& folder) {
    if (::umount2(folder.c_str(), 0) != 0)
        Die(folder + ": " + std::strerror(errno));
    std::erase(g_mounts, folder);
    ::unlink((folder + ".img").c_str());
}

// Free bytes of the file system holding folder, once all that was written to it is on disk.
long long FreeBytes(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct statfs fs;
    if (fd < 0 || ::syncfs(fd) != 0 || ::fstatfs(fd, &fs) != 0)
        Die(folder + ": " + std::strerror(errno));
    ::close(fd);
    return static_cast<long long>(fs.f_bfree) * fs.f_bsize;
}

long long AllocatedBytes(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        Die(path + ": " + std::strerror(errno));
    return static_cast<long long>(st.st_blocks) * 512;
}

// Every time of each side, and the most free space one of its runs used up.
struct Sides {
    std::vector<double> seconds[2];
    long long used[2] = {LLONG_MIN, LLONG_MIN};
    double best(int side) const {
        return *std::min_element(seconds[side].begin(), seconds[side].end());
    }
    double median(int side) const {
        std::vector<double> sorted = seconds[side];
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

// Each side kRounds times, alternately, each run after its side's prepare and with everything
// of the file system on disk.
Sides Alternate(const std::string& folder, const std::function<void(int side)>& prepare,
                const std::function<void()>& dexaro, const std::function<void()>& standard) {
    Sides sides;
    for (int round = 0; round < kRounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            prepare(side);
            const long long before = FreeBytes(folder);
            sides.seconds[side].push_back(Seconds(side == 0 ? dexaro : standard));
            sides.used[side] = std::max(sides.used[side], before - FreeBytes(folder));
        }
    }
    return sides;
}

void CopyOrDie(const std::string& from, const std::string& to) {
    if (const Result r = FileOps::CopyFile(from, to); !r)
        Die(to + ": " + r.error);
}

std::string Kib(long long bytes) {
    return std::to_string(bytes / 1024) + " KiB";
}

void Clone(const std::string& type, const std::string& mkfs, size_t size,
           const std::string& sizeLabel) {
    const std::string name = "clone of one " + sizeLabel + " file on " + type;
    std::string why;
    const std::string fs = MountImage(type, mkfs, static_cast<off_t>(3 * size + (512 << 20)), why);
    if (fs.empty()) {
        std::printf("%s: skipped (%s)\n", name.c_str(), why.c_str());
        return;
    }
    const std::string source = fs + "/big.bin";
    const std::string copies[2] = {fs + "/dexaro.bin", fs + "/cp.bin"};
    WriteBytes(source, size);
    const Sides sides = Alternate(
        fs, [&](int side) { ::unlink(copies[side].c_str()); },
        [&] { CopyOrDie(source, copies[0]); },
        [&] { RunShell("cp --reflink=auto -- " + Quote(source) + " " + Quote(copies[1])); });
    std::printf("%s: dexaro %.2f ms (median %.2f), cp --reflink=auto %.2f ms (median %.2f), ratio "
                "%.2f; space used: dexaro %s, cp %s [targets: within 10 ms, no space]\n",
                name.c_str(), sides.best(0) * 1e3, sides.median(0) * 1e3, sides.best(1) * 1e3,
                sides.median(1) * 1e3, sides.best(0) / sides.best(1), Kib(sides.used[0]).c_str(),
                Kib(sides.used[1]).c_str());
    std::fflush(stdout);
    Unmount(fs);
}

// 4 GiB that hold 1 MiB of data in four pieces, with holes before, between and after them.
void WriteSparse(const std::string& path) {
    constexpr off_t kSize = off_t{4} << 30;
    constexpr size_t kPiece = 256 << 10;
    constexpr off_t kAt[] = {off_t{64} << 20, off_t{1280} << 20, off_t{2560} << 20,
                             off_t{3840} << 20};
    const std::string piece = path + ".piece";
    WriteBytes(piece, kPiece);
    std::vector<char> data(kPiece);
    const int in = ::open(piece.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0 || ::read(in, data.data(), kPiece) != static_cast<ssize_t>(kPiece) ||
        ::ftruncate(out, kSize) != 0)
        Die(path + ": " + std::strerror(errno));
    for (const off_t at : kAt)
        if (::pwrite(out, data.data(), kPiece, at) != static_cast<ssize_t>(kPiece))
            Die(path + ": short write");
    ::close(in);
    ::close(out);
    ::unlink(piece.c_str());
}

void Sparse(const std::string& fs, const std::string& where) {
    const std::string source = fs + "/sparse.img";
    const std::string copies[2] = {fs + "/dexaro.img", fs + "/cp.img"};
    WriteSparse(source);
    const Sides sides = Alternate(
        fs, [&](int side) { ::unlink(copies[side].c_str()); },
        [&] { CopyOrDie(source, copies[0]); },
        [&] { RunShell("cp --sparse=auto -- " + Quote(source) + " " + Quote(copies[1])); });
    const long long allocated[3] = {AllocatedBytes(source), AllocatedBytes(copies[0]),
                                    AllocatedBytes(copies[1])};
    std::printf("copy of a 4 GiB sparse file holding 1 MiB on %s: dexaro %.2f ms (median %.2f), "
                "cp --sparse=auto %.2f ms (median %.2f), ratio %.2f; allocated: source %s, "
                "dexaro's copy %s (%+.1f %%), cp's copy %s [targets: ratio within 2, allocated "
                "within 1 %%]\n",
                where.c_str(), sides.best(0) * 1e3, sides.median(0) * 1e3, sides.best(1) * 1e3,
                sides.median(1) * 1e3, sides.best(0) / sides.best(1), Kib(allocated[0]).c_str(),
                Kib(allocated[1]).c_str(),
                100.0 * static_cast<double>(allocated[1] - allocated[0]) /
                    static_cast<double>(allocated[0]),
                Kib(allocated[2]).c_str());
    std::fflush(stdout);
    for (const std::string& path : {source, copies[0], copies[1]})
        ::unlink(path.c_str());
}

// What another program appended to the files of a batch, in memory that it shares with us.
struct Appended {
    std::atomic<bool> stop;
    std::atomic<std::uint64_t> writes;
    std::atomic<std::uint32_t> records[1]; // one for each file, as many as were mapped
};

std::string Record(size_t file, std::uint32_t number) {
    return "record " + std::to_string(number) + " of file " + std::to_string(file) + "\n";
}

// Another program, forked while this is the only thread: it appends a record to one file after
// another, picked at random (open, write, close, as a log does), until told to stop, and counts
// what it wrote.
pid_t StartAppending(const std::vector<std::string>& paths, Appended* appended) {
    const pid_t pid = ::fork();
    if (pid < 0)
        Die(std::string("fork: ") + std::strerror(errno));
    if (pid > 0)
        return pid;
    std::minstd_rand random(1);
    while (!appended->stop) {
        const size_t i = random() % paths.size();
        const int fd = ::open(paths[i].c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0)
            continue; // moved away
        const std::string record = Record(i, appended->records[i]);
        if (::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size())) {
            ++appended->records[i];
            ++appended->writes;
        }
        ::close(fd);
    }
    ::_exit(0);
}

// The whole of a file; empty when it cannot be read.
std::string ReadAll(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

// Moves count files from one ext4 file system to another while another program appends to them,
// once through the file layer's batch and once with mv, and counts the records each loses.
void MovesWhileAppended(size_t count) {
    std::string why;
    const std::string from = MountImage("ext4-from", "mkfs.ext4 -q -F", off_t{512} << 20, why);
    const std::string to =
        from.empty() ? "" : MountImage("ext4-to", "mkfs.ext4 -q -F", off_t{512} << 20, why);
    const std::string name = "moves of " + std::to_string(count) +
                             " files from ext4 to ext4 while another program appends to them";
    if (to.empty()) {
        std::printf("%s: skipped (%s)\n", name.c_str(), why.c_str());
        return;
    }
    const size_t bytes = sizeof(Appended) + count * sizeof(std::atomic<std::uint32_t>);
    void* shared =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        Die(std::string("mmap: ") + std::strerror(errno));
    auto* appended = static_cast<Appended*>(shared);
    std::printf("%s:", name.c_str());
    for (const bool dexaro : {true, false}) {
        std::memset(shared, 0, bytes);
        const std::vector<std::string> names = MakeFiles(from, static_cast<int>(count), 1024);
        std::vector<std::string> sources, heads;
        for (const std::string& file : names) {
            sources.push_back(from + "/" + file);
            heads.push_back(ReadAll(sources.back()));
        }
        RunShell("sync");
        const pid_t writer = StartAppending(sources, appended);
        while (appended->writes < count) // a round first
            std::this_thread::yield();
        std::map<std::string, int> refused;
        const double seconds = Seconds([&] {
            if (!dexaro) {
                RunShell("mv -t " + Quote(to) + " -- " + Quote(from) + "/*");
                return;
            }
            const auto job =
                BatchTransfer::Transfer(BatchTransfer::Operation::Move, sources, to + "/");
            job->run();
            for (const Result& r : job->results())
                if (!r)
                    ++refused[r.error];
        });
        appended->stop = true;
        ::waitpid(writer, nullptr, 0);
        // Every file is in one place, whole: its head and every record written to it.
        long long lostBytes = 0, lostRecords = 0, twice = 0, gone = 0, garbled = 0;
        for (size_t i = 0; i < count; ++i) {
            const bool moved = ::access((to + "/" + names[i]).c_str(), F_OK) == 0;
            const bool stayed = ::access(sources[i].c_str(), F_OK) == 0;
            twice += moved && stayed;
            gone += !moved && !stayed;
            if (!moved && !stayed)
                continue;
            std::string expected = heads[i];
            for (std::uint32_t k = 0; k < appended->records[i]; ++k)
                expected += Record(i, k);
            const std::string found = ReadAll(moved ? to + "/" + names[i] : sources[i]);
            if (found == expected)
                continue;
            if (!expected.starts_with(found)) {
                ++garbled;
                continue;
            }
            lostBytes += static_cast<long long>(expected.size() - found.size());
            lostRecords += std::count(expected.begin() + static_cast<long>(found.size()),
                                      expected.end(), '\n');
        }
        std::string refusals;
        for (const auto& [line, times] : refused)
            refusals += ", " + std::to_string(times) + " refused (\"" + line + "\")";
        std::printf(" %s %.2f s, %llu records appended%s, %lld records lost (%lld bytes), %lld "
                    "files in both places, %lld gone, %lld garbled;",
                    dexaro ? "dexaro" : "mv", seconds,
                    static_cast<unsigned long long>(appended->writes.load()), refusals.c_str(),
                    lostRecords, lostBytes, twice, gone, garbled);
        std::fflush(stdout);
        RunShell("rm -rf " + Quote(from) + "/* " + Quote(to) + "/*");
    }
    std::printf(" [target: dexaro loses nothing]\n");
    ::munmap(shared, bytes);
    Unmount(to);
    Unmount(from);
}

} // namespace

int main(int argc, char** argv) {
    // First of all, while this is the only thread: a namespace is made for a whole process.
    const bool privateMounts = ::unshare(CLONE_NEWNS) == 0 &&
                               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    const int mountError = errno;
    const auto [quick, base] = ReadOptions(argc, argv);
    g_scratch = base + "/dexaro-bench-XXXXXX";
    if (!::mkdtemp(g_scratch.data())) {
        g_scratch.clear();
        Die(base + ": " + std::strerror(errno));
    }
    std::atexit(CleanUp);

    const size_t cloneSize = quick ? size_t{64} << 20 : size_t{1} << 30;
    const std::string cloneLabel = quick ? "64 MiB" : "1 GiB";
    if (!privateMounts) {
        std::printf("btrfs, XFS and ext4 images: skipped (no mount namespace of our own: %s)\n",
                    std::strerror(mountError));
    } else {
        Clone("btrfs", "mkfs.btrfs -q -f", cloneSize, cloneLabel);
        Clone("xfs", "mkfs.xfs -q -f -m reflink=1", cloneSize, cloneLabel);
    }

    if (privateMounts)
        MovesWhileAppended(quick ? 500 : 5000);

    std::string why = "no mount namespace of our own";
    const std::string ext4 =
        privateMounts ? MountImage("ext4", "mkfs.ext4 -q -F", off_t{1} << 30, why) : "";
    struct statfs baseFs;
    if (!ext4.empty()) {
        Sparse(ext4, "ext4");
        Unmount(ext4);
    } else if (::statfs(g_scratch.c_str(), &baseFs) == 0 && baseFs.f_type == EXT4_SUPER_MAGIC) {
        Sparse(g_scratch, "ext4 (" + base + ", as the image was not possible: " + why + ")");
    } else {
        std::printf("sparse copy on ext4: skipped (%s, and %s is not ext4)\n", why.c_str(),
                    base.c_str());
    }
    return 0;
}
