#include "image/c32bppDIB.h"

#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QUrl>

// The image surface: creation, scaling arithmetic, drawing rules (rendered into QImages and
// compared pixel by pixel), the painter on the surface and the pixel members.
class TestC32bppDIB final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initializeDIB_data();
    void initializeDIB();
    void initializeReplacesPicture();
    void scaleImage_data();
    void scaleImage();
    void scaleImageOnEmptyLeavesOutputs();

    void renderOpacity_data();
    void renderOpacity();
    void renderMirrored_data();
    void renderMirrored();
    void renderMirroredNeedsGeneralPath();
    void renderSourceClipping();
    void renderCentred_data();
    void renderCentred();
    void renderAlphaClass_data();
    void renderAlphaClass();
    void renderRefusals();
    void renderStretched();
    void renderGrey();
    void renderIntoHostDIB();

    void painterOnSurface();
    void manageOwnDC();

    void pixels();
    void dibBitsRoundTrip_data();
    void dibBitsRoundTrip();
    void dibBitsLayout();
    void region();
    void resize();
    void trim_data();
    void trim();
    void trimAllTransparent();
    void makeTransparent();
    void blendToColor();
    void swap();
    void droppedFileNames();
};

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

// A surface holding the given top-down picture.
void load(c32bppDIB &dib, const QImage &picture)
{
    QVERIFY(dib.LoadPicture_StdPicture(picture));
}

QImage solid(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Two pixels side by side: red, blue.
QImage redBlue()
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, kRed);
    image.setPixel(1, 0, kBlue);
    return image;
}

QImage canvas(int w = 8, int h = 8, QRgb colour = kWhite)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

bool near(QRgb a, QRgb b, int tolerance = 2)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance && std::abs(qAlpha(a) - qAlpha(b)) <= tolerance;
}

QString describe(QRgb c)
{
    return QStringLiteral("(%1,%2,%3,%4)").arg(qAlpha(c)).arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

#define COMPARE_PIXEL(actual, expected)                                                                     \
    QVERIFY2(near(actual, expected), qPrintable(describe(actual) + QStringLiteral(" vs ") + describe(expected)))

} // namespace

void TestC32bppDIB::initializeDIB_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("created");
    QTest::addColumn<QSize>("size");
    QTest::newRow("plain") << 10 << 5 << true << QSize(10, 5);
    QTest::newRow("negative height taken as positive") << 10 << -5 << true << QSize(10, 5);
    QTest::newRow("negative width") << -1 << 5 << false << QSize(0, 0);
    QTest::newRow("zero height") << 10 << 0 << false << QSize(0, 0);
    QTest::newRow("zero width") << 0 << 5 << false << QSize(0, 0);
    QTest::newRow("size overflows") << 100000 << 100000 << false << QSize(0, 0);
    QTest::newRow("one pixel") << 1 << 1 << true << QSize(1, 1);
}

void TestC32bppDIB::initializeDIB()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, created);
    QFETCH(QSize, size);

    c32bppDIB dib;
    QCOMPARE(dib.InitializeDIB(width, height), created);
    QCOMPARE(QSize(dib.Width(), dib.Height()), size);
    QCOMPARE(dib.Handle() != 0, created);
    if (!created) {
        QCOMPARE(dib.ImageType(), -1);
        QVERIFY(!dib.BitsPointer());
        return;
    }
    QCOMPARE(dib.scanWidth(), size.width() * 4);
    QCOMPARE(dib.ImageType(), 0);
    QCOMPARE(dib.Alpha(), 1);
    const uchar *bits = dib.BitsPointer();
    for (int i = 0; i < dib.scanWidth() * dib.Height(); ++i)
        QCOMPARE(int(bits[i]), 0);
}

