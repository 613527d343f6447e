#include "image/cGDIPlus.h"


#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace {

// Picks the picture of the wanted size among several (icon files); stays on the first otherwise.
void chooseIconPicture(QImageReader &reader, int iconCx, int iconCy)
{
    if (iconCx <= 0 || iconCy <= 0 || reader.imageCount() <= 1)
        return;
    for (int i = 0; i < reader.imageCount(); ++i) {
        if (!reader.jumpToImage(i))
            break;
        if (reader.size() == QSize(iconCx, iconCy))
            return;
    }
    reader.jumpToImage(0);
}

// Grey conversion and light adjustment on straight (not premultiplied) colours.
QImage adjustColours(const QImage &source, int grayScale, float lightAdjustment)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    float wr = 0.299f, wg = 0.587f, wb = 0.114f;
    if (grayScale == 1) {
        wr = 0.2125f;
        wg = 0.7154f;
        wb = 0.0721f;
    } else if (grayScale == 2) {
        wr = wg = wb = 1.0f / 3.0f;
    }
    const float shift = lightAdjustment / 100.0f * 255.0f;
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            float r = static_cast<float>(qRed(line[x]));
            float g = static_cast<float>(qGreen(line[x]));
            float b = static_cast<float>(qBlue(line[x]));
            if (grayScale != -1)
                r = g = b = wr * r + wg * g + wb * b;
            auto channel = [shift](float v) { return std::clamp(static_cast<int>(v + shift + 0.5f), 0, 255); };
            line[x] = qRgba(channel(r), channel(g), channel(b), qAlpha(line[x]));
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage cGDIPlus::Decode(const QByteArray &bytes, int iconCx, int iconCy)
{
    if (bytes.isEmpty())
        return {};
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    chooseIconPicture(reader, iconCx, iconCy);
    return reader.read();
}

bool cGDIPlus::RenderDIB(const QImage &source, QPainter &dc, int opacity, const QRect &target,
                         bool highQuality, int grayScale, float lightAdjustment)
{
    if (source.isNull() || !dc.isActive())
        return false;
    QImage picture = (grayScale != -1 || lightAdjustment != 0.0f)
                         ? adjustColours(source, grayScale, lightAdjustment)
                         : source;
    const bool flipX = target.width() < 0;
    const bool flipY = target.height() < 0;
    if (flipX || flipY)
        picture = picture.mirrored(flipX, flipY);
    const QRect box(target.x(), target.y(), std::abs(target.width()), std::abs(target.height()));

    dc.save();
    dc.setCompositionMode(QPainter::CompositionMode_SourceOver);
    dc.setOpacity(opacity / 100.0);
    dc.setRenderHint(QPainter::SmoothPixmapTransform, highQuality);
    dc.drawImage(box, picture);
    dc.restore();
    return true;
}
