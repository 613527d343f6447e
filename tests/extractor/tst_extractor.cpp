// The extractor runs for real: Debian's yt-dlp reads the demo site's pages of today's kind and
// downloads their streams; small shell scripts stand in for it through ExtractorPath wherever its
// answer has to be hostile or its process has to misbehave.

#include "base/AppState.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "demosite/clips.h"
#include "demosite/mediacontent.h"
#include "extractor/ExtractorDownload.h"
#include "extractor/ExtractorDownloads.h"
#include "extractor/ExtractorInfoRequest.h"
#include "extractor/ExtractorProcess.h"
#include "extractor/ExtractorProgram.h"
#include "support/DemoSite.h"
#include "support/ProcessGroup.h"
#include "support/StandIn.h"
#include "videoinfo/VideoText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Reason = ExtractorFailure::Reason;

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A download's progress reports ("done/total", from argument at on) when its bar ran back somewhere
// (fewer bytes, or a smaller share of a known total, than before) or a total was below its bytes;
// else empty.
QString runningBack(const QList<QList<QVariant>> &progress, int at = 0)
{
    qint64 last = 0;
    double share = 0;
    bool back = false;
    QStringList seen;
    for (const QList<QVariant> &report : progress) {
        const qint64 done = report.at(at).toLongLong();
        const qint64 total = report.at(at + 1).toLongLong();
        seen << QStringLiteral("%1/%2").arg(done).arg(total);
        back |= done < last;
        last = done;
        if (total > 0) {
            back |= total < done || double(done) / double(total) < share;
            share = double(done) / double(total);
        }
    }
    return back ? seen.join(QLatin1Char(' ')) : QString();
}

} // namespace

class TestExtractor : public QObject
{
    Q_OBJECT

private:
    DemoSite m_site;
    QTemporaryDir m_dir;

    QString clipUrl(std::string_view name) const { return m_site.root() + q(demosite::clipPagePath(name)); }

    // A shell script in the test folder that stands in for the extractor; ExtractorPath names it.
    QString standIn(const char *name, const QByteArray &body) { return StandIn::Write(m_dir.filePath(QLatin1String(name)), body); }

    // The program as the settings name it.
    static QString configured(const QString &program)
    {
        IniFile::write(QStringLiteral("Settings"), QStringLiteral("ExtractorPath"), program, Settings::FilePath());
        return Settings::ExtractorPath();
    }

    // Runs one request to its end; the failure, or nullopt with info filled.
    static std::optional<ExtractorFailure> ask(ExtractorInfoRequest &request, VideoInfo &info, int waitMs = 60000)
    {
        QSignalSpy finished(&request, &ExtractorInfoRequest::finished);
        QSignalSpy failed(&request, &ExtractorInfoRequest::failed);
        request.start();
        if (!QTest::qWaitFor([&] { return !finished.isEmpty() || !failed.isEmpty(); }, waitMs))
            return ExtractorFailure{Reason::Failed, QStringLiteral("no answer at all")};
        if (!finished.isEmpty()) {
            info = finished.first().first().value<VideoInfo>();
            return std::nullopt;
        }
        return failed.first().first().value<ExtractorFailure>();
    }

    VideoInfo infoOf(std::string_view name)
    {
        ExtractorInfoRequest request(QString(), clipUrl(name));
        VideoInfo info;
        if (const auto failure = ask(request, info))
            qWarning() << "extractor failed:" << failure->sentence();
        return info;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<VideoInfo>();
        qRegisterMetaType<ExtractorFailure>();
        qRegisterMetaType<TransferResult>();
        QVERIFY(m_dir.isValid());
        QVERIFY2(!ExtractorProgram::Resolve(QString()).isEmpty(), "yt-dlp is not installed (scripts/install-deps.sh)");
        // The extractor keeps a cache in the user's folders: this test's own.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
        AppState::setAppPath(m_dir.path());
        QVERIFY(m_site.start());
    }

