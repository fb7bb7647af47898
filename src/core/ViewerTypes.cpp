#include "core/ViewerTypes.h"

#include "core/Module1.h"

#include <array>

Viewer ViewerFor(const std::string& entry) {
    static constexpr std::array<const char*, 14> kText = {"H",   "HPP",  "JAVA", "CPP", "PHP",
                                                          "CSS", "HTML", "HTM",  "XML", "TXT",
                                                          "INF", "INI",  "LOG",  "BAT"};
    static constexpr std::array<const char*, 3> kPicture = {"BMP", "JPG", "JPEG"};
    const std::string extension = Module1::GetExtension(entry);
    // Only ASCII letters matter for these names, so upper-casing bytes is enough.
    std::string type;
    for (char c : extension)
        type += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    for (const char* t : kText)
        if (type == t)
            return Viewer::Text;
    for (const char* p : kPicture)
        if (type == p)
            return Viewer::Picture;
    return Viewer::None;
}
