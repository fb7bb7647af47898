#include "viewers/PictureFile.h"

#include "core/ViewerFiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace ViewerFiles {

QImage LoadPicture(const std::string& path) {
    const std::optional<Head> head = ReadHead(path, MaxPictureBytes);
    if (!head || head->notRead > 0 || head->bytes.empty())
        return {};
    // Decoded from memory, so names that are no valid UTF-8 load like any other.
    QBuffer buffer;
    buffer.setData(
        QByteArray::fromRawData(head->bytes.data(), static_cast<qsizetype>(head->bytes.size())));
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(true); // a camera's JPEG stands as it was taken
    return reader.read();
}

} // namespace ViewerFiles
