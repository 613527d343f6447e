// The video panel driven for real: pages, thumbnails and related thumbnails come over HTTP from
// the demo site; messages and dialogs are answered by the seam recorder. Pages of today's kind go
// to the real extractor (Debian's yt-dlp), and a changed address ends the extractor asked before.
// Then the preview tab, whose web view plays the demo site's embed page.

#include "analysis/PreviewPanel.h"
#include "analysis/ThumbnailBox.h"
#include "analysis/VideoPanel.h"
#include "base/AppState.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "controls/ucFormattedLabel.h"
#include "demosite/catalogue.h"
#include "demosite/clips.h"
#include "dialogs/frmMenu.h"
#include "image/PictureFromBytes.h"
#include "pages/ExtractorLookup.h"
#include "support/DemoSite.h"
#include "support/ProcessGroup.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"
#include "transfer/Downloader.h"
#include "videoinfo/PageText.h"
#include "videoinfo/VideoText.h"

#include <QAccessible>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifdef CLIPVAULT_HAVE_WEBENGINE
#include <QWebEngineView>
#endif

namespace {

const QString Title = QStringLiteral("Clipvault");
const QString Waiting = QStringLiteral("Clipvault - Downloading information from YouTube. Please wait...");
const QString ExtractorWaiting = QStringLiteral("Clipvault - Reading the page with the video extractor. Please wait...");
// The details of the video with all six encodings, as the panel shows them.
const QStringList SunsetDetails{"Sunset at Crescent Beach", "shorelinefilms", "March 3, 2010", "3:32",
                                "4.85 / 5   (1,234 votes)", "1,234,567"};

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A panel under test, the seam that answers its boxes, and its tab requests.
struct Shown
{
    SeamRecorder seam;
    VideoPanel panel;
    QSignalSpy tabs{&panel, &VideoPanel::requestTab};
};

// Writes the address into the box and waits until its watch page has been handled.
bool LoadPage(VideoPanel &panel, const QString &address)
{
    QSignalSpy done(panel.DownloadPage, &Downloader::Complete);
    panel.loadAddress(address);
    return done.wait(15000);
}

// Waits for the extractor's answer: the tab request of a shown page, or a message box.
bool settle(const SeamRecorder &seam, QSignalSpy &tabs)
{
    return QTest::qWaitFor([&] { return !tabs.isEmpty() || !seam.callsOf(UiSeam::Kind::MessageBox).isEmpty(); }, 90000);
}

// The details shown: title, author, published, duration, rating, views.
QStringList Details(const VideoPanel &panel)
{
    QStringList texts;
    for (const QLabel *label : {panel.lblTitle, panel.lblAuthor, panel.lblPublished, panel.lblDuration, panel.lblRating,
                                panel.lblViews})
        texts << label->text();
    return texts;
}

// The slots whose option button is enabled, e.g. "0,2,5".
QString EnabledSlots(const VideoPanel &panel)
{
    QStringList enabled;
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        if (panel.OptVideoType[slot]->isEnabled())
            enabled << QString::number(slot);
    }
    return enabled.join(QLatin1Char(','));
}

QStringList otherFormats(const VideoPanel &panel)
{
    QStringList labels;
    for (int row = 0; row < panel.lstOtherFormats->count(); ++row)
        labels << panel.lstOtherFormats->item(row)->text();
    return labels;
}

