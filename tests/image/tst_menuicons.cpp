#include "image/MenuIcons.h"

#include <QSet>
#include <QTest>

// The menu and download-state pictures: drawn at the asked size on a clear background, each one
// different, and nothing for an unknown state.
class TestMenuIcons final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictures_data();
    void pictures();
    void allDifferent();
};

void TestMenuIcons::pictures_data()
{
    QTest::addColumn<int>("kind"); // a menu command, or -1 for a download state
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("drawn");
    for (int kind = MenuIcons::Start; kind <= MenuIcons::About; ++kind)
        QTest::addRow("command %d", kind) << kind << 0 << true;
    for (int state = -1; state <= 5; ++state)
        QTest::addRow("state %d", state) << -1 << state << (state >= 1 && state <= 4);
}

void TestMenuIcons::pictures()
{
    QFETCH(int, kind);
    QFETCH(int, state);
    QFETCH(bool, drawn);
    const auto k = static_cast<MenuIcons::Kind>(kind);
    const QImage image = kind >= 0 ? MenuIcons::image(k) : MenuIcons::stateImage(state);
    QCOMPARE(!image.isNull(), drawn);
    QCOMPARE(!(kind >= 0 ? MenuIcons::icon(k) : MenuIcons::stateIcon(state)).isNull(), drawn);
    if (!drawn)
        return;
    QCOMPARE(image.size(), QSize(16, 16));
    // Something is drawn, but not a filled square: the background stays clear.
    int covered = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    QVERIFY2(covered > 20 && covered < 16 * 16, qPrintable(QString::number(covered)));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    if (kind >= 0) {
        QCOMPARE(MenuIcons::image(k, 32).size(), QSize(32, 32));
        QVERIFY(MenuIcons::image(k, 0).isNull());
        QCOMPARE(MenuIcons::icon(k).availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
    }
}

void TestMenuIcons::allDifferent()
{
    QSet<QByteArray> seen;
    auto add = [&seen](const QImage &image) {
        seen.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
    };
    for (int kind = MenuIcons::Start; kind <= MenuIcons::About; ++kind)
        add(MenuIcons::image(static_cast<MenuIcons::Kind>(kind)));
    for (int state = 1; state <= 4; ++state)
        add(MenuIcons::stateImage(state));
    QCOMPARE(seen.size(), 12);
}

QTEST_MAIN(TestMenuIcons)
#include "tst_menuicons.moc"
