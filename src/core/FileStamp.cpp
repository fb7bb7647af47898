#include "core/FileStamp.h"

#include <sys/stat.h>

std::optional<FileStamp> FileStamp::Of(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}
