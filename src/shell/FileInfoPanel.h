#pragma once

#include <QString>
#include <optional>
#include <string>

// The text of the main window's file information panel.
namespace FileInfoPanel {

// Gives folder its closing "/" when it has none.
void EnsureClosingSlash(std::string& folder);

// The panel's lines, joined by CR LF: the folder, the file, the attribute words and, when file is
// set, its three times. Empty when file is set but folder + file cannot be examined, in which case
// the panel keeps what it showed.
std::optional<QString> Text(const std::string& folder, const std::string& file,
                            const std::string& attributes);

} // namespace FileInfoPanel
