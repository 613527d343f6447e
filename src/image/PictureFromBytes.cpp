#include "image/PictureFromBytes.h"

#include "image/ProgramImages.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// A received thumbnail is never decoded at more than this: a header that announces more is
// refused before any pixel is read (a page could otherwise make the program allocate gigabytes).
constexpr int MaxSide = 8192;
constexpr qint64 MaxPixels = 8 * 1024 * 1024;
constexpr int AllocationLimitMiB = 64; // for formats whose reader cannot tell the size beforehand

bool acceptable(const QSize &size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxSide && size.height() <= MaxSide &&
           qint64(size.width()) * size.height() <= MaxPixels;
}

QImage decode(const QByteArray &bytes, const QSize &fitInto)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(AllocationLimitMiB);

    const QSize announced = reader.size();
    const bool sizeKnown = announced.isValid();
    if (sizeKnown) {
        if (!acceptable(announced))
            return QImage();
        if (announced.width() > fitInto.width() || announced.height() > fitInto.height())
            reader.setScaledSize(announced.scaled(fitInto, Qt::KeepAspectRatio));
    }
    QImage picture = reader.read();
    if (picture.isNull())
        return picture;
    if (!sizeKnown && !acceptable(picture.size()))
        return QImage();
    if (picture.width() > fitInto.width() || picture.height() > fitInto.height())
        picture = picture.scaled(fitInto, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return picture;
}

} // namespace

QImage PictureFromBytes(const QByteArray &bytes, QSize fitInto)
{
    if (bytes.isEmpty())
        return decode(ProgramImages::Resource(ProgramImages::PlaceholderThumbnail), fitInto);
    return decode(bytes, fitInto);
}
