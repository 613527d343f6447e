// Encodings read by the video extractor, downloaded through the download list of the real
// window: a single file by the transfer layer with the headers the extractor gives for it, an
// HLS stream and video and audio apart by the real extractor (Debian's yt-dlp, with ffmpeg) into
// the row's file. Small shell scripts stand in for the extractor through ExtractorPath where it
// has to fail.

#include "pages/ExtractorLookup.h"
#include "analysis/VideoPanel.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "demosite/clips.h"
#include "demosite/mediacontent.h"
#include "queue/DownloadJournal.h"
#include "queue/DownloadNames.h"
#include "downloads/DownloadPanel.h"
#include "queue/EncodingChoice.h"
#include "queue/ProgressText.h"
#include "extractor/ExtractorDownloads.h"
#include "extractor/ExtractorProgram.h"
#include "support/MediaTools.h"
#include "support/ProcessGroup.h"
#include "support/StandIn.h"
#include "support/SeamRecorder.h"
#include "transfer/Downloader.h"
#include "WindowFixture.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList everythingIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

void setExtractorPath(const QString &program)
{
    IniFile::write(QStringLiteral("Settings"), QStringLiteral("ExtractorPath"), program, Settings::FilePath());
}

// The percentages of a row's captions while it downloads, in order.
QList<int> percentages(const QStringList &captions)
{
    static const QRegularExpression percent(QStringLiteral("^Downloading\\.\\.\\. .* - ([0-9]+)%$"));
    QList<int> shown;
    for (const QString &caption : captions) {
        const QRegularExpressionMatch match = percent.match(caption);
        if (match.hasMatch())
            shown.append(match.captured(1).toInt());
    }
    return shown;
}

// A percentage below 100 in a row's captions: the bar moved while the bytes arrived.
bool showsProgress(const QStringList &captions)
{
    const QList<int> shown = percentages(captions);
    return std::any_of(shown.begin(), shown.end(), [](int percent) { return percent > 0 && percent < 100; });
}

// A page whose video and audio come as separate HLS streams of real media that ffmpeg makes from
// its own sources: a test card of toneSeconds without sound and a tone of as long without picture.
constexpr int toneSeconds = 4;
bool makeTonePage(const QString &folder)
{
    const QString seconds = QString::number(toneSeconds);
    const QStringList hls{"-fflags", "+bitexact", "-f", "hls", "-hls_time", "2", "-hls_playlist_type", "vod",
                          "-hls_segment_filename"};
    const QStringList common{"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i"};
    if (!QDir().mkpath(folder)
        || !MediaTools::Run("ffmpeg", common + QStringList{"testsrc=size=160x120:rate=10:duration=" + seconds, "-c:v",
                                                         "libx264", "-threads", "1", "-g", "20"}
                                       + hls + QStringList{"video-%d.ts", "video.m3u8"}, folder)
        || !MediaTools::Run("ffmpeg", common + QStringList{"sine=frequency=440:sample_rate=44100:duration=" + seconds,
                                                         "-c:a", "aac"}
                                       + hls + QStringList{"audio-%d.ts", "audio.m3u8"}, folder))
        return false;
    return StandIn::WriteFile(folder + "/master.m3u8",
                           "#EXTM3U\n#EXT-X-VERSION:3\n"
                           "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Tone\",LANGUAGE=\"en\",DEFAULT=YES,"
                           "AUTOSELECT=YES,URI=\"audio.m3u8\"\n"
                           "#EXT-X-STREAM-INF:BANDWIDTH=60000,RESOLUTION=160x120,CODECS=\"avc1.4d400c,mp4a.40.2\","
                           "AUDIO=\"audio\"\nvideo.m3u8")
        && StandIn::WriteFile(folder + "/index.html",
                           "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Test card and "
                           "tone</title></head>\n<body><video controls><source src=\"master.m3u8\" "
                           "type=\"application/x-mpegURL\"></video></body></html>");
}

} // namespace

