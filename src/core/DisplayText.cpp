#include "core/DisplayText.h"

#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence that starts at s[i], 0 when there is none.
size_t SequenceLength(const unsigned char* s, size_t n, size_t i) {
    const unsigned char c = s[i];
    if (c < 0x80)
        return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0; // overlong
        if (c == 0xED)
            hi = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (i + len > n || s[i + 1] < lo || s[i + 1] > hi)
        return 0;
    for (size_t k = 2; k < len; ++k)
        if ((s[i + k] & 0xC0) != 0x80)
            return 0;
    return len;
}

char32_t CodePoint(const unsigned char* s, size_t len) {
    if (len == 1)
        return s[0];
    char32_t c = s[0] & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k)
        c = (c << 6) | (s[k] & 0x3F);
    return c;
}

// Characters that move text about or break it rather than show: C1 controls, the line and
// paragraph separators, and the bidirectional marks, embeddings, overrides and isolates.
bool Invisible(char32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendEscape(std::string& out, const char* format, unsigned value) {
    char escape[12];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = SequenceLength(s, bytes.size(), i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string VisibleName(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = SequenceLength(s, bytes.size(), i);
        if (len == 0) {
            AppendEscape(out, "\\x%02X", s[i]);
            ++i;
            continue;
        }
        const char32_t c = CodePoint(s + i, len);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F)
            AppendEscape(out, "\\x%02X", static_cast<unsigned>(c));
        else if (Invisible(c))
            AppendEscape(out, "\\u%04X", static_cast<unsigned>(c));
        else
            out.append(bytes.substr(i, len));
        i += len;
    }
    return out;
}

QString DisplayText(std::string_view bytes) {
    const std::string visible = VisibleName(bytes);
    return QString::fromUtf8(visible.data(), static_cast<qsizetype>(visible.size()));
}

QString ContentText(std::string_view bytes) {
    const auto size = static_cast<qsizetype>(bytes.size());
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), size);
    return QString::fromLatin1(bytes.data(), size);
}

std::string TypedBytes(const QString& text) {
    return text.toUtf8().toStdString();
}
