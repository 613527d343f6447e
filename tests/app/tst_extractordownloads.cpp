// Encodings read by the video extractor, downloaded through the download list of the real
// window: a single file by the transfer layer with the headers the extractor gives for it, an
// HLS stream and video and audio apart (a test card and a tone that ffmpeg makes) by the real
// extractor (Debian's yt-dlp, with ffmpeg) into the row's file; presets chosen in "Preset:",
// whose files are read back by ffprobe. Small shell scripts stand in for the extractor through
// ExtractorPath where it has to fail.

#include "pages/ExtractorLookup.h"
#include "analysis/VideoPanel.h"
#include "demosite/clips.h"
#include "demosite/mediacontent.h"
#include "queue/DownloadJournal.h"
#include "queue/DownloadNames.h"
#include "downloads/DownloadPanel.h"
#include "queue/EncodingChoice.h"
#include "queue/ProgressText.h"
#include "recipes/PresetChoice.h"
#include "recipes/PresetStore.h"
#include "recipes/RecipeArguments.h"
#include "extractor/ExtractorDownloads.h"
#include "extractor/ExtractorProgram.h"
#include "support/MediaTools.h"
#include "support/ProcessGroup.h"
#include "support/StandIn.h"
#include "support/SeamRecorder.h"
#include "transfer/Downloader.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

using Recipes::Preset;
Q_DECLARE_METATYPE(Recipes::Preset)

namespace {

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The percentages of a row's captions while it downloads, in order.
QList<int> percentages(const QStringList &captions)
{
    static const QRegularExpression percent(QStringLiteral("^Downloading\\.\\.\\. .* - ([0-9]+)%$"));
    QList<int> shown;
    for (const QString &caption : captions)
        if (const QRegularExpressionMatch match = percent.match(caption); match.hasMatch())
            shown.append(match.captured(1).toInt());
    return shown;
}

// A percentage below 100 in a row's captions: the bar moved while the bytes arrived.
bool showsProgress(const QStringList &captions)
{
    const QList<int> shown = percentages(captions);
    return std::any_of(shown.begin(), shown.end(), [](int percent) { return percent > 0 && percent < 100; });
}

} // namespace

