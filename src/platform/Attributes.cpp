#include "platform/Attributes.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

constexpr const char* kRecordName = "user.DOSATTRIB";

// The bits this program keeps in the record; everything else comes from the file itself.
constexpr uint32_t kRecordBits =
    FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System | FileAttr::Archive;

// Bits that describe the file rather than a choice someone made; never carried over from an old
// record.
constexpr uint32_t kDerivedBits = FileAttr::Directory | FileAttr::Normal | FileAttr::Compressed;

// "0x" and hex digits, nothing else.
std::optional<uint32_t> ParseHexText(std::string_view text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    uint32_t bits = 0;
    const char* first = text.data() + 2;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, bits, 16);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return bits;
}

bool ReadU16(std::string_view data, size_t offset, uint16_t& out) {
    if (offset > data.size() || data.size() - offset < 2)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + offset);
    out = static_cast<uint16_t>(p[0] | (p[1] << 8));
    return true;
}

bool ReadU32(std::string_view data, size_t offset, uint32_t& out) {
    if (offset > data.size() || data.size() - offset < 4)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + offset);
    out = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return true;
}

bool HasNul(const std::string& path) {
    return path.find('\0') != std::string::npos;
}

// A leading dot hides a file on Linux the way the hidden bit does on Windows.
bool NameMarksHidden(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.size() > 1 && name[0] == '.' && name != "..";
}

// The raw record of the file, empty when it has none or it cannot be read.
std::optional<std::string> ReadRecord(const std::string& path) {
    std::string value(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t n = ::getxattr(path.c_str(), kRecordName, value.data(), value.size());
        if (n >= 0) {
            value.resize(static_cast<size_t>(n));
            return value;
        }
        if (errno != ERANGE)
            return std::nullopt;
        // Grown since we asked: ask for the size and try again.
        const ssize_t size = ::getxattr(path.c_str(), kRecordName, nullptr, 0);
        if (size < 0)
            return std::nullopt;
        value.assign(static_cast<size_t>(size) + 1, '\0');
    }
    return std::nullopt;
}

bool NoXattrSupport(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

AttrResult Failure(std::string text) {
    return AttrResult{false, std::move(text)};
}

} // namespace

std::optional<uint32_t> ParseDosAttrib(std::string_view value) {
    const size_t nul = value.find('\0');
    if (nul == std::string_view::npos)
        return ParseHexText(value);
    const std::string_view text = value.substr(0, nul);
    if (nul + 1 == value.size())
        return ParseHexText(text);

    // Samba's binary record: the hex text (empty in newer versions) leads, then the versioned
    // part. Samba always wrote valid hex there, so anything else means this is not a record.
    std::optional<uint32_t> fromText;
    if (!text.empty()) {
        fromText = ParseHexText(text);
        if (!fromText)
            return std::nullopt;
    }
    size_t offset = nul + 1;
    offset += offset % 2;
    uint16_t version = 0;
    uint16_t level = 0;
    if (!ReadU16(value, offset, version) || !ReadU16(value, offset + 2, level) || level != version)
        return std::nullopt;
    offset = (offset + 4 + 3) / 4 * 4;

    // Fixed part of each version; a record cut short of it is damaged.
    size_t fixedSize = 0;
    switch (version) {
    case 1: // attrib, ea_size, size, alloc_size, create_time, change_time
        fixedSize = 40;
        break;
    case 2: // flags, attrib, ea_size, size, alloc_size, create/change/write time, name
        fixedSize = 52;
        break;
    case 3: // valid_flags, attrib, ea_size, size, alloc_size, create_time, change_time
        fixedSize = 44;
        break;
    case 4: // valid_flags, attrib, itime, create_time
        fixedSize = 24;
        break;
    case 5: // valid_flags, attrib, create_time
        fixedSize = 16;
        break;
    default:
        return std::nullopt;
    }
    if (offset > value.size() || value.size() - offset < fixedSize)
        return std::nullopt;

    uint32_t attrib = 0;
    if (version == 1) {
        ReadU32(value, offset, attrib);
        return attrib;
    }
    if (version == 2) {
        ReadU32(value, offset + 4, attrib);
        return attrib;
    }
    uint32_t validFlags = 0;
    ReadU32(value, offset, validFlags);
    ReadU32(value, offset + 4, attrib);
    if (validFlags & 0x1)
        return attrib;
    return fromText;
}

