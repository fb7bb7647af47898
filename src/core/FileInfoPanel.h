#pragma once

#include <QString>
#include <string>

// The text of the main window's file information panel.
namespace FileInfoPanel {

// The panel's lines, joined by CR LF: the folder, the file name, the attribute words and, when
// the name is set, the three times of the file at path (the work-list entry the name came from,
// which need not lie in folder). When that file has gone (moved, renamed, sorted away), the times
// are those of folder + file; when neither can be examined, the times line is left out, so the
// panel still shows what it was last told.
QString Text(const std::string& folder, const std::string& file, const std::string& attributes,
             const std::string& path);

} // namespace FileInfoPanel
