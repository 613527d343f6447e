#include "image/ProgramImages.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTest>

// The program's own pictures are shipped as resources in their stated formats and sizes.
class TestProgramImages final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resource_data();
    void resource();
    void unknownResourceIsEmpty();
};

void TestProgramImages::resource_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("hasAlpha");
    QTest::newRow("banner") << 101 << QByteArray("png") << QSize(595, 85) << true;
    QTest::newRow("icon") << 102 << QByteArray("png") << QSize(48, 48) << true;
    QTest::newRow("placeholder") << 103 << QByteArray("jpeg") << QSize(120, 90) << false;
}

void TestProgramImages::resource()
{
    QFETCH(int, id);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, hasAlpha);

    QByteArray bytes = ProgramImages::Resource(id);
    QVERIFY(!bytes.isEmpty());
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    QCOMPARE(image.hasAlphaChannel(), hasAlpha);
    if (hasAlpha) {
        // Soft edges: the corners are see-through, the middle is solid.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
    }
}

void TestProgramImages::unknownResourceIsEmpty()
{
    QVERIFY(ProgramImages::Resource(104).isEmpty());
    QVERIFY(ProgramImages::Resource(0).isEmpty());
}

QTEST_GUILESS_MAIN(TestProgramImages)
#include "tst_programimages.moc"
