#include "controls/LinkLabel.h"
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
    void aboutLinksFromTheKeyboard_data();
    void aboutLinksFromTheKeyboard();
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

    // What a screen reader says of each control: a label's name is the text it shows, a link is a
    // link named by its address, the picture and the lines have names of their own.
    const auto controls = box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 11);
    for (QWidget *control : controls) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
        const QString name = accessible->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
        const auto *label = qobject_cast<QLabel *>(control);
        if (label && !label->text().isEmpty())
            QCOMPARE(name, label->text());
        QCOMPARE(accessible->role() == QAccessible::Link, qobject_cast<LinkLabel *>(control) != nullptr);
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(box->lblName)->text(QAccessible::Name), QStringLiteral("Clipvault"));

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

void TestDialogs::aboutLinksFromTheKeyboard_data()
{
    QTest::addColumn<int>("tabs"); // from the OK button, which holds the focus at first
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("opened"); // empty: nothing opened
    QTest::newRow("home page, Return") << 1 << int(Qt::Key_Return) << QStringLiteral("http://clipvault.example.org/");
    QTest::newRow("home page, Space") << 1 << int(Qt::Key_Space) << QStringLiteral("http://clipvault.example.org/");
    QTest::newRow("mail, Enter") << 2 << int(Qt::Key_Enter) << QStringLiteral("mailto:support@clipvault.example.org");
    QTest::newRow("mail, a letter") << 2 << int(Qt::Key_A) << QString();
}

void TestDialogs::aboutLinksFromTheKeyboard()
{
    QFETCH(int, tabs);
    QFETCH(int, key);
    QFETCH(QString, opened);
    SeamRecorder seam;
    frmAbout *box = frmAbout::showFor(&m_owner);
    QVERIFY(QTest::qWaitForWindowActive(box)); // Tab moves the focus in the active window only
    QCOMPARE(box->focusWidget(), box->cmOK);
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
    QWidget *link = box->focusWidget();
    QCOMPARE(link, tabs == 1 ? box->lblHyperlink : box->lblHyperlinkMail);
    QTest::keyClick(link, Qt::Key(key));
    QStringList texts;
    for (const auto &call : seam.callsOf(UiSeam::Kind::ShellOpen))
        texts << call.text;
    QCOMPARE(texts, opened.isEmpty() ? QStringList() : QStringList{opened});

    // A screen reader presses the same link through its action.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(link);
    QVERIFY(accessible->actionInterface());
    QVERIFY(accessible->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(seam.callsOf(UiSeam::Kind::ShellOpen).size(), texts.size() + 1);
    QCOMPARE(seam.callsOf(UiSeam::Kind::ShellOpen).last().text,
             tabs == 1 ? frmAbout::homePage() : QStringLiteral("mailto:") + frmAbout::mailAddress());
    QCOMPARE(accessible->text(QAccessible::Description), static_cast<QLabel *>(link)->toolTip());

    // Past the last link, the focus comes back to OK.
    for (int i = tabs; i < 3; ++i)
        QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
    QCOMPARE(box->focusWidget(), box->cmOK);
}

void TestDialogs::menuPictures()
{
    using K = MenuIcons::Kind;
    const QList<std::pair<const char *, K>> commands{
        {"mnuStart", K::Start},      {"mnuStop", K::Stop},         {"mnuRemoveSelected", K::Remove},
        {"mnuRemoveDownError", K::RemoveFinished}, {"mnuCopyUrl", K::CopyLink}, {"mnuSaveImage", K::SaveImage},
        {"mnuPicBoxSave", K::SaveImage}, {"mnuStartAll", K::Start}, {"mnuStopAll", K::Stop}};
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
    QCOMPARE(separators, 7);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
