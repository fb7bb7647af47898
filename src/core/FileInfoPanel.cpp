#include "core/FileInfoPanel.h"

#include "core/DisplayText.h"
#include "core/FileTimes.h"
#include "core/LocaleDates.h"

std::optional<QString> FileInfoPanel::Text(const std::string& folder, const std::string& file,
                                           const std::string& attributes, const std::string& path) {
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Active Path: ") + DisplayText(folder) + crlf +
                   QStringLiteral("Active File: ") + DisplayText(file) + crlf +
                   QStringLiteral("Attribute: ") + DisplayText(attributes);
    if (file.empty())
        return text;
    const std::optional<FileTimes> times = GetFileTimes(path);
    if (!times)
        return std::nullopt;
    return text + crlf + QStringLiteral(" Created: ") + GeneralDate(times->created) +
           QStringLiteral(", Modify: ") + GeneralDate(times->modified) +
           QStringLiteral(", Last Accessed: ") + GeneralDate(times->accessed);
}
