// The video panel driven for real: pages, thumbnails and related thumbnails come over HTTP from
// the demo site; messages and dialogs are answered by the seam recorder.

#include "analysis/PageText.h"
#include "analysis/ThumbnailBox.h"
#include "analysis/VideoPanel.h"
#include "app/AppState.h"
#include "app/Settings.h"
#include "controls/ucFormattedLabel.h"
#include "demosite/catalogue.h"
#include "dialogs/frmMenu.h"
#include "image/PictureFromBytes.h"
#include "support/DemoSite.h"
#include "support/SeamRecorder.h"
#include "transfer/Downloader.h"

#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Waiting = QStringLiteral("Clipvault - Downloading information from YouTube. Please wait...");

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const demosite::Video &video(std::string_view id)
{
    const demosite::Video *v = demosite::findVideo(id);
    Q_ASSERT(v);
    return *v;
}

// Slots whose option button is enabled, e.g. "0,2,5".
QString enabledSlots(const VideoPanel &panel)
{
    QStringList enabled;
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        if (panel.OptVideoType[slot]->isEnabled())
            enabled << QString::number(slot);
    }
    return enabled.join(QLatin1Char(','));
}

} // namespace

class TestVideoPanel : public QObject
{
    Q_OBJECT

private:
    DemoSite m_site;
    QTemporaryDir m_appDir;
    QTemporaryDir m_extraDir;

    // Writes the address into the box and waits until the watch page has been handled.
    bool load(VideoPanel &panel, const QString &address)
    {
        QSignalSpy done(panel.DownloadPage, &Downloader::Complete);
        panel.loadAddress(address);
        return done.wait(15000);
    }
    bool loadId(VideoPanel &panel, std::string_view id) { return load(panel, m_site.watchUrl(q(id))); }

