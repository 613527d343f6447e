// The video panel driven for real: pages, thumbnails and related thumbnails come over HTTP from
// the demo site; messages and dialogs are answered by the seam recorder. Then the preview tab,
// whose web view plays the demo site's embed page.

#include "videoinfo/PageText.h"
#include "analysis/PreviewPanel.h"
#include "analysis/ThumbnailBox.h"
#include "PanelChecks.h"
#include "base/AppState.h"
#include "base/Settings.h"
#include "controls/ucFormattedLabel.h"
#include "demosite/catalogue.h"
#include "dialogs/frmMenu.h"
#include "image/PictureFromBytes.h"
#include "support/DemoSite.h"

#include <QAccessible>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifdef CLIPVAULT_HAVE_WEBENGINE
#include <QWebEngineView>
#endif

namespace {

const QString Waiting = QStringLiteral("Clipvault - Downloading information from YouTube. Please wait...");
// The details of the video with all six encodings, as the panel shows them.
const QStringList SunsetDetails{"Sunset at Crescent Beach", "shorelinefilms", "March 3, 2010", "3:32",
                                "4.85 / 5   (1,234 votes)", "1,234,567"};

const demosite::Video &video(std::string_view id) { return *demosite::findVideo(id); }

// An ordinary video that shares no thumbnail with `a`: neither its own nor a related one.
const demosite::Video &unrelatedTo(const demosite::Video &a)
{
    std::vector<const demosite::Video *> taken = demosite::relatedVideos(a);
    taken.push_back(&a);
    const auto isTaken = [&](const demosite::Video *v) { return std::find(taken.begin(), taken.end(), v) != taken.end(); };
    for (const demosite::Video *b : demosite::ordinaryVideos()) {
        const std::vector<const demosite::Video *> related = demosite::relatedVideos(*b);
        if (!isTaken(b) && std::none_of(related.begin(), related.end(), isTaken))
            return *b;
    }
    Q_ASSERT(false);
    return a;
}

// The one message box shown, as "style|title|text", matches the pattern ("*" for any text).
bool showedOnly(const SeamRecorder &seam, const QString &pattern)
{
    const QList<UiSeam::Call> boxes = seam.callsOf(UiSeam::Kind::MessageBox);
    const QRegularExpression expected(QRegularExpression::wildcardToRegularExpression(pattern));
    return boxes.size() == 1 &&
           expected.match(QStringLiteral("%1|%2|%3").arg(boxes.first().style).arg(boxes.first().title, boxes.first().text))
               .hasMatch();
}

} // namespace

class TestVideoPanel : public QObject
{
    Q_OBJECT

private:
    DemoSite m_site;
    QTemporaryDir m_appDir;
    QTemporaryDir m_extraDir;

    bool loadId(VideoPanel &panel, std::string_view id) { return LoadPage(panel, m_site.watchUrl(q(id))); }
    // A watch page of the test's own, served from the site's extra folder.
    void writePage(const QString &id, const QString &text)
    {
        QFile file(m_extraDir.filePath(QStringLiteral("watch/%1.html").arg(id)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_appDir.isValid());
        QVERIFY(m_extraDir.isValid());
        AppState::setAppPath(m_appDir.path());
        QVERIFY(QDir(m_extraDir.path()).mkpath(QStringLiteral("watch")));
        QVERIFY(m_site.start({QStringLiteral("--extra"), m_extraDir.path()}));
        new frmMenu(nullptr); // the popup menus, loaded once as the main window does
    }

    void cleanup() { m_site.clear(); }

    // Every field of a page, and what a screen reader hears of it: each value label says the value
    // it shows, the description its text without markup, the pictures what they are.
    void everyField()
    {
        auto &&[seam, panel, tabs] = Shown();
        const demosite::Video &v = video(demosite::ids::allSix);
        for (QWidget *w : panel.findChildren<QWidget *>()) {
            if (w->inherits("QLabel") || w->inherits("QGroupBox") || w->inherits("ucFormattedLabel"))
                continue; // these name themselves by their text
            if (w->objectName().startsWith(QLatin1String("qt_")) || w->parentWidget()->objectName().startsWith(QLatin1String("qt_")))
                continue; // a list's own parts speak through the list
            QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        }
        QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("lblRatingCaption"))->buddy(), panel.lblRating);