std::string FormatDosAttrib(uint32_t bits) {
    char digits[8];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, bits, 16);
    (void)ec; // eight hex digits always fit
    return "0x" + std::string(digits, end);
}

uint32_t GetFileAttributesA(const std::string& path) {
    struct statx stx {};
    if (HasNul(path) ||
        ::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_TYPE | STATX_MODE, &stx) != 0)
        return FileAttr::Invalid;

    uint32_t bits = 0;
    if (S_ISDIR(stx.stx_mode))
        bits |= FileAttr::Directory;
    if (!(stx.stx_mode & S_IWUSR))
        bits |= FileAttr::ReadOnly;
    if (const auto record = ReadRecord(path))
        bits |= ParseDosAttrib(*record).value_or(0) & kRecordBits;
    if (NameMarksHidden(path))
        bits |= FileAttr::Hidden;
    if ((stx.stx_attributes_mask & STATX_ATTR_COMPRESSED) &&
        (stx.stx_attributes & STATX_ATTR_COMPRESSED))
        bits |= FileAttr::Compressed;
    return bits ? bits : FileAttr::Normal;
}

AttrResult SetFileAttributesA(const std::string& path, uint32_t attributes) {
    if (HasNul(path))
        return Failure(std::strerror(EINVAL));
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return Failure(std::strerror(errno));

    const uint32_t wanted = attributes & kRecordBits; // Normal alone clears them all
    const bool readOnly = wanted & FileAttr::ReadOnly;
    const mode_t mode = st.st_mode & 07777;
    const mode_t newMode = readOnly ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);

    // Bits other programs keep in the record (Samba's not-indexed, offline...) stay, and a record
    // that already says the same is left alone so Samba's binary form keeps its creation time.
    const std::optional<std::string> stored = ReadRecord(path);
    const std::optional<uint32_t> storedBits =
        stored ? ParseDosAttrib(*stored) : std::optional<uint32_t>();
    const uint32_t current = storedBits.value_or(0) & ~kDerivedBits;
    const uint32_t record = (current & ~kRecordBits) | wanted;

    std::string error;
    mode_t modeNow = mode;
    const auto setMode = [&](mode_t wantedMode) {
        if (wantedMode == modeNow)
            return;
        if (::chmod(path.c_str(), wantedMode) == 0)
            modeNow = wantedMode;
        else if (error.empty())
            error = std::strerror(errno);
    };
    const auto writeRecord = [&] {
        if (storedBits && current == record)
            return;
        if (record == 0) {
            if (stored && ::removexattr(path.c_str(), kRecordName) != 0 && errno != ENODATA &&
                !NoXattrSupport(errno) && error.empty())
                error = std::strerror(errno);
            return;
        }
        // With its NUL, as Samba writes the text form.
        const std::string text = FormatDosAttrib(record) + '\0';
        if (::setxattr(path.c_str(), kRecordName, text.data(), text.size(), 0) == 0)
            return;
        const int failure = errno;
        if (NoXattrSupport(failure)) {
            // The mode carries read-only and a leading dot carries hidden, so only what has no
            // other home is lost.
            uint32_t lost = wanted & (FileAttr::Hidden | FileAttr::System | FileAttr::Archive);
            if (NameMarksHidden(path))
                lost &= ~FileAttr::Hidden;
            if (lost && error.empty())
                error = "This file system cannot store the hidden, system and archive attributes";
            return;
        }
        if (error.empty())
            error = std::strerror(failure);
    };

    // Writing a user attribute needs write access to the file, so the record is written while
    // the file is writable: a file that stays read-only is lent the owner's write bit meanwhile.
    if (!(storedBits && current == record))
        setMode(modeNow | S_IWUSR);
    writeRecord();
    setMode(newMode);
    if (!error.empty())
        return Failure(error);
    return AttrResult{};
}
