#include "image/BannerRender.h"
#include "image/c32bppDIB.h"
#include "image/cPNGparser.h"
#include "image/modParsers.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QTest>

// Loading pictures into the image surface: the alpha classification, the stream rules, the PNG
// front end, the program's resources and the windows' calling sequence.
class TestImageLoading final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alphaClass_data();
    void alphaClass();

    void decodedPicture_data();
    void decodedPicture();
    void shortStreamKeepsPicture_data();
    void shortStreamKeepsPicture();
    void undecodableEmptiesPicture_data();
    void undecodableEmptiesPicture();
    void wrongSignatureGoesToGeneralLoader();
    void streamRange();
    void keptSourceBytes();
    void decoderSwitchedOff();

    void resource_data();
    void resource();
    void missingResourceKeepsPicture();
    void clipboard();

    void programImageOverBackground_data();
    void programImageOverBackground();
};

namespace {

// Pixels as B, G, R, A quadruples.
QByteArray pixels(std::initializer_list<std::array<int, 4>> list)
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
QImage sample(int alpha)
{
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(qRgba(0, 255, 0, alpha));
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(3, 2, qRgb(0, 0, 255));
    return image;
}

QByteArray samplePng()
{
    return encode(sample(255), "PNG");
}

} // namespace

void TestImageLoading::alphaClass_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("expectedClass");
    QTest::addColumn<QByteArray>("repaired");

    const QByteArray opaque = pixels({{1, 2, 3, 255}, {4, 5, 6, 255}});
    QTest::newRow("all opaque") << opaque << 0 << opaque;
    QTest::newRow("all transparent, made opaque")
        << pixels({{0, 0, 0, 0}, {9, 0, 0, 0}}) << 0 << pixels({{0, 0, 0, 255}, {9, 0, 0, 255}});
    const QByteArray simple = pixels({{0, 0, 0, 0}, {4, 5, 6, 255}});
    QTest::newRow("only 0 and 255") << simple << 1 << simple;
    const QByteArray complex = pixels({{0, 0, 0, 0}, {100, 128, 20, 128}, {4, 5, 6, 255}});
    QTest::newRow("partial, premultiplied") << complex << 2 << complex;
    QTest::newRow("repair of straight colours")
        << pixels({{50, 100, 200, 128}}) << 1 << pixels({{25, 50, 100, 128}});
    QTest::newRow("coloured transparent pixel first")
        << pixels({{10, 0, 0, 0}, {50, 50, 50, 128}, {0, 0, 0, 255}}) << 1
        << pixels({{0, 0, 0, 0}, {25, 25, 25, 128}, {0, 0, 0, 255}});
    // Once marked complex, a later sign of straight colour still stops the scan: colours repaired.
    QTest::newRow("complex, then straight colour")
        << pixels({{20, 20, 20, 128}, {200, 0, 0, 128}}) << 2 << pixels({{10, 10, 10, 128}, {100, 0, 0, 128}});
    // A coloured transparent pixel after the partial one has no bearing on it.
    const QByteArray later = pixels({{20, 20, 20, 128}, {10, 0, 0, 0}});
    QTest::newRow("coloured transparent pixel later") << later << 2 << later;
}

void TestImageLoading::alphaClass()
{
    QFETCH(QByteArray, input);
    QFETCH(int, expectedClass);
    QFETCH(QByteArray, repaired);

    QByteArray reported = input;
    QCOMPARE(modParsers::ValidateAlphaChannel(reinterpret_cast<uchar *>(reported.data()), reported.size() / 4, false),
             expectedClass);
    QCOMPARE(reported, input); // report-only leaves the pixels alone

    QByteArray fixed = input;
    QCOMPARE(modParsers::ValidateAlphaChannel(reinterpret_cast<uchar *>(fixed.data()), fixed.size() / 4, true),
             expectedClass);
    QCOMPARE(fixed, repaired);
}

void TestImageLoading::decodedPicture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expectedAlpha");
    QTest::newRow("png, opaque") << encode(sample(255), "PNG") << 0;
    QTest::newRow("png, transparent holes") << encode(sample(0), "PNG") << 1;
    QTest::newRow("png, half transparent") << encode(sample(128), "PNG") << 2;
    QTest::newRow("bmp") << encode(sample(255), "BMP") << 0;
}

