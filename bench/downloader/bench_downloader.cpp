// clipvault-bench-downloader URL FILE
// Downloads URL into FILE through the Downloader (body streamed to the file) and prints
// "seconds=S bytes=N peak_rss_kb=K ok=0|1".
#include "transfer/Downloader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL FILE\n", argv[0]);
        return 2;
    }
    Downloader downloader;
    QElapsedTimer clock;
    int exitCode = 1;
    QObject::connect(&downloader, &Downloader::Complete, &app,
                     [&](const QString &, const QByteArray &, const QString &, const TransferResult &r) {
                         std::printf("seconds=%.3f bytes=%lld peak_rss_kb=%ld ok=%d\n", clock.elapsed() / 1000.0,
                                     static_cast<long long>(r.bytesReceived), peakRssKb(), r.ok ? 1 : 0);
                         if (!r.ok)
                             std::fprintf(stderr, "%s\n", qPrintable(r.errorText));
                         exitCode = r.ok ? 0 : 1;
                         app.quit();
                     });
    clock.start();
    downloader.Start(QString::fromLocal8Bit(argv[1]), Downloader::ForceUpdate, QString(), QString::fromLocal8Bit(argv[2]));
    app.exec();
    return exitCode;
}
