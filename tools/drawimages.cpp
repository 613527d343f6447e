// Draws the program's three pictures (the banner, the About icon and the placeholder thumbnail)
// and writes them into a folder, by default src/image/images beside this tool's source:
//   clipvault-drawimages [output folder]
//   clipvault-drawimages --preview sheet.png   (all three over a light background, to look at)
//   clipvault-drawimages --icons FOLDER NAME   (the desktop icon as FOLDER/hicolor/SIZE/apps/NAME.png
//                                               at every usual size, and scalable/apps/NAME.svg)
// The three pictures are committed; run this again only to change the artwork. The desktop icons
// are drawn at build time, so they always match the About icon.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgGenerator>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

// Blurs the alpha channel of a premultiplied picture with three box passes (close to a Gaussian).
void blurAlpha(QImage &image, int radius)
{
    const int w = image.width();
    const int h = image.height();
    std::vector<int> alpha(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[static_cast<size_t>(y) * w + x] = qAlpha(line[x]);
    }
    std::vector<int> tmp(alpha.size());
    auto pass = [&](bool horizontal) {
        const int outer = horizontal ? h : w;
        const int inner = horizontal ? w : h;
        for (int o = 0; o < outer; ++o) {
            for (int i = 0; i < inner; ++i) {
                int sum = 0;
                int count = 0;
                for (int k = i - radius; k <= i + radius; ++k) {
                    if (k < 0 || k >= inner)
                        continue;
                    sum += horizontal ? alpha[static_cast<size_t>(o) * w + k] : alpha[static_cast<size_t>(k) * w + o];
                    ++count;
                }
                const int value = sum / (2 * radius + 1);
                Q_UNUSED(count);
                if (horizontal)
                    tmp[static_cast<size_t>(o) * w + i] = value;
                else
                    tmp[static_cast<size_t>(i) * w + o] = value;
            }
        }
        alpha.swap(tmp);
    };
    for (int n = 0; n < 3; ++n) {
        pass(true);
        pass(false);
    }
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qPremultiply(qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]),
                                         alpha[static_cast<size_t>(y) * w + x]));
    }
}

// A soft shadow of `shape`, offset and blurred, in a transparent picture of `size`.
QImage shadowOf(const QPainterPath &shape, QSize size, QPointF offset, int radius, int strength)
{
    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    QPainter p(&shadow);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(offset);
    p.fillPath(shape, QColor(20, 30, 50, strength));
    p.end();
    blurAlpha(shadow, radius);
    return shadow;
}

// A strip of film: a dark band with sprocket holes along both edges and three frames.
void drawFilmStrip(QPainter &p, const QRectF &r, int frames, const QColor &band, const QColor &hole,
                   const QColor &frameColor)
{
    QPainterPath body;
    body.addRoundedRect(r, r.height() * 0.08, r.height() * 0.08);
    p.fillPath(body, band);

    const qreal edge = r.height() * 0.2;
    const qreal holeW = r.width() / (frames * 3.0 + 1.0) * 0.9;
    const qreal holeH = edge * 0.55;
    const int holes = frames * 3;
    const qreal step = (r.width() - holeW) / holes;
    for (int i = 0; i < holes; ++i) {
        const qreal x = r.left() + step * 0.5 + i * step + (step - holeW) / 2.0;
        QRectF top(x, r.top() + (edge - holeH) / 2.0, holeW, holeH);
        QRectF bottom(x, r.bottom() - edge + (edge - holeH) / 2.0, holeW, holeH);
        p.setPen(Qt::NoPen);
        p.setBrush(hole);
        p.drawRoundedRect(top, holeH * 0.25, holeH * 0.25);
        p.drawRoundedRect(bottom, holeH * 0.25, holeH * 0.25);
    }

    const qreal gap = r.width() * 0.04;
    const qreal frameW = (r.width() - gap * (frames + 1)) / frames;
    for (int i = 0; i < frames; ++i) {
        QRectF f(r.left() + gap + i * (frameW + gap), r.top() + edge, frameW, r.height() - 2 * edge);
        QLinearGradient g(f.topLeft(), f.bottomLeft());
        g.setColorAt(0, frameColor.lighter(125));
        g.setColorAt(1, frameColor);
        p.setBrush(g);
        p.drawRect(f);
    }
}