void TestImageLoading::decodedPicture()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expectedAlpha);
    c32bppDIB dib;
    QVERIFY(dib.LoadPicture_Stream(bytes));
    QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(4, 3));
    QCOMPARE(dib.ImageType(), 10);
    QCOMPARE(dib.Alpha(), expectedAlpha);
    // Upright: red at the top-left, blue at the bottom-right.
    QCOMPARE(dib.GetPixel(0, 0), QColor(Qt::red));
    QCOMPARE(dib.GetPixel(3, 2), QColor(Qt::blue));
}

void TestImageLoading::shortStreamKeepsPicture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::newRow("19 bytes") << samplePng().left(19) << qsizetype(0) << qsizetype(0);
    QTest::newRow("19 bytes left after the start") << samplePng() << samplePng().size() - 19 << qsizetype(0);
    QTest::newRow("length 19") << samplePng() << qsizetype(0) << qsizetype(19);
    QTest::newRow("negative length") << samplePng() << qsizetype(0) << qsizetype(-5);
    QTest::newRow("range past the end") << samplePng() << qsizetype(10) << samplePng().size();
    QTest::newRow("no array") << QByteArray() << qsizetype(0) << qsizetype(0);
}

void TestImageLoading::shortStreamKeepsPicture()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    c32bppDIB dib;
    QVERIFY(dib.LoadPicture_Stream(encode(QImage(7, 5, QImage::Format_ARGB32), "PNG")));
    QVERIFY(!dib.LoadPicture_Stream(bytes, 0, 0, start, length));
    QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(7, 5));
    QCOMPARE(dib.ImageType(), 10);
}

void TestImageLoading::undecodableEmptiesPicture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray wrongSignature = samplePng();
    wrongSignature[1] = 'Q';
    QTest::newRow("png with a wrong signature byte") << wrongSignature;
    QByteArray corrupt = samplePng();
    const qsizetype idat = corrupt.indexOf("IDAT");
    QVERIFY(idat > 0);
    for (qsizetype i = idat + 4; i < corrupt.size() - 12; ++i)
        corrupt[i] = static_cast<char>(0x5A);
    QTest::newRow("corrupt png") << corrupt;
    QTest::newRow("png cut short") << samplePng().left(40);
    QTest::newRow("20 bytes of text") << QByteArray("twenty bytes of text");
}

void TestImageLoading::undecodableEmptiesPicture()
{
    QFETCH(QByteArray, bytes);
    c32bppDIB dib;
    QVERIFY(dib.LoadPicture_Stream(samplePng()));
    QVERIFY(!dib.LoadPicture_Stream(bytes));
    QCOMPARE(dib.Handle(), quintptr(0));
    QCOMPARE(dib.ImageType(), -1);

    cPNGparser parser;
    c32bppDIB target;
    QVERIFY(!parser.LoadStream(bytes, target));
    QCOMPARE(target.Handle(), quintptr(0));
    QCOMPARE(parser.Width(), 0);
}

void TestImageLoading::wrongSignatureGoesToGeneralLoader()
{
    const QByteArray bmp = encode(sample(255), "BMP");
    cPNGparser parser;
    c32bppDIB target;
    QVERIFY(target.InitializeDIB(2, 2));
    QVERIFY(!parser.LoadStream(bmp, target)); // not PNG: the parser does not touch the target
    QCOMPARE(target.Width(), 2);
    QVERIFY(target.LoadPicture_Stream(bmp)); // the general loader reads it
    QCOMPARE(target.Width(), 4);

    QVERIFY(parser.LoadStream(samplePng(), target));
    QCOMPARE(QSize(parser.Width(), parser.Height()), QSize(4, 3));
}

void TestImageLoading::streamRange()
{
    const QByteArray png = samplePng();
    const QByteArray wrapped = QByteArray("garbage") + png + QByteArray("trailing bytes");
    c32bppDIB dib;
    QVERIFY(dib.LoadPicture_Stream(wrapped, 0, 0, 7, png.size()));
    QCOMPARE(dib.Width(), 4);
    QVERIFY(dib.LoadPicture_Stream(QByteArray("garbage") + png, 0, 0, 7));
    QCOMPARE(dib.Height(), 3);
    QVERIFY(dib.LoadPicture_Stream(png + QByteArray("trailing"), 0, 0, -3, png.size()));
    QCOMPARE(dib.Width(), 4);
    QVERIFY(!dib.LoadPicture_Stream(wrapped));
}

void TestImageLoading::keptSourceBytes()
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
}

void TestImageLoading::decoderSwitchedOff()
{
    c32bppDIB dib;
    dib.setGDIplusEnabled(false);
    QVERIFY(!dib.LoadPicture_Stream(samplePng()));
    QVERIFY(!dib.LoadPicture_Resource(102, QStringLiteral("CUSTOM")));
    dib.setGDIplusEnabled(true);
    QVERIFY(dib.LoadPicture_Stream(samplePng()));
}

