#pragma once

#include "transfer/TransferResult.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class ExtractorDownload;

// The download list's transfers that only the extractor can fetch (HLS, DASH, merged streams),
// any number at once, each known by its row's key, with the transfer layer's own events: a row
// does not care which of the two fetches its bytes. Complete names the partial file the bytes
// went to; a failure carries the extractor's last error line as its error text and, having no
// HTTP status of its own, is never taken for a passing network fault.
//
// Starting a key again cancels its earlier run; Cancel ends a run (terminate, then kill) and
// removes what it wrote, without an event. Work folders of the target that no run of this
// object owns (left by a program that was killed) are removed when the target starts again.
class ExtractorDownloads final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorDownloads)

public:
    explicit ExtractorDownloads(QObject *parent = nullptr);
    ~ExtractorDownloads() override; // running extractors are killed, their work folders removed

    // program: the configured extractor (empty: yt-dlp on the PATH). recipe: a recipe's options
    // (RecipeOptions::Accepts) that choose the streams instead of formatId, and shape the file.
    void Start(const QString &Key, const QString &program, const QString &pageAddress, const QString &formatId,
               const QString &TargetFile, const QStringList &recipe = {});
    // Options every run started from now on gets (network, sign-in), each value its own argument.
    void setRunOptions(const QStringList &options) { m_runOptions = options; }
    // Runs started from now on fail when the extractor writes nothing for this long.
    void setIdleTimeout(int milliseconds) { m_idleTimeout = milliseconds; }
    // Runs started from now on fetch this many fragments of a stream (HLS, DASH) at once.
    void setConcurrentFragments(int count) { m_fragments = count; }
    void CancelDownload(const QString &Key);
    bool IsRunning(const QString &Key) const;
    int RunningCount() const;
    qint64 processId(const QString &Key) const;

Q_SIGNALS:
    // The same events as the transfer layer's; URL is the page, BytesTotal 0 while unknown.
    void Progress(const QString &URL, const QString &Key, qint64 BytesDone, qint64 BytesTotal, int Status);
    void Complete(const QString &URL, const QByteArray &data, const QString &Key, const TransferResult &result);
    // A step of a run's post-processing has begun ("Converting to MP3...").
    void Step(const QString &Key, const QString &caption);
    // Just before a successful Complete: the kind of file the run made, as its name ends ("mkv").
    void Made(const QString &Key, const QString &suffix);

private:
    void removeLeftovers(const QString &targetFile) const;
    void finish(const QString &key, const QString &pageAddress, ExtractorDownload *download,
                const TransferResult &result);

    QHash<QString, ExtractorDownload *> m_running; // by key
    int m_idleTimeout;
    QStringList m_runOptions;
    int m_fragments = 1;
};