        // One character short of an identifier: nothing is fetched.
        panel.loadAddress(m_site.watchUrl(q(v.id)).chopped(1));
        QVERIFY(panel.windowTitle().isEmpty() && panel.DownloadPage->RunningCount() == 0);
        QSignalSpy done(panel.DownloadPage, &Downloader::Complete);
        panel.loadAddress(m_site.watchUrl(q(v.id)));
        QCOMPARE(panel.windowTitle(), Waiting);
        QVERIFY(done.wait(15000));
        QCOMPARE(panel.windowTitle(), QStringLiteral("Clipvault"));
        QVERIFY(seam.calls.isEmpty());

        QCOMPARE(Details(panel), SunsetDetails);
        // The page's "&lt;b&gt;" comes back as "<b>" and is read as markup by the label.
        QCOMPARE(panel.lblDescription->Caption(),
                 QStringLiteral("<b>Description:</b> Filmed at Crescent Beach on a calm evening. Music:  ambient "
                                "loops  by  Low Tide . Tip: write <b> for bold."));
        QVERIFY(panel.lblDescription->PlainText().startsWith(QStringLiteral("Description: Filmed at")));
        QCOMPARE(panel.videoTitle(), panel.lblTitle->text());
        QCOMPARE(panel.videoId(), q(v.id));

        QCOMPARE(EnabledSlots(panel), QStringLiteral("0,1,2,3,4,5"));
        QCOMPARE(panel.selectedFormat(), 5);
        const int codes[] = {5, 34, 35, 18, 22, 37};
        for (int slot = 0; slot < FormatTable::Count; ++slot)
            QCOMPARE(panel.formatLink(slot), m_site.root() + QStringLiteral("/media/%1/%2").arg(q(v.id)).arg(codes[slot]));
        QVERIFY(panel.cmdDownload->isEnabled() && panel.cmdPreview->isEnabled());
        QCOMPARE(tabs, QList<QVariantList>{{1}});
        // Enter fetches the same page again.
        QTest::keyClick(panel.txtYouTube, Qt::Key_Return);
        QCOMPARE(panel.windowTitle(), Waiting);
        QVERIFY(done.wait(15000));
        QCOMPARE(m_site.requestLog().count(QStringLiteral("/watch?v=") + q(v.id)), 2);

        const auto heard = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
        for (QLabel *value : {panel.lblTitle, panel.lblAuthor, panel.lblPublished, panel.lblDuration, panel.lblRating,
                              panel.lblViews})
            QCOMPARE(heard(value), value->text());
        QCOMPARE(heard(panel.lblDescription), panel.lblDescription->PlainText());
        QCOMPARE(heard(panel.picTitle), QStringLiteral("Thumbnail"));
        QVERIFY(!panel.picTitle->accessibleDescription().isEmpty());
        for (int k = 0; k < 6; ++k)
            QCOMPARE(heard(panel.picRelated[k]), QStringLiteral("Related video %1").arg(k + 1));

        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
        QCOMPARE(panel.picTitle->picture().size(), QSize(120, 90));

        QSignalSpy download(&panel, &VideoPanel::downloadRequested);
        QSignalSpy preview(&panel, &VideoPanel::previewRequested);
        QTest::mouseClick(panel.cmdDownload, Qt::LeftButton);
        QTest::mouseClick(panel.cmdPreview, Qt::LeftButton);
        QCOMPARE(download.size(), 1);
        QCOMPARE(preview, QList<QVariantList>{{m_site.watchUrl(q(v.id))}});