const demosite::Video &video(std::string_view id) { return *demosite::findVideo(id); }

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
    QTemporaryDir m_dir; // the program's folder; "extra" holds the site's pages of our own

    QString extra(const QString &path) const { return m_dir.filePath(QStringLiteral("extra/") + path); }
    bool loadId(VideoPanel &panel, std::string_view id) { return LoadPage(panel, m_site.watchUrl(q(id))); }
    QString clipUrl(std::string_view name) const { return m_site.root() + q(demosite::clipPagePath(name)); }
    // A watch page of the test's own, served from the site's extra folder.
    void writePage(const QString &id, const QByteArray &text)
    {
        QFile file(extra(QStringLiteral("watch/%1.html").arg(id)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // A shell script in the test folder that stands in for the extractor.
    QString standIn(const QString &name, const QByteArray &body) { return StandIn::Write(m_dir.filePath(name), body); }
    // The program's setting of that name ("ExtractorPath", "ExtractorTimeout"); empty: the default.
    static void setSetting(const QString &name, const QString &value)
    {
        IniFile::write(QStringLiteral("Settings"), name, value, Settings::FilePath());
    }

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<VideoInfo>();
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
        AppState::setAppPath(m_dir.path());
        QVERIFY(QDir().mkpath(extra(QStringLiteral("watch"))));
        QVERIFY(m_site.start({QStringLiteral("--extra"), m_dir.filePath(QStringLiteral("extra"))}));
        new frmMenu(nullptr); // the popup menus, loaded once as the main window does
    }

    void init()
    {
        // The real extractor may be slow to start on a busy machine: the usual time-out, except
        // where a test waits for it to give up.
        setSetting(QStringLiteral("ExtractorPath"), QString());
        setSetting(QStringLiteral("ExtractorTimeout"), QString());
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
        QCOMPARE(panel.windowTitle(), Title);
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

        QSignalSpy download(&panel, &VideoPanel::downloadRequested); // "Preview": the pages of today's kind
        QTest::mouseClick(panel.cmdDownload, Qt::LeftButton);
        QCOMPARE(download.size(), 1);

        // A new address resets the panel; the kept links stay, behind disabled buttons.
        panel.loadAddress(QStringLiteral("not an address"));
        QCOMPARE(EnabledSlots(panel), QString());
        QVERIFY(!panel.picTitle->hasPicture() && !panel.cmdDownload->isEnabled());
        QCOMPARE(panel.lblDescription->Caption(), QStringLiteral("<b>Description:</b>"));
        QCOMPARE(panel.formatLink(0), m_site.root() + QStringLiteral("/media/%1/5").arg(q(v.id)));
        QCOMPARE(panel.DownloadPage->RunningCount(), 0);
    }

    // A page with trouble, shown after another: one message box, as "style|title|text" ("*" for any
    // text), and a window that goes on working. Without usable links the panel shows nothing; a
    // duration that is no number stops the reading there: the details read before it are the new
    // page's, those from it on the earlier video's. The extractor's failures say why.
    void pageWithMessage_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("failingPath");
        QTest::addColumn<QString>("program"); // the extractor's, empty: the real one
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<QStringList>("details"); // empty: none shown
        const QString noLinks = QStringLiteral("48|No links|Sorry. No download links found on this page. ");
        const QString says = noLinks + "\nThe video extractor";
        const QString trapped = QStringLiteral("*|*|%1 on line * in procedure %2 of Module modFunctions");
        const QString watch = QStringLiteral("/watch?v=");
        // A watch page without map goes to the extractor, which finds no video on it either.
        QTest::newRow("no map") << watch + q(demosite::ids::noMap) << QString() << QString()
                                << says + " says: ERROR: Unsupported URL: " + m_site.watchUrl(q(demosite::ids::noMap)) + " "
                                << "" << QStringList();
        QTest::newRow("page answers 500") << watch + "sunsetBeach&again=1" << QStringLiteral("/watch") << QString() << noLinks
                                          << "" << QStringList();
        // Capitals pass as a watch address, which goes out as typed (the site knows no such path).
        QTest::newRow("capitals") << "/WATCH?V=sunsetBeach" << QString() << QString() << noLinks << "" << QStringList();
        QTest::newRow("entry without bar") << watch + q(demosite::ids::mapNoBar) << QString() << QString()
                                           << trapped.arg("Error 5 (Invalid procedure call or argument)", "GetURLs") << "3"
                                           << QStringList();
        QTest::newRow("bad percent") << watch + q(demosite::ids::mapBadPercent) << QString() << QString()
                                     << trapped.arg("Error 13 (Type mismatch)", "GetURLs") << "" << QStringList();
        QTest::newRow("duration that is no number")
            << watch + q(demosite::ids::badLength) << QString() << QString()
            << trapped.arg("Error 13 (Type mismatch)", "GetAllInfo") << "3,4"
            << QStringList{"Duration that is no number", "edgecaselab", "January 1, 2011", "3:32", "4.85 / 5   (1,234 votes)",
                           "1,234,567"};
        // Pages of today's kind that the extractor cannot show.
        const auto failure = [&](const char *row, std::string_view clip, const QString &program, const QString &why) {
            QTest::newRow(row) << q(demosite::clipPagePath(clip)) << QString() << program << says + why << "" << QStringList();
        };
        failure("clip without a video", demosite::clips::noVideo, {},
                " says: ERROR: Unsupported URL: " + clipUrl(demosite::clips::noVideo) + " ");
        failure("clip that never answers", demosite::clips::silent, {}, " gave no answer in time. ");
        const QString nowhere = m_dir.filePath(QStringLiteral("nowhere/yt-dlp"));
        failure("extractor not installed", demosite::clips::jsonLd, nowhere, " " + nowhere + " is not installed or cannot be started. ");
        // Stand-ins that answer what no extractor should.
        failure("huge answer", demosite::clips::jsonLd, standIn("huge", "exec yes '{\"title\": \"again and again\"}'"),
                "'s answer was too large. ");
        failure("malformed answer", demosite::clips::jsonLd,
                standIn("malformed", "printf '{\"title\": \"x\", \"formats\": [{\"url\": '"), "'s answer could not be read. ");
        failure("only local and inline addresses", demosite::clips::jsonLd,
                standIn("local", R"(echo '{"title": "x", "thumbnail": "file:///etc/hostname", "formats": [)"
                                 R"({"format_id": "18", "url": "file:///etc/passwd", "protocol": "file"},)"
                                 R"({"format_id": "22", "url": "data:video/mp4;base64,AAAA", "protocol": "data"}]}')"),
                " found no video that can be downloaded. ");
    }
    void pageWithMessage()
    {
        QFETCH(QString, path);
        QFETCH(QString, failingPath);
        QFETCH(QString, program);
        QFETCH(QString, message);
        QFETCH(QString, enabled);
        QFETCH(QStringList, details);
        setSetting(QStringLiteral("ExtractorPath"), program);
        if (message.endsWith(QStringLiteral("gave no answer in time. ")))
            setSetting(QStringLiteral("ExtractorTimeout"), QStringLiteral("6")); // read at each question
        auto &&[seam, panel, tabs] = Shown();
        QVERIFY(loadId(panel, demosite::ids::allSix));
        if (!failingPath.isEmpty())
            m_site.rule(failingPath, 0, 500);
        panel.loadAddress(m_site.root() + path);
        QTRY_VERIFY_WITH_TIMEOUT(!seam.callsOf(UiSeam::Kind::MessageBox).isEmpty(), 90000);
        QVERIFY(!program.isEmpty() || m_site.requestLog().contains(path));
        QVERIFY2(showedOnly(seam, message), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(panel.windowTitle(), Title);
        QCOMPARE(EnabledSlots(panel), enabled);
        QCOMPARE(Details(panel), details.isEmpty() ? QStringList(6, QString()) : details);
        QCOMPARE(panel.cmdDownload->isEnabled() + panel.cmdPreview->isEnabled(), details.isEmpty() ? 0 : 2);
        QVERIFY(!panel.lstOtherFormats->isEnabled());
        QCOMPARE(tabs.size(), details.isEmpty() ? 1 : 2);
        QTRY_COMPARE_WITH_TIMEOUT(panel.picTitle->hasPicture(), !details.isEmpty(), 10000);
        QCOMPARE(panel.DownloadPicTitle->RunningCount(), 0);
        // The window goes on: a watch page loads as ever.
        m_site.clear();
        QVERIFY(loadId(panel, demosite::ids::allSix));
        QCOMPARE(Details(panel), SunsetDetails);
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
        const demosite::Video &b = video(demosite::ids::noRelated); // shares no thumbnail with a
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
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
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
                      .arg(m_site.thumbnailUrl(QStringLiteral("pianoLesson")))
                      .toUtf8());

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
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("ImageSavePath"), Settings::FilePath()), folder);

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
        QTest::addColumn<QString>("codes"); // the format map's, best first, each with its own address
        QTest::addColumn<QString>("buttons"); // the buttons they enable
        const int limit = int(modFunctions::MaxDescriptionLength);
        QTest::newRow("entities and markup") << "ownPage0001" << "Plain &amp; <em>simple</em> schön"
                                             << "Description: Plain &  simple  schön" << 35 << "35,5" << "0,2";
        QTest::newRow("colour beyond 32 bits") << "hostile0001" << "Before &lt;c=4294967296&gt;after"
                                               << "Description: Before after" << 25 << "35,5" << "0,2";
        // Words of five characters, cut to a fifth of the limit (the last blank goes with the
        // caption's trim).
        QTest::newRow("longer than the label") << "hostile0002" << QStringLiteral("word ").repeated(8000)
                                               << "Description: word word" << 13 + limit - 1 << "35,5" << "0,2";
        QTest::newRow("openings for the tag finder") << "hostile0003" << QStringLiteral("&lt;").repeated(32700) + "&gt;"
                                                     << "Description: <<<" << 13 + limit << "35,5" << "0,2";
        // Cut once its tags are gone: text behind a tag of 1 MB is kept.
        QTest::newRow("text behind a long tag") << "hostile0004"
                                                << "<i " + QString(1000000, QLatin1Char('x')) + ">Real words"
                                                << "Description:  Real words" << 24 << "5" << "0"; // the tag is a blank; only the lowest quality
    }
    void ownPages()
    {
        QFETCH(QString, id);
        QFETCH(QString, description);
        QFETCH(QString, plainStart);
        QFETCH(int, plainLength);
        QFETCH(QString, codes);
        QFETCH(QString, buttons);
        QString map;
        for (const QString &code : codes.split(QLatin1Char(',')))
            map += (map.isEmpty() ? "" : "%2C") + code + "%7Chttp%3A%2F%2Fh%2F" + code;
        QVERIFY(QDir().mkpath(extra(QStringLiteral("vi/bigPicture1"))));
        QImage big(2400, 1800, QImage::Format_RGB32);
        big.fill(qRgb(220, 120, 20));
        QVERIFY(big.save(extra(QStringLiteral("vi/bigPicture1/default.jpg")), "PNG"));
        writePage(id, QStringLiteral(
            "<html><body><p>data-discoverbox-username=\"first_author\" >x</p>\n"
            "<i>watch-view-count\">1%2C000</span></i> RatingMessage\"><span class=\"smallText\">7 votes</span>\n"
            "<script>cfg = {'VIDEO_ID': 'bigPicture1', 'VIDEO_TITLE': 'Our page: \\'quoted\\' &amp; more && less – 日本',\n"
            "args: {\"rv.3.rating\": \"3.14159\", \"fmt_url_map\": \"MAP\", "
            "\"length_seconds\": \"61\", \"z\": \"0\"}}</script>\n"
            "<div class=\"watch-video-desc description\"><span >DESCRIPTION</span></div>\n"
            "<span class=\"watch-video-added post-date\">Today</span>\n"
            "<div id=\"watch-related-vids-body\"><a onclick=\"go(this.getAttribute('ql'), '%1', 'Piano: \\'n\\'')\">"
            "</a><a href=\"/watch?v=pianoLesson\" title=\"t\">t</a><div class=\"clearL\"></div></body></html>")
            .arg(m_site.thumbnailUrl(QStringLiteral("bigPicture1")))
            .replace(QStringLiteral("DESCRIPTION"), description)
            .replace(QStringLiteral("MAP"), map)
            .toUtf8());
        auto &&[seam, panel, tabs] = Shown();
        QVERIFY(LoadPage(panel, m_site.watchUrl(id)));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(tabs.size(), 1);
        QCOMPARE(EnabledSlots(panel), buttons);
        const int best = buttons.section(QLatin1Char(','), -1).toInt(); // the best quality the page offers is chosen
        QCOMPARE(panel.selectedFormat(), best);
        QCOMPARE(panel.formatLink(best), "http://h/" + codes.section(QLatin1Char(','), 0, 0));
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

    // Each page of today's kind fills the panel through the extractor: details in the watch
    // pages' forms, the description as plain text, the known codes on their buttons, every other
    // encoding in "Other formats:" best first and the best one chosen, the related pictures empty.
    // A watch page of the site that carries no format map goes to the extractor in the same way.
    void showsPagesOfTodaysKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("buttons");   // enabled option buttons
        QTest::addColumn<int>("checked");        // checked button, -1 for none
        QTest::addColumn<QStringList>("others"); // "Other formats:"
        QTest::addColumn<QString>("watchCopy");  // the page served as this watch page, if not empty
        QTest::newRow("schema.org metadata") << q(demosite::clips::jsonLd) << "" << -1 << QStringList{"mp4"} << "";
        QTest::newRow("watch page without map") << q(demosite::clips::jsonLd) << "" << -1 << QStringList{"mp4"}
                                                << "todaysPage1";
        QTest::newRow("HTML5 video") << q(demosite::clips::html5) << "3,4" << 4 << QStringList{"webm, 480p"} << "";
        QTest::newRow("HLS") << q(demosite::clips::hls) << "" << -1 << QStringList{"mp4, 1280x720", "mp4, 640x360"} << "";
        QStringList separate{"mp4, 1280x720, no sound", "mp4, audio only"};
        if (!QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            separate.prepend(QStringLiteral("Best video and audio (merged)"));
        QTest::newRow("video and audio apart") << q(demosite::clips::separate) << "" << -1 << separate << "";
    }
    void showsPagesOfTodaysKind()
    {
        QFETCH(QString, name);
        QFETCH(QString, buttons);
        QFETCH(int, checked);
        QFETCH(QStringList, others);
        QFETCH(QString, watchCopy);
        const demosite::Clip &c = *demosite::findClip(name.toStdString());
        QString address = clipUrl(c.name);
        if (!watchCopy.isEmpty()) {
            writePage(watchCopy, m_site.get(q(demosite::clipPagePath(c.name))));
            address = m_site.watchUrl(watchCopy);
        }
        auto &&[seam, panel, tabs] = Shown();

        // A watch page first, so that the related pictures hold something to clear.
        QVERIFY(loadId(panel, demosite::ids::allSix));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[0]->hasPicture(), 15000);
        tabs.clear();

        panel.loadAddress(address);
        QTRY_COMPARE_WITH_TIMEOUT(panel.windowTitle(), ExtractorWaiting, 15000);
        QVERIFY(settle(seam, tabs));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(panel.windowTitle(), Title);
        QCOMPARE(tabs, QList<QVariantList>{{1}});

        QVERIFY2(panel.lblTitle->text().startsWith(q(c.title)), qPrintable(panel.lblTitle->text()));
        QCOMPARE(panel.videoTitle(), VideoText::FileTitle(panel.lblTitle->text()));
        QCOMPARE(EnabledSlots(panel), buttons);
        QCOMPARE(panel.selectedFormat(), checked);
        QCOMPARE(otherFormats(panel), others);
        if (checked < 0)
            QCOMPARE(panel.lstOtherFormats->currentRow(), 0); // the best entry is chosen
        QVERIFY(panel.selectedEncoding().has_value());
        QVERIFY(panel.cmdDownload->isEnabled() && panel.cmdPreview->isEnabled());
        for (ThumbnailBox *related : panel.picRelated)
            QVERIFY(!related->hasPicture() && related->tag().isEmpty());

        if (c.kind == demosite::ClipKind::JsonLd) {
            QCOMPARE(Details(panel).mid(1), (QStringList{q(c.author), "May 4, 2021", VideoText::Duration(c.seconds), "", "1,234,567"}));
            // Shown as written: "<b>" stays two characters and a letter, the line break a break.
            // What the label reads out, without the invisible joiners that keep "<" from starting a tag.
            QCOMPARE(panel.lblDescription->PlainText().remove(QChar(0x2060)), QStringLiteral("Description: ") + q(c.description));
        }
        if (!c.thumbnailId.empty())
            QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 15000);

        QSignalSpy preview(&panel, &VideoPanel::previewRequested);
        QTest::mouseClick(panel.cmdPreview, Qt::LeftButton);
        QCOMPARE(preview, QList<QVariantList>{{address}});

        // One choice at a time between the option buttons and "Other formats:".
        if (checked < 0)
            return;
        QCOMPARE(panel.selectedEncoding()->slot, checked);
        panel.lstOtherFormats->setCurrentRow(0);
        QCOMPARE(panel.selectedFormat(), -1);
        QCOMPARE(panel.selectedEncoding()->container, QStringLiteral("webm"));
        QTest::mouseClick(panel.OptVideoType[3], Qt::LeftButton);
        QVERIFY(panel.lstOtherFormats->selectedItems().isEmpty());
        QCOMPARE(panel.selectedEncoding()->slot, 3);
        QCOMPARE(panel.selectedEncoding()->address, m_site.root() + q(demosite::clipMediaPath(c.name, *demosite::findClipSource(c, 18))));
    }

    // The extractor is asked once the address has stood still, at once on Enter, and never for
    // text that changed before that. A changed address ends the extractor at work: its process
    // group goes, its answer never arrives, the new address is read.
    void asksOnceTheAddressStandsStill()
    {
        auto &&[seam, panel, tabs] = Shown();
        ExtractorLookup *lookup = panel.extractorLookup();
        QSignalSpy asked(lookup, &ExtractorLookup::started);
        const QString silent = q(demosite::clipPagePath(demosite::clips::silent));

        panel.loadAddress(QStringLiteral("not an address"));
        panel.loadAddress(clipUrl(demosite::clips::noVideo));
        panel.loadAddress(m_site.root() + silent); // before the first one settled
        QVERIFY(asked.isEmpty());
        QVERIFY(asked.wait(5000));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().first().toString(), m_site.root() + silent);
        QTRY_VERIFY_WITH_TIMEOUT(m_site.requestLog().contains(silent), 30000);
        QVERIFY(!m_site.requestLog().contains(q(demosite::clipPagePath(demosite::clips::noVideo))));
        const qint64 group = lookup->processId();
        QVERIFY(RunningInGroup(group) > 0);

        panel.loadAddress(clipUrl(demosite::clips::jsonLd));
        // Gone within the grace between terminate and kill, long before the extractor would
        // give up on the silent page by itself (its sockets wait 20 s).
        QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 0, 8000);
        QVERIFY(settle(seam, tabs));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(panel.lblAuthor->text(), q(demosite::findClip(demosite::clips::jsonLd)->author));
        QCOMPARE(asked.size(), 2);

        // Enter asks at once, also for the same address again.
        tabs.clear();
        int enter = 13;
        panel.txtYouTube_KeyPress(enter);
        QCOMPARE(enter, 0);
        QCOMPARE(asked.size(), 3);
        QVERIFY(lookup->isAsking());
        QVERIFY(settle(seam, tabs) && seam.calls.isEmpty());

        // A watch address of the site goes to the page request, never to the extractor.
        QVERIFY(loadId(panel, demosite::ids::allSix));
        QVERIFY(!lookup->isAsking());
        QCOMPARE(asked.size(), 3);
    }

    // The typed watch address plays as its embed address (the rewriting's edge cases are the
    // address logic's tests): the web view plays the demo site's clip until "Remove Preview".
    void preview()
    {
        PreviewPanel panel;
        panel.resize(480, 400);
        panel.show();
        QSignalSpy tabs(&panel, &PreviewPanel::requestTab);
        QVERIFY(panel.cmdRemove->isHidden());
        QVERIFY(!panel.SF); // created on first use
        // Blanks around the address are the box's, not the address's.
        panel.cmdPreview_Click(QStringLiteral("  ") + m_site.watchUrl(QStringLiteral("sunsetBeach")) +
                               QStringLiteral("&feature=related "));
        const QString embed = m_site.root() + QStringLiteral("/v/sunsetBeach&feature=related");
        QCOMPARE(panel.movie(), embed);
        QVERIFY(panel.SF);
        QCOMPARE(tabs, QList<QVariantList>{{2}});
        QVERIFY(!panel.cmdRemove->isHidden());
#ifdef CLIPVAULT_HAVE_WEBENGINE
        QSignalSpy loaded(panel.SF, &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(60000) || !loaded.isEmpty());
        QCOMPARE(loaded.last().first().toBool(), true);
        QCOMPARE(panel.SF->url().toString(), embed);
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
#endif
        QTest::mouseClick(panel.cmdRemove, Qt::LeftButton);
        QVERIFY(panel.cmdRemove->isHidden());
        QCOMPARE(panel.movie(), QStringLiteral("about:blank"));
        QCOMPARE(tabs.size(), 1);
#ifdef CLIPVAULT_HAVE_WEBENGINE
        QVERIFY(loaded.wait(30000) || !loaded.isEmpty());
        QCOMPARE(panel.SF->url().toString(), QStringLiteral("about:blank"));
#endif
    }
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
