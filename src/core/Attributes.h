#pragma once

#include "core/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// File attribute bits with the values the rest of the program (and Windows clients of a Samba
// share) know them by.
namespace FileAttr {
inline constexpr uint32_t ReadOnly = 0x1;
inline constexpr uint32_t Hidden = 0x2;
inline constexpr uint32_t System = 0x4;
inline constexpr uint32_t Directory = 0x10;
inline constexpr uint32_t Archive = 0x20;
inline constexpr uint32_t Normal = 0x80;
inline constexpr uint32_t Compressed = 0x800;
inline constexpr uint32_t Invalid = 0xFFFFFFFF;
} // namespace FileAttr

// Decodes a value of the user.DOSATTRIB extended attribute: the hex text form ("0x22", with or
// without a NUL) or Samba's binary record of versions 1 to 5. Empty when it is neither.
std::optional<uint32_t> ParseDosAttrib(std::string_view value);

// The text form written back: "0x" followed by lower-case hex digits.
std::string FormatDosAttrib(uint32_t bits);

// What a path that names a symbolic link stands for when attributes are read: the file it points
// to, or the link itself, which has none of its own (it reads as a plain file).
enum class FollowLinks { Yes, No };

// Attribute bits of the file at path, FileAttr::Invalid when the file cannot be examined: the
// Windows-shaped contract its callers rely on, so no Result here.
uint32_t GetFileAttributesA(const std::string& path, FollowLinks follow = FollowLinks::Yes);

// Sets read-only, hidden, system and archive as given (Normal alone clears them all). A symbolic
// link is never followed: the file it points to, which may be anywhere, is not the one the user
// named, and the link has no attributes to set, so that fails. Fails with a description too when
// the file is missing, or when hidden, system or archive must be stored on a file system without
// extended attributes.
Result SetFileAttributesA(const std::string& path, uint32_t attributes);

// A file's exact mode bits and raw record, taken before a change that may turn out to be of no
// use, so that the file can get back exactly what it had.
struct AttrSnapshot {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    std::optional<std::string> record; // empty when the file has none
};

// Empty when the file cannot be examined, its record cannot be read, or it is a link; callers only
// need to know that there is nothing to restore.
std::optional<AttrSnapshot> SnapshotAttributes(const std::string& path);

// Gives the file the snapshot's mode and record again. Changes nothing and fails when path no
// longer names the file the snapshot was taken of.
Result RestoreAttributes(const std::string& path, const AttrSnapshot& snapshot);