        // A new address resets the panel; the kept links stay, behind disabled buttons.
        panel.loadAddress(QStringLiteral("not an address"));
        QCOMPARE(EnabledSlots(panel), QString());
        QVERIFY(!panel.cmdDownload->isEnabled() && !panel.cmdPreview->isEnabled());
        QCOMPARE(Details(panel), QStringList(6, QString()));
        QVERIFY(!panel.picTitle->hasPicture());
        QCOMPARE(panel.lblDescription->Caption(), QStringLiteral("<b>Description:</b>"));
        QCOMPARE(panel.formatLink(0), m_site.root() + QStringLiteral("/media/%1/5").arg(q(v.id)));
        QCOMPARE(panel.DownloadPage->RunningCount(), 0);
    }

    // A page with trouble, shown after another: one message box, as "style|title|text" ("*" for any
    // text). Without usable links the panel shows nothing; a duration that is no number stops the
    // reading there: the details read before it are the new page's, those from it on the earlier
    // video's.
    void pageWithMessage_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("failingPath");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<QStringList>("details"); // empty: none shown
        const QString noLinks = QStringLiteral("48|No links|Sorry. No download links found on this page. ");
        const QString trapped = QStringLiteral("*|*|%1 on line * in procedure %2 of Module modFunctions");
        const QString watch = QStringLiteral("/watch?v=");
        // A watch page without map goes to the extractor, which finds no video on it either.
        QTest::newRow("no map") << watch + q(demosite::ids::noMap) << QString()
                                << noLinks + "\nThe video extractor says: ERROR: Unsupported URL: " + m_site.watchUrl(q(demosite::ids::noMap)) + " "
                                << "" << QStringList();
        QTest::newRow("page answers 500") << watch + "sunsetBeach&again=1" << QStringLiteral("/watch") << noLinks << ""
                                          << QStringList();
        // Capitals pass as a watch address, which goes out as typed (the site knows no such path).
        QTest::newRow("capitals") << "/WATCH?V=sunsetBeach" << QString() << noLinks << "" << QStringList();
        QTest::newRow("entry without bar") << watch + q(demosite::ids::mapNoBar) << QString()
                                           << trapped.arg("Error 5 (Invalid procedure call or argument)", "GetURLs") << "3"
                                           << QStringList();
        QTest::newRow("bad percent") << watch + q(demosite::ids::mapBadPercent) << QString()
                                     << trapped.arg("Error 13 (Type mismatch)", "GetURLs") << "" << QStringList();
        QTest::newRow("duration that is no number")
            << watch + q(demosite::ids::badLength) << QString() << trapped.arg("Error 13 (Type mismatch)", "GetAllInfo")
            << "3,4"
            << QStringList{"Duration that is no number", "edgecaselab", "January 1, 2011", "3:32", "4.85 / 5   (1,234 votes)",
                           "1,234,567"};
    }
    void pageWithMessage()
    {
        QFETCH(QString, path);
        QFETCH(QString, failingPath);
        QFETCH(QString, message);
        QFETCH(QString, enabled);
        QFETCH(QStringList, details);
        auto &&[seam, panel, tabs] = Shown();
        QVERIFY(loadId(panel, demosite::ids::allSix));
        if (!failingPath.isEmpty())
            m_site.rule(failingPath, 0, 500);
        QVERIFY(LoadPage(panel, m_site.root() + path));
        QVERIFY(m_site.requestLog().contains(path));
        QTRY_VERIFY_WITH_TIMEOUT(!seam.callsOf(UiSeam::Kind::MessageBox).isEmpty(), 60000);
        QVERIFY2(showedOnly(seam, message), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(panel.windowTitle(), QStringLiteral("Clipvault"));
        QCOMPARE(EnabledSlots(panel), enabled);
        QCOMPARE(Details(panel), details.isEmpty() ? QStringList(6, QString()) : details);
        QCOMPARE(panel.cmdDownload->isEnabled() + panel.cmdPreview->isEnabled(), details.isEmpty() ? 0 : 2);
        QCOMPARE(tabs.size(), details.isEmpty() ? 1 : 2);
        QTRY_COMPARE_WITH_TIMEOUT(panel.picTitle->hasPicture(), !details.isEmpty(), 10000);
        QCOMPARE(panel.DownloadPicTitle->RunningCount(), 0);
    }

    void related_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("replaced");
        QTest::newRow("six of the first page") << q(demosite::ids::allSix) << 6;
        QTest::newRow("four items") << q(demosite::ids::related4) << 4;
        QTest::newRow("nine items") << q(demosite::ids::related9) << 6;
        QTest::newRow("two without links") << q(demosite::ids::relatedNoLink) << 4;
        QTest::newRow("no section") << q(demosite::ids::noRelated) << 0;
    }
    void related()
    {
        QFETCH(QString, id);
        QFETCH(int, replaced);
        auto &&[seam, panel, tabs] = Shown();
        QVERIFY(loadId(panel, demosite::ids::allSix));
        const auto box = [&panel](int k) { // tag, tip, picture
            return QVariantList{panel.picRelated[k]->tag(), panel.picRelated[k]->toolTip(), panel.picRelated[k]->picture()};
        };
        QList<QVariantList> old;
        for (int k = 0; k < 6; ++k) {
            QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[k]->hasPicture(), 10000);
            old << box(k);
        }

        QVERIFY(LoadPage(panel, m_site.watchUrl(id) + QStringLiteral("&feature=related"))); // a new address, also for the same page
        QVERIFY(seam.calls.isEmpty());
        const std::vector<const demosite::Video *> related = demosite::relatedVideos(video(id.toStdString()));
        for (int k = 0; k < replaced; ++k) {
            QCOMPARE(panel.picRelated[k]->tag(), m_site.watchUrl(q(related[k]->id)));
            QCOMPARE(panel.picRelated[k]->toolTip(), modFunctions::CleanTitle(q(related[k]->title)));
            QCOMPARE(panel.picRelated[k]->accessibleDescription(), panel.picRelated[k]->toolTip());
            if (panel.picRelated[k]->tag() != old[k][0].toString())
                QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[k]->picture() != old[k][2].value<QImage>(), 10000);
        }
        for (int k = replaced; k < 6; ++k) {
            QCOMPARE(box(k), old[k]);
            QCOMPARE(panel.DownloadRelated[k]->RunningCount(), 0);
        }
    }

    // An answer for an address that has left the box: the transfer was cancelled with the change,
    // and should its completion still be handed over, the panel stays as the new address made it.
    void lateAnswers_data()
    {
        QTest::addColumn<int>("transfer"); // 0 the watch page, 1 the title thumbnail, 2 related thumbnail 0
        QTest::newRow("watch page") << 0;
        QTest::newRow("title thumbnail") << 1;
        QTest::newRow("related thumbnail") << 2;
    }
    void lateAnswers()
    {
        QFETCH(int, transfer);
        const demosite::Video &a = video(demosite::ids::allSix);
        const demosite::Video &b = unrelatedTo(a);
        auto &&[seam, panel, tabs] = Shown();
        Downloader *const late = std::array{panel.DownloadPage, panel.DownloadPicTitle, panel.DownloadRelated[0]}[transfer];
        const QString key = QStringList{m_site.watchUrl(q(a.id)), m_site.thumbnailUrl(q(a.id)),
                                        m_site.thumbnailUrl(q(demosite::relatedVideos(a).front()->id))}[transfer];
        const QString path = key.mid(m_site.root().size());
        m_site.rule(path, 8000); // held back until long after the next address has been shown

        panel.loadAddress(m_site.watchUrl(q(a.id)));
        QTRY_VERIFY_WITH_TIMEOUT(late->IsRunning(key), 10000);
        QVERIFY(loadId(panel, b.id));
        QVERIFY(!late->IsRunning(key));
        QCOMPARE(panel.lblTitle->text(), modFunctions::CleanTitle(q(b.title)));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture() && panel.picRelated[0]->hasPicture(), 10000);
        const auto shows = [&] {
            return QVariantList{Details(panel), panel.videoId(), EnabledSlots(panel), panel.picTitle->picture(),
                                panel.picRelated[0]->picture(), panel.picRelated[0]->tag(), tabs.size()};
        };
        const QVariantList before = shows();

        m_site.clear();
        const QByteArray body = m_site.get(path);
        QVERIFY(!body.isEmpty());
        TransferResult received; // as the transfer layer hands over an answer that arrived whole
        received.ok = true;
        received.httpStatus = 200;
        Q_EMIT late->Complete(key, body, key, received);
        QCOMPARE(shows(), before);
        QVERIFY(seam.calls.isEmpty());
    }

    // A message box raised while a page is handled lets events run: another page that arrives
    // meanwhile fills the panel, and the first page's handling stops behind its box.
    void pageInsideMessageBox_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("duration that is no number") << q(demosite::ids::badLength);
        QTest::newRow("related item without a title") << QStringLiteral("relNoTitle1");
    }
    void pageInsideMessageBox()
    {
        QFETCH(QString, id);
        writePage(QStringLiteral("relNoTitle1"),
                  QStringLiteral("'VIDEO_ID': 'relNoTitle1', \"fmt_url_map\": \"18%7Chttp%3A%2F%2Fh%2Fa\", "
                                 "\"length_seconds\": \"5\",\n<div id=\"watch-related-vids-body\">"
                                 "this.getAttribute('ql'), '%1')\"<a href=\"/watch?v=pianoLesson\" title=\"\">"
                                 "<div class=\"clearL\">")
                      .arg(m_site.thumbnailUrl(QStringLiteral("pianoLesson"))));

        const demosite::Video &b = video(demosite::ids::allSix);
        const QString other = m_site.watchUrl(q(b.id));
        auto &&[seam, panel, tabs] = Shown();
        bool otherShown = false;
        seam.whileOpen = [&](const UiSeam::Call &call) {
            if (call.kind == UiSeam::Kind::MessageBox && panel.address() != other)
                otherShown = LoadPage(panel, other);
        };
        QVERIFY(LoadPage(panel, m_site.watchUrl(id)));
        QVERIFY(otherShown);
        QCOMPARE(seam.messages().size(), 1);

        QCOMPARE(Details(panel), SunsetDetails);
        QCOMPARE(EnabledSlots(panel), QStringLiteral("0,1,2,3,4,5"));
        const std::vector<const demosite::Video *> related = demosite::relatedVideos(b);
        for (int k = 0; k < 6; ++k)
            QCOMPARE(panel.picRelated[k]->tag(), m_site.watchUrl(q(related[k]->id)));
        QCOMPARE(tabs.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
        QCOMPARE(panel.picTitle->picture(), PictureFromBytes(m_site.get(QStringLiteral("/vi/%1/default.jpg").arg(q(b.id)))));
    }

    // A title thumbnail that does not come. Nothing arrives before the transfer gives up: the
    // built-in placeholder is shown. An error page is no picture: the box stays empty and ignores
    // clicks.
    void thumbnailFailures_data()
    {
        QTest::addColumn<int>("status"); // 0: the site holds the picture back
        QTest::newRow("nothing in time") << 0;
        QTest::newRow("error page") << 404;
    }
    void thumbnailFailures()
    {
        QFETCH(int, status);
        m_site.rule(QStringLiteral("/vi/%1/default.jpg").arg(q(demosite::ids::allSix)), status ? 0 : 4000, status);
        auto &&[seam, panel, tabs] = Shown();
        panel.DownloadPicTitle->setIdleTimeout(status ? 10000 : 300);
        QSignalSpy arrived(panel.DownloadPicTitle, &Downloader::Complete);
        QVERIFY(loadId(panel, demosite::ids::allSix));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 1, 10000);
        QCOMPARE(arrived.first().at(1).toByteArray().isEmpty(), !status);
        QCOMPARE(panel.picTitle->hasPicture(), !status);
        QCOMPARE(panel.picTitle->picture(), status ? QImage() : PictureFromBytes(QByteArray()));
        if (!status)
            return;
        QTest::mouseClick(panel.picTitle, Qt::LeftButton);
        QTest::mouseClick(panel.picTitle, Qt::RightButton);
        QVERIFY(seam.calls.isEmpty());
        QVERIFY(!frmMenu::instance()->mnuPopupImageSave->isVisible());
        QVERIFY(panel.popupPicture().isNull());
    }

    // The pictures' popup saves them; a left click on the title picture opens the page, on a
    // related picture loads its video.
    void pictureCommands()
    {
        auto &&[seam, panel, tabs] = Shown();
        QTest::mouseClick(panel.picRelated[0], Qt::LeftButton); // never had a thumbnail
        QVERIFY(panel.txtYouTube->text().isEmpty());
        QVERIFY(loadId(panel, demosite::ids::allSix));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[2]->hasPicture(), 10000);

        QTemporaryDir pictures;
        AppState::ImageSavePath() = pictures.path() + QStringLiteral("/");
        const QString folder = pictures.path() + QStringLiteral("/saved/");
        QVERIFY(QDir().mkpath(folder));
        frmMenu *menu = frmMenu::instance();

        struct Case { ThumbnailBox *box; QString file; };
        for (const Case &c : {Case{panel.picTitle, folder + QStringLiteral("title.jpg")},
                              Case{panel.picRelated[2], folder + QStringLiteral("related.jpg")}}) {
            seam.clear();
            const QString before = AppState::ImageSavePath();
            QTest::mouseClick(c.box, Qt::RightButton);
            QVERIFY(menu->mnuPopupImageSave->isVisible());
            QCOMPARE(panel.popupPicture(), c.box->picture());
            menu->mnuPopupImageSave->hide();

            seam.queueAnswer(c.file);
            menu->mnuPicBoxSave->trigger();
            QCOMPARE(seam.calls.size(), 1); // the save dialog, and no message
            QCOMPARE(QStringList({seam.calls[0].title, seam.calls[0].folder}), QStringList({"Save Image", before}));

            QImageReader reader(c.file);
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            QCOMPARE(reader.size(), QSize(120, 90));
            QCOMPARE(AppState::ImageSavePath(), folder);
        }
        QFile settings(Settings::FilePath());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(settings.readAll()).contains(QStringLiteral("ImageSavePath=") + folder));

        QTest::mouseClick(panel.picTitle, Qt::LeftButton);
        const QList<UiSeam::Call> opened = seam.callsOf(UiSeam::Kind::ShellOpen);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().text, panel.txtYouTube->text());

        QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[1]->hasPicture(), 10000);
        const QString tag = panel.picRelated[1]->tag();
        QSignalSpy done(panel.DownloadPage, &Downloader::Complete);
        QTest::mouseClick(panel.picRelated[1], Qt::LeftButton);
        QCOMPARE(panel.txtYouTube->text(), tag);
        QCOMPARE(panel.windowTitle(), Waiting);
        QVERIFY(done.wait(15000));
        QCOMPARE(done.first().first().toString(), tag);
        QVERIFY(!panel.lblTitle->text().isEmpty());
    }

    // Pages of our own: markers in other surroundings and another order than the demo pages use,
    // UTF-8 text, a thumbnail of 2400 x 1800 that the boxes keep at thumbnail size. Description
    // text never stops the page's handling: markup the label cannot draw is shown as plain text,
    // over-long text is cut, and the details, related videos and the tab follow.
    void ownPages_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("description"); // as the page writes it
        QTest::addColumn<QString>("plainStart");  // what the label reads out
        QTest::addColumn<int>("plainLength");
        const int limit = int(modFunctions::MaxDescriptionLength);
        QTest::newRow("entities and markup") << "ownPage0001" << "Plain &amp; <em>simple</em> schön"
                                             << "Description: Plain &  simple  schön" << 35;
        QTest::newRow("colour beyond 32 bits") << "hostile0001" << "Before &lt;c=4294967296&gt;after"
                                               << "Description: Before after" << 25;
        // Words of five characters, cut to a fifth of the limit (the last blank goes with the
        // caption's trim).
        QTest::newRow("longer than the label") << "hostile0002" << QStringLiteral("word ").repeated(8000)
                                               << "Description: word word" << 13 + limit - 1;
        QTest::newRow("openings for the tag finder") << "hostile0003" << QStringLiteral("&lt;").repeated(32700) + "&gt;"
                                                     << "Description: <<<" << 13 + limit;
        // Cut once its tags are gone: text behind a tag of 1 MB is kept.
        QTest::newRow("text behind a long tag") << "hostile0004"
                                                << "<i " + QString(1000000, QLatin1Char('x')) + ">Real words"
                                                << "Description:  Real words" << 24; // the tag is a blank
    }
    void ownPages()
    {
        QFETCH(QString, id);
        QFETCH(QString, description);
        QFETCH(QString, plainStart);
        QFETCH(int, plainLength);
        QVERIFY(QDir(m_extraDir.path()).mkpath(QStringLiteral("vi/bigPicture1")));
        QImage big(2400, 1800, QImage::Format_RGB32);
        big.fill(qRgb(220, 120, 20));
        QVERIFY(big.save(m_extraDir.filePath(QStringLiteral("vi/bigPicture1/default.jpg")), "PNG"));
        writePage(id, QStringLiteral(
            "<html><body><p>data-discoverbox-username=\"first_author\" >x</p>\n"
            "<i>watch-view-count\">1%2C000</span></i> RatingMessage\"><span class=\"smallText\">7 votes</span>\n"
            "<script>cfg = {'VIDEO_ID': 'bigPicture1', 'VIDEO_TITLE': 'Our page: \\'quoted\\' &amp; more && less – 日本',\n"
            "args: {\"rv.3.rating\": \"3.14159\", \"fmt_url_map\": \"35%7Chttp%3A%2F%2Fh%2Fa%2C5%7Chttp%3A%2F%2Fh%2Fb\", "
            "\"length_seconds\": \"61\", \"z\": \"0\"}}</script>\n"
            "<div class=\"watch-video-desc description\"><span >DESCRIPTION</span></div>\n"
            "<span class=\"watch-video-added post-date\">Today</span>\n"
            "<div id=\"watch-related-vids-body\"><a onclick=\"go(this.getAttribute('ql'), '%1', 'Piano: \\'n\\'')\">"
            "</a><a href=\"/watch?v=pianoLesson\" title=\"t\">t</a><div class=\"clearL\"></div></body></html>")
            .arg(m_site.thumbnailUrl(QStringLiteral("bigPicture1")))
            .replace(QStringLiteral("DESCRIPTION"), description));
        auto &&[seam, panel, tabs] = Shown();
        QVERIFY(LoadPage(panel, m_site.watchUrl(id)));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(tabs.size(), 1);
        QCOMPARE(EnabledSlots(panel), QStringLiteral("0,2"));
        QCOMPARE(panel.selectedFormat(), 2);
        QCOMPARE(panel.formatLink(2), QStringLiteral("http://h/a"));
        QCOMPARE(Details(panel), (QStringList{"Our page 'quoted' & more & less – 日本", "first_author", "Today", "1:01",
                                              "3.14 / 5   (7 votes)", "1,000"}));
        QCOMPARE(panel.lblDescription->PlainText().left(plainStart.size()), plainStart);
        QCOMPARE(panel.lblDescription->PlainText().size(), plainLength);
        QVERIFY(!panel.lblDescription->Segments().isEmpty()); // drawn, not left empty by an error
        QCOMPARE(panel.picRelated[0]->tag(), m_site.watchUrl(QStringLiteral("pianoLesson")));
        QCOMPARE(panel.picRelated[0]->toolTip(), QStringLiteral("Piano 'n'"));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[0]->hasPicture() && panel.picTitle->hasPicture(), 10000);
        for (const ThumbnailBox *box : {panel.picTitle, panel.picRelated[0]}) {
            QCOMPARE(box->picture().size(), QSize(120, 90));
            QCOMPARE(box->picture().pixel(60, 45), qRgb(220, 120, 20));
        }
    }

    // The typed watch address plays as its embed address (the rewriting's edge cases are the
    // address logic's tests).
    void previewRewriting()
    {
        // Blanks around the address are the box's, not the address's.
        const QString typed = QStringLiteral("  ") + m_site.watchUrl(QStringLiteral("sunsetBeach")) +
                              QStringLiteral("&feature=related ");
        PreviewPanel panel;
        QSignalSpy tabs(&panel, &PreviewPanel::requestTab);
        QVERIFY(panel.cmdRemove->isHidden());
        QVERIFY(!panel.SF); // created on first use
        panel.cmdPreview_Click(typed);
        QCOMPARE(panel.movie(), m_site.root() + QStringLiteral("/v/sunsetBeach&feature=related"));
        QVERIFY(panel.SF);
        QCOMPARE(tabs.size(), 1);
        QCOMPARE(tabs.first().first().toInt(), 2);
        QVERIFY(!panel.cmdRemove->isHidden());

        QTest::mouseClick(panel.cmdRemove, Qt::LeftButton);
        QVERIFY(panel.cmdRemove->isHidden());
        QCOMPARE(panel.movie(), QStringLiteral("about:blank"));
        QCOMPARE(tabs.size(), 1);
    }

