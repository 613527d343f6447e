#include "dialogs/frmAbout.h"

#include "support/SeamRecorder.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

// The About box: one modeless instance per owner, its texts and icon, the links opened through
// the shell seam, and the underline that follows the pointer.
class TestFrmAbout final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void singleInstance();
    void okClosesAndForgets();
    void controls_data();
    void controls();
    void texts();
    void icon();
    void linkClicks_data();
    void linkClicks();
    void hoverUnderline_data();
    void hoverUnderline();

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

void click(QWidget *widget, QPoint pressAt, QPoint releaseAt, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonPress, pressAt, button);
    sendMouse(widget, QEvent::MouseButtonRelease, releaseAt, button);
}

} // namespace

void TestFrmAbout::cleanup()
{
    if (frmAbout *box = frmAbout::instance())
        box->close();
    QTRY_VERIFY(!frmAbout::instance());
}

void TestFrmAbout::singleInstance()
{
    QVERIFY(!frmAbout::instance());
    frmAbout *first = frmAbout::showFor(&m_owner);
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QVERIFY(!first->isModal());
    QCOMPARE(first->parentWidget(), &m_owner);
    QCOMPARE(first->windowTitle(), QStringLiteral("About Clipvault"));
    QCOMPARE(frmAbout::showFor(&m_owner), first);
    QCOMPARE(m_owner.findChildren<frmAbout *>().size(), 1);
    QCOMPARE(frmAbout::instance(), first);
}

void TestFrmAbout::okClosesAndForgets()
{
    QPointer<frmAbout> box = frmAbout::showFor(&m_owner);
    QTest::mouseClick(box->cmOK, Qt::LeftButton);
    QTRY_VERIFY(!box); // deleted on close
    QVERIFY(!frmAbout::instance());
    frmAbout *again = frmAbout::showFor(&m_owner);
    QVERIFY(again);
    QVERIFY(again->isVisible());
}

void TestFrmAbout::controls_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"lblName", "lblVersion", "Picture1", "lblHyperlink", "lblHyperlinkMail", "Label3",
                             "Label1", "Label2", "Line1", "Line2", "cmOK"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestFrmAbout::controls()
{
    QFETCH(QString, name);
    frmAbout *box = frmAbout::showFor(&m_owner);
    QWidget *control = box->findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QVERIFY(control->isVisible());
    QVERIFY(!control->accessibleName().isEmpty());
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), control->accessibleName());
}

void TestFrmAbout::texts()
{
    frmAbout *box = frmAbout::showFor(&m_owner);
    QCOMPARE(box->lblName->text(), QStringLiteral("Clipvault"));
    QVERIFY(box->lblName->font().bold());
    QCOMPARE(box->lblName->font().pointSizeF(), 20.25);
    QCOMPARE(box->lblName->font().styleHint(), QFont::Serif);
    const QString version = QStringLiteral("Version %1.%2.%3")
                                .arg(CLIPVAULT_VERSION_MAJOR)
                                .arg(CLIPVAULT_VERSION_MINOR)
                                .arg(CLIPVAULT_VERSION_REVISION);
    QCOMPARE(box->lblVersion->text(), version);
    QVERIFY(box->lblVersion->font().bold());
    QCOMPARE(box->Label3->text(), QStringLiteral("Found a bug?"));
    QCOMPARE(box->cmOK->text(), QStringLiteral("OK"));
    QVERIFY(!box->Label1->text().isEmpty());
    QCOMPARE(box->Line1->frameShape(), QFrame::HLine);

    for (QLabel *link : {box->lblHyperlink, box->lblHyperlinkMail}) {
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(link->toolTip(), link->text());
        QVERIFY(!link->font().underline());
    }
    QCOMPARE(box->lblHyperlink->text(), frmAbout::homePage());
    QCOMPARE(box->lblHyperlinkMail->text(), frmAbout::mailAddress());
    // The mail link sits under "Found a bug?".
    QVERIFY(box->lblHyperlinkMail->geometry().top() >= box->Label3->geometry().bottom());
}

void TestFrmAbout::icon()
{
    frmAbout *box = frmAbout::showFor(&m_owner);
    const QImage shown = box->Picture1->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(48, 48));
    const QImage original(QStringLiteral(":/clipvault/images/102.png"));
    QVERIFY(!original.isNull());
    // Opaque middle as drawn, clear corners filled with the dialog's background.
    QCOMPARE(QColor(shown.pixel(24, 24)), QColor(original.pixel(24, 24)));
    QCOMPARE(qAlpha(original.pixel(0, 0)), 0);
    QCOMPARE(QColor(shown.pixel(0, 0)), box->palette().color(QPalette::Window));
}

void TestFrmAbout::linkClicks_data()
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

void TestFrmAbout::linkClicks()
{
    QFETCH(bool, mail);
    QFETCH(int, button);
    QFETCH(bool, releaseOutside);
    QFETCH(QString, opened);

    SeamRecorder seam;
    frmAbout *box = frmAbout::showFor(&m_owner);
    QLabel *link = mail ? box->lblHyperlinkMail : box->lblHyperlink;
    const QPoint inside = link->rect().center();
    click(link, inside, releaseOutside ? QPoint(-5, -5) : inside, static_cast<Qt::MouseButton>(button));
    const auto opens = seam.callsOf(UiSeam::Kind::ShellOpen);
    if (opened.isEmpty()) {
        QVERIFY(opens.isEmpty());
    } else {
        QCOMPARE(opens.size(), 1);
        QCOMPARE(opens.first().text, opened);
    }
    QVERIFY(seam.callsOf(UiSeam::Kind::MessageBox).isEmpty());
    QVERIFY(box->isVisible());
}

void TestFrmAbout::hoverUnderline_data()
{
    QTest::addColumn<bool>("mail");
    QTest::newRow("home page") << false;
    QTest::newRow("mail") << true;
}

void TestFrmAbout::hoverUnderline()
{
    QFETCH(bool, mail);
    frmAbout *box = frmAbout::showFor(&m_owner);
    QLabel *link = mail ? box->lblHyperlinkMail : box->lblHyperlink;
    QLabel *other = mail ? box->lblHyperlink : box->lblHyperlinkMail;

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

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