void TestC32bppDIB::initializeReplacesPicture()
{
    c32bppDIB dib;
    load(dib, solid(3, 3, kRed));
    QCOMPARE(dib.ImageType(), 10);
    QVERIFY(!dib.InitializeDIB(10, 0));
    QCOMPARE(dib.Handle(), quintptr(0));
    QCOMPARE(dib.Width(), 0);
    QCOMPARE(dib.Alpha(), 0);

    load(dib, solid(3, 3, kRed));
    dib.EraseDIB();
    QCOMPARE(dib.ImageType(), 0);
    QCOMPARE(dib.Alpha(), 1);
    int alpha = -1;
    QCOMPARE(dib.GetPixel(1, 1, &alpha, true), QColor(0, 0, 0));
    QCOMPARE(alpha, 0);
}

void TestC32bppDIB::scaleImage_data()
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
}

void TestC32bppDIB::scaleImage()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, box);
    QFETCH(int, mode);
    QFETCH(QSize, expected);
    c32bppDIB dib;
    QVERIFY(dib.InitializeDIB(picture.width(), picture.height()));
    int w = -7, h = -7;
    dib.ScaleImage(box.width(), box.height(), w, h, mode);
    QCOMPARE(QSize(w, h), expected);
}

void TestC32bppDIB::scaleImageOnEmptyLeavesOutputs()
{
    c32bppDIB dib;
    int w = 11, h = 12;
    dib.ScaleImage(100, 100, w, h, 0);
    QCOMPARE(w, 11);
    QCOMPARE(h, 12);
}

void TestC32bppDIB::renderOpacity_data()
{
    QTest::addColumn<int>("opacity");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("strength"); // per cent of red drawn over white
    QTest::newRow("0 draws nothing") << 0 << true << 0;
    QTest::newRow("negative draws nothing") << -50 << true << 0;
    QTest::newRow("100") << 100 << true << 100;
    QTest::newRow("200 is full") << 200 << true << 100;
    QTest::newRow("250 is half") << 250 << true << 50;
    QTest::newRow("150 is half") << 150 << true << 50;
    QTest::newRow("25") << 25 << true << 25;
}

void TestC32bppDIB::renderOpacity()
{
    QFETCH(int, opacity);
    QFETCH(bool, result);
    QFETCH(int, strength);

    c32bppDIB dib;
    load(dib, solid(4, 4, kRed));
    QImage dest = canvas();
    QPainter dc(&dest);
    QCOMPARE(dib.Render(&dc, 2, 2, 0, 0, 0, 0, 0, 0, opacity), result);
    dc.end();

    // The constant alpha is the percentage of 255, rounded down.
    const int alpha = strength * 255 / 100;
    const int other = 255 - alpha;
    COMPARE_PIXEL(dest.pixel(3, 3), qRgb(255, other, other));
    COMPARE_PIXEL(dest.pixel(5, 5), qRgb(255, other, other));
    COMPARE_PIXEL(dest.pixel(1, 1), kWhite);
    COMPARE_PIXEL(dest.pixel(6, 6), kWhite);
}

void TestC32bppDIB::renderMirrored_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::newRow("left to right") << true;
    QTest::newRow("top to bottom") << false;
}

void TestC32bppDIB::renderMirrored()
{
    QFETCH(bool, horizontal);
    c32bppDIB dib;
    QImage picture = horizontal ? redBlue() : redBlue().transformed(QTransform().rotate(90));
    load(dib, picture);
    QImage dest = canvas(4, 4);
    QPainter dc(&dest);
    const bool drawn = horizontal ? dib.Render(&dc, 0, 0, 0, 0, 0, 0, -dib.Width(), 0)
                                  : dib.Render(&dc, 0, 0, 0, 0, 0, 0, 0, -dib.Height());
    dc.end();
    QVERIFY(drawn);
    const QPoint second = horizontal ? QPoint(1, 0) : QPoint(0, 1);
    // Upright, the red pixel comes first (rotating red-blue by 90 degrees puts red on top).
    COMPARE_PIXEL(dest.pixel(0, 0), kBlue);
    COMPARE_PIXEL(dest.pixel(second), kRed);
    COMPARE_PIXEL(dest.pixel(2, 2), kWhite);

    // Unmirrored for comparison.
    QImage plain = canvas(4, 4);
    QPainter p(&plain);
    QVERIFY(dib.Render(&p));
    p.end();
    COMPARE_PIXEL(plain.pixel(0, 0), kRed);
    COMPARE_PIXEL(plain.pixel(second), kBlue);
}

