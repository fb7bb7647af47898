// The batch renamer's new names. Input: a 16-bit counter (two bytes, little-endian), then the
// entry path, the base text and the extension, separated by newlines.

#include "FuzzCheck.h"
#include "core/Module1.h"
#include "core/RenamerLogic.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The next field up to a newline, or the rest.
std::string TakeField(std::string_view& input) {
    const size_t end = input.find('\n');
    const std::string field(input.substr(0, end));
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return field;
}

bool Holds(const std::string& text, char c) {
    return text.find(c) != std::string::npos;
}

// A name the renamer lets through stays in the entry's folder and holds no NUL.
void CheckLetThrough(const std::string& entry, const std::string& newName) {
    if (RenamerLogic::RefuseNewName(entry, newName))
        return;
    Require(!Holds(newName, '\0'), "no NUL in a name let through");
    Require(Module1::GetFolderPath(newName) == Module1::GetFolderPath(entry),
            "a name let through stays in the entry's folder");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const auto counter = static_cast<RenamerLogic::Counter>(data[0] | data[1] << 8);
    std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string entry = TakeField(input);
    const std::string baseText = TakeField(input);
    const std::string extension = TakeField(input);

    const std::string kept = RenamerLogic::NewNameKeepingExtension(entry, baseText, counter);
    const std::string given =
        RenamerLogic::NewNameWithExtension(entry, baseText, counter, extension);
    CheckLetThrough(entry, kept);
    CheckLetThrough(entry, given);
    // Any text at all, as if a name had been built some other way.
    CheckLetThrough(entry, baseText);

    // Refusing too much is a fault too: a name of plain parts must be allowed.
    const std::string folder = Module1::GetFolderPath(entry);
    const auto plain = [&](const std::string& extensionUsed) {
        return !Holds(folder, '\0') && !Holds(baseText, '\0') && !Holds(baseText, '/') &&
               !Holds(extensionUsed, '\0') && !Holds(extensionUsed, '/');
    };
    if (plain(extension))
        Require(!RenamerLogic::RefuseNewName(entry, given), "a plain name is allowed");
    if (plain(Module1::GetExtension(entry)))
        Require(!RenamerLogic::RefuseNewName(entry, kept), "a plain kept name is allowed");
    return 0;
}
