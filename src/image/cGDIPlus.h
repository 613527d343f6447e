#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>

class QPainter;

// The general decoder and the general drawing path of the image surface, on the platform's own
// image readers and painter: every format that a QImageReader plugin reads, smooth or
// nearest-neighbour stretching, mirroring, opacity, grey conversion and light adjustment.
class cGDIPlus final
{
public:
    cGDIPlus() = delete;

    // Decodes bytes (of any readable format) at the picture's own size; for files holding
    // several pictures (icons), the one of iconCx x iconCy when there is one. A null image when
    // the bytes are no picture.
    static QImage Decode(const QByteArray &bytes, int iconCx = 0, int iconCy = 0);

    // Draws the upright premultiplied source into target on dc; a negative target width or
    // height mirrors the picture into the rectangle of the positive size.
    static bool RenderDIB(const QImage &source, QPainter &dc, int opacity, const QRect &target,
                          bool highQuality, int grayScale, float lightAdjustment);
};