class TestExtractorDownloads : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    QTemporaryDir m_scripts;
    bool m_tonePage = false;

    QString clipUrl(std::string_view name) const { return site.root() + q(demosite::clipPagePath(name)); }

    // Shows a page of today's kind in the video tab and waits until the extractor has answered.
    static bool showClip(VideoPanel *video, const QString &address)
    {
        video->loadAddress(address);
        return QTest::qWaitFor([video] { return !video->extractorLookup()->isAsking() && video->selectedEncoding(); },
                               90000);
    }

    static void setExtractorTimeout(const QString &seconds)
    {
        IniFile::write(QStringLiteral("Settings"), QStringLiteral("ExtractorTimeout"), seconds, Settings::FilePath());
    }

    QString standIn(const QString &name, const QByteArray &body)
    {
        return StandIn::Write(m_scripts.filePath(name), body);
    }

    // Stops the list's only row while its extractor runs as process group `group`: the row says
    // so at once, and soon no process of the group and nothing in the videos folder is left.
    void stopTheOnlyRow(DownloadPanel *downloads, qint64 group)
    {
        downloads->lvwDownloads->topLevelItem(0)->setSelected(true);
        downloads->mnuStop_Click();
        QCOMPARE(downloads->records().at(0).state, int(StateStopped));
        QCOMPARE(downloads->records().at(0).caption, ProgressText::Stopped);
        QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 0, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(everythingIn(videos.path()), QStringList(), 15000);
    }

    // The row's captions after each report of its fetcher (the list has handled it by then).
    static void recordCaptions(DownloadPanel *downloads, QObject *guard, QStringList *captions)
    {
        const auto record = [downloads, captions] {
            if (downloads->records().count() > 0)
                captions->append(downloads->records().at(0).caption);
        };
        QObject::connect(downloads->DownloadVid, &Downloader::Progress, guard, record);
        QObject::connect(downloads->DownloadStream, &ExtractorDownloads::Progress, guard, record);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_scripts.isValid());
        // The extractor keeps a cache in the user's folders: this test's own.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_scripts.filePath(QStringLiteral("cache"))));
        // Real media for the merge, made once; without ffmpeg the merge is skipped.
        m_tonePage = ExtractorProgram::CanMerge() && makeTonePage(m_scripts.filePath(QStringLiteral("site/files/tone")));
        // Media at a pace at which a bar is seen moving.
        QVERIFY(startSite({QStringLiteral("--media-rate"), QStringLiteral("600000"), QStringLiteral("--extra"),
                           m_scripts.filePath(QStringLiteral("site"))}));
    }

    void init()
    {
        QFile::remove(settingsFile());
        QDir(program.filePath(QStringLiteral("data"))).removeRecursively();
        for (const QString &name : everythingIn(videos.path()))
            QVERIFY(QFile::remove(videos.filePath(name)) || QDir(videos.filePath(name)).removeRecursively());
        setExtractorPath(QString());
    }

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
        QTest::newRow("single file") << int(Kind::SingleFile) << "https://cdn.example/a.mp4" << page
                                     << "https://cdn.example/a.mp4" << false;
        QTest::newRow("single file of a local path") << int(Kind::SingleFile) << "file:///etc/passwd" << page << "" << false;
        QTest::newRow("stream") << int(Kind::Stream) << "https://cdn.example/720/index.m3u8" << page
                                << "https://cdn.example/720/index.m3u8" << true;
        QTest::newRow("merged") << int(Kind::Merged) << "" << page << page + "#format=v1+a1" << true;
        QTest::newRow("stream of an inline address") << int(Kind::Stream) << "data:text/plain,x" << page
                                                     << page + "#format=v1+a1" << true;
        QTest::newRow("merged from a page that is no web page") << int(Kind::Merged) << "" << "file:///tmp/page.html"
                                                                << "" << false;
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
        QCOMPARE(choice.encoding, encoding.formatId);
        // Headers go with a single file only: the extractor sends its own.
        QCOMPARE(choice.headers, !key.isEmpty() && !byExtractor ? encoding.headers : RequestHeaders());
    }

    // The best entry of "Other formats:" downloaded through the list, byte for byte, its bar
    // moving on the way: the schema.org page's file by the transfer layer with the extractor's
    // headers, the HLS stream by the extractor.
    void downloadsTheChosenFormat_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("stream");
        QTest::addColumn<QString>("saveIn"); // a folder in the videos folder; empty: that folder
        const demosite::Clip &jsonLd = *demosite::findClip(demosite::clips::jsonLd);
        QTest::newRow("single file") << q(jsonLd.name) << jsonLd.sources.front().code << false << QString();
        QTest::newRow("HLS stream") << q(demosite::clips::hls) << 720 << true << QString();
        // The extractor reads its output path as a template: the "%" of a folder's name, even one
        // that starts a field there, stays a "%".
        QTest::newRow("HLS stream into a folder named with %") << q(demosite::clips::hls) << 720 << true
                                                                << QStringLiteral("100% clips %(id)s");
    }
    void downloadsTheChosenFormat()
    {
        QFETCH(QString, clip);
        QFETCH(int, code);
        QFETCH(bool, stream);
        QFETCH(QString, saveIn);
        const QString folder = saveIn.isEmpty() ? videos.path() : videos.filePath(saveIn);
        const demosite::Clip &c = *demosite::findClip(clip.toStdString());
        const demosite::ClipSource &source = *demosite::findClipSource(c, code);
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        downloads->setSavePath(folder + QLatin1Char('/'));
        QVERIFY(showClip(video, clipUrl(c.name)));
        const VideoEncoding encoding = *video->selectedEncoding();
        QCOMPARE(encoding.kind != VideoEncoding::Kind::SingleFile, stream);

        QStringList captions;
        QObject guard;
        recordCaptions(downloads, &guard, &captions);
        if (stream) // held a moment, so that the bar is seen between segments
            site.rule(q(demosite::clipSegmentPath(c.name, code, 3)), 1000);
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QVERIFY(downloads->anyDownloading());
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 120000);
        const DownloadRecord &row = downloads->records().at(0);
        QCOMPARE(row.caption, ProgressText::Downloaded); // a failed row says why
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QCOMPARE(row.byExtractor, stream);
        QVERIFY2(row.fileName.endsWith(encoding.fileSuffix()), qPrintable(row.fileName));
        QVERIFY(StandIn::FileBytes(QDir(folder).filePath(row.fileName)) == StandIn::ClipMedia(c, source));
        QVERIFY2(showsProgress(captions), qPrintable(captions.join(QLatin1Char('\n'))));
        // Nothing else is left in the folder: no partial file, no work folder of the extractor.
        QTRY_COMPARE(everythingIn(folder), QStringList{row.fileName});
        QCOMPARE(downloads->DownloadStream->RunningCount(), 0);

        if (!stream) {
            // The file was asked for with the user agent the extractor named for it.
            const QByteArray agent = [&encoding] {
                for (const auto &[name, value] : encoding.headers)
                    if (name.compare("User-Agent", Qt::CaseInsensitive) == 0)
                        return value;
                return QByteArray();
            }();
            QVERIFY(!agent.isEmpty());
            const QString path = QUrl(row.key).path();
            const QList<DemoSite::LoggedRequest> requests = site.requests();
            const auto media = std::find_if(requests.begin(), requests.end(),
                                            [&path](const DemoSite::LoggedRequest &r) { return r.target == path; });
            QVERIFY(media != requests.end());
            QCOMPARE(media->headers.value(QStringLiteral("User-Agent")), QString::fromLatin1(agent));
        }
    }

    // A stream stopped while the extractor still reads its page, and again in the middle: each
    // time the extractor and its children are gone and no file is left; pressing Download again
    // meanwhile is refused as for any row; Start runs it again to the end.
    void stopsAStreamAndStartsItAgain()
    {
        const demosite::Clip &c = *demosite::findClip(demosite::clips::hls);
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QVERIFY(showClip(video, clipUrl(c.name)));
        const QString pagePath = q(demosite::clipPagePath(c.name));
        site.clear();
        site.rule(pagePath, 120000);
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(pagePath), 60000);
        const qint64 reading = downloads->DownloadStream->processId(downloads->records().at(0).key);
        QVERIFY(RunningInGroup(reading) > 0);
        stopTheOnlyRow(downloads, reading);
        if (QTest::currentTestFailed())
            return;

        site.clear();
        const QString heldSegment = q(demosite::clipSegmentPath(c.name, 720, 4));
        site.rule(heldSegment, 120000);
        downloads->mnuStart_Click();
        QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(heldSegment), 60000);
        // Fragments come over several connections (Connections, 8 by default): the next one is
        // asked for while the held one has not arrived.
        QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(q(demosite::clipSegmentPath(c.name, 720, 5))), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(showsProgress({downloads->records().at(0).caption}), 30000);
        const QString key = downloads->records().at(0).key;
        const qint64 group = downloads->DownloadStream->processId(key);
        QVERIFY(RunningInGroup(group) > 0);

        video->cmdDownload->click();
        QCOMPARE(seam.messages(), QStringList{QStringLiteral("You are already downloading this video! ")});
        QCOMPARE(downloads->lvwDownloads->topLevelItemCount(), 1);

        stopTheOnlyRow(downloads, group);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!downloads->anyDownloading());

        site.clear();
        downloads->mnuStart_Click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().at(0).state, int(StateDownloaded), 120000);
        const DownloadRecord &row = downloads->records().at(0);
        QVERIFY(StandIn::FileBytes(videos.filePath(row.fileName)) == StandIn::ClipMedia(c, *demosite::findClipSource(c, 720)));
        QCOMPARE(seam.messages().size(), 1);
    }

    // Video and audio apart, joined by the extractor with ffmpeg: "Best video and audio (merged)"
    // is the chosen entry, both streams arrive (the bar counts them one after the other) and the
    // row's file is one of both; or ffmpeg refuses the demo site's generated bytes and the row ends
    // with the extractor's line saying so. Either way nothing else of the run is left.
    void downloadsMergedStreams_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("realMedia");
        QTest::newRow("real media") << QStringLiteral("/files/tone/index.html") << true;
        QTest::newRow("bytes ffmpeg refuses") << q(demosite::clipPagePath(demosite::clips::separate)) << false;
    }
    void downloadsMergedStreams()
    {
        QFETCH(QString, page);
        QFETCH(bool, realMedia);
        if (!ExtractorProgram::CanMerge())
            QSKIP("ffmpeg is not installed (scripts/install-deps.sh)");
        QVERIFY2(m_tonePage || !realMedia, "ffmpeg made no media");
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QVERIFY(showClip(video, site.root() + page));
        QCOMPARE(video->selectedEncoding()->kind, VideoEncoding::Kind::Merged);
        QCOMPARE(video->lstOtherFormats->currentItem()->text(), QStringLiteral("Best video and audio (merged)"));
        QStringList captions;
        QObject guard;
        recordCaptions(downloads, &guard, &captions);
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state == StateDownloaded
                                     || downloads->records().at(0).state == StateError, 120000);
        const DownloadRecord row = downloads->records().at(0);
        QVERIFY(row.byExtractor);
        QVERIFY2(row.fileName.endsWith(QStringLiteral(".mkv")), qPrintable(row.fileName));
        // The bar never runs back: the first of two streams ends it at half way.
        const QList<int> shown = percentages(captions);
        QVERIFY2(showsProgress(captions) && std::is_sorted(shown.begin(), shown.end()) && shown.contains(50),
                 qPrintable(captions.join(QLatin1Char('\n'))));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        if (!realMedia) {
            QCOMPARE(row.state, int(StateError));
            QVERIFY2(row.caption.startsWith(QStringLiteral("Download failed: Postprocessing: ")), qPrintable(row.caption));
            QTRY_COMPARE_WITH_TIMEOUT(everythingIn(videos.path()), QStringList(), 15000);
            return;
        }
        QCOMPARE(row.state, int(StateDownloaded));
        QCOMPARE(row.caption, ProgressText::Downloaded);
        QTRY_COMPARE(everythingIn(videos.path()), QStringList{row.fileName});
        const MediaTools::Probed media = MediaTools::Probe(videos.filePath(row.fileName));
        QVERIFY2(media.container.startsWith(QStringLiteral("matroska")), qPrintable(media.container));
        QCOMPARE(media.kinds(), (QStringList{QStringLiteral("video"), QStringLiteral("audio")}));
        QVERIFY2(std::abs(media.seconds - toneSeconds) < 0.2, qPrintable(QString::number(media.seconds)));
    }

    // Stopped between the two streams of a merge (the video is in, the audio on its way): the
    // extractor and its group are gone and nothing of the run is left; Start fetches both again.
    void stopsAMergedDownloadBetweenItsStreams()
    {
        if (!m_tonePage)
            QSKIP("ffmpeg is not installed (scripts/install-deps.sh)");
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QVERIFY(showClip(video, site.root() + QStringLiteral("/files/tone/index.html")));
        QCOMPARE(video->selectedEncoding()->kind, VideoEncoding::Kind::Merged);
        site.clear();
        const QString heldAudio = QStringLiteral("/files/tone/audio-1.ts");
        site.rule(heldAudio, 120000);
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(heldAudio), 60000);
        QVERIFY(site.requestLog().contains(QStringLiteral("/files/tone/video-1.ts")));
        const qint64 group = downloads->DownloadStream->processId(downloads->records().at(0).key);
        QVERIFY(RunningInGroup(group) > 0);
        stopTheOnlyRow(downloads, group);
        if (QTest::currentTestFailed())
            return;

        site.clear();
        downloads->mnuStart_Click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().at(0).state, int(StateDownloaded), 120000);
        const DownloadRecord row = downloads->records().at(0);
        QTRY_COMPARE(everythingIn(videos.path()), QStringList{row.fileName});
        QCOMPARE(MediaTools::Probe(videos.filePath(row.fileName)).kinds(), (QStringList{QStringLiteral("video"), QStringLiteral("audio")}));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
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
        QTest::newRow("extractor removed since the page was read")
            << QByteArray("@gone")
            << "Download failed: The video extractor " + m_scripts.filePath(QStringLiteral("gone"))
                   + " is not installed or cannot be started.";
        QTest::newRow("silent for longer than the time-out") << QByteArray("exec sleep 600")
                                                             << "Download failed: The video extractor gave no answer in time.";
        QTest::newRow("one endless line") << QByteArray("yes 0123456789 | tr -d '\\n'")
                                          << "Download failed: The video extractor's answer was too large.";
        // Reports every 300 ms for 7.5 s, beyond the time-out of 5 s, then the file in its folder.
        QTest::newRow("reporting for longer than the time-out")
            << QByteArray(R"sh(while [ "$1" != -o ]; do shift; done
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
        const QByteArray answer = QJsonDocument(QJsonObject{
            {QStringLiteral("id"), QStringLiteral("gone")},
            {QStringLiteral("title"), QStringLiteral("A stream that goes away")},
            {QStringLiteral("webpage_url"), page},
            {QStringLiteral("formats"), QJsonArray{QJsonObject{
                 {QStringLiteral("format_id"), QStringLiteral("hls-360")},
                 {QStringLiteral("url"), site.root() + QStringLiteral("/clipmedia/gone/index.m3u8")},
                 {QStringLiteral("protocol"), QStringLiteral("m3u8_native")},
                 {QStringLiteral("ext"), QStringLiteral("mp4")},
                 {QStringLiteral("height"), 360},
             }}},
        }).toJson(QJsonDocument::Compact);
        const QString json = m_scripts.filePath(QStringLiteral("answer.json"));
        QVERIFY(StandIn::WriteFile(json, answer));
        // The download run writes its process id, which names its process group, first (the
        // program's own question for the version is answered before that).
        const QString groupFile = m_scripts.filePath(QStringLiteral("group"));
        QFile::remove(groupFile);
        const QString script = standIn(QStringLiteral("failing"),
                                       "for a; do [ \"$a\" = --version ] && { echo 2023.03.04; exit 0; }; done\n"
                                       "for a; do [ \"$a\" = -J ] && exec cat '" + QFile::encodeName(json) + "'; done\n"
                                       "echo $$ > '" + QFile::encodeName(groupFile) + "'\n"
                                       "echo '[generic] downloading'\n" + download);
        setExtractorPath(script);

        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QVERIFY(showClip(video, page));
        QCOMPARE(video->selectedEncoding()->kind, VideoEncoding::Kind::Stream);
        if (download == "@gone")
            setExtractorPath(m_scripts.filePath(QStringLiteral("gone")));
        // The silent run is given up on soon; the setting is read as each run starts.
        setExtractorTimeout(QStringLiteral("5"));
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
        setExtractorPath(QString());
        setExtractorTimeout(QString()); // the real extractor may be slow to start on a busy machine
        QVERIFY(showClip(video, clipUrl(demosite::clips::jsonLd)));
    }

    // A stream that was downloading when the window closed: no extractor outlives the window, the
    // journal keeps the row as one for the extractor, and the next window runs it again from the
    // start to a whole file.
    void streamRowRunsAgainAfterARestart()
    {
        const demosite::Clip &c = *demosite::findClip(demosite::clips::hls);
        SeamRecorder seam;
        QString key;
        QString name;
        QString journal;
        {
            auto window = openWindow();
            VideoPanel *video = window->videoPanel();
            DownloadPanel *downloads = window->downloadPanel();
            QVERIFY(showClip(video, clipUrl(c.name)));
            const QString heldSegment = q(demosite::clipSegmentPath(c.name, 720, 2));
            site.rule(heldSegment, 120000);
            video->cmdDownload->click();
            QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(heldSegment), 60000);
            key = downloads->records().at(0).key;
            name = downloads->records().at(0).fileName;
            const qint64 group = downloads->DownloadStream->processId(key);
            QVERIFY(RunningInGroup(group) > 0);
            journal = downloads->journal()->path();
            QVERIFY(window->close()); // the seam answers Yes to closing while downloading
            window.reset();
            QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 0, 15000);

            DownloadJournal kept(journal);
            const DownloadJournal::Loaded loaded = kept.load();
            QCOMPARE(loaded.rows.size(), 1);
            QCOMPARE(loaded.rows.first().mediaAddress, key);
            QVERIFY(loaded.rows.first().byExtractor);
            QCOMPARE(loaded.rows.first().state, int(StateDownloading));
            QCOMPARE(loaded.rows.first().watchPage, clipUrl(c.name));
        }
        site.clear();
        // A program killed outright leaves the extractor's work folder behind: the next run of
        // the row removes it.
        const QString leftover = videos.filePath(DownloadNames::PartialFileName(key) + QStringLiteral(".work-Ab12Cd"));
        QVERIFY(QDir().mkpath(leftover));
        QVERIFY(!StandIn::Write(leftover + QStringLiteral("/media.mp4.part"), "half").isEmpty());

        // The list of the next start (the window's start-up reads the settings beside the test
        // program, so the list is opened on its own here, as the window opens it).
        DownloadPanel downloads;
        downloads.setSavePath(videos.path() + QLatin1Char('/'));
        downloads.openJournal(journal);
        QCOMPARE(downloads.lvwDownloads->topLevelItemCount(), 1);
        QCOMPARE(downloads.records().at(0).key, key);
        QVERIFY(downloads.records().at(0).byExtractor);
        QVERIFY(downloads.DownloadStream->IsRunning(key));
        QTRY_COMPARE_WITH_TIMEOUT(downloads.records().at(0).state, int(StateDownloaded), 120000);
        const DownloadRecord &row = downloads.records().at(0);
        QCOMPARE(row.fileName, name);
        QVERIFY(StandIn::FileBytes(videos.filePath(row.fileName)) == StandIn::ClipMedia(c, *demosite::findClipSource(c, 720)));
        QTRY_COMPARE(everythingIn(videos.path()), QStringList{row.fileName});
    }
};

QTEST_MAIN(TestExtractorDownloads)
#include "tst_extractordownloads.moc"
