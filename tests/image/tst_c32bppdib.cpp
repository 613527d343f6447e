#include "image/BannerRender.h"
#include "image/c32bppDIB.h"
#include "image/cPNGparser.h"
#include "image/MenuIcons.h"
#include "image/PictureFromBytes.h"
#include "image/modJPG.h"
#include "image/modParsers.h"
#include "base/RuntimeError.h"
#include "support/StandIn.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// The image surface: creation, scaling arithmetic, drawing rules (rendered into QImages and
// compared pixel by pixel), the painter on the surface and the pixel members; then loading
// pictures into it: the alpha classification, the stream rules, the PNG front end, the program's
// resources, the windows' drawing of the program's pictures and the menus' pictures.

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

// The arguments of one Render call that the drawing tests vary.
struct RenderCall
{
    int destX = 0, destY = 0, destWidth = 0, destHeight = 0;
    int srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
    int opacity = 100;
    float angle = 0.0f;
    bool centre = false;
    int grey = -1;
    float light = 0.0f;
    int alphaClass = -1; // -1: as classified when loaded
};
using Pixels = QList<std::pair<QPoint, QRgb>>;

// A picture of the given size filled with `fill`, with the listed pixels set.
QImage picture(int w, int h, QRgb fill, const Pixels &set = {}, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(w, h, format);
    image.fill(fill);
    for (const auto &[at, colour] : set)
        image.setPixel(at, colour);
    return image;
}

QImage canvas(int w = 16, int h = 16) { return picture(w, h, kWhite, {}, QImage::Format_ARGB32_Premultiplied); }

// Two pixels side by side: red, blue.
QImage redBlue() { return picture(2, 1, kRed, {{{1, 0}, kBlue}}); }

// Empty when the colours agree within 2 in every channel, else both colours as "argb vs argb".
QString mismatch(QRgb a, QRgb b)
{
    for (int shift : {0, 8, 16, 24}) {
        if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > 2)
            return QString::number(a, 16) + QStringLiteral(" vs ") + QString::number(b, 16);
    }
    return QString();
}

#define COMPARE_PIXEL(actual, expected) QVERIFY2(mismatch(actual, expected).isEmpty(), qPrintable(mismatch(actual, expected)))

// Pixels as B, G, R, A quadruples.
QByteArray bgra(std::initializer_list<std::array<int, 4>> list)
{
    QByteArray bytes;
    for (const auto &p : list)
        for (int v : p)
            bytes.append(static_cast<char>(v));
    return bytes;
}

QByteArray encode(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A 4 x 3 picture with red at the top-left, blue at the bottom-right, and the given alpha elsewhere.
QImage sample(int alpha) { return picture(4, 3, qRgba(0, 255, 0, alpha), {{{0, 0}, kRed}, {{3, 2}, kBlue}}); }

QByteArray samplePng() { return encode(sample(255), "PNG"); }

// What a load does, when it does not load a picture of alpha class 0, 1 or 2.
enum Outcome { KeepsPicture = -2, EmptiesPicture = -1 };


} // namespace

Q_DECLARE_METATYPE(RenderCall)
Q_DECLARE_METATYPE(Pixels)

