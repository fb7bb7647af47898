#include "core/FailureLines.h"

#include "core/DisplayText.h"

void FailureLines::addNamed(const std::string& name, const std::string& description) {
    // Shown, not the bytes: a name holding a line break must not start a line of its own.
    m_text += "     " + VisibleName(name) + "   " + description + "\r\n";
    m_any = true;
}

void FailureLines::addBare(const std::string& description) {
    m_text += "     " + description + "\r\n";
    m_any = true;
}

std::string FailureLines::message(const std::string& heading) const {
    return heading + "\r\n" + m_text;
}