// A download arrow pointing down onto a tray line, centred in r.
QPainterPath downloadArrow(const QRectF &r)
{
    const qreal cx = r.center().x();
    const qreal shaftW = r.width() * 0.34;
    const qreal headW = r.width() * 0.86;
    const qreal headTop = r.top() + r.height() * 0.42;
    const qreal tip = r.top() + r.height() * 0.78;
    QPainterPath arrow;
    arrow.moveTo(cx - shaftW / 2, r.top());
    arrow.lineTo(cx + shaftW / 2, r.top());
    arrow.lineTo(cx + shaftW / 2, headTop);
    arrow.lineTo(cx + headW / 2, headTop);
    arrow.lineTo(cx, tip);
    arrow.lineTo(cx - headW / 2, headTop);
    arrow.lineTo(cx - shaftW / 2, headTop);
    arrow.closeSubpath();
    const qreal trayH = r.height() * 0.12;
    arrow.addRoundedRect(QRectF(r.left() + r.width() * 0.05, r.bottom() - trayH, r.width() * 0.9, trayH),
                         trayH / 2, trayH / 2);
    return arrow;
}

const QColor kDeep(18, 64, 120);
const QColor kBlue(36, 110, 190);
const QColor kSky(92, 170, 235);
const QColor kOrange(255, 150, 30);
const QColor kOrangeDeep(226, 102, 12);

// The emblem: a rounded square with the film frame and the download arrow, in a box of size s.
void drawEmblem(QPainter &p, const QRectF &box)
{
    const qreal s = box.width();
    QPainterPath tile;
    tile.addRoundedRect(box, s * 0.2, s * 0.2);
    QLinearGradient bg(box.topLeft(), box.bottomLeft());
    bg.setColorAt(0, kSky);
    bg.setColorAt(0.5, kBlue);
    bg.setColorAt(1, kDeep);
    p.fillPath(tile, bg);

    // A glossy upper half.
    QPainterPath gloss;
    gloss.addRoundedRect(box.adjusted(s * 0.04, s * 0.04, -s * 0.04, -s * 0.52), s * 0.17, s * 0.17);
    QLinearGradient gl(box.topLeft(), QPointF(box.left(), box.top() + s * 0.45));
    gl.setColorAt(0, QColor(255, 255, 255, 90));
    gl.setColorAt(1, QColor(255, 255, 255, 10));
    p.fillPath(gloss, gl);

    // Film strip across the upper part.
    QRectF strip(box.left() + s * 0.1, box.top() + s * 0.16, s * 0.8, s * 0.42);
    drawFilmStrip(p, strip, 2, QColor(20, 28, 40, 235), QColor(235, 240, 248), QColor(120, 180, 240));

    // Download arrow over the lower part.
    QRectF arrowBox(box.left() + s * 0.3, box.top() + s * 0.4, s * 0.4, s * 0.5);
    QPainterPath arrow = downloadArrow(arrowBox);
    // Below 32 pixels the thin outline only muddies the arrow's colour.
    if (s >= 30)
        p.setPen(QPen(QColor(120, 50, 0, 200), s * 0.025));
    else
        p.setPen(Qt::NoPen);
    QLinearGradient ag(arrowBox.topLeft(), arrowBox.bottomLeft());
    ag.setColorAt(0, kOrange.lighter(115));
    ag.setColorAt(1, kOrangeDeep);
    p.setBrush(ag);
    p.drawPath(arrow);

    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tile.translated(0, 0));
}

QImage drawBanner()
{
    const QSize size(595, 85);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    const QRectF panel(6, 4, 583, 71);
    QPainterPath shape;
    shape.addRoundedRect(panel, 12, 12);

    QPainter p(&image);
    p.drawImage(0, 0, shadowOf(shape, size, QPointF(0, 3), 3, 110));
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient bg(panel.topLeft(), panel.topRight());
    bg.setColorAt(0, kDeep);
    bg.setColorAt(0.55, kBlue);
    bg.setColorAt(1, kSky);
    p.fillPath(shape, bg);

    // A faint film strip running off the right edge of the panel.
    p.save();
    p.setClipPath(shape);
    p.setOpacity(0.22);
    drawFilmStrip(p, QRectF(330, 12, 300, 56), 4, QColor(8, 20, 40), QColor(210, 230, 250),
                  QColor(160, 200, 240));
    p.setOpacity(1.0);
    QLinearGradient sheen(panel.topLeft(), panel.bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, 70));
    sheen.setColorAt(0.48, QColor(255, 255, 255, 18));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillRect(panel, sheen);
    p.restore();

    // The emblem on the left, with its own soft shadow.
    const QRectF emblem(20, 12, 56, 56);
    QPainterPath emblemShape;
    emblemShape.addRoundedRect(emblem, 11, 11);
    p.drawImage(0, 0, shadowOf(emblemShape, size, QPointF(1, 2), 2, 120));
    drawEmblem(p, emblem);

    // The name and a tag line.
    QFont nameFont(QStringLiteral("DejaVu Sans"));
    nameFont.setPixelSize(36);
    nameFont.setBold(true);
    nameFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    QPainterPath name;
    name.addText(QPointF(92, 46), nameFont, QStringLiteral("Clipvault"));
    p.fillPath(name.translated(1.2, 1.6), QColor(0, 20, 50, 110));
    QLinearGradient ng(QPointF(0, 16), QPointF(0, 46));
    ng.setColorAt(0, Qt::white);
    ng.setColorAt(1, QColor(220, 234, 250));
    p.fillPath(name, ng);

    QFont tagFont(QStringLiteral("DejaVu Sans"));
    tagFont.setPixelSize(13);
    tagFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setFont(tagFont);
    p.setPen(QColor(215, 232, 250));
    p.drawText(QPointF(94, 65), QStringLiteral("Find  \u00b7  Preview  \u00b7  Download"));
    p.end();
    return image;
}

