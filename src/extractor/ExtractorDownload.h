#pragma once

#include "extractor/ExtractorFailure.h"
#include "extractor/ExtractorProgress.h"

#include <QObject>
#include <QString>
#include <QStringList>

class ExtractorProcess;

// Downloads one encoding of a page by running the extractor: streams (HLS, DASH) and merged
// video and audio, which the transfer layer cannot fetch itself. The extractor writes into a
// work folder of this run's own beside the partial file; only when it ends with success and its
// file is there is that file moved to the partial file. Stop ends the process and its children
// and removes the work folder; so does a failure.
class ExtractorDownload final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorDownload)

public:
    ExtractorDownload(const QString &program, const QString &pageAddress, const QString &formatId,
                      const QString &partialFile, QObject *parent = nullptr);
    ~ExtractorDownload() override; // a running extractor is killed, its work folder removed

    // A recipe's options (RecipeOptions::Accepts) instead of the format: the extractor chooses the
    // streams and post-processes the file (converts, embeds). Set before start().
    void setRecipe(const QStringList &options) { m_recipe = options; }
    // Options of the run that are no recipe's (network, sign-in), each value its own argument.
    void setRunOptions(const QStringList &options) { m_runOptions = options; }
    // The run fails as TimedOut when the extractor writes nothing for this long.
    void setIdleTimeout(int milliseconds) { m_idleTimeout = milliseconds; }
    // Fragments of a stream (HLS, DASH) fetched at once (1 to 16); other formats are one file.
    void setConcurrentFragments(int count) { m_fragments = count; }

    void start();
    void stop(); // no result follows; stopped once the process is gone and its files removed

    QString partialFile() const { return m_partialFile; }
    QString workFolder() const { return m_workFolder; } // empty until started
    // The kind of file the run made, as its name ends ("mp3"); empty before it has finished.
    QString resultSuffix() const;
    qint64 processId() const;

Q_SIGNALS:
    // Bytes of the whole download so far and its expected size (-1 unknown); a merged download
    // counts its streams one after the other; the bar never runs back, neither when the next stream
    // starts nor when the extractor's estimate of a stream's size grows.
    void progress(qint64 done, qint64 total);
    // A step of the post-processing has begun, as a row says it ("Converting to MP3...").
    void step(const QString &caption);
    void finished(const QString &partialFile);
    void failed(const ExtractorFailure &failure);
    void stopped();

private:
    void failSoon(const ExtractorFailure &failure);
    void onLine(const QByteArray &line);
    void onSucceeded();
    void onFailed(const ExtractorFailure &failure);
    bool moveResultIntoPlace(QString &why);
    void removeWorkFolder();

    QString m_program;
    QString m_pageAddress;
    QString m_formatId;
    QStringList m_recipe;
    QStringList m_runOptions;
    int m_streams = 1; // fetched one after the other before they are joined
    QString m_partialFile;
    QString m_workFolder;
    ExtractorProcess *m_process = nullptr;
    int m_idleTimeout;
    int m_fragments = 1;
    QString m_resultFile;
    qint64 m_finishedBytes = 0; // of the streams already complete
    int m_finishedStreams = 0;
    ExtractorProgress::SteadyShare m_share;
    bool m_stopping = false;
};