    void cleanup() { m_site.clear(); }

    // The real extractor on each page of today's kind: what the page holds arrives in the value.
    void readsPagesOfTodaysKind_data()
    {
        QTest::addColumn<QString>("name");
        for (std::string_view name : {demosite::clips::jsonLd, demosite::clips::html5, demosite::clips::hls,
                                      demosite::clips::separate})
            QTest::newRow(name.data()) << q(name);
    }
    void readsPagesOfTodaysKind()
    {
        QFETCH(QString, name);
        const demosite::Clip &c = *demosite::findClip(name.toStdString());
        const VideoInfo info = infoOf(c.name);
        QVERIFY(info.hasEncodings());
        QCOMPARE(info.pageAddress, clipUrl(c.name));
        QVERIFY2(info.title.startsWith(q(c.title)), qPrintable(info.title));
        QVERIFY(!info.descriptionIsMarkup);
        QVERIFY(info.related.isEmpty());
        for (const VideoEncoding &e : info.encodings)
            QVERIFY(e.kind == VideoEncoding::Kind::Merged || e.address.startsWith(m_site.root()));
        const auto addressOf = [&](int code) {
            return m_site.root() + q(demosite::clipMediaPath(c.name, *demosite::findClipSource(c, code)));
        };
        const QList<VideoEncoding> others = info.otherEncodings();
        // The other encodings' kinds, best first.
        QStringList kinds;
        for (const VideoEncoding &e : others)
            kinds << (e.kind == VideoEncoding::Kind::Merged               ? QStringLiteral("merged")
                      : e.tracks == VideoEncoding::Tracks::VideoOnly      ? QStringLiteral("video")
                      : e.tracks == VideoEncoding::Tracks::AudioOnly      ? QStringLiteral("audio")
                      : e.kind == VideoEncoding::Kind::Stream             ? QStringLiteral("stream")
                                                                          : e.container);

        switch (c.kind) {
        case demosite::ClipKind::JsonLd:
            QCOMPARE((QStringList{info.author, info.published, info.duration, info.views, info.description, info.thumbnail}),
                     (QStringList{q(c.author), VideoText::Published(QDate::fromString(q(c.uploadDate), Qt::ISODate)), VideoText::Duration(c.seconds),
                                  VideoText::Grouped(static_cast<qint64>(c.views)), q(c.description), m_site.thumbnailUrl(q(c.thumbnailId))}));
            QCOMPARE(kinds, QStringList{QStringLiteral("mp4")});
            QCOMPARE(others.first().address, addressOf(18));
            break;
        case demosite::ClipKind::Html5:
            QCOMPARE(info.thumbnail, m_site.thumbnailUrl(q(c.thumbnailId)));
            QCOMPARE(info.slotEncoding(3)->address, addressOf(18));
            QCOMPARE(info.slotEncoding(4)->address, addressOf(22));
            QVERIFY(!info.slotEncoding(4)->headers.isEmpty()); // the extractor's user agent and referer
            QCOMPARE(kinds, QStringList{QStringLiteral("webm")});
            QCOMPARE(others.first().address, addressOf(43));
            QCOMPARE(others.first().label(), QStringLiteral("webm, 480p"));
            break;
        case demosite::ClipKind::Hls:
            QCOMPARE(kinds, (QStringList{QStringLiteral("stream"), QStringLiteral("stream")}));
            QCOMPARE(others.at(0).resolution, QStringLiteral("1280x720"));
            QCOMPARE(others.at(1).resolution, QStringLiteral("640x360"));
            break;
        default:
            QCOMPARE(kinds, (ExtractorProgram::CanMerge() ? QStringList{QStringLiteral("merged"), QStringLiteral("video"), QStringLiteral("audio")}
                                                          : QStringList{QStringLiteral("video"), QStringLiteral("audio")}));
        }
    }

