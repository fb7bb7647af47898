#include "core/FileInfoPanel.h"

#include "core/DisplayText.h"
#include "core/FileTimes.h"
#include "core/LocaleDates.h"

#include <optional>

QString FileInfoPanel::Text(const std::string& folder, const std::string& file,
                            const std::string& attributes, const std::string& path) {
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Active Path: ") + DisplayText(folder) + crlf +
                   QStringLiteral("Active File: ") + DisplayText(file) + crlf +
                   QStringLiteral("Attribute: ") + DisplayText(attributes);
    if (file.empty())
        return text;
    std::optional<FileTimes> times = GetFileTimes(path);
    if (!times)
        times = GetFileTimes(folder + file);
    if (!times)
        return text;
    return text + crlf + QStringLiteral(" Created: ") + GeneralDate(times->created) +
           QStringLiteral(", Modify: ") + GeneralDate(times->modified) +
           QStringLiteral(", Last Accessed: ") + GeneralDate(times->accessed);
}
