// Downloads media files of the demo site through the whole download path of the program: a
// download list offscreen with its journal open, "Download" pressed for each file, the transfers
// run until every row has finished. Prints the time taken, the peak resident memory, the body
// bytes read from the network and the largest gap between the list's one-second timer ticks (and
// between the ticks of a 100 ms probe timer), then checks that every row ended downloaded with a
// file of the expected size.
//
// With --limit, all rows together download at most that many kB/s (1000 bytes), as the
// Preferences window's speed limit; the seconds at which each row ended are printed too.
//
// With --stop-at, each row is stopped from its popup's "Stop" once that many bytes have arrived,
// and started again at once from its "Start", as a user would: the rest comes as a range request.
//
//   clipvault-bench-downloads --root http://127.0.0.1:PORT --folder DIR --id ID --code N
//                             --journal FILE [--count K] [--size BYTES] [--stop-at BYTES] [--limit KBPS]
#include "queue/DownloadChoice.h"
#include "queue/DownloadQueue.h"
#include "downloads/DownloadPanel.h"
#include "transfer/Downloader.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Largest interval between successive calls of tick().
struct GapMeter
{
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 largest = 0;
    void tick()
    {
        const qint64 now = clock.elapsed();
        if (last >= 0)
            largest = std::max(largest, now - last);
        last = now;
    }
    // A tick that is due but has not come yet counts as a gap too.
    void close() { tick(); }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("root"), QStringLiteral("site root"), QStringLiteral("url")},
        {QStringLiteral("folder"), QStringLiteral("save folder"), QStringLiteral("dir")},
        {QStringLiteral("id"), QStringLiteral("video id"), QStringLiteral("id")},
        {QStringLiteral("code"), QStringLiteral("format code"), QStringLiteral("n")},
        {QStringLiteral("count"), QStringLiteral("files at once"), QStringLiteral("k"), QStringLiteral("1")},
        {QStringLiteral("size"), QStringLiteral("bytes per file (the site's own size when absent)"),
         QStringLiteral("bytes")},
        {QStringLiteral("expect"), QStringLiteral("expected bytes per file"), QStringLiteral("bytes")},
        {QStringLiteral("journal"), QStringLiteral("the list's journal"), QStringLiteral("file")},
        {QStringLiteral("stop-at"), QStringLiteral("stop each row once this many bytes arrived, then start it"),
         QStringLiteral("bytes")},
        {QStringLiteral("limit"), QStringLiteral("speed limit of all rows together"), QStringLiteral("kBps")},
    });
    parser.process(app);
    const QString root = parser.value(QStringLiteral("root"));
    const QString id = parser.value(QStringLiteral("id"));
    const QString code = parser.value(QStringLiteral("code"));
    const int count = parser.value(QStringLiteral("count")).toInt();
    const QString size = parser.value(QStringLiteral("size"));
    const qint64 expected = parser.value(QStringLiteral("expect")).toLongLong();
    const qint64 stopAt = parser.value(QStringLiteral("stop-at")).toLongLong();

    DownloadPanel panel;
    panel.setSavePath(parser.value(QStringLiteral("folder")));
    panel.resize(640, 400);
    panel.show();
    if (parser.isSet(QStringLiteral("journal")))
        panel.openJournal(parser.value(QStringLiteral("journal")));
    panel.queue()->setSpeedLimit(parser.value(QStringLiteral("limit")).toLongLong() * 1000);

    // Body bytes read from the network, every try of every row together: what each Progress adds
    // to the bytes its transfer started from, and what a stopped transfer wrote after its last
    // report (found in the bytes the next try keeps).
    qint64 transferred = 0;
    QHash<QString, qint64> reported;
    QObject::connect(panel.DownloadVid, &Downloader::Answered, &panel,
                     [&](const QString &, const QString &key, const TransferAnswer &answer) {
                         transferred += std::max<qint64>(0, answer.keptBytes - reported.value(key, 0));
                         reported[key] = answer.keptBytes;
                     });
    QObject::connect(panel.DownloadVid, &Downloader::Progress, &panel,
                     [&](const QString &, const QString &key, qint64 done, qint64, int) {
                         transferred += done - reported.value(key, 0);
                         reported[key] = done;
                     });
    QSet<QString> stopped;
    int resumesDue = 0;
    if (stopAt > 0)
        QObject::connect(panel.DownloadVid, &Downloader::Progress, &panel,
                         [&](const QString &, const QString &key, qint64 done, qint64, int) {
                             if (done < stopAt || stopped.contains(key))
                                 return;
                             stopped.insert(key);
                             ++resumesDue;
                             // Through the row's popup commands, on the next turn as a click would.
                             QTimer::singleShot(0, &panel, [&, key] {
                                 const int row = panel.records().indexOf(key);
                                 panel.lvwDownloads->clearSelection();
                                 panel.lvwDownloads->topLevelItem(row)->setSelected(true);
                                 panel.mnuStop_Click();
                                 panel.mnuStart_Click();
                                 --resumesDue;
                             });
                         });

    GapMeter timerTicks, probeTicks;
    timerTicks.clock.start();
    probeTicks.clock.start();
    QObject::connect(panel.Timer1, &QTimer::timeout, [&] { timerTicks.tick(); });
    QTimer probe;
    probe.setInterval(100);
    QObject::connect(&probe, &QTimer::timeout, [&] { probeTicks.tick(); });

    QElapsedTimer clock;
    QStringList ended; // seconds at which each row ended, in the order they did
    QObject::connect(&panel, &DownloadPanel::downloadEnded, &panel,
                     [&] { ended << QString::number(clock.nsecsElapsed() / 1e9, 'f', 3); });
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (resumesDue == 0 && !panel.anyDownloading())
            app.quit();
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        timerTicks.tick();
        probe.start();
        for (int k = 0; k < count; ++k) {
            DownloadChoice choice;
            choice.mediaAddress = root + QStringLiteral("/media/%1/%2?n=%3").arg(id, code).arg(k)
                                  + (size.isEmpty() ? QString() : QStringLiteral("&size=") + size);
            choice.suffix = QStringLiteral(".mp4");
            choice.videoTitle = QStringLiteral("file%1").arg(k, 2, 10, QLatin1Char('0'));
            choice.videoId = id;
            panel.cmdDownload_Click(choice);
        }
        poll.start();
    });
    app.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    timerTicks.close();
    probeTicks.close();

    int failed = 0;
    for (int row = 0; row < panel.records().count(); ++row) {
        const DownloadRecord &r = panel.records().at(row);
        const QFileInfo file(panel.savePath() + QLatin1Char('/') + r.fileName);
        if (r.state != StateDownloaded || (expected > 0 && file.size() != expected)) {
            ++failed;
            std::fprintf(stderr, "row %d: state %d, caption \"%s\", %lld bytes on disk\n", row, r.state,
                         qPrintable(r.caption), static_cast<long long>(file.size()));
        }
    }
    std::printf("seconds=%.3f peak_rss_kib=%lld transferred=%lld stopped=%d max_timer_gap_ms=%lld "
                "max_probe_gap_ms=%lld rows=%d failed=%d row_seconds=%s\n",
                seconds, peakResidentKiB(), static_cast<long long>(transferred), static_cast<int>(stopped.size()),
                timerTicks.largest, probeTicks.largest, static_cast<int>(panel.records().count()), failed,
                qPrintable(ended.join(QLatin1Char(','))));
    return failed == 0 && panel.records().count() == count ? 0 : 1;
}
