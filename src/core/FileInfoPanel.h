#pragma once

#include <QString>
#include <optional>
#include <string>

// The text of the main window's file information panel.
namespace FileInfoPanel {

// The panel's lines, joined by CR LF: the folder, the file name, the attribute words and, when
// the name is set, the three times of the file at path (the work-list entry the name came from,
// which need not lie in folder). Empty when the name is set but that file cannot be examined, in
// which case the panel keeps what it showed.
std::optional<QString> Text(const std::string& folder, const std::string& file,
                            const std::string& attributes, const std::string& path);

} // namespace FileInfoPanel
