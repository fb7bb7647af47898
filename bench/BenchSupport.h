#pragma once

// What the benchmarks share: making files, timing, running the standard tools, and comparing.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

namespace bench {

// [--quick] [folder]: the options every benchmark takes. folder must be on a disk; --quick runs
// smaller sizes, for smoke runs.
struct Options {
    bool quick = false;
    std::string base = "/var/tmp";
};

inline Options ReadOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            options.quick = true;
        else
            options.base = argv[i];
    }
    return options;
}

[[noreturn]] inline void Die(const std::string& what) {
    std::fprintf(stderr, "bench: %s\n", what.c_str());
    std::exit(1);
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A fresh folder under base for a benchmark's files; ends the run when base has less than room
// bytes free.
inline std::string ScratchFolder(const std::string& base, unsigned long long room) {
    std::string scratch = base + "/dexaro-bench-XXXXXX";
    if (!::mkdtemp(scratch.data()))
        Die(base + ": " + std::strerror(errno));
    struct statfs fs;
    if (::statfs(scratch.c_str(), &fs) != 0 ||
        static_cast<unsigned long long>(fs.f_bavail) * static_cast<unsigned long long>(fs.f_bsize) <
            room) {
        ::rmdir(scratch.c_str());
        Die(base + " lacks room for " + std::to_string(room) + " bytes");
    }
    return scratch;
}

inline void RunShell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        Die("failed: " + command);
}

inline void WriteBytes(const std::string& path, size_t size) {
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

inline std::vector<std::string> MakeFiles(const std::string& folder, int count, size_t size) {
    std::vector<std::string> names;
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "file%05d.dat", i);
        names.emplace_back(name);
        WriteBytes(folder + "/" + name, size);
    }
    return names;
}

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each side runs five times, alternately, each time after an untimed preparation that flushes
// what earlier runs left dirty. The median of each side counts: on a shared disk single runs of
// either side scatter by a factor of two, and the best of a few rewards a lucky run.
inline void Compare(const std::string& name, const std::string& tool,
                    const std::function<void()>& prepare, const std::function<void()>& dexaro,
                    const std::function<void()>& standard) {
    constexpr int rounds = 5;
    std::vector<double> times[2];
    for (int round = 0; round < rounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            prepare();
            ::sync();
            times[side].push_back(Seconds(side == 0 ? dexaro : standard));
        }
    }
    double median[2];
    for (int side = 0; side < 2; ++side) {
        std::sort(times[side].begin(), times[side].end());
        median[side] = times[side][rounds / 2];
    }
    std::printf("%s: dexaro %.3fs, %s %.3fs, ratio %.2f (runs %.3f-%.3fs against %.3f-%.3fs)\n",
                name.c_str(), median[0], tool.c_str(), median[1], median[0] / median[1],
                times[0].front(), times[0].back(), times[1].front(), times[1].back());
    std::fflush(stdout);
}

} // namespace bench
