#include "core/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Whole seconds only: the times are shown to the second, and two times that look the same should
// compare the same.
QDateTime LocalTime(const struct statx_timestamp& stamp) {
    return QDateTime::fromSecsSinceEpoch(stamp.tv_sec, Qt::LocalTime);
}

} // namespace

std::optional<FileTimes> GetFileTimes(const std::string& path) {
    struct statx stx {};
    if (path.find('\0') != std::string::npos ||
        ::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
                &stx) != 0)
        return std::nullopt;

    FileTimes times;
    times.created = LocalTime((stx.stx_mask & STATX_BTIME) ? stx.stx_btime : stx.stx_ctime);
    times.modified = LocalTime(stx.stx_mtime);
    times.accessed = LocalTime(stx.stx_atime);
    return times;
}
