#pragma once

#include <QString>
#include <string>
#include <string_view>

// Paths stay the file system's exact bytes everywhere; these are the only crossings to and from
// text shown on screen or typed by the user.

// A name or path as every list, panel, label and message shows it, in UTF-8: valid UTF-8 as it
// is, but control characters, line and paragraph separators, bidirectional controls, bytes that
// are not UTF-8 and the backslash itself written as escapes (\r, \n, \t, \x01, \u202E, \xE9, \\).
// So no name can begin a line of its own or pass for another, and the bytes stay recoverable.
std::string VisibleName(std::string_view bytes);

// VisibleName as a QString.
QString DisplayText(std::string_view bytes);

// A file's contents as text: UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise (every byte
// stays visible), line breaks kept.
QString ContentText(std::string_view bytes);

// Typed text as the bytes of a name (UTF-8).
std::string TypedBytes(const QString& text);

bool IsValidUtf8(std::string_view bytes);
