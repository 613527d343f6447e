#include "image/MenuIcons.h"

#include <QSet>
#include <QTest>

// The menu and download-state pictures: drawn at the asked size on a clear background, each one
// different, and nothing for an unknown state.
class TestMenuIcons final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuPictures_data();
    void menuPictures();
    void allDifferent();
    void states_data();
    void states();
};

namespace {

// Counts the pixels that are at least partly covered.
int coveredPixels(const QImage &image)
{
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return covered;
}

} // namespace

void TestMenuIcons::menuPictures_data()
{
    QTest::addColumn<int>("kind");
    const char *names[] = {"start", "stop", "remove", "remove finished", "copy link", "save image", "exit", "about"};
    for (int i = 0; i < 8; ++i)
        QTest::newRow(names[i]) << i;
}

void TestMenuIcons::menuPictures()
{
    QFETCH(int, kind);
    const auto k = static_cast<MenuIcons::Kind>(kind);
    const QImage small = MenuIcons::image(k);
    QCOMPARE(small.size(), QSize(16, 16));
    QVERIFY(small.hasAlphaChannel());
    // Something is drawn, but not a filled square: the background stays clear.
    const int covered = coveredPixels(small);
    QVERIFY2(covered > 20, qPrintable(QString::number(covered)));
    QVERIFY2(covered < 16 * 16, qPrintable(QString::number(covered)));
    QCOMPARE(qAlpha(small.pixel(0, 0)), 0);

    QCOMPARE(MenuIcons::image(k, 32).size(), QSize(32, 32));
    QVERIFY(MenuIcons::image(k, 0).isNull());

    const QIcon icon = MenuIcons::icon(k);
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
}

void TestMenuIcons::allDifferent()
{
    QSet<QByteArray> seen;
    for (int i = 0; i < 8; ++i) {
        const QImage image = MenuIcons::image(static_cast<MenuIcons::Kind>(i));
        seen.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
    }
    for (int s = 1; s <= 4; ++s) {
        const QImage image = MenuIcons::stateImage(s);
        seen.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
    }
    QCOMPARE(seen.size(), 12);
}

void TestMenuIcons::states_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("none") << 0 << false;
    QTest::newRow("downloading") << 1 << true;
    QTest::newRow("downloaded") << 2 << true;
    QTest::newRow("stopped") << 3 << true;
    QTest::newRow("error") << 4 << true;
    QTest::newRow("beyond") << 5 << false;
    QTest::newRow("negative") << -1 << false;
}

void TestMenuIcons::states()
{
    QFETCH(int, state);
    QFETCH(bool, drawn);
    const QImage image = MenuIcons::stateImage(state);
    QCOMPARE(!image.isNull(), drawn);
    QCOMPARE(!MenuIcons::stateIcon(state).isNull(), drawn);
    if (drawn) {
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QVERIFY(coveredPixels(image) > 40);
    }
}

QTEST_MAIN(TestMenuIcons)
#include "tst_menuicons.moc"
