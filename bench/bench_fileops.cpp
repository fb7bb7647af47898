// The file layer against the standard tools on the same files, in the same run.
//
//   bench_fileops [--quick] [folder]
//
// folder (default /var/tmp) must be on a disk; a scratch folder is made and removed inside it.
// --quick uses 1,000 files and 64 MiB instead of 10,000 files and 1 GiB, for smoke runs.

#include "platform/FileOps.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/magic.h>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "bench_fileops: %s\n", what.c_str());
    std::exit(1);
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        Die("failed: " + command);
}

void Check(const FileOps::Result& result, const std::string& what) {
    if (!result)
        Die(what + ": " + result.error);
}

void WriteBytes(const std::string& path, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Die(path + ": " + std::strerror(errno));
    // Data that do not compress or deduplicate, so no layer below can cheat.
    constexpr size_t kWord = sizeof(uint64_t);
    std::vector<uint64_t> block(std::min<size_t>((size + kWord - 1) / kWord, 1 << 20));
    static uint64_t x = 0x9E3779B97F4A7C15ull;
    for (size_t done = 0; done < size;) {
        const size_t chunk = std::min(size - done, block.size() * kWord);
        for (size_t i = 0; i < (chunk + kWord - 1) / kWord; ++i) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            block[i] = x;
        }
        if (::write(fd, block.data(), chunk) != static_cast<ssize_t>(chunk))
            Die(path + ": short write");
        done += chunk;
    }
    ::close(fd);
}

std::vector<std::string> MakeFiles(const std::string& folder, int count, size_t size) {
    std::vector<std::string> names;
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "file%05d.dat", i);
        names.emplace_back(name);
        WriteBytes(folder + "/" + name, size);
    }
    return names;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each side runs twice, alternately, each time after an untimed preparation that also flushes
// what earlier runs left dirty; the better time of each side counts, which evens out the page
// cache and write-back.
void Compare(const std::string& name, const std::string& tool, const std::function<void()>& prepare,
             const std::function<void()>& dexaro, const std::function<void()>& standard) {
    double best[2] = {1e300, 1e300};
    for (int round = 0; round < 2; ++round) {
        for (int side = 0; side < 2; ++side) {
            prepare();
            ::sync();
            const double t = Seconds(side == 0 ? dexaro : standard);
            best[side] = std::min(best[side], t);
        }
    }
    std::printf("%s: dexaro %.2fs, %s %.2fs, ratio %.2f\n", name.c_str(), best[0], tool.c_str(),
                best[1], best[0] / best[1]);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::string base = "/var/tmp";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else
            base = argv[i];
    }
    const int count = quick ? 1000 : 10000;
    const size_t bigSize = quick ? size_t{64} << 20 : size_t{1} << 30;
    const std::string bigLabel = quick ? "64 MiB" : "1 GiB";
    const std::string countLabel = quick ? "1,000" : "10,000";

    std::string scratch = base + "/dexaro-bench-XXXXXX";
    if (!::mkdtemp(scratch.data()))
        Die(base + ": " + std::strerror(errno));
    struct statfs fs;
    if (::statfs(scratch.c_str(), &fs) != 0 ||
        static_cast<unsigned long long>(fs.f_bavail) * fs.f_bsize < 8 * bigSize) {
        ::rmdir(scratch.c_str());
        Die(base + " lacks room for " + std::to_string(8 * bigSize) + " bytes");
    }
    // Every run writes into a folder of its own: removing the last run's files here would set the
    // disk freeing (and, with online discard, trimming) blocks while the next run is timed.
    const std::string src = scratch + "/src";
    std::string dst;
    int folders = 0;
    const auto freshDestination = [&] {
        dst = scratch + "/dst" + std::to_string(++folders);
        Shell("mkdir " + Quote(dst));
    };
    Shell("mkdir " + Quote(src));

    // Many small files.
    const std::vector<std::string> names = MakeFiles(src, count, 4096);
    Compare(
        "copy " + countLabel + " files of 4 KiB", "cp", freshDestination,
        [&] {
            for (const std::string& n : names)
                Check(FileOps::CopyFile(src + "/" + n, dst + "/" + n), n);
        },
        [&] { Shell("cd " + Quote(src) + " && cp -- * " + Quote(dst) + "/"); });

    // Moves go back and forth between the two folders, so nothing needs remaking in between.
    freshDestination();
    bool inSrc = true;
    Compare(
        "move " + countLabel + " files on one file system", "mv", [] {},
        [&] {
            const std::string& from = inSrc ? src : dst;
            const std::string& to = inSrc ? dst : src;
            for (const std::string& n : names)
                Check(FileOps::MoveFile(from + "/" + n, to + "/" + n), n);
            inSrc = !inSrc;
        },
        [&] {
            Shell("find " + Quote(inSrc ? src : dst) + " -maxdepth 1 -type f -exec mv -t " +
                  Quote(inSrc ? dst : src) + " {} +");
            inSrc = !inSrc;
        });

    // Empty files: freeing blocks on a disk mounted with online discard costs milliseconds a file
    // on either side and would drown what is measured here.
    Compare(
        "delete " + countLabel + " empty files", "rm",
        [&] {
            freshDestination();
            MakeFiles(dst, count, 0);
        },
        [&] {
            for (const std::string& n : names)
                Check(FileOps::DeleteFile(dst + "/" + n), n);
        },
        [&] { Shell("find " + Quote(dst) + " -maxdepth 1 -type f -exec rm -f {} +"); });

    // One big file.
    const std::string big = scratch + "/big.bin";
    WriteBytes(big, bigSize);
    Compare(
        "copy one " + bigLabel + " file", "cp", freshDestination,
        [&] { Check(FileOps::CopyFile(big, dst + "/big.bin"), "copy"); },
        [&] { Shell("cp -- " + Quote(big) + " " + Quote(dst + "/big.bin")); });

    // Across file systems: to /dev/shm when it is a tmpfs of its own with room enough.
    const std::string shm = "/dev/shm";
    struct stat diskSt, shmSt;
    struct statfs shmFs;
    const bool shmUsable =
        ::stat(scratch.c_str(), &diskSt) == 0 && ::stat(shm.c_str(), &shmSt) == 0 &&
        ::statfs(shm.c_str(), &shmFs) == 0 && shmFs.f_type == TMPFS_MAGIC &&
        shmSt.st_dev != diskSt.st_dev &&
        static_cast<unsigned long long>(shmFs.f_bavail) * shmFs.f_bsize > 2 * bigSize;
    const std::string acrossLabel = "move one " + bigLabel + " file across file systems";
    if (!shmUsable) {
        std::printf("%s: skipped (%s is no separate tmpfs with room for the file)\n",
                    acrossLabel.c_str(), shm.c_str());
    } else {
        std::string target = shm + "/dexaro-bench-XXXXXX";
        if (!::mkdtemp(target.data()))
            Die(shm + ": " + std::strerror(errno));
        const std::string moved = target + "/moving.bin";
        Compare(
            acrossLabel, "mv+sync",
            [&] {
                ::unlink(moved.c_str());
                freshDestination();
                Check(FileOps::CopyFile(big, dst + "/moving.bin"), "preparing the source");
            },
            [&] { Check(FileOps::MoveFile(dst + "/moving.bin", moved), "move across"); },
            [&] {
                Shell("mv -- " + Quote(dst + "/moving.bin") + " " + Quote(moved) + " && sync -f " +
                      Quote(moved));
            });
        Shell("rm -rf " + Quote(target));
    }

    Shell("rm -rf " + Quote(scratch));
    return 0;
}
