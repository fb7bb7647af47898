#include "transfer/FailureLines.h"

void FailureLines::addNamed(const std::string& name, const std::string& description) {
    m_text += "     " + name + "   " + description + "\r\n";
    m_any = true;
}

void FailureLines::addBare(const std::string& description) {
    m_text += "     " + description + "\r\n";
    m_any = true;
}

std::string FailureLines::message(const std::string& heading) const {
    return heading + "\r\n" + m_text;
}
