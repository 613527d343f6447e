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
#include <QGuiApplication>
#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

// Loading pictures into the image surface: the alpha classification, the stream rules, the PNG
// front end, the program's resources, the windows' drawing of the program's pictures and the
// menus' pictures.
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

QByteArray samplePng() { return encode(sample(255), "PNG"); }

// What a load does, when it does not load a picture of alpha class 0, 1 or 2.
enum Outcome { KeepsPicture = -2, EmptiesPicture = -1 };

} // namespace

class TestImageLoading final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alphaClass_data()
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
            << pixels({{50, 100, 255, 128}}) << 1 << pixels({{25, 50, 128, 128}});
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

    void sourceBytesAndDecoderSwitch()
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
    }

    void resource_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QVariant>("section");
        QTest::addColumn<QSize>("size"); // invalid: nothing loaded
        QTest::addColumn<int>("alpha");
        const QVariant custom(QStringLiteral("CUSTOM"));
        QTest::newRow("banner") << 101 << custom << QSize(595, 85) << 2;
        QTest::newRow("icon") << 102 << custom << QSize(48, 48) << 2;
        QTest::newRow("placeholder") << 103 << custom << QSize(120, 90) << 0;
        QTest::newRow("section in lower case") << 102 << QVariant(QStringLiteral("custom")) << QSize(48, 48) << 2;
        QTest::newRow("other section") << 102 << QVariant(QStringLiteral("BITMAP")) << QSize() << 0;
        QTest::newRow("missing resource") << 999 << custom << QSize() << 0;
        QTest::newRow("numeric section: a picture") << 103 << QVariant(0) << QSize(120, 90) << 0;
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

    void clipboard()
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
                QVERIFY2(alpha == 0 ? a == background.rgb()
                                    : qAlpha(a) == 255 && std::abs(qRed(a) - qRed(b)) <= 1
                                          && std::abs(qGreen(a) - qGreen(b)) <= 1 && std::abs(qBlue(a) - qBlue(b)) <= 1,
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }
        QVERIFY(softEdge > 0);
    }

    void thumbnailSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("kept"); // empty: refused

        QTest::newRow("large, scaled while read") << QSize(2400, 1800) << QSize(120, 90);
        QTest::newRow("wide, shape kept") << QSize(1200, 300) << QSize(120, 30);
        QTest::newRow("small, not enlarged") << QSize(60, 45) << QSize(60, 45);
        QTest::newRow("over 8 megapixels") << QSize(3000, 3000) << QSize(0, 0);
        QTest::newRow("a side over 8192") << QSize(8200, 1000) << QSize(0, 0);
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
        for (int state : {-1, 0, 6}) {
            QVERIFY(MenuIcons::stateImage(state).isNull());
            QVERIFY(MenuIcons::stateIcon(state).isNull());
        }

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

QTEST_MAIN(TestImageLoading)
#include "tst_imageloading.moc"
