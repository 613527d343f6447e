// The video panel with pages of today's kind: the real extractor (Debian's yt-dlp) reads the demo
// site's pages, the panel shows what they hold; failures end in "No links" with the reason, and
// a changed address ends the extractor that was asked before.

#include "pages/ExtractorLookup.h"
#include "analysis/ThumbnailBox.h"
#include "PanelChecks.h"
#include "base/AppState.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "controls/ucFormattedLabel.h"
#include "demosite/clips.h"
#include "dialogs/frmMenu.h"
#include "support/DemoSite.h"
#include "support/ProcessGroup.h"
#include "support/StandIn.h"
#include "videoinfo/VideoText.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Title = QStringLiteral("Clipvault");
const QString Waiting = QStringLiteral("Clipvault - Reading the page with the video extractor. Please wait...");
const QString NoLinks = QStringLiteral("Sorry. No download links found on this page. \n");

QStringList otherFormats(const VideoPanel &panel)
{
    QStringList labels;
    for (int row = 0; row < panel.lstOtherFormats->count(); ++row)
        labels << panel.lstOtherFormats->item(row)->text();
    return labels;
}

} // namespace

class TestExtractorPanel : public QObject
{
    Q_OBJECT

private:
    DemoSite m_site;
    QTemporaryDir m_dir;

    QString clipUrl(std::string_view name) const { return m_site.root() + q(demosite::clipPagePath(name)); }

    // A shell script in the test folder that stands in for the extractor.
    QString standIn(const QString &name, const QByteArray &body) { return StandIn::Write(m_dir.filePath(name), body); }

    // The program's setting of that name ("ExtractorPath", "ExtractorTimeout"); empty: the default.
    static void setSetting(const QString &name, const QString &value)
    {
        IniFile::write(QStringLiteral("Settings"), name, value, Settings::FilePath());
    }

    // Waits for the extractor's answer: the tab request of a shown page, or a message box.
    static bool settle(const SeamRecorder &seam, QSignalSpy &tabs)
    {
        return QTest::qWaitFor([&] { return !tabs.isEmpty() || !seam.callsOf(UiSeam::Kind::MessageBox).isEmpty(); },
                               90000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<VideoInfo>();
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
        AppState::setAppPath(m_dir.path());
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("extra/watch"))));
        QVERIFY(m_site.start({QStringLiteral("--extra"), m_dir.filePath(QStringLiteral("extra"))}));
        new frmMenu(nullptr);
    }

    void init()
    {
        setSetting(QStringLiteral("ExtractorPath"), QString());
        // The real extractor may be slow to start on a busy machine: the usual time-out, except
        // where a test waits for it to give up.
        setSetting(QStringLiteral("ExtractorTimeout"), QString());
    }
    void cleanup() { m_site.clear(); }

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
            QFile page(m_dir.filePath(QStringLiteral("extra/watch/%1.html").arg(watchCopy)));
            QVERIFY(page.open(QIODevice::WriteOnly));
            page.write(m_site.get(q(demosite::clipPagePath(c.name))));
            address = m_site.watchUrl(watchCopy);
        }
        auto &&[seam, panel, tabs] = Shown();

        // A watch page first, so that the related pictures hold something to clear.
        QVERIFY(LoadPage(panel, m_site.watchUrl(QStringLiteral("sunsetBeach"))));
        QTRY_VERIFY_WITH_TIMEOUT(panel.picRelated[0]->hasPicture(), 15000);
        tabs.clear();

        panel.loadAddress(address);
        QTRY_COMPARE_WITH_TIMEOUT(panel.windowTitle(), Waiting, 15000);
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
        QVERIFY(LoadPage(panel, m_site.watchUrl(QStringLiteral("sunsetBeach"))));
        QVERIFY(!lookup->isAsking());
        QCOMPARE(asked.size(), 3);
    }

    // No answer that can be shown: "No links" with one more sentence saying why, and a window
    // that goes on working.
    void failuresSayWhy_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("reason");
        const QString noVideo = clipUrl(demosite::clips::noVideo);
        QTest::newRow("page without a video") << noVideo << QString()
                                              << "The video extractor says: ERROR: Unsupported URL: " + noVideo + " ";
        QTest::newRow("page that never answers") << clipUrl(demosite::clips::silent) << QString()
                                                 << "The video extractor gave no answer in time. ";
        const QString nowhere = m_dir.filePath(QStringLiteral("nowhere/yt-dlp"));
        QTest::newRow("extractor not installed")
            << clipUrl(demosite::clips::jsonLd) << nowhere
            << "The video extractor " + nowhere + " is not installed or cannot be started. ";
        // Stand-ins that answer what no extractor should.
        const QString page = clipUrl(demosite::clips::jsonLd);
        QTest::newRow("huge answer") << page << standIn("huge", "exec yes '{\"title\": \"again and again\"}'")
                                     << "The video extractor's answer was too large. ";
        QTest::newRow("malformed answer") << page << standIn("malformed", "printf '{\"title\": \"x\", \"formats\": [{\"url\": '")
                                          << "The video extractor's answer could not be read. ";
        QTest::newRow("only local and inline addresses")
            << page
            << standIn("local", R"(echo '{"title": "x", "thumbnail": "file:///etc/hostname", "formats": [)"
                                R"({"format_id": "18", "url": "file:///etc/passwd", "protocol": "file"},)"
                                R"({"format_id": "22", "url": "data:video/mp4;base64,AAAA", "protocol": "data"}]}')")
            << "The video extractor found no video that can be downloaded. ";
    }
    void failuresSayWhy()
    {
        QFETCH(QString, address);
        QFETCH(QString, program);
        QFETCH(QString, reason);
        setSetting(QStringLiteral("ExtractorPath"), program);
        if (reason.endsWith(QStringLiteral("gave no answer in time. ")))
            setSetting(QStringLiteral("ExtractorTimeout"), QStringLiteral("6")); // read at each question
        auto &&[seam, panel, tabs] = Shown();
        panel.loadAddress(address);
        QVERIFY(settle(seam, tabs));
        QCOMPARE(seam.messages(), QStringList{NoLinks + reason});
        QCOMPARE(seam.calls.first().title, QStringLiteral("No links"));
        QCOMPARE(panel.windowTitle(), Title);
        QVERIFY(tabs.isEmpty() && panel.lblTitle->text().isEmpty());
        QVERIFY(!panel.cmdDownload->isEnabled() && !panel.lstOtherFormats->isEnabled());

        // The window goes on: a watch page loads as ever.
        QVERIFY(LoadPage(panel, m_site.watchUrl(QStringLiteral("sunsetBeach"))));
        QVERIFY(panel.cmdDownload->isEnabled());
    }
};

QTEST_MAIN(TestExtractorPanel)
#include "tst_extractorpanel.moc"
