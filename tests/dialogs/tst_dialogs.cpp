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

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::NoButton)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

// The About box (one modeless instance per owner, version, icon, links opened through the shell
// seam, the underline that follows the pointer) and the popup menus' pictures.
class TestDialogs final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        if (frmAbout *box = frmAbout::instance())
            box->close();
        QTRY_VERIFY(!frmAbout::instance());
    }

    // One modeless box per owner, its version, what a screen reader says of it, its icon; OK closes
    // and deletes it.
    void aboutContents()
    {
        QPointer<frmAbout> box = frmAbout::showFor(&m_owner);
        QVERIFY(box && box->isVisible() && !box->isModal());
        QCOMPARE(frmAbout::showFor(&m_owner), box.data());
        QCOMPARE(m_owner.findChildren<frmAbout *>().size(), 1);
        QCOMPARE(box->lblVersion->text(), QStringLiteral("Version %1.%2.%3")
                                              .arg(CLIPVAULT_VERSION_MAJOR).arg(CLIPVAULT_VERSION_MINOR).arg(CLIPVAULT_VERSION_REVISION));

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

        QTest::mouseClick(box->cmOK, Qt::LeftButton);
        QTRY_VERIFY(!box);
        QVERIFY(!frmAbout::instance());
    }

    // A link opens through the shell when clicked with the left button (and released on it) or
    // when it has the focus and Return, Enter or Space is pressed.
    void aboutLinks_data()
    {
        QTest::addColumn<bool>("mail"); // else the home page
        QTest::addColumn<int>("key"); // 0: the mouse button below, released on the link or (negative) outside
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("opened"); // empty: nothing opened
        const QString home = QStringLiteral("http://clipvault.example.org/"), mail = QStringLiteral("mailto:support@clipvault.example.org");
        QTest::newRow("home page, clicked") << false << 0 << int(Qt::LeftButton) << home;
        QTest::newRow("mail, clicked") << true << 0 << int(Qt::LeftButton) << mail;
        QTest::newRow("released elsewhere") << false << 0 << -int(Qt::LeftButton) << QString();
        QTest::newRow("right button") << true << 0 << int(Qt::RightButton) << QString();
        QTest::newRow("home page, Return") << false << int(Qt::Key_Return) << 0 << home;
        QTest::newRow("home page, Space") << false << int(Qt::Key_Space) << 0 << home;
        QTest::newRow("mail, Enter") << true << int(Qt::Key_Enter) << 0 << mail;
        QTest::newRow("mail, a letter") << true << int(Qt::Key_A) << 0 << QString();
    }
    void aboutLinks()
    {
        QFETCH(bool, mail);
        QFETCH(int, key);
        QFETCH(int, button);
        QFETCH(QString, opened);
        SeamRecorder seam;
        frmAbout *box = frmAbout::showFor(&m_owner);
        QLabel *link = mail ? box->lblHyperlinkMail : box->lblHyperlink;
        if (key) {
            QVERIFY(QTest::qWaitForWindowActive(box)); // Tab moves the focus in the active window only
            QCOMPARE(box->focusWidget(), box->cmOK);
            for (int i = 0; i < (mail ? 2 : 1); ++i)
                QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
            QCOMPARE(box->focusWidget(), link);
            QTest::keyClick(link, Qt::Key(key));
        } else {
            const QPoint inside = link->rect().center();
            sendMouse(link, QEvent::MouseButtonPress, inside, Qt::MouseButton(std::abs(button)));
            sendMouse(link, QEvent::MouseButtonRelease, button < 0 ? QPoint(-5, -5) : inside, Qt::MouseButton(std::abs(button)));
        }
        QStringList texts;
        for (const auto &call : seam.callsOf(UiSeam::Kind::ShellOpen))
            texts << call.text;
        QCOMPARE(texts, opened.isEmpty() ? QStringList() : QStringList{opened});
        QVERIFY(seam.callsOf(UiSeam::Kind::MessageBox).isEmpty());
        QVERIFY(box->isVisible());

        // A screen reader presses the same link through its action.
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(link);
        QVERIFY(accessible->actionInterface());
        QVERIFY(accessible->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(seam.callsOf(UiSeam::Kind::ShellOpen).size(), texts.size() + 1);
        QCOMPARE(seam.callsOf(UiSeam::Kind::ShellOpen).last().text,
                 mail ? QStringLiteral("mailto:") + frmAbout::mailAddress() : frmAbout::homePage());
        QCOMPARE(accessible->text(QAccessible::Description), link->toolTip());

        // Past the last link, the focus comes back to OK.
        for (int i = mail ? 2 : 1; key && i < 3; ++i)
            QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
        if (key)
            QCOMPARE(box->focusWidget(), box->cmOK);
    }

    void aboutHoverUnderline()
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

    void menuPictures()
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

private:
    QWidget m_owner;
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