void TestC32bppDIB::renderMirroredNeedsGeneralPath()
{
    c32bppDIB dib;
    load(dib, redBlue());
    dib.setGDIplusEnabled(false);
    QImage dest = canvas(4, 4);
    QPainter dc(&dest);
    QVERIFY(!dib.Render(&dc, 0, 0, -2, 0));
    QVERIFY(dib.Render(&dc, 0, 0, 2, 1)); // unscaled, unmirrored: the plain path still draws
    dib.setAlphaBlendFriendly(false);
    QVERIFY(!dib.Render(&dc, 0, 2, 2, 1)); // no path left
    dc.end();
    COMPARE_PIXEL(dest.pixel(0, 0), kRed);
    COMPARE_PIXEL(dest.pixel(0, 2), kWhite);
}

void TestC32bppDIB::renderSourceClipping()
{
    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(kRed);
    picture.setPixel(2, 0, kBlue);
    picture.setPixel(2, 1, kBlue);
    c32bppDIB dib;
    load(dib, picture);
    QImage dest = canvas(6, 4);
    QPainter dc(&dest);
    // The source runs past the right edge: only its last column exists; negative SrcY means 0.
    QVERIFY(dib.Render(&dc, 1, 1, 1, 2, 2, -4, 10, 0));
    dc.end();
    COMPARE_PIXEL(dest.pixel(1, 1), kBlue);
    COMPARE_PIXEL(dest.pixel(1, 2), kBlue);
    COMPARE_PIXEL(dest.pixel(2, 1), kWhite);
    COMPARE_PIXEL(dest.pixel(0, 1), kWhite);
    COMPARE_PIXEL(dest.pixel(1, 3), kWhite);
}

void TestC32bppDIB::renderCentred_data()
{
    QTest::addColumn<float>("angle");
    QTest::addColumn<bool>("centre");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("plain") << 0.0f << false << true << QPoint(10, 10);
    QTest::newRow("centred") << 0.0f << true << true << QPoint(8, 9);
    QTest::newRow("whole turn is no rotation") << 720.0f << false << true << QPoint(10, 10);
    QTest::newRow("angle refused without centring") << 45.0f << false << false << QPoint(-1, -1);
    QTest::newRow("fractional angle refused") << 0.5f << false << false << QPoint(-1, -1);
    QTest::newRow("angle with centring draws upright") << 45.0f << true << true << QPoint(8, 9);
}

void TestC32bppDIB::renderCentred()
{
    QFETCH(float, angle);
    QFETCH(bool, centre);
    QFETCH(bool, result);
    QFETCH(QPoint, topLeft);

    c32bppDIB dib;
    QImage picture = solid(4, 2, kRed);
    picture.setPixel(0, 0, kBlue);
    load(dib, picture);
    QImage dest = canvas(16, 16);
    QPainter dc(&dest);
    QCOMPARE(dib.Render(&dc, 10, 10, 0, 0, 0, 0, 0, 0, 100, true, true, nullptr, -1, 0, angle, centre), result);
    dc.end();
    if (!result) {
        QCOMPARE(dest, canvas(16, 16));
        return;
    }
    COMPARE_PIXEL(dest.pixel(topLeft), kBlue);
    COMPARE_PIXEL(dest.pixel(topLeft + QPoint(3, 1)), kRed);
    COMPARE_PIXEL(dest.pixel(topLeft + QPoint(4, 1)), kWhite);
    COMPARE_PIXEL(dest.pixel(topLeft - QPoint(1, 0)), kWhite);
}