void TestImageLoading::resource_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariant>("section");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("alpha");
    QTest::newRow("banner") << 101 << QVariant(QStringLiteral("CUSTOM")) << true << QSize(595, 85) << 2;
    QTest::newRow("icon") << 102 << QVariant(QStringLiteral("CUSTOM")) << true << QSize(48, 48) << 2;
    QTest::newRow("placeholder") << 103 << QVariant(QStringLiteral("CUSTOM")) << true << QSize(120, 90) << 0;
    QTest::newRow("section in lower case") << 102 << QVariant(QStringLiteral("custom")) << true << QSize(48, 48) << 2;
    QTest::newRow("other section") << 102 << QVariant(QStringLiteral("BITMAP")) << false << QSize() << 0;
    QTest::newRow("missing resource") << 999 << QVariant(QStringLiteral("CUSTOM")) << false << QSize() << 0;
    QTest::newRow("numeric section: a picture") << 103 << QVariant(0) << true << QSize(120, 90) << 0;
}

void TestImageLoading::resource()
{
    QFETCH(int, id);
    QFETCH(QVariant, section);
    QFETCH(bool, loaded);
    QFETCH(QSize, size);
    QFETCH(int, alpha);
    c32bppDIB dib;
    QCOMPARE(dib.LoadPicture_Resource(id, section, 48, 48, 0, 0, 32), loaded);
    QCOMPARE(dib.Handle() != 0, loaded);
    if (!loaded)
        return;
    QCOMPARE(QSize(dib.Width(), dib.Height()), size);
    QCOMPARE(dib.Alpha(), alpha);
    QCOMPARE(dib.ImageType(), 10);
}

void TestImageLoading::missingResourceKeepsPicture()
{
    // The answer is whether a picture is held, and a missing resource does not clear one.
    c32bppDIB dib;
    QVERIFY(dib.InitializeDIB(595, 85));
    QVERIFY(dib.LoadPicture_Resource(999, QStringLiteral("CUSTOM")));
    QCOMPARE(dib.Width(), 595);
    QCOMPARE(dib.ImageType(), 0);
}

void TestImageLoading::clipboard()
{
    QClipboard *board = QGuiApplication::clipboard();
    board->setImage(sample(255));
    if (board->image().isNull())
        QSKIP("this platform keeps no clipboard");
    c32bppDIB dib;
    QVERIFY(dib.LoadPicture_ClipBoard());
    QCOMPARE(dib.GetPixel(3, 2), QColor(Qt::blue));
    board->clear();
    QVERIFY(!dib.LoadPicture_ClipBoard());
}

void TestImageLoading::programImageOverBackground_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QColor>("background");
    QTest::newRow("banner on a light window") << 101 << QSize(600, 90) << QColor(240, 240, 240);
    QTest::newRow("banner on white, cut by a small box") << 101 << QSize(300, 40) << QColor(Qt::white);
    QTest::newRow("icon on a light window") << 102 << QSize(48, 48) << QColor(236, 233, 216);
}

void TestImageLoading::programImageOverBackground()
{
    QFETCH(int, id);
    QFETCH(QSize, box);
    QFETCH(QColor, background);

    const QImage shown = RenderProgramImage(id, box, background);
    QCOMPARE(shown.size(), box);

    // The same picture composed by Qt alone: soft edges blend with the background.
    const QImage picture(QStringLiteral(":/clipvault/images/%1.png").arg(id));
    QImage expected(box, QImage::Format_ARGB32_Premultiplied);
    expected.fill(background);
    QPainter p(&expected);
    p.drawImage(0, 0, picture);
    p.end();

    int softEdge = 0;
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x) {
            const QRgb a = shown.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            QVERIFY2(std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1
                         && std::abs(qBlue(a) - qBlue(b)) <= 1,
                     qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            QCOMPARE(qAlpha(a), 255);
            const bool inside = x < picture.width() && y < picture.height();
            const int alpha = inside ? qAlpha(picture.pixel(x, y)) : 0;
            if (alpha == 0)
                QCOMPARE(a, background.rgb());
            else if (alpha < 255)
                ++softEdge;
        }
    }
    QVERIFY(softEdge > 0);
    QVERIFY(RenderProgramImage(id, QSize(0, 10), background).isNull());
}

QTEST_MAIN(TestImageLoading)
#include "tst_imageloading.moc"