#ifdef CLIPVAULT_HAVE_WEBENGINE
    void previewPlaysTheClip()
    {
        PreviewPanel panel;
        panel.resize(480, 400);
        panel.show();
        panel.LoadMovie(0, QStringLiteral(" ")); // creates the view
        QSignalSpy loaded(panel.SF, &QWebEngineView::loadFinished);
        panel.cmdPreview_Click(m_site.watchUrl(QStringLiteral("sunsetBeach")));
        QVERIFY(loaded.wait(60000) || !loaded.isEmpty());
        QCOMPARE(loaded.last().first().toBool(), true);
        QCOMPARE(panel.SF->url().toString(), m_site.root() + QStringLiteral("/v/sunsetBeach"));
        QCOMPARE(panel.SF->title(), QStringLiteral("Sunset at Crescent Beach"));

        // The embedded player reaches the clip: its size becomes known once its data has been read.
        QString videoSize;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                panel.SF->page()->runJavaScript(
                    QStringLiteral("(function(){var v=document.querySelector('video');"
                                   "return v ? v.videoWidth + 'x' + v.videoHeight : 'none';})()"),
                    [&](const QVariant &result) { videoSize = result.toString(); });
                return videoSize == QLatin1String("160x120");
            }(),
            30000);

        loaded.clear();
        panel.cmdRemove_Click();
        QVERIFY(loaded.wait(30000) || !loaded.isEmpty());
        QCOMPARE(panel.SF->url().toString(), QStringLiteral("about:blank"));
    }
#endif
};

int main(int argc, char **argv)
{
    // The web view shares its GL context with the application; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestVideoPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_videopanel.moc"
