#include "dialogs/frmMenu.h"
#include "image/MenuIcons.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QWidget>

// The popup menus' commands carry their pictures; separators carry none.
class TestFrmMenuIcons final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandPictures_data();
    void commandPictures();
    void separatorsHaveNoPicture();
};

void TestFrmMenuIcons::commandPictures_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("kind");
    using K = MenuIcons::Kind;
    QTest::newRow("start") << QStringLiteral("mnuStart") << int(K::Start);
    QTest::newRow("stop") << QStringLiteral("mnuStop") << int(K::Stop);
    QTest::newRow("remove selected") << QStringLiteral("mnuRemoveSelected") << int(K::Remove);
    QTest::newRow("remove finished") << QStringLiteral("mnuRemoveDownError") << int(K::RemoveFinished);
    QTest::newRow("copy address") << QStringLiteral("mnuCopyUrl") << int(K::CopyLink);
    QTest::newRow("save result image") << QStringLiteral("mnuSaveImage") << int(K::SaveImage);
    QTest::newRow("save thumbnail") << QStringLiteral("mnuPicBoxSave") << int(K::SaveImage);
}

void TestFrmMenuIcons::commandPictures()
{
    QFETCH(QString, action);
    QFETCH(int, kind);
    QWidget owner;
    frmMenu menus(&owner);
    QAction *item = nullptr;
    for (QMenu *popup : {menus.mnuPopup, menus.mnuPopupSearch, menus.mnuPopupImageSave})
        if (!item)
            item = popup->findChild<QAction *>(action);
    QVERIFY2(item, qPrintable(action));
    QVERIFY(!item->icon().isNull());
    const QImage shown = item->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(shown, MenuIcons::image(static_cast<MenuIcons::Kind>(kind)));
}

void TestFrmMenuIcons::separatorsHaveNoPicture()
{
    QWidget owner;
    frmMenu menus(&owner);
    int separators = 0;
    for (QMenu *popup : {menus.mnuPopup, menus.mnuPopupSearch, menus.mnuPopupImageSave}) {
        for (QAction *a : popup->actions()) {
            if (a->isSeparator()) {
                ++separators;
                QVERIFY(a->icon().isNull());
            }
        }
    }
    QCOMPARE(separators, 4);
}

QTEST_MAIN(TestFrmMenuIcons)
#include "tst_frmmenuicons.moc"
