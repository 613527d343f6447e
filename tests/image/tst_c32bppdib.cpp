#include "image/c32bppDIB.h"

#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QUrl>

// The image surface: creation, scaling arithmetic, drawing rules (rendered into QImages and
// compared pixel by pixel), the painter on the surface and the pixel members.

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
        QTest::newRow("plain") << QSize(10, 5) << QSize(10, 5);
        QTest::newRow("negative height taken as positive") << QSize(10, -5) << QSize(10, 5);
        QTest::newRow("one pixel") << QSize(1, 1) << QSize(1, 1);
        QTest::newRow("negative width") << QSize(-1, 5) << QSize();
        QTest::newRow("zero height") << QSize(10, 0) << QSize();
        QTest::newRow("zero width") << QSize(0, 5) << QSize();
        QTest::newRow("size overflows") << QSize(100000, 100000) << QSize();
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
        QTest::newRow("fit enlarges") << QSize(50, 20) << QSize(100, 100) << 0 << QSize(100, 40);
        QTest::newRow("fit without enlarging") << QSize(50, 20) << QSize(100, 100) << 1 << QSize(50, 20);
        QTest::newRow("stretch") << QSize(50, 20) << QSize(100, 100) << 2 << QSize(100, 100);
        QTest::newRow("other mode keeps size") << QSize(50, 20) << QSize(100, 100) << 3 << QSize(50, 20);
        QTest::newRow("fit shrinks by height") << QSize(50, 20) << QSize(100, 10) << 0 << QSize(25, 10);
        QTest::newRow("no enlarging still shrinks") << QSize(50, 20) << QSize(25, 100) << 1 << QSize(25, 10);
        QTest::newRow("one side enlarges") << QSize(50, 20) << QSize(200, 10) << 1 << QSize(25, 10);
        QTest::newRow("fit rounds down") << QSize(40, 30) << QSize(50, 50) << 0 << QSize(50, 37);
        QTest::newRow("empty leaves the outputs") << QSize() << QSize(100, 100) << 0 << QSize(-7, -7);
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

    void painterOnSurface()
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
    }

    void pixels()
    {
        c32bppDIB dib;
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
        QTest::newRow("memory layout") << QList<bool>{true, true, false, true} << 24;
        QTest::newRow("rgb top-down") << QList<bool>{false, true, false, false} << 24;
        QTest::newRow("24 bits") << QList<bool>{true, false, false, true} << 18;
        QTest::newRow("24 bits aligned") << QList<bool>{true, false, true, true} << 24;
        QTest::newRow("rgb 24 aligned top-down") << QList<bool>{false, false, true, false} << 24;
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

    void regionResizeTrim()
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
    }

    void makeTransparentAndBlend()
    {
        c32bppDIB dib;
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
};

QTEST_MAIN(TestC32bppDIB)
#include "tst_c32bppdib.moc"
