#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Reading the files the viewers show. Paths are the file system's bytes; only regular files are
// read, so a FIFO or a device named like a text file never blocks the program.
namespace ViewerFiles {

// The text viewer shows at most this much of a file.
inline constexpr std::size_t MaxTextBytes = std::size_t{64} << 20;
// Pictures larger than this are not loaded.
inline constexpr std::size_t MaxPictureBytes = std::size_t{256} << 20;
// Lines longer than this many characters are shown broken into pieces of this length: a text box
// lays out a line as a whole, and one of millions of characters would take minutes.
inline constexpr qsizetype MaxShownLine = 4096;

struct Head {
    std::string bytes;         // the first bytes of the file, at most the limit
    std::uint64_t notRead = 0; // how many bytes the file has beyond them
};

// The first limit bytes of the regular file at path. Empty when it is no regular file, cannot be
// opened, or a read fails part way: the viewer then has nothing to show, whatever the reason.
std::optional<Head> ReadHead(const std::string& path, std::size_t limit);

// What the text viewer shows for the file at path: its text (UTF-8 when valid, else Latin-1), cut
// at limit bytes and then followed by a last line that tells how many bytes were left out. Empty
// text when the file cannot be read.
QString TextForViewer(const std::string& path, std::size_t limit = MaxTextBytes);

// Breaks lines longer than MaxShownLine characters; everything else stays as it is.
QString BreakLongLines(const QString& text, qsizetype maxLine = MaxShownLine);

} // namespace ViewerFiles
