#include "core/Attributes.h"

#include "core/UniqueFd.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

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

// The fixed part of each version of Samba's binary record, 0 for versions it never wrote; a record
// cut short of it is damaged.
size_t FixedRecordSize(uint16_t version) {
    switch (version) {
    case 1: // attrib, ea_size, size, alloc_size, create_time, change_time
        return 40;
    case 2: // flags, attrib, ea_size, size, alloc_size, create/change/write time, name
        return 52;
    case 3: // valid_flags, attrib, ea_size, size, alloc_size, create_time, change_time
        return 44;
    case 4: // valid_flags, attrib, itime, create_time
        return 24;
    case 5: // valid_flags, attrib, create_time
        return 16;
    default:
        return 0;
    }
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

bool NoXattrSupport(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

// errno of a record call, or 0 when it only says that there is no record.
int UnlessAbsent(int error) {
    return error == ENODATA || NoXattrSupport(error) ? 0 : error;
}

constexpr const char* kLinkHasNone = "A symbolic link has no attributes of its own";

// The file that one call works on, examined once. Following links, every call goes through the
// path. Otherwise the entry is opened without following (O_PATH opens a link itself) and reached
// through /proc/self/fd, which names the opened file: a name swapped for a link in between changes
// nothing. Without /proc the path is used with calls that do not follow links, except chmod, which
// has none; it runs only once the entry was found not to be a link.
class Target {
public:
    Target(const std::string& path, FollowLinks follow) : m_name(path) {
        if (HasNul(path)) {
            m_error = EINVAL;
            return;
        }
        int dirfd = AT_FDCWD, flags = AT_STATX_SYNC_AS_STAT;
        const char* name = path.c_str();
        if (follow == FollowLinks::No) {
            m_fd.reset(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            if (!m_fd.valid()) {
                m_error = errno;
                return;
            }
            dirfd = m_fd.get();
            flags |= AT_EMPTY_PATH;
            name = "";
            struct stat procEntry {};
            if (const std::string proc = "/proc/self/fd/" + std::to_string(m_fd.get());
                ::lstat(proc.c_str(), &procEntry) == 0)
                m_name = proc;
            else
                m_nameFollows = false;
        }
        if (::statx(dirfd, name, flags, STATX_TYPE | STATX_MODE | STATX_INO, &m_info) != 0)
            m_error = errno;
    }
    // errno when the file cannot be examined, else 0.
    int error() const { return m_error; }
    const struct statx& info() const { return m_info; }
    mode_t mode() const { return m_info.stx_mode & 07777; }
    // Only when links are not followed.
    bool isLink() const { return S_ISLNK(m_info.stx_mode); }
    bool is(dev_t device, ino_t inode) const {
        return ::makedev(m_info.stx_dev_major, m_info.stx_dev_minor) == device &&
               m_info.stx_ino == inode;
    }

    ssize_t getRecord(void* value, size_t size) const {
        return m_nameFollows ? ::getxattr(m_name.c_str(), kRecordName, value, size)
                             : ::lgetxattr(m_name.c_str(), kRecordName, value, size);
    }
    int setRecord(std::string_view value) const {
        return m_nameFollows
                   ? ::setxattr(m_name.c_str(), kRecordName, value.data(), value.size(), 0)
                   : ::lsetxattr(m_name.c_str(), kRecordName, value.data(), value.size(), 0);
    }
    int removeRecord() const {
        return m_nameFollows ? ::removexattr(m_name.c_str(), kRecordName)
                             : ::lremovexattr(m_name.c_str(), kRecordName);
    }
    int chmod(mode_t mode) const { return ::chmod(m_name.c_str(), mode); }

private:
    std::string m_name;
    bool m_nameFollows = true;
    UniqueFd m_fd;
    int m_error = 0;
    struct statx m_info {};
};

// The raw record of the file, empty when it has none (error 0) or it cannot be read (error set).
std::optional<std::string> ReadRecord(const Target& target, int& error) {
    error = 0;
    if (target.isLink()) // Linux keeps user attributes on files and folders only
        return std::nullopt;
    std::string value(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t n = target.getRecord(value.data(), value.size());
        if (n >= 0) {
            value.resize(static_cast<size_t>(n));
            return value;
        }
        if (errno != ERANGE) {
            error = UnlessAbsent(errno);
            return std::nullopt;
        }
        // Grown since we asked: ask for the size and try again.
        const ssize_t size = target.getRecord(nullptr, 0);
        if (size < 0) {
            error = UnlessAbsent(errno);
            return std::nullopt;
        }
        value.assign(static_cast<size_t>(size) + 1, '\0');
    }
    error = ERANGE;
    return std::nullopt;
}

// Runs changeRecord, when there is one, and then gives the file finalMode. Writing a user attribute
// needs write access to the file, so meanwhile the file is lent the owner's write bit. Reports the
// first failure.
Result ChangeRecordThenMode(const Target& target, mode_t finalMode,
                            const std::function<Result()>& changeRecord) {
    Result outcome;
    mode_t modeNow = target.mode();
    const auto setMode = [&](mode_t wantedMode) {
        if (wantedMode == modeNow)
            return;
        if (target.chmod(wantedMode) == 0)
            modeNow = wantedMode;
        else if (outcome)
            outcome = Result::fromErrno(errno);
    };
    if (changeRecord) {
        setMode(modeNow | S_IWUSR);
        if (Result changed = changeRecord(); outcome)
            outcome = std::move(changed);
    }
    setMode(finalMode);
    return outcome;
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
    if (!text.empty() && !ParseHexText(text))
        return std::nullopt;
    size_t offset = nul + 1;
    offset += offset % 2;
    uint16_t version = 0;
    uint16_t level = 0;
    if (!ReadU16(value, offset, version) || !ReadU16(value, offset + 2, level) || level != version)
        return std::nullopt;
    offset = (offset + 4 + 3) / 4 * 4;

    const size_t fixedSize = FixedRecordSize(version);
    if (fixedSize == 0 || offset > value.size() || value.size() - offset < fixedSize)
        return std::nullopt;

    // Version 1 starts with the attributes, later ones with flags. Samba reads the attribute field
    // whatever the valid flags of versions 3 to 5 say: they only tell whether the creation time is
    // set. So does this reader, or bits Samba shows would be lost here.
    uint32_t attrib = 0;
    ReadU32(value, version == 1 ? offset : offset + 4, attrib);
    return attrib;
}

std::string FormatDosAttrib(uint32_t bits) {
    char digits[8];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, bits, 16);
    (void)ec; // eight hex digits always fit
    return "0x" + std::string(digits, end);
}

uint32_t GetFileAttributesA(const std::string& path, FollowLinks follow) {
    const Target target(path, follow);
    if (target.error())
        return FileAttr::Invalid;
    const struct statx& stx = target.info();

    uint32_t bits = 0;
    if (S_ISDIR(stx.stx_mode))
        bits |= FileAttr::Directory;
    if (!target.isLink() && !(stx.stx_mode & S_IWUSR))
        bits |= FileAttr::ReadOnly;
    int readError = 0;
    if (const auto record = ReadRecord(target, readError))
        bits |= ParseDosAttrib(*record).value_or(0) & kRecordBits;
    if (NameMarksHidden(path))
        bits |= FileAttr::Hidden;
    if ((stx.stx_attributes_mask & STATX_ATTR_COMPRESSED) &&
        (stx.stx_attributes & STATX_ATTR_COMPRESSED))
        bits |= FileAttr::Compressed;
    return bits ? bits : FileAttr::Normal;
}

Result SetFileAttributesA(const std::string& path, uint32_t attributes) {
    const Target target(path, FollowLinks::No);
    if (target.error())
        return Result::fromErrno(target.error());
    if (target.isLink())
        return Result::failure(kLinkHasNone);

    const uint32_t wanted = attributes & kRecordBits; // Normal alone clears them all
    const bool readOnly = wanted & FileAttr::ReadOnly;
    const mode_t mode = target.mode();
    const mode_t newMode = readOnly ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);

    // Bits other programs keep in the record (Samba's not-indexed, offline...) stay, and a record
    // that already says the same is left alone so Samba's binary form keeps its creation time.
    int readError = 0;
    const std::optional<std::string> stored = ReadRecord(target, readError);
    const std::optional<uint32_t> storedBits =
        stored ? ParseDosAttrib(*stored) : std::optional<uint32_t>();
    const uint32_t current = storedBits.value_or(0) & ~kDerivedBits;
    const uint32_t record = (current & ~kRecordBits) | wanted;

    std::function<Result()> writeRecord;
    if (!(storedBits && current == record))
        writeRecord = [&]() -> Result {
            if (record == 0) {
                if (stored && target.removeRecord() != 0 && UnlessAbsent(errno))
                    return Result::fromErrno(errno);
                return {};
            }
            // With its NUL, as Samba writes the text form.
            if (target.setRecord(FormatDosAttrib(record) + '\0') == 0)
                return {};
            const int failure = errno;
            if (!NoXattrSupport(failure))
                return Result::fromErrno(failure);
            // The mode carries read-only and a leading dot carries hidden, so only what has no
            // other home is lost.
            uint32_t lost = wanted & (FileAttr::Hidden | FileAttr::System | FileAttr::Archive);
            if (NameMarksHidden(path))
                lost &= ~FileAttr::Hidden;
            if (!lost)
                return {};
            return Result::failure(
                "This file system cannot store the hidden, system and archive attributes", failure);
        };
    return ChangeRecordThenMode(target, newMode, writeRecord);
}

std::optional<AttrSnapshot> SnapshotAttributes(const std::string& path) {
    const Target target(path, FollowLinks::No);
    if (target.error() || target.isLink())
        return std::nullopt;
    int readError = 0;
    std::optional<std::string> record = ReadRecord(target, readError);
    if (readError)
        return std::nullopt;
    const struct statx& stx = target.info();
    return AttrSnapshot{::makedev(stx.stx_dev_major, stx.stx_dev_minor), stx.stx_ino, target.mode(),
                        std::move(record)};
}

Result RestoreAttributes(const std::string& path, const AttrSnapshot& snapshot) {
    const Target target(path, FollowLinks::No);
    if (target.error())
        return Result::fromErrno(target.error());
    if (target.isLink() || !target.is(snapshot.device, snapshot.inode))
        return Result::failure("The file was replaced meanwhile");

    int readError = 0;
    std::function<Result()> putRecord;
    if (ReadRecord(target, readError) != snapshot.record || readError)
        putRecord = [&]() -> Result {
            if (snapshot.record ? target.setRecord(*snapshot.record) == 0
                                : target.removeRecord() == 0 || !UnlessAbsent(errno))
                return {};
            return Result::fromErrno(errno);
        };
    return ChangeRecordThenMode(target, snapshot.mode, putRecord);
}