// The emblem's place in an icon of `size` pixels: a margin for the shadow below it.
QRectF iconTile(qreal size)
{
    const qreal f = size / 48.0;
    return QRectF(2 * f, 1 * f, 44 * f, 44 * f);
}

// The icon at any size; at 48 pixels it is the About icon.
QImage drawIcon(int size = 48)
{
    const qreal f = size / 48.0;
    const QRectF tile = iconTile(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainterPath shape;
    shape.addRoundedRect(tile, 9 * f, 9 * f);
    QPainter p(&image);
    p.drawImage(0, 0, shadowOf(shape, image.size(), QPointF(0, 1.5 * f), std::max(1, qRound(f)), 120));
    p.setRenderHint(QPainter::Antialiasing);
    drawEmblem(p, tile);
    p.end();
    return image;
}

// The desktop icons in a hicolor tree under `folder`, named `name`.
bool writeDesktopIcons(const QString &folder, const QString &name)
{
    bool ok = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        ok = QDir().mkpath(dir) && drawIcon(size).save(dir + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG")
            && ok;
    }
    // The scalable icon is the emblem alone: a blurred shadow has no vector form.
    const QString dir = folder + QStringLiteral("/hicolor/scalable/apps");
    if (!QDir().mkpath(dir))
        return false;
    QSvgGenerator svg;
    svg.setFileName(dir + QLatin1Char('/') + name + QStringLiteral(".svg"));
    svg.setSize(QSize(48, 48));
    svg.setViewBox(QRect(0, 0, 48, 48));
    svg.setTitle(QStringLiteral("Clipvault"));
    QPainter p;
    if (!p.begin(&svg))
        return false;
    p.setRenderHint(QPainter::Antialiasing);
    drawEmblem(p, iconTile(48));
    return p.end() && ok;
}

QImage drawPlaceholder()
{
    QImage image(120, 90, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient bg(QPointF(60, 40), 80);
    bg.setColorAt(0, QColor(196, 198, 202));
    bg.setColorAt(1, QColor(150, 152, 156));
    p.fillRect(image.rect(), bg);

    // A film frame outline with sprocket holes and a play symbol in the middle.
    drawFilmStrip(p, QRectF(22, 20, 76, 50), 1, QColor(110, 112, 118), QColor(200, 202, 206),
                  QColor(168, 170, 175));
    QPainterPath play;
    play.moveTo(53, 36);
    play.lineTo(53, 54);
    play.lineTo(69, 45);
    play.closeSubpath();
    p.setPen(QPen(QColor(95, 97, 102), 1.2));
    p.setBrush(QColor(236, 237, 240));
    p.drawPath(play);
    p.end();
    return image;
}

// The three pictures over a light window background (the icon also enlarged four times), to look at.
QImage preview()
{
    QImage sheet(640, 420, QImage::Format_RGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter p(&sheet);
    p.drawImage(10, 10, drawBanner());
    p.drawImage(10, 110, drawIcon());
    p.drawImage(70, 110, drawPlaceholder());
    p.drawImage(200, 110, drawIcon().scaled(192, 192, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    p.fillRect(400, 110, 200, 200, Qt::white);
    p.drawImage(410, 120, drawIcon());
    p.end();
    return sheet;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc > 2 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--preview"))
        return preview().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (argc > 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--icons"))
        return writeDesktopIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral(CLIPVAULT_IMAGES_FOLDER);
    QDir().mkpath(folder);
    QTextStream err(stderr);
    bool ok = drawBanner().save(folder + QStringLiteral("/101.png"), "PNG");
    ok = drawIcon().save(folder + QStringLiteral("/102.png"), "PNG") && ok;
    ok = drawPlaceholder().save(folder + QStringLiteral("/103.jpg"), "JPEG", 90) && ok;
    if (!ok) {
        err << "could not write the pictures into " << folder << '\n';
        return 1;
    }
    return 0;
}
