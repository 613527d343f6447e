#include "image/MenuIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace MenuIcons {

namespace {

using Drawing = std::function<void(QPainter &)>;

// Every picture is drawn in a 16 x 16 unit square and scaled to the wanted size.
QImage render(int side, const Drawing &draw)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    draw(p);
    p.end();
    return image;
}

QBrush vertical(const QColor &top, const QColor &bottom, qreal y0 = 1, qreal y1 = 15)
{
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPen outline(const QColor &color, qreal width = 1.0)
{
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void drawPlay(QPainter &p)
{
    QPainterPath path;
    path.moveTo(4, 2.5);
    path.lineTo(13.5, 8);
    path.lineTo(4, 13.5);
    path.closeSubpath();
    p.setPen(outline(QColor(20, 110, 30)));
    p.setBrush(vertical(QColor(120, 220, 110), QColor(40, 160, 50)));
    p.drawPath(path);
}

void drawStop(QPainter &p)
{
    p.setPen(outline(QColor(150, 20, 20)));
    p.setBrush(vertical(QColor(250, 110, 100), QColor(200, 30, 30)));
    p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
}

void drawCross(QPainter &p, const QRectF &r, const QColor &color)
{
    QPen pen(color, r.width() * 0.28, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void drawRemove(QPainter &p)
{
    drawCross(p, QRectF(4, 4, 8, 8), QColor(140, 10, 10));
    drawCross(p, QRectF(4.3, 4.3, 7.4, 7.4), QColor(225, 50, 40));
}

// A list sheet with a check mark and a small cross: rows that are finished go away.
void drawRemoveFinished(QPainter &p)
{
    p.setPen(outline(QColor(110, 115, 125)));
    p.setBrush(vertical(Qt::white, QColor(225, 230, 238)));
    p.drawRoundedRect(QRectF(1.5, 1.5, 10, 12.5), 1, 1);
    p.setPen(outline(QColor(160, 170, 185)));
    for (qreal y = 5; y <= 11; y += 3)
        p.drawLine(QPointF(6, y), QPointF(10, y));
    p.setPen(outline(QColor(30, 140, 40), 1.4));
    p.drawPolyline(QPolygonF({QPointF(3, 5), QPointF(4, 6), QPointF(5.5, 3.8)}));
    drawCross(p, QRectF(10, 10, 4.5, 4.5), QColor(200, 30, 30));
}

// Two chain links.
void drawCopyLink(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    p.translate(8, 8);
    p.rotate(-45);
    p.setPen(outline(QColor(30, 70, 140), 2.4));
    p.drawRoundedRect(QRectF(-7, -2.5, 8, 5), 2.5, 2.5);
    p.drawRoundedRect(QRectF(-1, -2.5, 8, 5), 2.5, 2.5);
    p.setPen(outline(QColor(90, 150, 230), 1.0));
    p.drawRoundedRect(QRectF(-7, -2.5, 8, 5), 2.5, 2.5);
    p.drawRoundedRect(QRectF(-1, -2.5, 8, 5), 2.5, 2.5);
    p.resetTransform();
}

// A small landscape picture with a down arrow over its corner.
void drawSaveImage(QPainter &p)
{
    p.setPen(outline(QColor(70, 80, 95)));
    p.setBrush(vertical(QColor(150, 205, 250), QColor(90, 160, 225), 2, 12));
    p.drawRect(QRectF(1.5, 2.5, 11, 9));
    QPainterPath hills;
    hills.moveTo(2, 11);
    hills.lineTo(5.5, 7);
    hills.lineTo(8, 9.5);
    hills.lineTo(10, 8);
    hills.lineTo(12, 11);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 150, 60));
    p.drawPath(hills);
    p.setBrush(QColor(255, 220, 80));
    p.drawEllipse(QPointF(9.5, 5), 1.3, 1.3);

    QPainterPath arrow;
    arrow.moveTo(11, 7.5);
    arrow.lineTo(13.5, 7.5);
    arrow.lineTo(13.5, 11);
    arrow.lineTo(15.5, 11);
    arrow.lineTo(12.25, 15);
    arrow.lineTo(9, 11);
    arrow.lineTo(11, 11);
    arrow.closeSubpath();
    p.setPen(outline(QColor(150, 70, 0), 0.8));
    p.setBrush(vertical(QColor(255, 190, 80), QColor(235, 120, 20), 7, 15));
    p.drawPath(arrow);
}

// An open door with an arrow leaving through it.
void drawExit(QPainter &p)
{
    p.setPen(outline(QColor(90, 60, 30)));
    p.setBrush(vertical(QColor(200, 150, 100), QColor(140, 95, 55)));
    p.drawRect(QRectF(2.5, 1.5, 7, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 40, 20));
    p.drawEllipse(QPointF(8, 8.5), 0.8, 0.8);

    QPainterPath arrow;
    arrow.moveTo(7, 6.5);
    arrow.lineTo(11, 6.5);
    arrow.lineTo(11, 4);
    arrow.lineTo(15, 8);
    arrow.lineTo(11, 12);
    arrow.lineTo(11, 9.5);
    arrow.lineTo(7, 9.5);
    arrow.closeSubpath();
    p.setPen(outline(QColor(20, 110, 30), 0.8));
    p.setBrush(vertical(QColor(120, 220, 110), QColor(40, 160, 50), 4, 12));
    p.drawPath(arrow);
}

// A blue disc with a white "i".
void drawAbout(QPainter &p)
{
    p.setPen(outline(QColor(20, 60, 130)));
    p.setBrush(vertical(QColor(110, 170, 240), QColor(30, 90, 190)));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.9), 1.2, 1.2);
    p.drawRoundedRect(QRectF(6.9, 7, 2.2, 5.5), 0.6, 0.6);
}