class TestC32bppDIB final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initializeDIB_data()
    {
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("size");
        // A negative height is taken as positive; an empty size or one whose bytes overflow is refused.
        for (const auto &[asked, size] : {std::pair{QSize(10, 5), QSize(10, 5)}, {QSize(10, -5), QSize(10, 5)}, {QSize(1, 1), QSize(1, 1)},
                                          {QSize(-1, 5), QSize()}, {QSize(10, 0), QSize()}, {QSize(0, 5), QSize()}, {QSize(100000, 100000), QSize()}})
            QTest::addRow("%dx%d", asked.width(), asked.height()) << asked << size;
    }

    void initializeDIB()
    {
        QFETCH(QSize, asked);
        QFETCH(QSize, size);
        const bool created = size.isValid();

        // Whatever the outcome, the picture held before is gone; a new surface is transparent black.
        c32bppDIB dib;
        QVERIFY(dib.LoadPicture_StdPicture(picture(3, 3, kRed)));
        QCOMPARE(dib.InitializeDIB(asked.width(), asked.height()), created);
        QCOMPARE(QSize(dib.Width(), dib.Height()), created ? size : QSize(0, 0));
        QCOMPARE(dib.ImageType(), created ? 0 : -1);
        QCOMPARE(dib.Alpha(), created ? 1 : 0);
        QCOMPARE(dib.toImage(), created ? picture(size.width(), size.height(), 0, {}, QImage::Format_ARGB32_Premultiplied) : QImage());
    }

    void scaleImage_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("expected");
        // Mode 0 fits the box (rounding down), 1 fits without enlarging, 2 stretches, others keep the size.
        const QSize wide(50, 20), square(100, 100);
        for (const auto &[from, box, mode, expected] :
             {std::tuple{wide, square, 0, QSize(100, 40)}, {wide, square, 1, wide}, {wide, square, 2, square}, {wide, square, 3, wide},
              {wide, QSize(100, 10), 0, QSize(25, 10)}, {wide, QSize(25, 100), 1, QSize(25, 10)}, {wide, QSize(200, 10), 1, QSize(25, 10)},
              {QSize(40, 30), QSize(50, 50), 0, QSize(50, 37)}, {QSize(), square, 0, QSize(-7, -7)}}) // empty: the outputs stay
            QTest::addRow("%dx%d into %dx%d, mode %d", from.width(), from.height(), box.width(), box.height(), mode) << from << box << mode << expected;
    }

    void scaleImage()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, box);
        QFETCH(int, mode);
        c32bppDIB dib;
        if (picture.isValid())
            QVERIFY(dib.InitializeDIB(picture.width(), picture.height()));
        int w = -7, h = -7;
        dib.ScaleImage(box.width(), box.height(), w, h, mode);
        QTEST(QSize(w, h), "expected");
    }

    void render_data()
    {
        QTest::addColumn<QImage>("picture"); // null: an empty surface
        QTest::addColumn<RenderCall>("call");
        QTest::addColumn<bool>("result");
        QTest::addColumn<Pixels>("expected"); // on a white 16 x 16 canvas; nothing drawn when refused

        // Opacity is a percentage modulo 100, 0 meaning 100; the constant alpha is rounded down.
        const QList<std::pair<int, int>> opacities{{0, 0}, {-50, 0}, {100, 100}, {200, 100}, {250, 50}, {150, 50}, {25, 25}};
        for (const auto &[opacity, strength] : opacities) {
            const int other = 255 - strength * 255 / 100;
            const QRgb drawn = qRgb(255, other, other);
            QTest::addRow("opacity %d", opacity)
                << picture(4, 4, kRed) << RenderCall{.destX = 2, .destY = 2, .opacity = opacity} << true
                << Pixels{{{3, 3}, drawn}, {{5, 5}, drawn}, {{1, 1}, kWhite}, {{6, 6}, kWhite}};
        }
        QTest::newRow("upright") << redBlue() << RenderCall{} << true
                                 << Pixels{{{0, 0}, kRed}, {{1, 0}, kBlue}, {{2, 0}, kWhite}};
        QTest::newRow("mirrored left to right") << redBlue() << RenderCall{.srcWidth = -2} << true
                                                << Pixels{{{0, 0}, kBlue}, {{1, 0}, kRed}, {{2, 2}, kWhite}};
        // Rotating red-blue by 90 degrees puts red on top.
        QTest::newRow("mirrored top to bottom")
            << redBlue().transformed(QTransform().rotate(90)) << RenderCall{.srcHeight = -2} << true
            << Pixels{{{0, 0}, kBlue}, {{0, 1}, kRed}, {{2, 2}, kWhite}};
        // The source runs past the right edge: only its last column exists; negative SrcY means 0.
        QTest::newRow("source clipped")
            << picture(3, 2, kRed, {{{2, 0}, kBlue}, {{2, 1}, kBlue}}) << RenderCall{1, 1, 1, 2, 2, -4, 10} << true
            << Pixels{{{1, 1}, kBlue}, {{1, 2}, kBlue}, {{2, 1}, kWhite}, {{0, 1}, kWhite}, {{1, 3}, kWhite}};
        QTest::newRow("source beyond the picture") << redBlue() << RenderCall{.srcX = 5} << false << Pixels{};
        QTest::newRow("empty surface") << QImage() << RenderCall{} << false << Pixels{};
        QTest::newRow("empty surface, opacity 0") << QImage() << RenderCall{.opacity = 0} << false << Pixels{};

        // A 4 x 2 red picture with a blue top-left pixel drawn at (10, 10).
        const QImage marked = picture(4, 2, kRed, {{{0, 0}, kBlue}});
        auto placed = [](QPoint topLeft) {
            return Pixels{{topLeft, kBlue}, {topLeft + QPoint(3, 1), kRed}, {topLeft + QPoint(4, 1), kWhite},
                          {topLeft - QPoint(1, 0), kWhite}};
        };
        auto at10 = [](float angle, bool centre) { return RenderCall{.destX = 10, .destY = 10, .angle = angle, .centre = centre}; };
        QTest::newRow("placed") << marked << at10(0, false) << true << placed({10, 10});
        QTest::newRow("centred") << marked << at10(0, true) << true << placed({8, 9});
        QTest::newRow("whole turn is no rotation") << marked << at10(720, false) << true << placed({10, 10});
        QTest::newRow("angle refused without centring") << marked << at10(45, false) << false << Pixels{};
        QTest::newRow("fractional angle refused") << marked << at10(0.5f, false) << false << Pixels{};
        QTest::newRow("angle with centring draws upright") << marked << at10(45, true) << true << placed({8, 9});

        QTest::newRow("luminance grey") << picture(2, 2, kRed) << RenderCall{.grey = 0} << true << Pixels{{{0, 0}, qRgb(76, 76, 76)}};
        QTest::newRow("lightened") << picture(2, 2, kRed) << RenderCall{.light = 50.0f} << true << Pixels{{{0, 1}, qRgb(255, 128, 128)}};

        // Alpha class 0 draws without the per-pixel alpha: the colour bytes as they are, fully opaque.
        const QImage seeThrough = picture(3, 1, kRed, {{{0, 0}, qRgba(0, 0, 0, 0)}, {{1, 0}, qRgba(0, 0, 255, 128)}});
        const QList<std::pair<int, Pixels>> classes{
            {0, {{{0, 0}, qRgb(0, 0, 0)}, {{1, 0}, qRgb(0, 0, 128)}, {{2, 0}, kRed}}},
            {1, {{{0, 0}, kWhite}, {{1, 0}, qRgb(127, 127, 255)}, {{2, 0}, kRed}}},
            {2, {{{0, 0}, kWhite}, {{1, 0}, qRgb(127, 127, 255)}, {{2, 0}, kRed}}}};
        for (const auto &[alphaClass, drawn] : classes)
            QTest::addRow("alpha class %d", alphaClass) << seeThrough << RenderCall{.alphaClass = alphaClass} << true << drawn;
    }

    void render()
    {
        QFETCH(QImage, picture);
        QFETCH(RenderCall, call);
        QFETCH(bool, result);
        QFETCH(Pixels, expected);
        c32bppDIB dib;
        if (!picture.isNull())
            QVERIFY(dib.LoadPicture_StdPicture(picture));
        if (call.alphaClass >= 0)
            dib.setAlpha(call.alphaClass);
        QImage dest = canvas();
        QPainter dc(&dest);
        QCOMPARE(dib.Render(&dc, call.destX, call.destY, call.destWidth, call.destHeight, call.srcX, call.srcY, call.srcWidth,
                            call.srcHeight, call.opacity, true, true, nullptr, call.grey, call.light, call.angle, call.centre), result);
        dc.end();
        if (!result)
            QCOMPARE(dest, canvas());
        for (const auto &[at, colour] : expected)
            COMPARE_PIXEL(dest.pixel(at), colour);
    }

    void renderPaths()
    {
        c32bppDIB dib;
        QVERIFY(dib.LoadPicture_StdPicture(redBlue()));
        QVERIFY(!dib.Render(nullptr));
        QPainter idle;
        QVERIFY(!dib.Render(&idle));

        // Mirroring needs the general path; switched off, only the plain path is left.
        dib.setGDIplusEnabled(false);
        QImage dest = canvas(4, 4);
        QPainter dc(&dest);
        QVERIFY(!dib.Render(&dc, 0, 0, -2, 0));
        QVERIFY(dib.Render(&dc, 0, 0, 2, 1));
        dib.setAlphaBlendFriendly(false);
        QVERIFY(!dib.Render(&dc, 0, 2, 2, 1));
        dc.end();
        COMPARE_PIXEL(dest.pixel(0, 0), kRed);
        COMPARE_PIXEL(dest.pixel(0, 2), kWhite);

        // Into another surface.
        c32bppDIB host;
        QVERIFY(host.InitializeDIB(4, 4));
        dib.setAlphaBlendFriendly(true);
        QVERIFY(dib.Render(nullptr, 1, 3, 0, 0, 0, 0, 0, 0, 100, true, true, &host));
        QCOMPARE(host.GetPixel(1, 3), QColor(kRed));
        QCOMPARE(host.GetPixel(2, 3), QColor(kBlue));
        int alpha = -1;
        host.GetPixel(0, 0, &alpha);
        QCOMPARE(alpha, 0);

        // Stretched: nearest neighbour keeps the halves pure; smooth scaling mixes them in the middle.
        dib.setGDIplusEnabled(true);
        for (bool smooth : {false, true}) {
            dib.setHighQualityInterpolation(smooth);
            QImage dest = canvas(8, 2);
            QPainter dc(&dest);
            QVERIFY(dib.Render(&dc, 0, 0, 8, 2, 0, 0, 0, 0, 100, true, false));
            dc.end();
            COMPARE_PIXEL(dest.pixel(0, 0), kRed);
            COMPARE_PIXEL(dest.pixel(7, 1), kBlue);
            const QRgb middle = dest.pixel(3, 0);
            QCOMPARE(qBlue(middle) > 0 && qRed(middle) > 0, smooth);
        }
    }

    // The painter on the surface, then the pixel members.
    void painterAndPixels()
    {
        c32bppDIB dib;
        QVERIFY(!dib.LoadDIBinDC(true));
        QVERIFY(dib.InitializeDIB(3, 2));
        QPainter *dc = dib.LoadDIBinDC(true);
        QVERIFY(dc);
        dc->fillRect(QRect(0, 0, 1, 1), QColor(kBlue));
        QCOMPARE(dib.LoadDIBinDC(false), nullptr);
        QCOMPARE(dib.GetPixel(0, 0), QColor(kBlue)); // drawn upright on bottom-up rows

        // A managed painter outlives LoadDIBinDC(false) and is handed out again.
        dib.setManageOwnDC(true);
        QPainter *kept = dib.LoadDIBinDC(true);
        dib.LoadDIBinDC(false);
        QCOMPARE(dib.LoadDIBinDC(true), kept);
        kept->fillRect(QRect(1, 1, 1, 1), QColor(kRed));
        QCOMPARE(dib.GetPixel(1, 1), QColor(kRed));
        dib.setManageOwnDC(false);
        dib.DestroyDIB();
        QVERIFY(!dib.LoadDIBinDC(true));

        // The pixel members.
        QVERIFY(!dib.SetPixel(0, 0, Qt::red));
        QVERIFY(!dib.GetPixel(0, 0).isValid());
        QVERIFY(dib.InitializeDIB(4, 3));
        QVERIFY(dib.SetPixel(1, 2, QColor(200, 100, 50), 128));
        int alpha = 0;
        QCOMPARE(dib.GetPixel(1, 2, &alpha, true), QColor(100, 50, 25));
        QCOMPARE(alpha, 128);
        COMPARE_PIXEL(dib.GetPixel(1, 2).rgb(), qRgb(200, 100, 50));
        QVERIFY(!dib.SetPixel(4, 0, Qt::red));
        QVERIFY(!dib.SetPixel(0, -1, Qt::red));
        QVERIFY(!dib.GetPixel(0, 3).isValid());
        // Premultiplied input cannot exceed its alpha.
        QVERIFY(dib.SetPixel(0, 0, QColor(250, 10, 10), 100, true));
        QCOMPARE(dib.GetPixel(0, 0, nullptr, true), QColor(100, 10, 10));
    }

    void dibBitsRoundTrip_data()
    {
        QTest::addColumn<QList<bool>>("layout"); // bgr, 32 bits, word-aligned, bottom-up
        QTest::addColumn<int>("expectedSize");
        // A 3 x 2 picture: 24-bit rows of 9 bytes are padded to 12 when word-aligned.
        for (const auto &[bgr, bits32, aligned, bottomUp, size] : {std::tuple{true, true, false, true, 24}, {false, true, false, false, 24},
                                                                   {true, false, false, true, 18}, {true, false, true, true, 24}, {false, false, true, false, 24}})
            QTest::addRow("%s %d bits%s%s", bgr ? "bgr" : "rgb", bits32 ? 32 : 24, aligned ? " aligned" : "", bottomUp ? " bottom-up" : "")
                << QList<bool>{bgr, bits32, aligned, bottomUp} << size;
    }

    void dibBitsRoundTrip()
    {
        QFETCH(QList<bool>, layout);
        const bool bgr = layout[0], bits32 = layout[1], aligned = layout[2], bottomUp = layout[3];
        c32bppDIB dib;
        QVERIFY(dib.LoadPicture_StdPicture(picture(3, 2, kRed, {{{1, 0}, kBlue}, {{2, 0}, qRgb(1, 2, 3)}, {{0, 1}, qRgb(10, 200, 30)},
                                                                {{1, 1}, kWhite}, {{2, 1}, qRgb(0, 0, 0)}})));
        QByteArray bytes;
        QVERIFY(dib.GetDIBbits(bytes, bgr, bits32, aligned, bottomUp));
        QTEST(int(bytes.size()), "expectedSize");

        c32bppDIB copy;
        QVERIFY(copy.SetDIBbits(bytes, 3, 2, true, bgr, bits32, aligned, bottomUp));
        QCOMPARE(copy.toImage(), dib.toImage());
        QCOMPARE(copy.Alpha(), 0);
        QVERIFY(!copy.SetDIBbits(bytes.left(bytes.size() - 1), 3, 2, true, bgr, bits32, aligned, bottomUp));

        // The exact layout of one case, and straight colours premultiplied on the way in.
        QVERIFY(dib.LoadPicture_StdPicture(redBlue()));
        QVERIFY(dib.GetDIBbits(bytes, false, false, true, false));
        QCOMPARE(bytes, QByteArray("\xff\x00\x00\x00\x00\xff\x00\x00", 8));
        QVERIFY(copy.SetDIBbits(QByteArray("\x32\x64\xc8\x80", 4), 1, 1, false));
        QCOMPARE(copy.GetPixel(0, 0, nullptr, true), QColor(100, 50, 25));
        QCOMPARE(copy.Alpha(), 2);
    }

    void regionResizeTrimAndBlend()
    {
        c32bppDIB dib;
        QVERIFY(c32bppDIB().CreateRegion().isEmpty());
        QVERIFY(dib.LoadPicture_StdPicture(picture(4, 3, qRgba(0, 0, 0, 0), {{{0, 0}, kRed}, {{1, 0}, kRed}, {{3, 0}, kRed}, {{2, 2}, qRgba(0, 0, 255, 100)}})));
        QCOMPARE(dib.CreateRegion(), QRegion(0, 0, 2, 1) + QRegion(3, 0, 1, 1) + QRegion(2, 2, 1, 1));
        QCOMPARE(dib.CreateRegion(1, 10, 20), QRegion(10, 20, 2, 1) + QRegion(13, 20, 1, 1));

        QVERIFY(!c32bppDIB().Resize(4, 4));
        QVERIFY(dib.LoadPicture_StdPicture(redBlue()));
        dib.setHighQualityInterpolation(false);
        QVERIFY(!dib.Resize(0, 4));
        QVERIFY(dib.Resize(4, 3));
        QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(4, 3));
        QCOMPARE(dib.GetPixel(1, 2), QColor(kRed));
        QCOMPARE(dib.GetPixel(2, 0), QColor(kBlue));

        // Method 0 trims a transparent border, method 1 a border of the corner's colour.
        for (int method : {0, 1}) {
            QVERIFY(dib.LoadPicture_StdPicture(picture(6, 5, method ? kWhite : qRgba(0, 0, 0, 0), {{{2, 1}, kRed}, {{4, 3}, kBlue}})));
            int x = -1, y = -1, w = -1, h = -1;
            QVERIFY(dib.TrimImage(false, method, &x, &y, &w, &h));
            QCOMPARE(QRect(x, y, w, h), QRect(2, 1, 3, 3));
            QCOMPARE(dib.Width(), 6);
            QVERIFY(dib.TrimImage(true, method));
            QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(3, 3));
            QCOMPARE(dib.GetPixel(0, 0), QColor(kRed));
            QCOMPARE(dib.GetPixel(2, 2), QColor(kBlue));
        }
        QVERIFY(dib.InitializeDIB(3, 3));
        QVERIFY(!dib.TrimImage(true));
        QCOMPARE(dib.Width(), 3);

        // A colour made transparent, or replaced; blends towards a colour.
        QVERIFY(dib.LoadPicture_StdPicture(picture(2, 2, kRed, {{{1, 1}, kBlue}})));
        QCOMPARE(dib.Alpha(), 0);
        QVERIFY(dib.MakeTransparent(QColor(kRed)));
        QCOMPARE(dib.Alpha(), 1);
        QCOMPARE(dib.CreateRegion(), QRegion(1, 1, 1, 1));
        QVERIFY(dib.MakeTransparent(QColor(Qt::green), true));
        int alpha = -1;
        QCOMPARE(dib.GetPixel(0, 0, &alpha), QColor(Qt::green));
        QCOMPARE(alpha, 255);
        QCOMPARE(dib.Alpha(), 0);

        QVERIFY(dib.LoadPicture_StdPicture(picture(2, 1, qRgb(0, 0, 0), {{{1, 0}, qRgba(0, 0, 0, 0)}})));
        QVERIFY(dib.BlendToColor(QColor(kWhite), 50));
        QCOMPARE(dib.GetPixel(0, 0), QColor(127, 127, 127));
        QCOMPARE(dib.GetPixel(1, 0, &alpha, true), QColor(0, 0, 0)); // transparent stays transparent
        QCOMPARE(alpha, 0);
        QVERIFY(dib.BlendToColor(QColor(kRed), 100));
        QCOMPARE(dib.GetPixel(0, 0), QColor(kRed));
        QVERIFY(!c32bppDIB().BlendToColor(QColor(kRed)));
    }

    void droppedFileNames()
    {
        QMimeData data;
        QStringList names{QStringLiteral("stale")};
        QVERIFY(!c32bppDIB::GetDroppedFileNames(nullptr, names));
        QVERIFY(!c32bppDIB::GetDroppedFileNames(&data, names));
        QVERIFY(names.isEmpty());
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.png")), QUrl(QStringLiteral("http://x/b.png")),
                      QUrl::fromLocalFile(QStringLiteral("/tmp/c d.jpg"))});
        QVERIFY(c32bppDIB::GetDroppedFileNames(&data, names));
        QCOMPARE(names, QStringList({QStringLiteral("/tmp/a.png"), QStringLiteral("/tmp/c d.jpg")}));
    }

    void alphaClass_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("expectedClass");
        QTest::addColumn<QByteArray>("repaired");

        const QByteArray opaque = bgra({{1, 2, 3, 255}, {4, 5, 6, 255}});
        QTest::newRow("all opaque") << opaque << 0 << opaque;
        QTest::newRow("all transparent, made opaque")
            << bgra({{0, 0, 0, 0}, {9, 0, 0, 0}}) << 0 << bgra({{0, 0, 0, 255}, {9, 0, 0, 255}});
        const QByteArray simple = bgra({{0, 0, 0, 0}, {4, 5, 6, 255}});
        QTest::newRow("only 0 and 255") << simple << 1 << simple;
        const QByteArray complex = bgra({{0, 0, 0, 0}, {100, 128, 20, 128}, {4, 5, 6, 255}});
        QTest::newRow("partial, premultiplied") << complex << 2 << complex;
        QTest::newRow("repair of straight colours")
            << bgra({{50, 100, 255, 128}}) << 1 << bgra({{25, 50, 128, 128}});
        QTest::newRow("coloured transparent pixel first")
            << bgra({{10, 0, 0, 0}, {50, 50, 50, 128}, {0, 0, 0, 255}}) << 1
            << bgra({{0, 0, 0, 0}, {25, 25, 25, 128}, {0, 0, 0, 255}});
        // Once marked complex, a later sign of straight colour still stops the scan: colours repaired.
        QTest::newRow("complex, then straight colour")
            << bgra({{20, 20, 20, 128}, {200, 0, 0, 128}}) << 2 << bgra({{10, 10, 10, 128}, {100, 0, 0, 128}});
        // A coloured transparent pixel after the partial one has no bearing on it.
        const QByteArray later = bgra({{20, 20, 20, 128}, {10, 0, 0, 0}});
        QTest::newRow("coloured transparent pixel later") << later << 2 << later;
    }

    void alphaClass()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, expectedClass);
        QFETCH(QByteArray, repaired);

        for (bool repair : {false, true}) {
            QByteArray bytes = input;
            QCOMPARE(modParsers::ValidateAlphaChannel(reinterpret_cast<uchar *>(bytes.data()), bytes.size() / 4, repair),
                     expectedClass);
            QCOMPARE(bytes, repair ? repaired : input); // report-only leaves the pixels alone
        }
    }

    void stream_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("start");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<int>("outcome"); // the alpha class of the picture loaded, or an Outcome

        const QByteArray png = samplePng();
        const qsizetype none = 0;
        QTest::newRow("png, opaque") << png << none << none << 0;
        QTest::newRow("png, transparent holes") << encode(sample(0), "PNG") << none << none << 1;
        QTest::newRow("png, half transparent") << encode(sample(128), "PNG") << none << none << 2;
        QTest::newRow("bmp") << encode(sample(255), "BMP") << none << none << 0;
        // Streams too short to hold a picture are refused before the held picture is touched.
        QTest::newRow("19 bytes") << png.left(19) << none << none << int(KeepsPicture);
        QTest::newRow("19 bytes left after the start") << png << png.size() - 19 << none << int(KeepsPicture);
        QTest::newRow("length 19") << png << none << qsizetype(19) << int(KeepsPicture);
        QTest::newRow("negative length") << png << none << qsizetype(-5) << int(KeepsPicture);
        QTest::newRow("range past the end") << png << qsizetype(10) << png.size() << int(KeepsPicture);
        QTest::newRow("no array") << QByteArray() << none << none << int(KeepsPicture);

        QByteArray wrongSignature = png;
        wrongSignature[1] = 'Q';
        QTest::newRow("png with a wrong signature byte") << wrongSignature << none << none << int(EmptiesPicture);
        QByteArray corrupt = png;
        const qsizetype idat = corrupt.indexOf("IDAT");
        QVERIFY(idat > 0);
        for (qsizetype i = idat + 4; i < corrupt.size() - 12; ++i)
            corrupt[i] = static_cast<char>(0x5A);
        QTest::newRow("corrupt png") << corrupt << none << none << int(EmptiesPicture);
        QTest::newRow("png cut short") << png.left(40) << none << none << int(EmptiesPicture);
        QTest::newRow("20 bytes of text") << QByteArray("twenty bytes of text") << none << none << int(EmptiesPicture);

        const QByteArray wrapped = QByteArray("garbage") + png + QByteArray("trailing bytes");
        QTest::newRow("range inside other bytes") << wrapped << qsizetype(7) << png.size() << 0;
        QTest::newRow("from the start to the end") << QByteArray("garbage") + png << qsizetype(7) << none << 0;
        QTest::newRow("negative start means 0") << png + "trailing" << qsizetype(-3) << png.size() << 0;
        QTest::newRow("picture among other bytes") << wrapped << none << none << int(EmptiesPicture);
    }

    void stream()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, start);
        QFETCH(qsizetype, length);
        QFETCH(int, outcome);

        c32bppDIB dib;
        QVERIFY(dib.LoadPicture_Stream(encode(QImage(7, 5, QImage::Format_ARGB32), "PNG")));
        const bool loaded = outcome >= 0;
        QCOMPARE(dib.LoadPicture_Stream(bytes, 0, 0, start, length), loaded);
        const QSize expected = loaded ? QSize(4, 3) : outcome == KeepsPicture ? QSize(7, 5) : QSize(0, 0);
        QCOMPARE(QSize(dib.Width(), dib.Height()), expected);
        QCOMPARE(dib.ImageType(), outcome == EmptiesPicture ? -1 : 10);
        if (loaded) {
            QCOMPARE(dib.Alpha(), outcome);
            // Upright: red at the top-left, blue at the bottom-right.
            QCOMPARE(dib.GetPixel(0, 0), QColor(Qt::red));
            QCOMPARE(dib.GetPixel(3, 2), QColor(Qt::blue));
        }
        // The PNG front end takes only sound PNG and leaves the target alone otherwise.
        if (start == 0 && length == 0 && outcome != KeepsPicture) {
            const bool png = loaded && bytes.startsWith("\x89PNG");
            cPNGparser parser;
            QCOMPARE(parser.LoadStream(bytes, dib), png);
            QCOMPARE(QSize(parser.Width(), parser.Height()), png ? QSize(4, 3) : QSize(0, 0));
            QCOMPARE(dib.Width(), loaded ? 4 : 0);
        }
    }

    // The source bytes kept, the decoder switched off, and the clipboard.
    void sourceBytesDecoderAndClipboard()
    {
        const QByteArray png = samplePng();
        c32bppDIB dib;
        QByteArray kept;
        QVERIFY(dib.LoadPicture_Stream(png));
        QVERIFY(!dib.GetOrginalFormat(kept));
        QVERIFY(dib.LoadPicture_Stream(QByteArray("xx") + png, 0, 0, 2, 0, true));
        QVERIFY(dib.GetOrginalFormat(kept));
        QCOMPARE(kept, png);
        dib.DestroyDIB();
        QVERIFY(!dib.GetOrginalFormat(kept));

        dib.setGDIplusEnabled(false);
        QVERIFY(!dib.LoadPicture_Stream(png));
        QVERIFY(!dib.LoadPicture_Resource(102, QStringLiteral("CUSTOM")));
        dib.setGDIplusEnabled(true);
        QVERIFY(dib.LoadPicture_Stream(png));

        // From the clipboard.
        QClipboard *board = QGuiApplication::clipboard();
        board->setImage(sample(255));
        if (board->image().isNull())
            QSKIP("this platform keeps no clipboard");
        QVERIFY(dib.LoadPicture_ClipBoard());
        QCOMPARE(dib.GetPixel(3, 2), QColor(Qt::blue));
        board->clear();
        QVERIFY(!dib.LoadPicture_ClipBoard());
    }

    void resource_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QVariant>("section");
        QTest::addColumn<QSize>("size"); // invalid: nothing loaded
        QTest::addColumn<int>("alpha");
        // The banner, the icon and the placeholder; the section's name in any case, or 0: a picture.
        const QVariant custom(QStringLiteral("CUSTOM"));
        for (const auto &[id, section, size, alpha] : {std::tuple{101, custom, QSize(595, 85), 2}, {102, custom, QSize(48, 48), 2}, {103, custom, QSize(120, 90), 0},
                                                       {102, QVariant(QStringLiteral("custom")), QSize(48, 48), 2}, {102, QVariant(QStringLiteral("BITMAP")), QSize(), 0},
                                                       {999, custom, QSize(), 0}, {103, QVariant(0), QSize(120, 90), 0}})
            QTest::addRow("%d in %s", id, qPrintable(section.toString())) << id << section << size << alpha;
    }

    void resource()
    {
        QFETCH(int, id);
        QFETCH(QVariant, section);
        QFETCH(QSize, size);
        QFETCH(int, alpha);
        c32bppDIB dib;
        QCOMPARE(dib.LoadPicture_Resource(id, section, 48, 48, 0, 0, 32), size.isValid());
        if (size.isValid()) {
            QCOMPARE(QSize(dib.Width(), dib.Height()), size);
            QCOMPARE(dib.Alpha(), alpha);
            QCOMPARE(dib.ImageType(), 10);
            return;
        }
        QCOMPARE(dib.Handle(), quintptr(0));
        // The answer is whether a picture is held: a resource not found does not clear one.
        QVERIFY(dib.InitializeDIB(5, 5));
        QVERIFY(dib.LoadPicture_Resource(id, section));
        QCOMPARE(dib.Width(), 5);
    }

    void programImageOverBackground_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QColor>("background");
        QTest::newRow("banner on a light window") << 101 << QSize(600, 90) << QColor(240, 240, 240);
        QTest::newRow("banner on white, cut by a small box") << 101 << QSize(300, 40) << QColor(Qt::white);
        QTest::newRow("icon on a light window") << 102 << QSize(48, 48) << QColor(236, 233, 216);
    }

    void programImageOverBackground()
    {
        QFETCH(int, id);
        QFETCH(QSize, box);
        QFETCH(QColor, background);

        const QImage shown = RenderProgramImage(id, box, background);
        QCOMPARE(shown.size(), box);
        QVERIFY(RenderProgramImage(id, QSize(0, 10), background).isNull());

        // The same picture composed by Qt alone: soft edges blend with the background, clear parts
        // show it exactly.
        const QImage picture(QStringLiteral(":/clipvault/images/%1.png").arg(id));
        QImage expected(box, QImage::Format_ARGB32_Premultiplied);
        expected.fill(background);
        QPainter p(&expected);
        p.drawImage(0, 0, picture);
        p.end();
        int softEdge = 0;
        for (int y = 0; y < box.height(); ++y) {
            for (int x = 0; x < box.width(); ++x) {
                const QRgb a = shown.pixel(x, y), b = expected.pixel(x, y);
                const int alpha = picture.rect().contains(x, y) ? qAlpha(picture.pixel(x, y)) : 0;
                softEdge += alpha > 0 && alpha < 255 ? 1 : 0;
                QVERIFY2(alpha == 0 ? a == background.rgb() : mismatch(a, b).isEmpty(), qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }
        QVERIFY(softEdge > 0);
    }

    void thumbnailSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("kept"); // empty: refused

        // Large pictures are scaled while read, keeping their shape; small ones are not enlarged; over
        // 8 megapixels, or a side over 8192, refused.
        for (const auto &[size, kept] : {std::pair{QSize(2400, 1800), QSize(120, 90)}, {QSize(1200, 300), QSize(120, 30)}, {QSize(60, 45), QSize(60, 45)},
                                         {QSize(3000, 3000), QSize(0, 0)}, {QSize(8200, 1000), QSize(0, 0)}})
            QTest::addRow("%dx%d", size.width(), size.height()) << size << kept;
    }

    void thumbnailSize()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, kept);
        QImage image(size, QImage::Format_Grayscale8);
        image.fill(200);
        const QImage picture = PictureFromBytes(encode(image, "PNG"));
        QCOMPARE(picture.size(), kept);
        if (!kept.isEmpty())
            QCOMPARE(qGray(picture.pixel(kept.width() / 2, kept.height() / 2)), 200);
    }

    void saveJpeg_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<bool>("existing"); // the chosen file is there already
        QTest::addColumn<bool>("saved");

        QImage thumbnail(120, 90, QImage::Format_ARGB32);
        thumbnail.fill(qRgb(10, 200, 90));
        QImage tooWide(70000, 1, QImage::Format_RGB32); // beyond what JPEG can hold: the encoder fails
        tooWide.fill(Qt::white);
        QTest::newRow("new file") << thumbnail << false << true;
        QTest::newRow("over an existing file") << thumbnail << true << true;
        QTest::newRow("failed encode over an existing file") << tooWide << true << false;
        QTest::newRow("no picture over an existing file") << QImage() << true << false;
    }

    void saveJpeg()
    {
        QFETCH(QImage, picture);
        QFETCH(bool, existing);
        QFETCH(bool, saved);
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("picture.jpg"));
        const QByteArray before("the user's earlier file");
        if (existing)
            QVERIFY(StandIn::WriteFile(target, before));

        QString error;
        try {
            modJPG::SaveJPG(picture, target, 100);
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), 5);
            error = e.description();
        }
        QCOMPARE(error.isEmpty(), saved);
        QVERIFY2(error.isEmpty() || error.startsWith(QStringLiteral("Cannot save the image. ")), qPrintable(error));
        // Nothing is left beside the file, whatever happened.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), existing || saved ? QStringList{"picture.jpg"} : QStringList());
        if (saved) {
            QImageReader reader(target);
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            const QImage back = reader.read();
            QCOMPARE(back.size(), picture.size());
            QVERIFY(qAbs(qGreen(back.pixel(60, 45)) - 200) <= 2);
        } else if (existing) {
            QCOMPARE(StandIn::FileBytes(target), before);
        }
    }

    // The menu and download-state pictures: drawn at the asked size on a clear background, each
    // one different, and nothing for an unknown state.
    void menuPictures()
    {
        QList<QImage> images;
        for (int kind = MenuIcons::Start; kind <= MenuIcons::About; ++kind) {
            const auto k = static_cast<MenuIcons::Kind>(kind);
            images << MenuIcons::image(k);
            QCOMPARE(MenuIcons::image(k, 32).size(), QSize(32, 32));
            QVERIFY(MenuIcons::image(k, 0).isNull());
            QCOMPARE(MenuIcons::icon(k).availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
        }
        for (int state = MenuIcons::Downloading; state <= MenuIcons::Queued; ++state) {
            images << MenuIcons::stateImage(state);
            QVERIFY(!MenuIcons::stateIcon(state).isNull());
        }
        for (int state : {-1, 0, 6})
            QVERIFY(MenuIcons::stateImage(state).isNull() && MenuIcons::stateIcon(state).isNull());

        // Something is drawn, but not a filled square: the background stays clear. No two alike.
        QSet<QByteArray> distinct;
        for (const QImage &image : std::as_const(images)) {
            QCOMPARE(image.size(), QSize(16, 16));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            int covered = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
            QVERIFY2(covered > 20 && covered < 16 * 16, qPrintable(QString::number(covered)));
            distinct.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), images.size());
    }
};

QTEST_MAIN(TestC32bppDIB)
#include "tst_c32bppdib.moc"