void TestC32bppDIB::renderAlphaClass_data()
{
    QTest::addColumn<int>("alphaClass");
    QTest::addColumn<QRgb>("overTransparent");
    QTest::addColumn<QRgb>("overHalf");
    // Class 0 draws without the per-pixel alpha: the colour bytes as they are, fully opaque.
    QTest::newRow("none") << 0 << qRgb(0, 0, 0) << qRgb(0, 0, 128);
    QTest::newRow("simple") << 1 << kWhite << qRgb(127, 127, 255);
    QTest::newRow("complex") << 2 << kWhite << qRgb(127, 127, 255);
}

void TestC32bppDIB::renderAlphaClass()
{
    QFETCH(int, alphaClass);
    QFETCH(QRgb, overTransparent);
    QFETCH(QRgb, overHalf);

    QImage picture(3, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(0, 0, 0, 0));
    picture.setPixel(1, 0, qRgba(0, 0, 255, 128));
    picture.setPixel(2, 0, kRed);
    c32bppDIB dib;
    load(dib, picture);
    QCOMPARE(dib.Alpha(), 2);
    dib.setAlpha(alphaClass);
    QImage dest = canvas(3, 1);
    QPainter dc(&dest);
    QVERIFY(dib.Render(&dc));
    dc.end();
    COMPARE_PIXEL(dest.pixel(0, 0), overTransparent);
    COMPARE_PIXEL(dest.pixel(1, 0), overHalf);
    COMPARE_PIXEL(dest.pixel(2, 0), kRed);
}

void TestC32bppDIB::renderRefusals()
{
    c32bppDIB empty;
    QImage dest = canvas();
    QPainter dc(&dest);
    QVERIFY(!empty.Render(&dc));
    QVERIFY(!empty.Render(&dc, 0, 0, 0, 0, 0, 0, 0, 0, 0)); // opacity 0 on an empty object
    c32bppDIB dib;
    load(dib, solid(2, 2, kRed));
    QVERIFY(!dib.Render(nullptr));
    QVERIFY(!dib.Render(&dc, 0, 0, 0, 0, 5, 0, 0, 0)); // source starts beyond the picture
    dc.end();
    QCOMPARE(dest, canvas());
    QImage inactive = canvas();
    QPainter idle;
    QVERIFY(!dib.Render(&idle));
}

void TestC32bppDIB::renderStretched()
{
    c32bppDIB dib;
    load(dib, redBlue());
    // Nearest neighbour: the plain path without halftone. Smooth: the general path.
    for (bool smooth : {false, true}) {
        dib.setHighQualityInterpolation(smooth);
        QImage dest = canvas(8, 2);
        QPainter dc(&dest);
        QVERIFY(dib.Render(&dc, 0, 0, 8, 2, 0, 0, 0, 0, 100, true, false));
        dc.end();
        COMPARE_PIXEL(dest.pixel(0, 0), kRed);
        COMPARE_PIXEL(dest.pixel(7, 1), kBlue);
        // Nearest neighbour keeps the halves pure; smooth scaling mixes them in the middle.
        const QRgb middle = dest.pixel(3, 0);
        QCOMPARE(qBlue(middle) > 0 && qRed(middle) > 0, smooth);
    }
}

void TestC32bppDIB::renderGrey()
{
    c32bppDIB dib;
    load(dib, solid(2, 2, qRgb(255, 0, 0)));
    QImage dest = canvas(2, 2);
    QPainter dc(&dest);
    QVERIFY(dib.Render(&dc, 0, 0, 0, 0, 0, 0, 0, 0, 100, true, true, nullptr, 0));
    QVERIFY(dib.Render(&dc, 0, 1, 0, 1, 0, 0, 0, 1, 100, true, true, nullptr, -1, 50.0f));
    dc.end();
    COMPARE_PIXEL(dest.pixel(0, 0), qRgb(76, 76, 76)); // 0.299 x 255
    COMPARE_PIXEL(dest.pixel(0, 1), qRgb(255, 128, 128));
}

