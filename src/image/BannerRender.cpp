#include "image/BannerRender.h"

#include "image/c32bppDIB.h"

#include <QPainter>

QImage RenderProgramImage(int resId, QSize boxSize, const QColor &background, int iconCx, int iconCy)
{
    if (boxSize.isEmpty())
        return QImage();
    QImage box(boxSize, QImage::Format_ARGB32_Premultiplied);
    box.fill(background);

    c32bppDIB picture;
    picture.InitializeDIB(boxSize.width(), boxSize.height());
    picture.LoadPicture_Resource(resId, QStringLiteral("CUSTOM"), iconCx, iconCy, 0, 0, 32);
    QPainter dc(&box);
    picture.Render(&dc, 0, 0, 0, 0, 0, 0, 0, 0, 100, true, true, nullptr, -1, 0.0f, 0.0f, false);
    dc.end();
    picture.DestroyDIB();
    return box;
}
