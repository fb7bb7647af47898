// The user.DOSATTRIB reader on any bytes a file's record may hold.

#include "FuzzCheck.h"
#include "core/Attributes.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view record(reinterpret_cast<const char*>(data), size);
    if (const std::optional<uint32_t> bits = ParseDosAttrib(record)) {
        // Changing an attribute writes back what was read; it must read the same again.
        Require(ParseDosAttrib(FormatDosAttrib(*bits) + '\0') == bits,
                "decoded bits survive being written back");
    }
    if (size >= sizeof(uint32_t)) {
        uint32_t value;
        std::memcpy(&value, data, sizeof value);
        const std::string text = FormatDosAttrib(value);
        Require(ParseDosAttrib(text) == value, "text form without NUL round-trips");
        Require(ParseDosAttrib(text + '\0') == value, "text form with NUL round-trips");
    }
    return 0;
}