void TestC32bppDIB::renderIntoHostDIB()
{
    c32bppDIB host;
    QVERIFY(host.InitializeDIB(4, 4));
    c32bppDIB dib;
    load(dib, redBlue());
    QVERIFY(dib.Render(nullptr, 1, 3, 0, 0, 0, 0, 0, 0, 100, true, true, &host));
    QCOMPARE(dib.GetPixel(0, 0), QColor(kRed));
    QCOMPARE(host.GetPixel(1, 3), QColor(kRed));
    QCOMPARE(host.GetPixel(2, 3), QColor(kBlue));
    int alpha = -1;
    host.GetPixel(0, 0, &alpha);
    QCOMPARE(alpha, 0);
    // The bottom row of the picture is the first row in memory.
    const uchar *bits = host.BitsPointer();
    QCOMPARE(int(bits[4 + 2]), 255); // red byte of pixel (1, bottom)
    QCOMPARE(int(bits[4 + 3]), 255);
}

void TestC32bppDIB::painterOnSurface()
{
    c32bppDIB dib;
    QVERIFY(!dib.LoadDIBinDC(true));
    QVERIFY(dib.InitializeDIB(3, 2));
    QPainter *dc = dib.LoadDIBinDC(true);
    QVERIFY(dc && dc->isActive());
    dc->fillRect(QRect(0, 0, 1, 1), QColor(kBlue));
    QCOMPARE(dib.LoadDIBinDC(false), nullptr);
    QCOMPARE(dib.GetPixel(0, 0), QColor(kBlue));
    const uchar *top = dib.BitsPointer() + dib.scanWidth(); // second row in memory = top row
    QCOMPARE(int(top[0]), 255);
    QCOMPARE(int(top[3]), 255);
    QCOMPARE(int(dib.BitsPointer()[3]), 0);
}

void TestC32bppDIB::manageOwnDC()
{
    c32bppDIB dib;
    QVERIFY(dib.InitializeDIB(2, 2));
    dib.setManageOwnDC(true);
    QPainter *first = dib.LoadDIBinDC(true);
    QVERIFY(first && first->isActive());
    dib.LoadDIBinDC(false);
    QVERIFY(first->isActive()); // kept
    QCOMPARE(dib.LoadDIBinDC(true), first);
    first->fillRect(QRect(1, 1, 1, 1), QColor(kRed));
    QCOMPARE(dib.GetPixel(1, 1), QColor(kRed));
    dib.setManageOwnDC(false);
    dib.DestroyDIB();
    QVERIFY(!dib.LoadDIBinDC(true));
}

void TestC32bppDIB::pixels()
{
    c32bppDIB dib;
    QVERIFY(!dib.SetPixel(0, 0, Qt::red));
    QVERIFY(!dib.GetPixel(0, 0).isValid());
    QVERIFY(dib.InitializeDIB(4, 3));
    QVERIFY(dib.SetPixel(1, 2, QColor(200, 100, 50), 128));
    int alpha = 0;
    QCOMPARE(dib.GetPixel(1, 2, &alpha, true), QColor(100, 50, 25));
    QCOMPARE(alpha, 128);
    const QColor straight = dib.GetPixel(1, 2);
    QVERIFY(std::abs(straight.red() - 200) <= 2 && std::abs(straight.green() - 100) <= 2
            && std::abs(straight.blue() - 50) <= 2);
    QVERIFY(!dib.SetPixel(4, 0, Qt::red));
    QVERIFY(!dib.SetPixel(0, -1, Qt::red));
    QVERIFY(!dib.GetPixel(0, 3).isValid());
    // Premultiplied input cannot exceed its alpha.
    QVERIFY(dib.SetPixel(0, 0, QColor(250, 10, 10), 100, true));
    QCOMPARE(dib.GetPixel(0, 0, nullptr, true), QColor(100, 10, 10));
}

