#include "image/PictureFromBytes.h"

#include "image/ProgramImages.h"

#include <QBuffer>
#include <QImageReader>

namespace {

QImage decode(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

} // namespace

QImage PictureFromBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return decode(ProgramImages::Resource(ProgramImages::PlaceholderThumbnail));
    return decode(bytes);
}
