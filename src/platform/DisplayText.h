#pragma once

#include <QString>
#include <string>
#include <string_view>

// Paths stay the file system's exact bytes everywhere; these two are the only crossings to and
// from text shown on screen or typed by the user.

// UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise (every byte stays visible).
QString DisplayText(std::string_view bytes);

// Typed text as the bytes of a name (UTF-8).
std::string TypedBytes(const QString& text);

bool IsValidUtf8(std::string_view bytes);
