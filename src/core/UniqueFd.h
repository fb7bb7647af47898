#pragma once

#include <cerrno>
#include <unistd.h>
#include <utility>

// The one owner of an open file descriptor: closes it when it goes, so no return path leaks one.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and reports what close said (0 or an errno): a network file system may only
    // report a failed write here.
    int close() {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }
    // Hands the descriptor over to whoever closes it now.
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};