    // Every way of getting no usable answer ends in one failure that says why, and leaves no
    // process behind. "program": empty for the real extractor, else a stand-in script's body, or
    // "@nowhere"/"@plain file" for a program that cannot run.
    void failures_data()
    {
        QTest::addColumn<QString>("address"); // "/..." on the demo site, else as it is
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("detail"); // contained in the failure's detail
        const auto row = [](const char *name, const QString &address, const QByteArray &program, Reason reason, const char *detail) {
            QTest::newRow(name) << address << program << int(reason) << QString::fromUtf8(detail);
        };
        const QString x = QStringLiteral("/clip/x");
        row("page without a video", q(demosite::clipPagePath(demosite::clips::noVideo)), {}, Reason::Failed, "ERROR: Unsupported URL");
        row("page that is not there", QStringLiteral("/clip/no-such-clip"), {}, Reason::Failed, "404");
        row("page that never answers", q(demosite::clipPagePath(demosite::clips::silent)), {}, Reason::TimedOut, "");
        row("no web address", QStringLiteral("file:///etc/passwd"), {}, Reason::Refused, "http");
        row("extractor not installed", x, "@nowhere", Reason::NotInstalled, "nowhere");
        row("extractor not executable", x, "@plain file", Reason::NotInstalled, "plain");
        row("endless answer", x, "exec yes '{\"title\": \"again and again\"}'", Reason::TooMuchOutput, "");
        row("answer cut off", x, "printf '{\"title\": \"x\", \"formats\": [{\"url\": '", Reason::Unreadable, "");
        row("only local and inline addresses", x, "echo '{\"title\": \"x\", \"thumbnail\": \"file:///etc/hostname\", \"formats\": ["
            "{\"format_id\": \"18\", \"url\": \"file:///etc/passwd\", \"protocol\": \"file\"}, {\"format_id\": \"22\", "
            "\"url\": \"data:video/mp4;base64,AAAA\", \"protocol\": \"data\"}]}'", Reason::NoVideo, "");
        row("its own error line", x, "echo 'WARNING: first' >&2; echo 'ERROR: [generic] it broke' >&2; echo 'afterwards' >&2; exit 1",
            Reason::Failed, "ERROR: [generic] it broke");
        row("killed by a signal", x, "echo 'ERROR: about to fall' >&2; kill -SEGV $$", Reason::Failed, "about to fall");
    }
    void failures()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, program);
        QFETCH(int, reason);
        QFETCH(QString, detail);
        const int timeout = reason == int(Reason::TimedOut) ? 8000 : ExtractorProcess::DefaultTimeout;
        QString path;
        if (program == "@nowhere")
            path = m_dir.filePath(QStringLiteral("nowhere/yt-dlp"));
        else if (program == "@plain file")
            path = standIn("plain", "exit 0"), QFile::setPermissions(path, QFile::ReadOwner);
        else if (!program.isEmpty())
            path = standIn("stand-in", program);
        if (address.startsWith(QLatin1Char('/')))
            address.prepend(m_site.root());

        ExtractorInfoRequest request(configured(path), address);
        request.setTimeout(timeout);
        VideoInfo info;
        const auto failure = ask(request, info, timeout + 60000);
        QVERIFY(failure);
        QCOMPARE(int(failure->reason), reason);
        QVERIFY2(failure->detail.contains(detail), qPrintable(failure->detail));
        QVERIFY(failure->sentence().endsWith(QStringLiteral(". ")) || failure->sentence().endsWith(QLatin1Char(' ')));
        if (reason == int(Reason::TimedOut))
            QVERIFY(m_site.requestLog().contains(q(demosite::clipPagePath(demosite::clips::silent))));
        if (reason == int(Reason::Refused) || reason == int(Reason::NotInstalled))
            QCOMPARE(request.processId(), 0);
        else
            QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(request.processId()), 0, 15000);
    }

    // The address reaches the extractor as one argument behind "--": no shell ever sees it. A
    // hostile answer that still names something usable: only that is taken.
    void hostileAddressAndAnswer()
    {
        QByteArray pads;
        for (int n = 10; n < 50; ++n) // 40 headers of a kilobyte: more than a row may keep
            pads += ", \"X-Pad-" + QByteArray::number(n) + "\": \"" + QByteArray(1000, 'p') + '"';
        const QString json = m_dir.filePath(QStringLiteral("answer.json"));
        const QByteArray answer = R"({"title": "<b>bold</b>", "description": "<c=&HFF>red</c>", "thumbnail": "file:///etc/hostname",)"
            R"("formats": [{"format_id": "18", "url": "file:///etc/passwd"}, {"format_id": "22", "url": "https://cdn.example/22.mp4",)"
            R"("protocol": "https", "http_headers": {"Referer": "https://site.example/", "X-Evil": "a\r\nHost: evil", "X-Lf": "b\nHost: evil")" + pads + "}}]}";
        QVERIFY(StandIn::WriteFile(json, answer));
        const QString record = m_dir.filePath(QStringLiteral("arguments"));
        const QString path = standIn("recorder", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                                                     + QFile::encodeName(record) + "'\ncat '" + QFile::encodeName(json) + "'");
        const QString address = QStringLiteral("http://127.0.0.1:9/w;$(touch$IFS'pwned')&x=$(id)");
        QVERIFY(VideoText::IsWebAddress(address));
        ExtractorInfoRequest request(configured(path), address);
        VideoInfo info;
        QVERIFY(!ask(request, info));
        const QStringList arguments = QString::fromUtf8(StandIn::FileBytes(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(arguments.mid(arguments.size() - 3), (QStringList{QStringLiteral("-J"), QStringLiteral("--"), address}));
        QVERIFY(!QFile::exists(QStringLiteral("pwned")) && !QFile::exists(m_dir.filePath(QStringLiteral("pwned"))));

        QCOMPARE(info.encodings.size(), 1);
        QCOMPARE(info.slotEncoding(4)->address, QStringLiteral("https://cdn.example/22.mp4"));
        const RequestHeaders kept = info.slotEncoding(4)->headers;
        QCOMPARE(kept.constFirst(), (QPair<QByteArray, QByteArray>{"Referer", "https://site.example/"}));
        QCOMPARE(kept.size(), 17); // the referer and the 16 pads that fit 16 KiB
        QCOMPARE(kept.constLast().first, QByteArray("X-Pad-25"));
        QVERIFY(info.thumbnail.isEmpty());
        QCOMPARE(info.description, QStringLiteral("<c=&HFF>red</c>"));
        QVERIFY(!info.descriptionIsMarkup);
    }

    // Cancelling ends the process and everything it started, even when it will not end by itself;
    // what it writes afterwards is no answer.
    void cancelEndsTheGroup_data()
    {
        QTest::addColumn<QByteArray>("behaviour");
        QTest::addColumn<bool>("destroy"); // the request is destroyed instead of cancelled
        QByteArray answer = "echo '{\"formats\": [{\"format_id\": \"x\", \"url\": \"https://cdn.example/x\"}]}'";
        QTest::newRow("ends when told") << QByteArray("") << false;
        QTest::newRow("answers when told to end") << QByteArray("trap \"" + answer.replace('"', "\\\"") + "; exit 0\" TERM") << false;
        QTest::newRow("will not end") << QByteArray("trap '' TERM") << false;
        QTest::newRow("destroyed while running") << QByteArray("trap '' TERM") << true;
    }
    void cancelEndsTheGroup()
    {
        QFETCH(QByteArray, behaviour);
        QFETCH(bool, destroy);
        const QString started = m_dir.filePath(QStringLiteral("started"));
        QFile::remove(started);
        const QString path = standIn("lingering", behaviour + "\nsleep 300 &\ntouch '" + QFile::encodeName(started) + "'\nwait\nwait");
        auto *request = new ExtractorInfoRequest(configured(path), m_site.root() + QStringLiteral("/clip/x"));
        QSignalSpy finished(request, &ExtractorInfoRequest::finished);
        QSignalSpy failed(request, &ExtractorInfoRequest::failed);
        request->start();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 15000);
        const qint64 group = request->processId();
        // The script and its sleeping child (touch, which made the file, may still be ending).
        QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 2, 15000);
        if (destroy) {
            delete request;
            // Killed at once: gone well within the grace that terminate would have been given.
            QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 0, ExtractorProcess::GraceMs / 2);
            return;
        }
        request->cancel();
        QTRY_COMPARE_WITH_TIMEOUT(RunningInGroup(group), 0, 15000);
        QVERIFY(finished.isEmpty() && failed.isEmpty());
        delete request;
    }

    // An HLS stream stopped while a segment is on its way: the extractor and its group are gone,
    // and so are the partial file and everything the extractor wrote, at once.
    void stopsAStreamMidway()
    {
        const VideoInfo info = infoOf(demosite::clips::hls);
        QVERIFY(info.hasEncodings());
        const QString heldSegment = q(demosite::clipSegmentPath(demosite::clips::hls, 720, 4));
        m_site.rule(heldSegment, 120000);
        ExtractorDownload download(QString(), info.pageAddress, info.otherEncodings().first().formatId,
                                   m_dir.filePath(QStringLiteral(".stream.part")));
        QSignalSpy progress(&download, &ExtractorDownload::progress);
        QSignalSpy finished(&download, &ExtractorDownload::finished);
        QSignalSpy failed(&download, &ExtractorDownload::failed);
        QSignalSpy stopped(&download, &ExtractorDownload::stopped);
        download.start();
        QTRY_VERIFY_WITH_TIMEOUT(m_site.requestLog().contains(heldSegment), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(0).toLongLong() >= 4 * qint64(demosite::hlsSegmentBytes), 30000);
        QVERIFY(QFileInfo(download.workFolder()).isDir());
        const qint64 group = download.processId();
        QVERIFY(RunningInGroup(group) > 0);
        download.stop();
        QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 1, 15000);
        QCOMPARE(RunningInGroup(group), 0);
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".stream.part*")}, QDir::AllEntries | QDir::Hidden), QStringList());
        QVERIFY(finished.isEmpty() && failed.isEmpty());
    }

    // The extractor's size of a stream is an estimate that can grow as it arrives: the bar's share
    // still never runs back, and it is full when the last stream is.
    void barNeverRunsBack_data()
    {
        QTest::addColumn<QString>("formatId");
        QTest::addColumn<QList<QList<qint64>>>("reports"); // downloaded, estimate (-1: none), finished
        QTest::newRow("one stream, estimate doubles")
            << "x" << QList<QList<qint64>>{{100, 1000, 0}, {500, 1000, 0}, {600, 2000, 0}, {1500, 2000, 0}, {2000, 2000, 1}};
        QTest::newRow("estimate grows, then unknown, then known")
            << "x" << QList<QList<qint64>>{{400, 1000, 0}, {450, 3000, 0}, {500, -1, 0}, {600, 3000, 0}, {3000, 3000, 1}};
        QTest::newRow("merged, the first stream's estimate grows")
            << "v+a" << QList<QList<qint64>>{{100, 1000, 0}, {500, 1000, 0}, {600, 2000, 0}, {2000, 2000, 1},
                                              {0, 1000, 0}, {500, 1000, 0}, {1000, 1000, 1}};
    }
    void barNeverRunsBack()
    {
        QFETCH(QString, formatId);
        QFETCH(QList<QList<qint64>>, reports);
        QByteArray body;
        for (const QList<qint64> &r : reports)
            body += "echo '{\"downloaded\": " + QByteArray::number(r[0]) + ", \"total\": null, \"estimate\": "
                    + (r[1] < 0 ? QByteArray("null") : QByteArray::number(r[1])) + ", \"status\": \""
                    + (r[2] ? "finished" : "downloading") + "\"}'\n";
        body += "echo 'ERROR: the stand-in ends here' >&2\nexit 1";
        ExtractorDownload download(configured(standIn("estimates", body)), clipUrl(demosite::clips::hls),
                                   formatId, m_dir.filePath(QStringLiteral(".estimates.part")));
        QSignalSpy progress(&download, &ExtractorDownload::progress);
        QSignalSpy failed(&download, &ExtractorDownload::failed);
        download.start();
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 60000);
        QCOMPARE(progress.size(), reports.size());
        QVERIFY2(runningBack(progress).isEmpty(), qPrintable(runningBack(progress)));
        QCOMPARE(progress.last().at(0), progress.last().at(1));
    }

    // The list's keyed runs: two rows at once, one of them started again while a segment hangs.
    // Only the new run of a key reports, with the transfer layer's events; the old one is gone
    // and takes nothing of the new one's with it. Each stream arrives byte for byte, its bar
    // never running back and full at the end.
    void keyedRunsStartAgainAndReport()
    {
        const demosite::Clip &c = *demosite::findClip(demosite::clips::hls);
        const VideoInfo info = infoOf(c.name);
        QCOMPARE(info.otherEncodings().size(), 2);
        const QString heldSegment = q(demosite::clipSegmentPath(c.name, 720, 2));
        m_site.rule(heldSegment, 120000);

        ExtractorDownloads downloads;
        QSignalSpy progress(&downloads, &ExtractorDownloads::Progress);
        QSignalSpy complete(&downloads, &ExtractorDownloads::Complete);
        const QString big = m_dir.filePath(QStringLiteral(".big.part"));
        const QString small = m_dir.filePath(QStringLiteral(".small.part"));
        // What a crashed run left beside a target goes when the next run for it starts.
        const QString leftover = small + QStringLiteral(".work-Ab12Cd");
        QVERIFY(QDir().mkpath(leftover) && !StandIn::Write(leftover + QStringLiteral("/media.mp4.part"), "half").isEmpty());
        downloads.Start(QStringLiteral("big"), QString(), info.pageAddress, info.otherEncodings().at(0).formatId, big);
        downloads.Start(QStringLiteral("small"), QString(), info.pageAddress, info.otherEncodings().at(1).formatId, small);
        QCOMPARE(downloads.RunningCount(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(m_site.requestLog().contains(heldSegment), 60000);
        const qint64 firstRun = downloads.processId(QStringLiteral("big"));

        m_site.clear(); // the held segment stays held; the next run's is not
        downloads.Start(QStringLiteral("big"), QString(), info.pageAddress, info.otherEncodings().at(0).formatId, big);
        QTRY_COMPARE_WITH_TIMEOUT(complete.size(), 2, 120000);
        QCOMPARE(RunningInGroup(firstRun), 0);
        QCOMPARE(downloads.RunningCount(), 0);
        for (const QList<QVariant> &done : complete) {
            const auto result = done.at(3).value<TransferResult>();
            const bool isBig = done.at(2).toString() == QStringLiteral("big");
            QVERIFY2(result.ok, qPrintable(result.errorText));
            QCOMPARE(done.at(0).toString(), info.pageAddress);
            QCOMPARE(result.targetFile, isBig ? big : small);
            QVERIFY(StandIn::FileBytes(result.targetFile) == StandIn::ClipMedia(c, *demosite::findClipSource(c, isBig ? 720 : 360)));
            QCOMPARE(result.bytesTotal, result.bytesReceived);
        }
        QList<QList<QVariant>> smallBar;
        std::copy_if(progress.begin(), progress.end(), std::back_inserter(smallBar),
                     [](const QList<QVariant> &p) { return p.at(1).toString() == QStringLiteral("small"); });
        const qint64 smallSize = demosite::findClipSource(c, 360)->size;
        QVERIFY(smallBar.size() >= 3 && smallBar.last().at(2).toLongLong() == smallSize && smallBar.last().at(3).toLongLong() == smallSize);
        QVERIFY2(runningBack(smallBar, 2).isEmpty(), qPrintable(runningBack(smallBar, 2)));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".big.part.work*"), QStringLiteral(".small.part.work*")},
                                              QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    // A download that does not end with the extractor's own file in its own folder fails, and
    // leaves nothing behind; a file elsewhere that the extractor names is never touched.
    void downloadFailures_data()
    {
        QTest::addColumn<QByteArray>("program"); // empty for the real extractor
        QTest::addColumn<QString>("formatId");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("detail");
        // The stand-ins find their folder in the argument behind -o.
        const QByteArray folder = "for a in \"$@\"; do [ \"$prev\" = -o ] && out=\"$a\"; prev=\"$a\"; done\n"
                                  "dir=$(dirname \"$out\")\n";
        const QByteArray outside = QFile::encodeName(m_dir.filePath(QStringLiteral("outside.txt")));
        const auto row = [](const char *name, const QByteArray &program, Reason reason, const char *detail) {
            QTest::newRow(name) << program << (program.isEmpty() ? QStringLiteral("no-such-format") : QStringLiteral("x")) << int(reason)
                                << QString::fromUtf8(detail);
        };
        row("format not offered", {}, Reason::Failed, "format");
        row("names a file elsewhere", folder + "echo '{\"filepath\": \"" + outside + "\"}'", Reason::Refused, "own folder");
        row("a link as its file", folder + "ln -s '" + outside + "' \"$dir/media.mp4\"\necho \"{\\\"filepath\\\": \\\"$dir/media.mp4\\\"}\"",
            Reason::Refused, "own folder");
        row("a link to a file beside it", folder + "echo x > \"$dir/real.mp4\"\nln -s real.mp4 \"$dir/media.mp4\"\necho \"{\\\"filepath\\\": \\\"$dir/media.mp4\\\"}\"",
            Reason::Refused, "own folder");
        row("success without a file", folder + "echo '{\"downloaded\": 5, \"total\": 5, \"status\": \"finished\"}'", Reason::Refused, "own folder");
        row("fails after writing", folder + "echo partial > \"$dir/media.mp4.part\"\necho 'ERROR: unable to download video data' >&2\nexit 1",
            Reason::Failed, "ERROR: unable to download video data");
    }
    void downloadFailures()
    {
        QFETCH(QByteArray, program);
        QFETCH(QString, formatId);
        QFETCH(int, reason);
        QFETCH(QString, detail);
        const QString outside = m_dir.filePath(QStringLiteral("outside.txt"));
        QVERIFY(StandIn::WriteFile(outside, "not the extractor's"));
        const QString path = program.isEmpty() ? QString() : standIn("downloader", program);

        const QString partial = m_dir.filePath(QStringLiteral(".failing.part"));
        ExtractorDownload download(configured(path), clipUrl(demosite::clips::hls), formatId, partial);
        QSignalSpy finished(&download, &ExtractorDownload::finished);
        QSignalSpy failed(&download, &ExtractorDownload::failed);
        download.start();
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty() || !finished.isEmpty(), 60000);
        QVERIFY(finished.isEmpty());
        const auto failure = failed.first().first().value<ExtractorFailure>();
        QCOMPARE(int(failure.reason), reason);
        QVERIFY2(failure.detail.contains(detail), qPrintable(failure.detail));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(download.workFolder()), 15000);
        QVERIFY(!QFileInfo::exists(partial));
        QCOMPARE(StandIn::FileBytes(outside), QByteArray("not the extractor's"));
    }
};

QTEST_GUILESS_MAIN(TestExtractor)
#include "tst_extractor.moc"