void TestC32bppDIB::dibBitsRoundTrip_data()
{
    QTest::addColumn<bool>("bgr");
    QTest::addColumn<bool>("bits32");
    QTest::addColumn<bool>("aligned");
    QTest::addColumn<bool>("bottomUp");
    QTest::addColumn<int>("expectedSize");
    // A 3 x 2 picture: 24-bit rows of 9 bytes are padded to 12 when word-aligned.
    QTest::newRow("memory layout") << true << true << false << true << 24;
    QTest::newRow("rgb top-down") << false << true << false << false << 24;
    QTest::newRow("24 bits") << true << false << false << true << 18;
    QTest::newRow("24 bits aligned") << true << false << true << true << 24;
    QTest::newRow("rgb 24 aligned top-down") << false << false << true << false << 24;
}

void TestC32bppDIB::dibBitsRoundTrip()
{
    QFETCH(bool, bgr);
    QFETCH(bool, bits32);
    QFETCH(bool, aligned);
    QFETCH(bool, bottomUp);
    QFETCH(int, expectedSize);

    QImage picture(3, 2, QImage::Format_ARGB32);
    const QRgb colours[6] = {kRed, kBlue, qRgb(1, 2, 3), qRgb(10, 200, 30), kWhite, qRgb(0, 0, 0)};
    for (int i = 0; i < 6; ++i)
        picture.setPixel(i % 3, i / 3, colours[i]);
    c32bppDIB dib;
    load(dib, picture);
    QByteArray bytes;
    QVERIFY(dib.GetDIBbits(bytes, bgr, bits32, aligned, bottomUp));
    QCOMPARE(bytes.size(), expectedSize);

    c32bppDIB copy;
    QVERIFY(copy.SetDIBbits(bytes, 3, 2, true, bgr, bits32, aligned, bottomUp));
    QCOMPARE(copy.toImage(), dib.toImage());
    QCOMPARE(copy.Alpha(), 0);
    QVERIFY(!copy.SetDIBbits(bytes.left(bytes.size() - 1), 3, 2, true, bgr, bits32, aligned, bottomUp));
}

void TestC32bppDIB::dibBitsLayout()
{
    c32bppDIB dib;
    load(dib, redBlue());
    QByteArray bytes;
    QVERIFY(dib.GetDIBbits(bytes, false, false, true, false));
    QCOMPARE(bytes, QByteArray("\xff\x00\x00\x00\x00\xff\x00\x00", 8));
    // Straight colours are premultiplied on the way in.
    c32bppDIB half;
    QVERIFY(half.SetDIBbits(QByteArray("\x32\x64\xc8\x80", 4), 1, 1, false));
    int alpha = 0;
    QCOMPARE(half.GetPixel(0, 0, &alpha, true), QColor(100, 50, 25));
    QCOMPARE(half.Alpha(), 2);
}

void TestC32bppDIB::region()
{
    QImage picture(4, 3, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    picture.setPixel(0, 0, kRed);
    picture.setPixel(1, 0, kRed);
    picture.setPixel(3, 0, kRed);
    picture.setPixel(2, 2, qRgba(0, 0, 255, 100));
    c32bppDIB dib;
    load(dib, picture);
    const QRegion any = dib.CreateRegion();
    QCOMPARE(any, QRegion(0, 0, 2, 1) + QRegion(3, 0, 1, 1) + QRegion(2, 2, 1, 1));
    QCOMPARE(dib.CreateRegion(1), QRegion(0, 0, 2, 1) + QRegion(3, 0, 1, 1));
    QCOMPARE(dib.CreateRegion(1, 10, 20), QRegion(10, 20, 2, 1) + QRegion(13, 20, 1, 1));
    QVERIFY(c32bppDIB().CreateRegion().isEmpty());
}

void TestC32bppDIB::resize()
{
    c32bppDIB dib;
    QVERIFY(!dib.Resize(4, 4));
    load(dib, redBlue());
    dib.setHighQualityInterpolation(false);
    QVERIFY(!dib.Resize(0, 4));
    QVERIFY(dib.Resize(4, 3));
    QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(4, 3));
    QCOMPARE(dib.GetPixel(1, 2), QColor(kRed));
    QCOMPARE(dib.GetPixel(2, 0), QColor(kBlue));
    QCOMPARE(dib.ImageType(), 10);
}