void drawDownloading(QPainter &p)
{
    QPainterPath arrow;
    arrow.moveTo(6, 1.5);
    arrow.lineTo(10, 1.5);
    arrow.lineTo(10, 7);
    arrow.lineTo(13.5, 7);
    arrow.lineTo(8, 13);
    arrow.lineTo(2.5, 7);
    arrow.lineTo(6, 7);
    arrow.closeSubpath();
    p.setPen(outline(QColor(20, 60, 140)));
    p.setBrush(vertical(QColor(110, 180, 250), QColor(30, 100, 210)));
    p.drawPath(arrow);
    p.setPen(outline(QColor(20, 60, 140), 1.6));
    p.drawLine(QPointF(3, 14.5), QPointF(13, 14.5));
}

void drawDownloaded(QPainter &p)
{
    p.setPen(outline(QColor(20, 110, 30)));
    p.setBrush(vertical(QColor(130, 220, 120), QColor(40, 160, 50)));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(outline(Qt::white, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(4.5, 8.2), QPointF(7, 10.8), QPointF(11.5, 5.2)}));
}

void drawStopped(QPainter &p)
{
    p.setPen(outline(QColor(160, 90, 0)));
    p.setBrush(vertical(QColor(255, 200, 90), QColor(235, 140, 20)));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 4.5, 2, 7));
    p.drawRect(QRectF(9, 4.5, 2, 7));
}

void drawError(QPainter &p)
{
    p.setPen(outline(QColor(140, 10, 10)));
    p.setBrush(vertical(QColor(250, 110, 100), QColor(200, 30, 30)));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(7, 3.8, 2, 5.7), 0.8, 0.8);
    p.drawEllipse(QPointF(8, 11.6), 1.15, 1.15);
}

// A clock face: the row waits for its turn.
void drawQueued(QPainter &p)
{
    p.setPen(outline(QColor(70, 80, 100)));
    p.setBrush(vertical(QColor(235, 240, 248), QColor(180, 190, 210)));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(outline(QColor(40, 50, 70), 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
}

Drawing drawingOf(Kind kind)
{
    switch (kind) {
    case Kind::Start: return drawPlay;
    case Kind::Stop: return drawStop;
    case Kind::Remove: return drawRemove;
    case Kind::RemoveFinished: return drawRemoveFinished;
    case Kind::CopyLink: return drawCopyLink;
    case Kind::SaveImage: return drawSaveImage;
    case Kind::Exit: return drawExit;
    case Kind::About: return drawAbout;
    }
    return {};
}

Drawing drawingOfState(int downloadState)
{
    switch (downloadState) {
    case Downloading: return drawDownloading;
    case Downloaded: return drawDownloaded;
    case Stopped: return drawStopped;
    case Error: return drawError;
    case Queued: return drawQueued;
    default: return {};
    }
}

QIcon iconOf(const Drawing &draw)
{
    if (!draw)
        return QIcon();
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(render(16, draw)));
    icon.addPixmap(QPixmap::fromImage(render(32, draw)));
    return icon;
}

} // namespace

QImage image(Kind kind, int side)
{
    const Drawing draw = drawingOf(kind);
    return draw && side > 0 ? render(side, draw) : QImage();
}

QIcon icon(Kind kind)
{
    return iconOf(drawingOf(kind));
}

QImage stateImage(int downloadState, int side)
{
    const Drawing draw = drawingOfState(downloadState);
    return draw && side > 0 ? render(side, draw) : QImage();
}

QIcon stateIcon(int downloadState)
{
    return iconOf(drawingOfState(downloadState));
}

} // namespace MenuIcons
