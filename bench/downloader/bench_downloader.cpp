// clipvault-bench-downloader URL FILE [STOP_AT]
// Downloads URL into FILE through the Downloader (body streamed to the file) over as many
// connections as the program's Connections setting says (8 unless a Settings.ini beside this
// program says otherwise), and prints "seconds=S bytes=N transferred=T peak_rss_kb=K ok=0|1".
// With STOP_AT, the transfer is cancelled once STOP_AT bytes have arrived and then resumed from
// the bytes on disk; T counts every body byte read from the network in both parts.
#include "base/Settings.h"
#include "transfer/Downloader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

static long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s URL FILE [STOP_AT]\n", argv[0]);
        return 2;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const QString file = QString::fromLocal8Bit(argv[2]);
    const qint64 stopAt = argc == 4 ? QByteArray(argv[3]).toLongLong() : -1;

    Downloader downloader;
    QElapsedTimer clock;
    int exitCode = 1;
    qint64 firstPart = 0; // bytes read before the stop
    bool stopped = false;
    TransferValidators validators;
    std::optional<ByteRanges> kept; // written in segments: the bytes on disk at the stop
    QObject::connect(&downloader, &Downloader::Answered, &app,
                     [&](const QString &, const QString &, const TransferAnswer &a) { validators = a.validators; });
    QObject::connect(&downloader, &Downloader::Progress, &app,
                     [&](const QString &, const QString &key, qint64 done, qint64, int) {
                         if (stopped || stopAt < 0 || done < stopAt)
                             return;
                         stopped = true;
                         firstPart = done;
                         kept = downloader.rangesOnDisk(key);
                         downloader.CancelDownload(key);
                         // Resume on the next turn, as a user's Start would.
                         QTimer::singleShot(0, &app, [&] {
                             TransferRequest request;
                             request.url = url;
                             request.cacheMode = Downloader::ForceUpdate;
                             request.targetFile = file;
                             request.resumeFrom = QFileInfo(file).size();
                             request.keptRanges = kept;
                             request.validators = validators;
                             request.connections = Settings::Connections();
                             downloader.Start(request);
                         });
                     });
    QObject::connect(&downloader, &Downloader::Complete, &app,
                     [&](const QString &, const QByteArray &, const QString &, const TransferResult &r) {
                         std::printf("seconds=%.3f bytes=%lld transferred=%lld resumed=%d peak_rss_kb=%ld ok=%d\n",
                                     clock.elapsed() / 1000.0, static_cast<long long>(r.fileBytes()),
                                     static_cast<long long>(firstPart + r.bytesReceived), r.resumed ? 1 : 0,
                                     peakRssKb(), r.ok ? 1 : 0);
                         if (!r.ok)
                             std::fprintf(stderr, "%s\n", qPrintable(r.errorText));
                         exitCode = r.ok ? 0 : 1;
                         app.quit();
                     });
    clock.start();
    TransferRequest request;
    request.url = url;
    request.cacheMode = Downloader::ForceUpdate;
    request.targetFile = file;
    request.connections = Settings::Connections();
    downloader.Start(request);
    app.exec();
    return exitCode;
}
