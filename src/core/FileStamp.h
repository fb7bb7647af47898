#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one file apart from another later at the same name: the same inode, size and
// modification time mean nobody has replaced or written it since.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    // The entry itself (a link is not followed); none when it is not there.
    static std::optional<FileStamp> Of(const std::string& path);
    bool operator==(const FileStamp&) const = default;
};