void TestC32bppDIB::trim_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QRgb>("border");
    QTest::newRow("transparent border") << 0 << qRgba(0, 0, 0, 0);
    QTest::newRow("border of the corner colour") << 1 << kWhite;
}

void TestC32bppDIB::trim()
{
    QFETCH(int, method);
    QFETCH(QRgb, border);
    QImage picture(6, 5, QImage::Format_ARGB32);
    picture.fill(border);
    picture.setPixel(2, 1, kRed);
    picture.setPixel(4, 3, kBlue);
    c32bppDIB dib;
    load(dib, picture);
    int x = -1, y = -1, w = -1, h = -1;
    QVERIFY(dib.TrimImage(false, method, &x, &y, &w, &h));
    QCOMPARE(QRect(x, y, w, h), QRect(2, 1, 3, 3));
    QCOMPARE(dib.Width(), 6);
    QVERIFY(dib.TrimImage(true, method));
    QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(3, 3));
    QCOMPARE(dib.GetPixel(0, 0), QColor(kRed));
    QCOMPARE(dib.GetPixel(2, 2), QColor(kBlue));
}

void TestC32bppDIB::trimAllTransparent()
{
    c32bppDIB dib;
    QVERIFY(dib.InitializeDIB(3, 3));
    QVERIFY(!dib.TrimImage(true));
    QCOMPARE(dib.Width(), 3);
}

void TestC32bppDIB::makeTransparent()
{
    QImage picture = solid(2, 2, kRed);
    picture.setPixel(1, 1, kBlue);
    c32bppDIB dib;
    load(dib, picture);
    QCOMPARE(dib.Alpha(), 0);
    QVERIFY(dib.MakeTransparent(QColor(kRed)));
    int alpha = -1;
    dib.GetPixel(0, 0, &alpha);
    QCOMPARE(alpha, 0);
    QCOMPARE(dib.GetPixel(1, 1), QColor(kBlue));
    QCOMPARE(dib.Alpha(), 1);
    QCOMPARE(dib.CreateRegion(), QRegion(1, 1, 1, 1));
    QVERIFY(dib.MakeTransparent(QColor(Qt::green), true));
    QCOMPARE(dib.GetPixel(0, 0, &alpha), QColor(Qt::green));
    QCOMPARE(alpha, 255);
    QCOMPARE(dib.Alpha(), 0);
}

void TestC32bppDIB::blendToColor()
{
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgb(0, 0, 0));
    picture.setPixel(1, 0, qRgba(0, 0, 0, 0));
    c32bppDIB dib;
    load(dib, picture);
    QVERIFY(dib.BlendToColor(QColor(kWhite), 50));
    QCOMPARE(dib.GetPixel(0, 0), QColor(127, 127, 127));
    int alpha = -1;
    QCOMPARE(dib.GetPixel(1, 0, &alpha, true), QColor(0, 0, 0)); // transparent stays transparent
    QCOMPARE(alpha, 0);
    QVERIFY(dib.BlendToColor(QColor(kRed), 100));
    QCOMPARE(dib.GetPixel(0, 0), QColor(kRed));
    QVERIFY(!c32bppDIB().BlendToColor(QColor(kRed)));
}

void TestC32bppDIB::swap()
{
    c32bppDIB a;
    c32bppDIB b;
    load(a, redBlue());
    QVERIFY(b.InitializeDIB(5, 5));
    a.SwapDIBs(b);
    QCOMPARE(QSize(a.Width(), a.Height()), QSize(5, 5));
    QCOMPARE(a.ImageType(), 0);
    QCOMPARE(b.GetPixel(1, 0), QColor(kBlue));
    QCOMPARE(b.ImageType(), 10);
    c32bppDIB empty;
    b.SwapDIBs(empty);
    QCOMPARE(b.Handle(), quintptr(0));
    QCOMPARE(empty.Width(), 2);
}

void TestC32bppDIB::droppedFileNames()
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

QTEST_MAIN(TestC32bppDIB)
#include "tst_c32bppdib.moc"