class TestExtractorDownloads : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    QTemporaryDir m_scripts;
    bool m_card = false;
    static constexpr int CardSeconds = 4;

    QString clipUrl(std::string_view name) const { return site.root() + q(demosite::clipPagePath(name)); }

    // Shows a page of today's kind in the video tab and waits until the extractor has answered.
    static bool showClip(VideoPanel *video, const QString &address)
    {
        video->loadAddress(address);
        return QTest::qWaitFor([video] { return !video->extractorLookup()->isAsking() && video->selectedEncoding(); },
                               90000);
    }

    // Reads page in the window's video tab, chooses the preset called name in "Preset:" and
    // presses Download; false unless that adds a row.
    static bool downloadWith(frmMain *window, const QString &page, const QString &name)
    {
        VideoPanel *video = window->videoPanel();
        video->reloadPresets();
        if (!showClip(video, page) || video->cboPreset->findText(name) <= 0)
            return false;
        video->cboPreset->setCurrentIndex(video->cboPreset->findText(name));
        video->cmdDownload->click();
        return QTest::qWaitFor([window] { return window->downloadPanel()->lvwDownloads->topLevelItemCount() == 1; }, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_scripts.isValid());
        // The extractor keeps a cache in the user's folders: this test's own.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_scripts.filePath(QStringLiteral("cache"))));
        // Real media for the merge, made once; without ffmpeg the merge is skipped.
        m_card = ExtractorProgram::CanMerge()
                 && MediaTools::MakeCardPage(m_scripts.filePath(QStringLiteral("site/files/card")), CardSeconds);
        // Media at a pace at which a bar is seen moving.
        QVERIFY(startSite({QStringLiteral("--media-rate"), QStringLiteral("600000"), QStringLiteral("--extra"),
                           m_scripts.filePath(QStringLiteral("site"))}));
    }

    void init() { QVERIFY(clearFolders()); }
    void cleanup() { site.clear(); }

    // What the list is handed for each kind of encoding, and for encodings it must refuse.
    void choiceOfAnEncoding_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("key"); // empty: nothing is added
        QTest::addColumn<bool>("byExtractor");
        using Kind = VideoEncoding::Kind;
        const QString page = QStringLiteral("https://videos.example/v/42");
        const QString file = QStringLiteral("https://cdn.example/a.mp4"), hls = QStringLiteral("https://cdn.example/720/index.m3u8");
        QTest::newRow("single file") << int(Kind::SingleFile) << file << page << file << false;
        QTest::newRow("single file of a local path") << int(Kind::SingleFile) << "file:///etc/passwd" << page << "" << false;
        QTest::newRow("stream") << int(Kind::Stream) << hls << page << hls << true;
        QTest::newRow("merged") << int(Kind::Merged) << "" << page << page + "#format=v1+a1" << true;
        QTest::newRow("stream of an inline address") << int(Kind::Stream) << "data:text/plain,x" << page << page + "#format=v1+a1" << true;
        QTest::newRow("merged from a page that is no web page") << int(Kind::Merged) << "" << "file:///tmp/page.html" << "" << false;
    }
    void choiceOfAnEncoding()
    {
        QFETCH(int, kind);
        QFETCH(QString, address);
        QFETCH(QString, page);
        QFETCH(QString, key);
        QFETCH(bool, byExtractor);
        VideoEncoding encoding;
        encoding.kind = static_cast<VideoEncoding::Kind>(kind);
        encoding.formatId = QStringLiteral("v1+a1");
        encoding.address = address;
        encoding.container = QStringLiteral("mkv");
        encoding.headers = {{"User-Agent", "Agent/1.0"}, {"Cookie", "session=1"}};
        const DownloadChoice choice = EncodingChoice::Of(encoding, page);
        QCOMPARE(choice.mediaAddress, key);
        QCOMPARE(choice.byExtractor, byExtractor);
        QCOMPARE(choice.suffix, QStringLiteral(".mkv"));
        // Headers go with a single file only: the extractor sends its own.
        QCOMPARE(choice.headers, !key.isEmpty() && !byExtractor ? encoding.headers : RequestHeaders());
    }

    // The best entry of "Other formats:" downloaded through the list, its bar moving on the way:
    // the schema.org page's file by the transfer layer with the extractor's headers, byte for
    // byte; the HLS stream by the extractor; video and audio apart joined by the extractor with
    // ffmpeg, as "Best video and audio (merged)" (the bar counts the streams one after the other
    // and never runs back), or refused by ffmpeg for the demo site's generated bytes, the row
    // ending with the extractor's line saying so. Nothing else of the run is left in the folder.
    void downloadsTheChosenFormat_data()
    {
        using Kind = VideoEncoding::Kind;
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes"); // of the file; empty: the card and tone, read by ffprobe
        QTest::addColumn<QString>("saveIn");   // a folder in the videos folder; empty: that folder
        QTest::addColumn<bool>("refused");
        const demosite::Clip &jsonLd = *demosite::findClip(demosite::clips::jsonLd);
        const demosite::Clip &hls = *demosite::findClip(demosite::clips::hls);
        const QByteArray stream = StandIn::ClipMedia(hls, *demosite::findClipSource(hls, 720));
        const QString hlsPage = q(demosite::clipPagePath(hls.name)), card = QStringLiteral("/files/card/index.html");
        QTest::newRow("single file") << q(demosite::clipPagePath(jsonLd.name)) << int(Kind::SingleFile)
                                     << StandIn::ClipMedia(jsonLd, jsonLd.sources.front()) << QString() << false;
        QTest::newRow("HLS stream") << hlsPage << int(Kind::Stream) << stream << QString() << false;
        // The extractor reads its output path as a template: the "%" of a folder's name, even one
        // that starts a field there, stays a "%".
        QTest::newRow("HLS stream into a folder named with %") << hlsPage << int(Kind::Stream) << stream << "100% clips %(id)s" << false;
        QTest::newRow("merged, real media") << card << int(Kind::Merged) << QByteArray() << QString() << false;
        QTest::newRow("merged, bytes ffmpeg refuses") << q(demosite::clipPagePath(demosite::clips::separate)) << int(Kind::Merged)
                                                      << QByteArray() << QString() << true;
    }
    void downloadsTheChosenFormat()
    {
        QFETCH(QString, page);
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, saveIn);
        QFETCH(bool, refused);
        const bool merged = kind == int(VideoEncoding::Kind::Merged);
        if (merged && !ExtractorProgram::CanMerge())
            QSKIP("ffmpeg is not installed (scripts/install-deps.sh)");
        QVERIFY2(m_card || !merged || refused, "ffmpeg made no media");
        const QString folder = saveIn.isEmpty() ? videos.path() : videos.filePath(saveIn);
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        downloads->setSavePath(folder + QLatin1Char('/'));
        QVERIFY(showClip(video, site.root() + page));
        const VideoEncoding encoding = *video->selectedEncoding();
        QCOMPARE(int(encoding.kind), kind);
        if (merged)
            QCOMPARE(video->lstOtherFormats->currentItem()->text(), QStringLiteral("Best video and audio (merged)"));

        // The row's captions after each report of its fetcher (the list has handled it by then).
        QStringList captions;
        const auto record = [downloads, &captions] {
            if (downloads->records().count() > 0)
                captions.append(downloads->records().at(0).caption);
        };
        QObject guard;
        connect(downloads->DownloadVid, &Downloader::Progress, &guard, record);
        connect(downloads->DownloadStream, &ExtractorDownloads::Progress, &guard, record);
        if (kind == int(VideoEncoding::Kind::Stream)) // held a moment, so that the bar is seen between segments
            site.rule(q(demosite::clipSegmentPath(demosite::clips::hls, 720, 3)), 1000);
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QVERIFY(downloads->anyDownloading());
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 120000);
        const DownloadRecord row = downloads->records().at(0);
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(row.byExtractor, kind != int(VideoEncoding::Kind::SingleFile));
        QVERIFY2(row.fileName.endsWith(encoding.fileSuffix()), qPrintable(row.fileName));
        // The first of two streams ends the bar at half way.
        const QList<int> shown = percentages(captions);
        QVERIFY2(showsProgress(captions) && (!merged || (std::is_sorted(shown.begin(), shown.end()) && shown.contains(50))),
                 qPrintable(captions.join(QLatin1Char('\n'))));
        if (refused) {
            QCOMPARE(row.state, int(StateError));
            QVERIFY2(row.caption.startsWith(QStringLiteral("Download failed: Postprocessing: ")), qPrintable(row.caption));
            QTRY_COMPARE_WITH_TIMEOUT(everythingIn(folder), QStringList(), 15000);
            return;
        }
        QCOMPARE(row.caption, ProgressText::Downloaded); // a failed row says why
        // No partial file, no work folder of the extractor.
        QTRY_COMPARE(everythingIn(folder), QStringList{row.fileName});
        QCOMPARE(downloads->DownloadStream->RunningCount(), 0);
        if (merged) {
            const MediaTools::Probed media = MediaTools::Probe(videos.filePath(row.fileName));
            QVERIFY2(media.container.startsWith(QStringLiteral("matroska")), qPrintable(media.container));
            QCOMPARE(media.kinds(), (QStringList{"video", "audio"}));
            QVERIFY2(std::abs(media.seconds - CardSeconds) < 0.2, qPrintable(QString::number(media.seconds)));
        } else {
            QVERIFY(StandIn::FileBytes(QDir(folder).filePath(row.fileName)) == bytes);
        }
        if (kind == int(VideoEncoding::Kind::SingleFile)) { // asked for with the user agent the extractor named for it
            const auto agent = std::find_if(encoding.headers.begin(), encoding.headers.end(),
                                            [](const auto &header) { return header.first.toLower() == "user-agent"; });
            QVERIFY(agent != encoding.headers.end());
            QStringList sent;
            for (const DemoSite::LoggedRequest &request : site.requests())
                if (request.target == QUrl(row.key).path() && !sent.contains(request.headers.value(QStringLiteral("User-Agent"))))
                    sent << request.headers.value(QStringLiteral("User-Agent"));
            QCOMPARE(sent, QStringList{QString::fromLatin1(agent->second)});
        }
    }

    // A download stopped while the extractor still reads its page, in the middle of a stream (the
    // next fragment is asked for while the held one has not arrived: fragments come over several
    // connections), or between the two streams of a merge (the video is in, the audio on its way):
    // the row says so at once, the extractor and its children are gone and no file is left;
    // pressing Download meanwhile is refused as for any row; Start runs it again to the end. Or
    // the window closed while a stream was downloading: no extractor outlives the window, the
    // journal keeps the row as one for the extractor, and the next start runs it again from the
    // start to a whole file, removing the work folder a program killed outright leaves behind.
    void stopsADownloadAndStartsItAgain_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("asked"); // asked for meanwhile; empty: nothing else
        QTest::addColumn<bool>("closing");  // the window closes, instead of Stop
        const QString hls = q(demosite::clipPagePath(demosite::clips::hls));
        const auto segment = [](int n) { return q(demosite::clipSegmentPath(demosite::clips::hls, 720, n)); };
        QTest::newRow("a stream, while its page is read") << hls << hls << QString() << false;
        QTest::newRow("a stream, in the middle") << hls << segment(4) << segment(5) << false;
        QTest::newRow("a merge, between its streams") << "/files/card/index.html" << "/files/card/audio-1.ts"
                                                      << "/files/card/video480-1.ts" << false;
        QTest::newRow("a stream, the window closed") << hls << segment(2) << QString() << true;
    }
    void stopsADownloadAndStartsItAgain()
    {
        QFETCH(QString, page);
        QFETCH(QString, held);
        QFETCH(QString, asked);
        QFETCH(bool, closing);
        const bool merged = page.startsWith(QLatin1String("/files/card"));
        if (merged && !m_card)
            QSKIP("ffmpeg is not installed (scripts/install-deps.sh)");
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QVERIFY(showClip(video, site.root() + page));
        site.clear();
        site.rule(held, 120000);
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(held), 60000);
        if (!asked.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(asked), 30000);
            QTRY_VERIFY_WITH_TIMEOUT(showsProgress({downloads->records().at(0).caption}), 30000);
        }
        const auto [key, name] = std::pair(downloads->records().at(0).key, downloads->records().at(0).fileName);
        const qint64 group = downloads->DownloadStream->processId(key);
        QVERIFY(RunningInGroup(group) > 0);
        video->cmdDownload->click();
        QCOMPARE(seam.messages(), QStringList{QStringLiteral("You are already downloading this video! ")});
        QCOMPARE(downloads->lvwDownloads->topLevelItemCount(), 1);

        std::unique_ptr<DownloadPanel> next; // the list of the next start
        if (closing) {
            const QString journal = downloads->journal()->path();
            QVERIFY(window->close()); // the seam answers Yes to closing while downloading
            window.reset();
            QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 0, 15000);
            const DownloadJournal::Loaded loaded = DownloadJournal(journal).load();
            QCOMPARE(loaded.rows.size(), 1);
            const auto &kept = loaded.rows.first();
            QVERIFY(kept.mediaAddress == key && kept.byExtractor && kept.state == int(StateDownloading));
            QCOMPARE(kept.watchPage, site.root() + page);
            site.clear();
            const QString leftover = videos.filePath(DownloadNames::PartialFileName(key) + QStringLiteral(".work-Ab12Cd"));
            QVERIFY(QDir().mkpath(leftover));
            QVERIFY(!StandIn::Write(leftover + QStringLiteral("/media.mp4.part"), "half").isEmpty());
            // The window's start-up reads the settings beside the test program, so the list is
            // opened on its own here, as the window opens it.
            next = std::make_unique<DownloadPanel>();
            downloads = next.get();
            downloads->setSavePath(videos.path() + QLatin1Char('/'));
            downloads->openJournal(journal);
            QCOMPARE(downloads->lvwDownloads->topLevelItemCount(), 1);
            QVERIFY(downloads->records().at(0).key == key && downloads->records().at(0).byExtractor);
            QVERIFY(downloads->DownloadStream->IsRunning(key));
        } else {
            downloads->lvwDownloads->topLevelItem(0)->setSelected(true);
            downloads->mnuStop_Click();
            QCOMPARE(downloads->records().at(0).caption, ProgressText::Stopped);
            QCOMPARE(downloads->records().at(0).state, int(StateStopped));
            QVERIFY(!downloads->anyDownloading());
            QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 0, 15000);
            QTRY_COMPARE_WITH_TIMEOUT(everythingIn(videos.path()), QStringList(), 15000);
            site.clear();
            downloads->mnuStart_Click();
        }
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().at(0).state, int(StateDownloaded), 120000);
        const DownloadRecord row = downloads->records().at(0);
        QCOMPARE(row.fileName, name);
        QTRY_COMPARE(everythingIn(videos.path()), QStringList{row.fileName});
        const demosite::Clip &c = *demosite::findClip(demosite::clips::hls);
        if (merged)
            QCOMPARE(MediaTools::Probe(videos.filePath(row.fileName)).kinds(), (QStringList{"video", "audio"}));
        else
            QVERIFY(StandIn::FileBytes(videos.filePath(row.fileName)) == StandIn::ClipMedia(c, *demosite::findClipSource(c, 720)));
        QVERIFY2(closing || seam.messages().size() == 1, qPrintable(seam.messages().join(QLatin1Char('\n'))));
    }

    // A run that fails ends the row in state 4 with the extractor's own last error line, or with
    // why the extractor could not run or was ended; the window stays usable, no process of the
    // run is left and nothing is left on disk. A run that keeps reporting is not ended.
    void runEndsTheRow_data()
    {
        QTest::addColumn<QByteArray>("download"); // the stand-in's download run; "@gone": no program
        QTest::addColumn<QString>("caption");
        QTest::newRow("its own error line") << QByteArray("echo 'ERROR: [generic] the stream went away' >&2\nexit 1")
                                            << "Download failed: [generic] the stream went away";
        QTest::newRow("a video for those signed in")
            << QByteArray("echo 'ERROR: [site] 7: Sign in to confirm your age' >&2\nexit 1")
            << "Download failed: [site] 7: Sign in to confirm your age. Signing in may help: choose a browser in File > "
               "Preferences..., Sign-in.";
        QTest::newRow("extractor removed since the page was read") << QByteArray("@gone")
            << "Download failed: The video extractor " + m_scripts.filePath(QStringLiteral("gone"))
                   + " is not installed or cannot be started.";
        QTest::newRow("silent for longer than the time-out") << QByteArray("exec sleep 600")
                                                             << "Download failed: The video extractor gave no answer in time.";
        QTest::newRow("one endless line") << QByteArray("yes 0123456789 | tr -d '\\n'")
                                          << "Download failed: The video extractor's answer was too large.";
        // Reports every 300 ms for 7.5 s, beyond the time-out of 5 s, then the file in its folder.
        QTest::newRow("reporting for longer than the time-out") << QByteArray(R"sh(while [ "$1" != -o ]; do shift; done
file="${2%"%(ext)s"}mp4"
for i in $(seq 25); do echo '{"downloaded":'$i'00,"total":2500,"status":"downloading"}'; sleep 0.3; done
echo 'the stand-in made this' > "$file"
echo '{"filepath":"'"$file"'"}')sh")
            << ProgressText::Downloaded;
    }
    void runEndsTheRow()
    {
        QFETCH(QByteArray, download);
        QFETCH(QString, caption);
        const QString page = clipUrl(demosite::clips::hls);
        const QByteArray answer = QStringLiteral(R"({"id":"gone","title":"A stream that goes away","webpage_url":"%1",)"
                                                 R"("formats":[{"format_id":"hls-360","url":"%2/clipmedia/gone/index.m3u8",)"
                                                 R"("protocol":"m3u8_native","ext":"mp4","height":360}]})")
                                      .arg(page, site.root())
                                      .toUtf8();
        const QString json = m_scripts.filePath(QStringLiteral("answer.json"));
        QVERIFY(StandIn::WriteFile(json, answer));
        // The download run writes its process id, which names its process group, first (the
        // program's own question for the version is answered before that).
        const QString groupFile = m_scripts.filePath(QStringLiteral("group"));
        QFile::remove(groupFile);
        const QString script = StandIn::Write(m_scripts.filePath(QStringLiteral("failing")),
                                       "for a; do [ \"$a\" = --version ] && { echo 2023.03.04; exit 0; }; done\n"
                                       "for a; do [ \"$a\" = -J ] && exec cat '" + QFile::encodeName(json) + "'; done\n"
                                       "echo $$ > '" + QFile::encodeName(groupFile) + "'\n"
                                       "echo '[generic] downloading'\n" + download);
        setSetting(QStringLiteral("ExtractorPath"), script);

        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QVERIFY(showClip(video, page));
        QCOMPARE(video->selectedEncoding()->kind, VideoEncoding::Kind::Stream);
        if (download == "@gone")
            setSetting(QStringLiteral("ExtractorPath"), m_scripts.filePath(QStringLiteral("gone")));
        // The silent run is given up on soon; the setting is read as each run starts.
        setSetting(QStringLiteral("ExtractorTimeout"), QStringLiteral("5"));
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        const bool finishes = caption == ProgressText::Downloaded;
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().at(0).state, int(finishes ? StateDownloaded : StateError), 30000);
        QCOMPARE(downloads->records().at(0).caption, caption);
        QVERIFY(!downloads->anyDownloading());
        QCOMPARE(QFileInfo::exists(groupFile), download != "@gone");
        QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(StandIn::FileBytes(groupFile).trimmed().toLongLong()), 0, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(everythingIn(videos.path()),
                                  finishes ? QStringList{downloads->records().at(0).fileName} : QStringList(), 15000);
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));

        // Usable: the failed row goes with "Remove downloaded and failed", the next page is read.
        downloads->mnuRemoveDownError_Click();
        QCOMPARE(downloads->lvwDownloads->topLevelItemCount(), 0);
        QFile::remove(settingsFile()); // the real extractor, without a time-out: it may be slow to start on a busy machine
        QVERIFY(showClip(video, clipUrl(demosite::clips::jsonLd)));
    }

    // The preset chosen in "Preset:" gives its kind of file, with the steps of its post-processing
    // said on the way and never 100 % before the file is whole; the journal keeps the recipe.
    void presetGivesTheFile_data()
    {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QString>("container");   // how ffprobe's name for it begins
        QTest::addColumn<QStringList>("streams"); // audio by codec, moving picture by height, subtitles by language
        QTest::addColumn<QString>("step");        // a caption on the way
        QTest::addColumn<QString>("endCaption");
        QTest::addColumn<QString>("beside"); // the ending of a subtitle file beside it; empty: none
        QTest::addColumn<bool>("taken");     // a file of the user's has that name already

        const QList<Preset> builtIns = Recipes::BuiltIns();
        const auto builtIn = [&builtIns](const char *name) {
            return *std::find_if(builtIns.begin(), builtIns.end(), [name](const Preset &p) { return p.name == QLatin1String(name); });
        };
        const QString downloaded = ProgressText::Downloaded;
        const QStringList mp3{"audio mp3"}, aac{"audio aac"};
        QTest::newRow("Audio only (MP3)") << builtIn("Audio only (MP3)") << "mp3" << mp3 << "Converting to MP3..." << downloaded
                                          << QString() << false;
        QTest::newRow("Audio only (M4A)") << builtIn("Audio only (M4A)") << "mov,mp4" << aac << "Embedding thumbnail..."
                                          << downloaded << QString() << false;
        QTest::newRow("720p MP4 takes the taller") << builtIn("720p MP4") << "mov,mp4" << QStringList{"audio aac", "video 480"}
                                                   << "Embedding metadata..." << downloaded << QString() << false;
        const Preset subtitled{.name = QStringLiteral("Small with words"), .maxHeight = 360, .container = Recipes::Container::Mkv,
                               .subtitleLanguages = {QStringLiteral("en"), QStringLiteral("fr")}, .embedMetadata = true};
        QTest::newRow("360 cap, English embedded, French missing")
            << subtitled << "matroska" << QStringList{"audio aac", "subtitle eng", "video 240"} << "Embedding subtitles..."
            << downloaded + QStringLiteral(" No subtitles in: fr.") << QString() << false;
        Preset lecture = builtIn("Audio only (MP3)");
        lecture.name = QStringLiteral("Lecture");
        lecture.subtitleLanguages = QStringList{QStringLiteral("de")};
        lecture.subtitlePlacement = Recipes::SubtitlePlacement::BesideSrt;
        QTest::newRow("German beside as SubRip") << lecture << "mp3" << mp3 << "Converting to MP3..." << downloaded << ".de.srt"
                                                 << false;
        QTest::newRow("beside, where a file has its name") << lecture << "mp3" << mp3 << "Converting to MP3..." << downloaded
                                                           << ".de.srt" << true;
    }
    void presetGivesTheFile()
    {
        QFETCH(Preset, preset);
        QFETCH(QString, container);
        QFETCH(QStringList, streams);
        QFETCH(QString, step);
        QFETCH(QString, endCaption);
        QFETCH(QString, beside);
        QFETCH(bool, taken);
        if (!m_card)
            QSKIP("ffmpeg is not installed or made no media (scripts/install-deps.sh)");
        if (!Recipes::IsBuiltInName(preset.name))
            QVERIFY(Recipes::AddPreset(preset).ok);

        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QStringList captions;
        QObject guard;
        const auto record = [downloads, &captions] { captions.append(downloads->records().at(0).caption); };
        connect(downloads->DownloadStream, &ExtractorDownloads::Progress, &guard, record);
        connect(downloads->DownloadStream, &ExtractorDownloads::Step, &guard, record);
        QVERIFY(downloadWith(window.get(), site.root() + QStringLiteral("/files/card/index.html"), preset.name));
        QCOMPARE(video->lblSubtitles->text(), QStringLiteral("Subtitles: de, en"));
        const QString mine = videos.filePath(QFileInfo(downloads->records().at(0).fileName).completeBaseName() + beside);
        if (taken)
            QVERIFY(StandIn::WriteFile(mine, "the user's own"));
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 120000);
        const DownloadRecord row = downloads->records().at(0);
        QCOMPARE(row.caption, endCaption);
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QVERIFY2(row.fileName.endsWith(Recipes::FileSuffix(preset)), qPrintable(row.fileName));
        // Beside it, or under a numbered name beside a file of the user's, which stays as it was.
        const QString sideName = QFileInfo(row.fileName).completeBaseName() + beside.left(beside.lastIndexOf(QLatin1Char('.')))
                                 + (taken ? QStringLiteral(" [1]") : QString()) + beside.mid(beside.lastIndexOf(QLatin1Char('.')));
        QStringList files{row.fileName};
        if (!beside.isEmpty())
            files << sideName;
        if (taken) {
            files << QFileInfo(mine).fileName();
            QCOMPARE(StandIn::FileBytes(mine), QByteArray("the user's own"));
        }
        files.sort();
        QTRY_COMPARE(everythingIn(videos.path()), files);
        if (!beside.isEmpty())
            QVERIFY(StandIn::FileBytes(videos.filePath(sideName)).contains("00:00:00,000 --> 00:00:02,000\nHallo da"));

        // The bar starts low (the subtitles fetched first are no stream of it) and never runs back;
        // the step is said after the last percentage, and no percentage is 100.
        const qsizetype stepAt = captions.lastIndexOf(step);
        const QList<int> shown = percentages(captions.first(std::max<qsizetype>(stepAt, 0)));
        QVERIFY2(stepAt >= 0 && percentages(captions.mid(stepAt)).isEmpty() && !shown.isEmpty() && shown.first() < 50
                     && shown.last() < 100 && std::is_sorted(shown.begin(), shown.end()),
                 qPrintable(captions.join(QLatin1Char('\n'))));

        const MediaTools::Probed media = MediaTools::Probe(videos.filePath(row.fileName));
        QVERIFY2(media.container.startsWith(container), qPrintable(media.container));
        QVERIFY2(std::abs(media.seconds - CardSeconds) < 0.3, qPrintable(QString::number(media.seconds)));
        QCOMPARE(media.title, video->videoInfo().title);
        QStringList made, covers;
        for (const MediaTools::Stream &stream : media.streams) {
            if (stream.kind == QLatin1String("audio"))
                made << QStringLiteral("audio ") + stream.codec;
            else if (stream.kind == QLatin1String("video"))
                (stream.attachedPicture ? covers : made) << QStringLiteral("video %1").arg(stream.height);
            else if (stream.kind == QLatin1String("subtitle"))
                made << QStringLiteral("subtitle ") + stream.language;
        }
        made.sort();
        QCOMPARE(made, streams);
        QCOMPARE(covers.size(), preset.embedThumbnail ? 1 : 0);

        // The journal keeps the row's recipe.
        const DownloadJournal::Loaded loaded = DownloadJournal(downloads->journal()->path()).load();
        QCOMPARE(loaded.rows.size(), 1);
        QCOMPARE(loaded.rows.first().recipe, Recipes::ExtractorArguments(preset));
        QCOMPARE(loaded.rows.first().presetName, preset.name);
    }

    // A page without the container a preset asks for: the row's file is named as what the
    // extractor made (a single MP4 file, fetched as it is).
    void fileTakesTheKindTheExtractorMade()
    {
        const Preset webm{.name = QStringLiteral("WebM"), .container = Recipes::Container::Webm, .subtitleLanguages = {}};
        QVERIFY(Recipes::AddPreset(webm).ok);
        SeamRecorder seam;
        auto window = openWindow();
        DownloadPanel *downloads = window->downloadPanel();
        const demosite::Clip &clip = *demosite::findClip(demosite::clips::jsonLd);
        QStringList captions;
        QObject guard;
        connect(downloads->DownloadStream, &ExtractorDownloads::Progress, &guard,
                [downloads, &captions] { captions.append(downloads->records().at(0).caption); });
        QVERIFY(downloadWith(window.get(), clipUrl(clip.name), webm.name));
        QVERIFY(downloads->records().at(0).fileName.endsWith(QStringLiteral(".webm")));
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 120000);
        const DownloadRecord row = downloads->records().at(0);
        QCOMPARE(row.caption, ProgressText::Downloaded);
        QVERIFY2(row.fileName.endsWith(QStringLiteral(".mp4")), qPrintable(row.fileName));
        QCOMPARE(everythingIn(videos.path()), QStringList{row.fileName});
        QVERIFY(StandIn::FileBytes(videos.filePath(row.fileName)) == StandIn::ClipMedia(clip, clip.sources.front()));
        QVERIFY(seam.calls.isEmpty());
        // The one stream the extractor chose is the whole file: its bar comes near full.
        const QList<int> shown = percentages(captions);
        QVERIFY2(!shown.isEmpty() && shown.last() >= 90, qPrintable(captions.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestExtractorDownloads)
#include "tst_extractordownloads.moc"
