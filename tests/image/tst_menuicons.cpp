#include "image/MenuIcons.h"

#include <QSet>
#include <QTest>

// The menu and download-state pictures: drawn at the asked size on a clear background, each one
// different, and nothing for an unknown state.
class TestMenuIcons final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictures();
};

void TestMenuIcons::pictures()
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

QTEST_MAIN(TestMenuIcons)
#include "tst_menuicons.moc"
