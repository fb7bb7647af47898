#pragma once

#include <QImage>
#include <string>

namespace ViewerFiles {

// The picture in the file at path, decoded from its bytes by its content, not by its name. A null
// image when the file cannot be read or holds no picture.
QImage LoadPicture(const std::string& path);

} // namespace ViewerFiles
