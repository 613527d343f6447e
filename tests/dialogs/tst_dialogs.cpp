#include "dialogs/frmAbout.h"
#include "dialogs/frmMenu.h"
#include "image/BannerRender.h"
#include "image/MenuIcons.h"

#include "support/SeamRecorder.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

// The About box (one modeless instance per owner, version, icon, links opened through the shell
// seam, the underline that follows the pointer) and the popup menus' pictures.
class TestDialogs final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void aboutSingleInstance();
    void aboutContents();
    void aboutLinkClicks_data();
    void aboutLinkClicks();
    void aboutHoverUnderline();
    void menuPictures();

private:
    QWidget m_owner;
};

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::NoButton)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void TestDialogs::cleanup()
{
    if (frmAbout *box = frmAbout::instance())
        box->close();
    QTRY_VERIFY(!frmAbout::instance());
}

void TestDialogs::aboutSingleInstance()
{
    QPointer<frmAbout> first = frmAbout::showFor(&m_owner);
    QVERIFY(first && first->isVisible());
    QVERIFY(!first->isModal());
    QCOMPARE(first->parentWidget(), &m_owner);
    QCOMPARE(frmAbout::showFor(&m_owner), first);
    QCOMPARE(m_owner.findChildren<frmAbout *>().size(), 1);

    // OK closes and deletes the box; the next call opens a new one.
    QTest::mouseClick(first->cmOK, Qt::LeftButton);
    QTRY_VERIFY(!first);
    QVERIFY(!frmAbout::instance());
    frmAbout *again = frmAbout::showFor(&m_owner);
    QVERIFY(again && again->isVisible());
}

void TestDialogs::aboutContents()
{
    frmAbout *box = frmAbout::showFor(&m_owner);
    QCOMPARE(box->lblVersion->text(), QStringLiteral("Version %1.%2.%3")
                                          .arg(CLIPVAULT_VERSION_MAJOR)
                                          .arg(CLIPVAULT_VERSION_MINOR)
                                          .arg(CLIPVAULT_VERSION_REVISION));

    // Every control can be told apart by a screen reader.
    const auto controls = box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 11);
    for (QWidget *control : controls) {
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), control->accessibleName());
    }

    // The icon, drawn over the dialog's own background.
    QCOMPARE(box->Picture1->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
             RenderProgramImage(102, QSize(48, 48), box->palette().color(QPalette::Window)));
}

void TestDialogs::aboutLinkClicks_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("releaseOutside");
    QTest::addColumn<QString>("opened");
    QTest::newRow("home page") << false << int(Qt::LeftButton) << false << QStringLiteral("http://clipvault.example.org/");
    QTest::newRow("mail") << true << int(Qt::LeftButton) << false << QStringLiteral("mailto:support@clipvault.example.org");
    QTest::newRow("released elsewhere") << false << int(Qt::LeftButton) << true << QString();
    QTest::newRow("right button") << true << int(Qt::RightButton) << false << QString();
}

void TestDialogs::aboutLinkClicks()
{
    QFETCH(bool, mail);
    QFETCH(int, button);
    QFETCH(bool, releaseOutside);
    QFETCH(QString, opened);

    SeamRecorder seam;
    frmAbout *box = frmAbout::showFor(&m_owner);
    QLabel *link = mail ? box->lblHyperlinkMail : box->lblHyperlink;
    const QPoint inside = link->rect().center();
    sendMouse(link, QEvent::MouseButtonPress, inside, Qt::MouseButton(button));
    sendMouse(link, QEvent::MouseButtonRelease, releaseOutside ? QPoint(-5, -5) : inside, Qt::MouseButton(button));
    const auto opens = seam.callsOf(UiSeam::Kind::ShellOpen);
    QCOMPARE(opens.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(opens.first().text, opened);
    QVERIFY(seam.callsOf(UiSeam::Kind::MessageBox).isEmpty());
    QVERIFY(box->isVisible());
}

void TestDialogs::aboutHoverUnderline()
{
    frmAbout *box = frmAbout::showFor(&m_owner);
    for (bool mail : {false, true}) {
        QLabel *link = mail ? box->lblHyperlinkMail : box->lblHyperlink;
        QLabel *other = mail ? box->lblHyperlink : box->lblHyperlinkMail;
        QVERIFY(!link->font().underline());
        sendMouse(link, QEvent::MouseMove, link->rect().center());
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!other->font().underline());

        // Onto the dialog's background: no underline, ordinary pointer.
        sendMouse(box, QEvent::MouseMove, QPoint(2, box->height() - 2));
        QVERIFY(!link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::ArrowCursor);

        // Leaving the label for another control also takes the underline away.
        sendMouse(link, QEvent::MouseMove, link->rect().center());
        QVERIFY(link->font().underline());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QVERIFY(!link->font().underline());
    }
}

void TestDialogs::menuPictures()
{
    using K = MenuIcons::Kind;
    const QList<std::pair<const char *, K>> commands{
        {"mnuStart", K::Start},      {"mnuStop", K::Stop},         {"mnuRemoveSelected", K::Remove},
        {"mnuRemoveDownError", K::RemoveFinished}, {"mnuCopyUrl", K::CopyLink}, {"mnuSaveImage", K::SaveImage},
        {"mnuPicBoxSave", K::SaveImage}};
    frmMenu menus(&m_owner);
    const QList<QMenu *> popups{menus.mnuPopup, menus.mnuPopupSearch, menus.mnuPopupImageSave};
    for (const auto &[name, kind] : commands) {
        QAction *item = nullptr;
        for (QMenu *popup : popups)
            item = item ? item : popup->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY2(item, name);
        const QImage shown = item->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY2(shown == MenuIcons::image(kind), name);
    }
    int separators = 0;
    for (QMenu *popup : popups) {
        for (QAction *a : popup->actions()) {
            separators += a->isSeparator() ? 1 : 0;
            QVERIFY(!a->isSeparator() || a->icon().isNull());
        }
    }
    QCOMPARE(separators, 4);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
