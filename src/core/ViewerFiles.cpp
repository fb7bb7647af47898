#include "core/ViewerFiles.h"

#include "core/DisplayText.h"
#include "core/UniqueFd.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The length of bytes without a UTF-8 sequence that the end cuts short.
std::size_t WithoutCutCharacter(std::string_view bytes) {
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: its lead byte lies further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return back < length ? size - back : size;
    }
    return size;
}

QString NotShownLine(std::uint64_t bytes) {
    return bytes == 1 ? QStringLiteral("[1 more byte not shown]")
                      : QStringLiteral("[%1 more bytes not shown]").arg(bytes);
}

bool EndsLine(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

namespace ViewerFiles {

std::optional<Head> ReadHead(const std::string& path, std::size_t limit) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return std::nullopt;
    // Anything but a regular file is left unopened: opening a FIFO or a device may block or have
    // effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return std::nullopt;
    // The name may have come to mean something else since the stat.
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;

    Head head;
    head.bytes.resize(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), limit));
    std::size_t filled = 0;
    char chunk[65536];
    for (;;) {
        // Straight into the buffer while the size known from fstat lasts; a file that grew, or
        // one that reports no size (as some kernel files do), is read on in chunks.
        char* into = nullptr;
        std::size_t room = 0;
        if (filled < head.bytes.size()) {
            into = head.bytes.data() + filled;
            room = head.bytes.size() - filled;
        } else if (filled < limit) {
            into = chunk;
            room = std::min(sizeof chunk, limit - filled);
        } else {
            break;
        }
        const ssize_t got = ::read(fd.get(), into, room);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        if (into == chunk)
            head.bytes.append(chunk, static_cast<std::size_t>(got));
        filled += static_cast<std::size_t>(got);
    }
    head.bytes.resize(filled);
    if (filled >= limit && ::fstat(fd.get(), &st) == 0 &&
        static_cast<std::uint64_t>(st.st_size) > filled)
        head.notRead = static_cast<std::uint64_t>(st.st_size) - filled;
    return head;
}

QString TextForViewer(const std::string& path, std::size_t limit) {
    std::optional<Head> head = ReadHead(path, limit);
    if (!head)
        return {};
    std::string_view shown = head->bytes;
    std::uint64_t notShown = head->notRead;
    if (notShown > 0) {
        // A cut through a character would make the whole text read as Latin-1: its first bytes
        // are left out with the rest.
        const std::size_t whole = WithoutCutCharacter(shown);
        if (whole < shown.size() && IsValidUtf8(shown.substr(0, whole))) {
            notShown += shown.size() - whole;
            shown = shown.substr(0, whole);
        }
    }
    QString text = BreakLongLines(ContentText(shown));
    head.reset();
    if (notShown > 0) {
        if (!text.isEmpty() && !EndsLine(text.back()))
            text += QLatin1Char('\n');
        text += NotShownLine(notShown);
    }
    return text;
}

QString BreakLongLines(const QString& text, qsizetype maxLine) {
    if (maxLine <= 0)
        return text;
    const QChar* s = text.constData();
    const qsizetype size = text.size();
    qsizetype run = 0;
    qsizetype first = 0;
    for (; first < size; ++first) {
        if (EndsLine(s[first]))
            run = 0;
        else if (++run > maxLine)
            break;
    }
    if (first == size)
        return text; // the common case: shared, not copied

    QString broken;
    broken.reserve(size + size / maxLine + 1);
    qsizetype start = 0;
    run = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = s[i];
        if (EndsLine(c)) {
            run = 0;
            continue;
        }
        // A surrogate pair is one character and stays in one piece.
        const qsizetype width =
            c.isHighSurrogate() && i + 1 < size && s[i + 1].isLowSurrogate() ? 2 : 1;
        if (run > 0 && run + width > maxLine) {
            broken.append(s + start, i - start);
            broken.append(QLatin1Char('\n'));
            start = i;
            run = 0;
        }
        run += width;
        i += width - 1;
    }
    broken.append(s + start, size - start);
    return broken;
}

} // namespace ViewerFiles