    void writeExtraPage(const QString &id, const QString &page)
    {
        QDir(m_extraDir.path()).mkpath(QStringLiteral("watch"));
        QFile file(m_extraDir.filePath(QStringLiteral("watch/%1.html").arg(id)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(page.toUtf8());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_appDir.isValid());
        QVERIFY(m_extraDir.isValid());
        AppState::setAppPath(m_appDir.path());
        QVERIFY(m_site.start({QStringLiteral("--extra"), m_extraDir.path()}));
        new frmMenu(nullptr); // the popup menus, loaded once as the main window does
    }

    void cleanup() { m_site.clear(); }

    void everyField()
    {
        SeamRecorder seam;
        VideoPanel panel;
        QSignalSpy tabs(&panel, &VideoPanel::requestTab);
        const demosite::Video &v = video(demosite::ids::allSix);

        QSignalSpy done(panel.DownloadPage, &Downloader::Complete);
        panel.loadAddress(m_site.watchUrl(q(v.id)));
        QCOMPARE(panel.windowTitle(), Waiting);
        QVERIFY(done.wait(15000));
        QCOMPARE(panel.windowTitle(), QStringLiteral("Clipvault"));
        QVERIFY(seam.calls.isEmpty());

        QCOMPARE(panel.lblTitle->text(), QStringLiteral("Sunset at Crescent Beach"));
        QCOMPARE(panel.lblAuthor->text(), QStringLiteral("shorelinefilms"));
        QCOMPARE(panel.lblPublished->text(), QStringLiteral("March 3, 2010"));
        QCOMPARE(panel.lblDuration->text(), QStringLiteral("3:32"));
        QCOMPARE(panel.lblRating->text(), QStringLiteral("4.85 / 5   (1,234 votes)"));
        QCOMPARE(panel.lblViews->text(), QStringLiteral("1,234,567"));
        // The page's "&lt;b&gt;" comes back as "<b>" and is read as markup by the label.
        QCOMPARE(panel.lblDescription->Caption(),
                 QStringLiteral("<b>Description:</b> Filmed at Crescent Beach on a calm evening. Music:  ambient "
                                "loops  by  Low Tide . Tip: write <b> for bold."));
        QVERIFY(panel.lblDescription->PlainText().startsWith(QStringLiteral("Description: Filmed at")));
        QCOMPARE(panel.videoTitle(), QStringLiteral("Sunset at Crescent Beach"));
        QCOMPARE(panel.videoId(), q(v.id));

        QCOMPARE(enabledSlots(panel), QStringLiteral("0,1,2,3,4,5"));
        QCOMPARE(panel.selectedFormat(), 5);
        QVERIFY(panel.OptVideoType[5]->isChecked());
        const int codes[] = {5, 34, 35, 18, 22, 37};
        for (int slot = 0; slot < FormatTable::Count; ++slot)
            QCOMPARE(panel.formatLink(slot), m_site.root() + QStringLiteral("/media/%1/%2").arg(q(v.id)).arg(codes[slot]));
        QCOMPARE(panel.formatSuffix(4), QStringLiteral("_(720p).mp4"));
        QVERIFY(panel.cmdDownload->isEnabled());
        QVERIFY(panel.cmdPreview->isEnabled());
        QCOMPARE(tabs.size(), 1);
        QCOMPARE(tabs.first().first().toInt(), 1);

        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
        QCOMPARE(panel.picTitle->picture().size(), QSize(120, 90));
        QCOMPARE(panel.picTitle->toolTip(), QStringLiteral("Click this image to go to the corresponding YouTube page"));

        const std::vector<const demosite::Video *> related = demosite::relatedVideos(v);
        QVERIFY(related.size() >= 6);
        for (int k = 0; k < 6; ++k) {
            ThumbnailBox *picture = panel.picRelated[k];
            QTRY_VERIFY_WITH_TIMEOUT(picture->hasPicture(), 10000);
            QCOMPARE(picture->tag(), m_site.watchUrl(q(related[k]->id)));
            QCOMPARE(picture->toolTip(), modFunctions::CleanTitle(q(related[k]->title)));
            QCOMPARE(picture->accessibleDescription(), picture->toolTip());
        }

        QSignalSpy download(&panel, &VideoPanel::downloadRequested);
        QSignalSpy preview(&panel, &VideoPanel::previewRequested);
        QTest::mouseClick(panel.cmdDownload, Qt::LeftButton);
        QTest::mouseClick(panel.cmdPreview, Qt::LeftButton);
        QCOMPARE(download.size(), 1);
        QCOMPARE(preview.size(), 1);
        QCOMPARE(preview.first().first().toString(), m_site.watchUrl(q(v.id)));

        // A new address resets the panel; the kept links stay, behind disabled buttons.
        panel.loadAddress(QStringLiteral("not an address"));
        QCOMPARE(enabledSlots(panel), QString());
        QVERIFY(!panel.cmdDownload->isEnabled() && !panel.cmdPreview->isEnabled());
        QVERIFY(panel.lblTitle->text().isEmpty() && panel.lblRating->text().isEmpty());
        QVERIFY(!panel.picTitle->hasPicture());
        QCOMPARE(panel.lblDescription->Caption(), QStringLiteral("<b>Description:</b>"));
        QCOMPARE(panel.formatLink(0), m_site.root() + QStringLiteral("/media/%1/5").arg(q(v.id)));
        QCOMPARE(panel.DownloadPage->RunningCount(), 0);
    }

    void otherMapOrder()
    {
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(loadId(panel, demosite::ids::mapOrder));
        QVERIFY(seam.calls.isEmpty());
        QCOMPARE(enabledSlots(panel), QStringLiteral("0,1,3,4"));
        QCOMPARE(panel.selectedFormat(), 4);
        QVERIFY(panel.formatLink(1).endsWith(QStringLiteral("/34")));
        QVERIFY(panel.formatLink(2).isEmpty());
    }

    void mapLinks()
    {
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(loadId(panel, demosite::ids::mapDuplicateCode));
        QVERIFY(panel.formatLink(3).endsWith(QStringLiteral("?copy=2")));
        // Percent-encoded UTF-8 inside a link is decoded once only, with the map.
        QVERIFY(loadId(panel, demosite::ids::mapUtf8Link));
        QVERIFY(panel.formatLink(3).endsWith(QStringLiteral("/18?title=caf%C3%A9")));
        QVERIFY(seam.calls.isEmpty());
    }

    void noLinks_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("failingPath");
        QTest::newRow("no map") << q(demosite::ids::noMap) << QString();
        QTest::newRow("only unknown codes") << q(demosite::ids::unknownCodes) << QString();
        QTest::newRow("page answers 500") << q(demosite::ids::allSix) << QStringLiteral("/watch");
    }
    void noLinks()
    {
        QFETCH(QString, id);
        QFETCH(QString, failingPath);
        if (!failingPath.isEmpty())
            m_site.rule(failingPath, 0, 500);
        SeamRecorder seam;
        VideoPanel panel;
        QSignalSpy tabs(&panel, &VideoPanel::requestTab);
        QVERIFY(load(panel, m_site.watchUrl(id)));
        const QList<UiSeam::Call> boxes = seam.callsOf(UiSeam::Kind::MessageBox);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().text, QStringLiteral("Sorry. No download links found on this page. "));
        QCOMPARE(boxes.first().title, QStringLiteral("No links"));
        QCOMPARE(boxes.first().style, 48);
        QCOMPARE(panel.windowTitle(), QStringLiteral("Clipvault"));
        QVERIFY(panel.lblTitle->text().isEmpty());
        QCOMPARE(enabledSlots(panel), QString());
        QVERIFY(!panel.cmdDownload->isEnabled());
        QCOMPARE(panel.DownloadPicTitle->RunningCount(), 0);
        QCOMPARE(tabs.size(), 0);
    }

    void brokenMap_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("entry without bar") << q(demosite::ids::mapNoBar)
                                           << "Error 5 (Invalid procedure call or argument)" << "3";
        QTest::newRow("code no number") << q(demosite::ids::mapBadCode) << "Error 13 (Type mismatch)" << "3";
        QTest::newRow("bad percent") << q(demosite::ids::mapBadPercent) << "Error 13 (Type mismatch)" << "";
    }
    void brokenMap()
    {
        QFETCH(QString, id);
        QFETCH(QString, error);
        QFETCH(QString, enabled);
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(load(panel, m_site.watchUrl(id)));
        const QStringList messages = seam.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(error + QStringLiteral(" on line ")), qPrintable(messages.first()));
        QVERIFY(messages.first().endsWith(QStringLiteral(" in procedure GetURLs of Module modFunctions")));
        QCOMPARE(enabledSlots(panel), enabled);
        QVERIFY(!panel.cmdDownload->isEnabled());
        QVERIFY(!panel.cmdPreview->isEnabled());
        QVERIFY(panel.lblTitle->text().isEmpty());
    }

    void titles_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("description");
        QTest::newRow("escaped apostrophes") << q(demosite::ids::escapedApostrophe)
                                             << "Rock 'n' Roll Piano Lesson" << QString();
        QTest::newRow("entities") << q(demosite::ids::entities) << "Tom & Jerry Best Chases Compilation"
                                  << "<b>Description:</b> The chases & the crashes, all in one.  link  text";
        QTest::newRow("punctuation") << q(demosite::ids::punctuation) << "How to fix a 12 inch tap Plumbing basics"
                                     << "<b>Description:</b> Tools: a wrench and a  washer . Steps <1> to <5> below.";
        QTest::newRow("non-ASCII") << q(demosite::ids::nonAscii) << "Café Müller – 日本語の字幕付き"
                                   << "<b>Description:</b> Eine Aufführung, schön gefilmt. 日本語の字幕  付き ." ;
        QTest::newRow("cleans to nothing") << q(demosite::ids::emptyTitle) << "" << QString();
    }
    void titles()
    {
        QFETCH(QString, id);
        QFETCH(QString, title);
        QFETCH(QString, description);
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(load(panel, m_site.watchUrl(id)));
        QVERIFY(seam.calls.isEmpty());
        QCOMPARE(panel.lblTitle->text(), title);
        QCOMPARE(panel.videoTitle(), title);
        if (!description.isNull())
            QCOMPARE(panel.lblDescription->Caption(), description);
    }

    void badDuration()
    {
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(loadId(panel, demosite::ids::allSix));
        QVERIFY(loadId(panel, demosite::ids::badLength));
        const QStringList messages = seam.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith(QStringLiteral("Error 13 (Type mismatch) on line ")));
        QVERIFY(messages.first().endsWith(QStringLiteral(" in procedure GetAllInfo of Module modFunctions")));
        // Read before the duration: new; from the duration on: the earlier video's.
        QCOMPARE(panel.lblTitle->text(), QStringLiteral("Duration that is no number"));
        QCOMPARE(panel.lblAuthor->text(), QStringLiteral("edgecaselab"));
        QCOMPARE(panel.lblDuration->text(), QStringLiteral("3:32"));
        QCOMPARE(panel.lblRating->text(), QStringLiteral("4.85 / 5   (1,234 votes)"));
        QCOMPARE(panel.lblViews->text(), QStringLiteral("1,234,567"));
        QVERIFY(panel.cmdDownload->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
    }

    void related_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("replaced");
        QTest::newRow("four items") << q(demosite::ids::related4) << 4;
        QTest::newRow("nine items") << q(demosite::ids::related9) << 6;
        QTest::newRow("two without links") << q(demosite::ids::relatedNoLink) << 4;
        QTest::newRow("no section") << q(demosite::ids::noRelated) << 0;
    }
    void related()
    {
        QFETCH(QString, id);
        QFETCH(int, replaced);
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(loadId(panel, demosite::ids::allSix));
        std::array<QString, 6> oldTags, oldTips;
        std::array<QImage, 6> oldPictures;
        for (int k = 0; k < 6; ++k) {
            QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[k]->hasPicture(), 10000);
            oldTags[k] = panel.picRelated[k]->tag();
            oldTips[k] = panel.picRelated[k]->toolTip();
            oldPictures[k] = panel.picRelated[k]->picture();
        }

        QVERIFY(load(panel, m_site.watchUrl(id)));
        QVERIFY(seam.calls.isEmpty());
        const std::vector<const demosite::Video *> related = demosite::relatedVideos(video(id.toStdString()));
        for (int k = 0; k < replaced; ++k) {
            QCOMPARE(panel.picRelated[k]->tag(), m_site.watchUrl(q(related[k]->id)));
            QCOMPARE(panel.picRelated[k]->toolTip(), modFunctions::CleanTitle(q(related[k]->title)));
            if (panel.picRelated[k]->tag() != oldTags[k])
                QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[k]->picture() != oldPictures[k], 10000);
        }
        for (int k = replaced; k < 6; ++k) {
            QCOMPARE(panel.picRelated[k]->tag(), oldTags[k]);
            QCOMPARE(panel.picRelated[k]->toolTip(), oldTips[k]);
            QCOMPARE(panel.DownloadRelated[k]->RunningCount(), 0);
            QCOMPARE(panel.picRelated[k]->picture(), oldPictures[k]);
        }
    }

    void lateThumbnail()
    {
        const demosite::Video &v = video(demosite::ids::allSix);
        m_site.rule(QStringLiteral("/vi/%1/default.jpg").arg(q(v.id)), 1500);
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(loadId(panel, v.id));
        QVERIFY(!panel.picTitle->hasPicture());
        panel.loadAddress(QStringLiteral("typed something else"));
        QVERIFY(panel.lblTitle->text().isEmpty());
        // The thumbnail of the earlier page still lands in the box.
        QSignalSpy arrived(panel.DownloadPicTitle, &Downloader::Complete);
        QVERIFY(arrived.wait(10000));
        QVERIFY(panel.picTitle->hasPicture());
        QCOMPARE(panel.picTitle->picture().size(), QSize(120, 90));
    }

    void thumbnailFailures()
    {
        const demosite::Video &v = video(demosite::ids::allSix);
        const QString thumbnail = QStringLiteral("/vi/%1/default.jpg").arg(q(v.id));
        SeamRecorder seam;
        VideoPanel panel;

        // Nothing arrives before the transfer gives up: the built-in placeholder is shown.
        m_site.rule(thumbnail, 4000);
        panel.DownloadPicTitle->setIdleTimeout(300);
        QVERIFY(loadId(panel, v.id));
        QSignalSpy arrived(panel.DownloadPicTitle, &Downloader::Complete);
        QVERIFY(arrived.wait(10000));
        QVERIFY(arrived.first().at(1).toByteArray().isEmpty());
        QVERIFY(panel.picTitle->hasPicture());
        QCOMPARE(panel.picTitle->picture(), PictureFromBytes(QByteArray()));

        // An error page is no picture: the box stays empty and ignores clicks.
        m_site.rule(thumbnail, 0, 404);
        panel.DownloadPicTitle->setIdleTimeout(10000);
        QVERIFY(load(panel, m_site.watchUrl(q(v.id)) + QStringLiteral("&again=1")));
        QVERIFY(arrived.wait(10000));
        QVERIFY(!arrived.last().at(1).toByteArray().isEmpty());
        QVERIFY(!panel.picTitle->hasPicture());
        QTest::mouseClick(panel.picTitle, Qt::LeftButton);
        QTest::mouseClick(panel.picTitle, Qt::RightButton);
        QVERIFY(seam.calls.isEmpty());
        QVERIFY(!frmMenu::instance()->mnuPopupImageSave->isVisible());
        QVERIFY(panel.popupPicture().isNull());
    }

    void saveImage()
    {
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(loadId(panel, demosite::ids::allSix));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[2]->hasPicture(), 10000);

        QTemporaryDir pictures;
        AppState::ImageSavePath() = pictures.path() + QStringLiteral("/");
        const QString folder = pictures.path() + QStringLiteral("/saved/");
        QVERIFY(QDir().mkpath(folder));
        frmMenu *menu = frmMenu::instance();

        struct Case
        {
            ThumbnailBox *box;
            QString file;
        };
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
            const QList<UiSeam::Call> dialogs = seam.callsOf(UiSeam::Kind::SaveFile);
            QCOMPARE(dialogs.size(), 1);
            QCOMPARE(dialogs.first().title, QStringLiteral("Save Image"));
            QCOMPARE(dialogs.first().filter, QStringLiteral("JPG Image (*.jpg)"));
            QCOMPARE(dialogs.first().suffix, QStringLiteral("jpg"));
            QCOMPARE(dialogs.first().folder, before);
            QVERIFY(seam.messages().isEmpty());

            QImageReader reader(c.file);
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            QCOMPARE(reader.size(), QSize(120, 90));
            QCOMPARE(AppState::ImageSavePath(), folder);
        }
        QFile settings(Settings::FilePath());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(settings.readAll()).contains(QStringLiteral("ImageSavePath=") + folder));
        // A title-box shell open did not happen on the right button.
        QVERIFY(seam.callsOf(UiSeam::Kind::ShellOpen).isEmpty());
    }

    void clicks()
    {
        SeamRecorder seam;
        VideoPanel panel;
        QTest::mouseClick(panel.picRelated[0], Qt::LeftButton); // never had a thumbnail
        QVERIFY(panel.txtYouTube->text().isEmpty());

        QVERIFY(loadId(panel, demosite::ids::allSix));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
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

    void recognition()
    {
        SeamRecorder seam;
        VideoPanel panel;
        const QString prefix = m_site.root() + QStringLiteral("/watch?v=");
        // One character short of an identifier: nothing is fetched.
        panel.loadAddress(prefix + QStringLiteral("sunsetBeac"));
        QCOMPARE(panel.DownloadPage->RunningCount(), 0);
        QCOMPARE(panel.windowTitle(), QString());

        // Capitals pass the test; the address goes out as typed (the site then knows no such path).
        QVERIFY(load(panel, m_site.root() + QStringLiteral("/WATCH?V=sunsetBeach")));
        QVERIFY(m_site.requestLog().contains(QStringLiteral("/WATCH?V=sunsetBeach")));
        QCOMPARE(seam.messages(), QStringList{QStringLiteral("Sorry. No download links found on this page. ")});

        // Enter fetches the same page again.
        m_site.clear();
        QSignalSpy done(panel.DownloadPage, &Downloader::Complete);
        panel.loadAddress(prefix + QStringLiteral("sunsetBeach"));
        QVERIFY(done.wait(15000));
        QTest::keyClick(panel.txtYouTube, Qt::Key_Return);
        QCOMPARE(panel.windowTitle(), Waiting);
        QVERIFY(done.wait(15000));
        QCOMPARE(m_site.requestLog().count(QStringLiteral("/watch?v=sunsetBeach")), 2);
        QCOMPARE(panel.windowTitle(), QStringLiteral("Clipvault"));
    }

    void pageOfOurOwn()
    {
        // Markers in other surroundings and another order than the demo pages use.
        writeExtraPage(QStringLiteral("ownPage0001"), QStringLiteral(
            "<html><body><p>data-discoverbox-username=\"first_author\" >x</p>\n"
            "<i>watch-view-count\">1%2C000</span></i> RatingMessage\"><span class=\"smallText\">7 votes</span>\n"
            "<script>cfg = {'VIDEO_ID': 'sunsetBeach', 'VIDEO_TITLE': 'Our page: \\'quoted\\' &amp; more && less',\n"
            "args: {\"rv.3.rating\": \"3.14159\", \"fmt_url_map\": \"35%7Chttp%3A%2F%2Fh%2Fa%2C5%7Chttp%3A%2F%2Fh%2Fb\", "
            "\"length_seconds\": \"61\", \"z\": \"0\"}}</script>\n"
            "<div class=\"watch-video-desc description\"><span >Plain &amp; <em>simple</em></span></div>\n"
            "<span class=\"watch-video-added post-date\">Today</span>\n"
            "<div id=\"watch-related-vids-body\"><a onclick=\"go(this.getAttribute('ql'), '%1', 'Piano: \\'n\\'')\">"
            "</a><a href=\"/watch?v=pianoLesson\" title=\"t\">t</a><div class=\"clearL\"></div></body></html>")
            .arg(m_site.thumbnailUrl(QStringLiteral("pianoLesson"))));
        SeamRecorder seam;
        VideoPanel panel;
        QVERIFY(load(panel, m_site.watchUrl(QStringLiteral("ownPage0001"))));
        QVERIFY(seam.calls.isEmpty());
        QCOMPARE(enabledSlots(panel), QStringLiteral("0,2"));
        QCOMPARE(panel.selectedFormat(), 2);
        QCOMPARE(panel.formatLink(2), QStringLiteral("http://h/a"));
        QCOMPARE(panel.lblTitle->text(), QStringLiteral("Our page 'quoted' & more & less"));
        QCOMPARE(panel.lblAuthor->text(), QStringLiteral("first_author"));
        QCOMPARE(panel.lblPublished->text(), QStringLiteral("Today"));
        QCOMPARE(panel.lblDuration->text(), QStringLiteral("1:01"));
        QCOMPARE(panel.lblRating->text(), QStringLiteral("3.14 / 5   (7 votes)"));
        QCOMPARE(panel.lblViews->text(), QStringLiteral("1,000"));
        QCOMPARE(panel.lblDescription->Caption(), QStringLiteral("<b>Description:</b> Plain &  simple"));
        QCOMPARE(panel.picRelated[0]->tag(), m_site.watchUrl(QStringLiteral("pianoLesson")));
        QCOMPARE(panel.picRelated[0]->toolTip(), QStringLiteral("Piano 'n'"));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[0]->hasPicture(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(panel.picTitle->hasPicture(), 10000);
    }

    void accessibility()
    {
        VideoPanel panel;
        const QList<QWidget *> widgets = panel.findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            if (w->inherits("QLabel") || w->inherits("QGroupBox") || w->inherits("ucFormattedLabel"))
                continue; // these name themselves by their text
            QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        }
        QCOMPARE(panel.txtYouTube->accessibleName(), QStringLiteral("Video URL:"));
        QCOMPARE(panel.OptVideoType[3]->objectName(), QStringLiteral("OptVideoType_3"));
        QCOMPARE(panel.OptVideoType[3]->text(), QStringLiteral("MP4 (Normal Quality)"));
        QCOMPARE(panel.picTitle->accessibleDescription(),
                 QStringLiteral("Click this image to go to the corresponding YouTube page"));
        QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("lblRatingCaption"))->buddy(), panel.lblRating);
    }
};

QTEST_MAIN(TestVideoPanel)
#include "tst_videopanel.moc"
