#pragma once

#include <string>

// The failures of one batch, gathered while it runs and reported in one message at its end.
class FailureLines {
public:
    // Five blanks, the file name as it is shown (VisibleName), three blanks, the description,
    // CR LF.
    void addNamed(const std::string& name, const std::string& description);
    // Five blanks, the description, CR LF.
    void addBare(const std::string& description);

    bool any() const { return m_any; }
    const std::string& text() const { return m_text; }
    // The heading, CR LF, then every line.
    std::string message(const std::string& heading) const;

private:
    std::string m_text;
    bool m_any = false;
};

namespace Heading {
inline constexpr const char* Copying = "There were errors in copying your files: ";
inline constexpr const char* Moving = "There were errors in moving your files: ";
inline constexpr const char* BatchDelete = "There were errors in your batch delete: ";
inline constexpr const char* Undo = "There were errors in undoing your last batch: ";
inline constexpr const char* Renaming = "There were errors in renaming your files: ";
} // namespace Heading
