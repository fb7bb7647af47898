#pragma once

// Small helpers shared by the benchmarks: a wall clock, running a shell command, making files.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>

namespace bench {

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a command through the shell and returns the wall time it took; exits on failure.
inline double Shell(const std::string& command) {
    int status = 0;
    const double t = Seconds([&] { status = std::system(command.c_str()); });
    if (status != 0) {
        std::fprintf(stderr, "command failed: %s\n", command.c_str());
        std::exit(1);
    }
    return t;
}

inline void MakeFiles(const std::string& folder, int count, size_t size) {
    const std::string data(size, 'x');
    for (int i = 0; i < count; ++i) {
        const std::string name = folder + "/file" + std::to_string(i) + ".dat";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || (size && ::write(fd, data.data(), size) != static_cast<ssize_t>(size))) {
            std::perror(name.c_str());
            std::exit(1);
        }
        ::close(fd);
    }
}

inline void Report(const char* what, double ours, const char* tool, double theirs) {
    std::printf("%s: dexaro %.3fs, %s %.3fs, ratio %.2f\n", what, ours, tool, theirs,
                ours / theirs);
    std::fflush(stdout);
}

} // namespace bench
