#pragma once

#include "transfer/TransferResult.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class Downloader;
class ExtractorProcess;

// Fetches deno, the JavaScript runtime newer extractors prefer, into the extractor's runtime
// folder (<data>/extractor/runtime/deno): the release's zip for this machine into a new private
// file, proven by the SHA-256 published beside it (NAME.zip.sha256sum); "deno" unpacked from it
// with libarchive into another new private file; run once with --version; renamed into place. A
// failure at any step removes what was fetched and unpacked and says which step failed.
// Reports finished once, unless cancelled.
class RuntimeFetch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RuntimeFetch)

public:
    static constexpr qint64 ArchiveLimit = 200 * 1024 * 1024;   // bytes of the zip
    static constexpr qint64 ExecutableLimit = 500 * 1024 * 1024; // bytes of deno unpacked

    explicit RuntimeFetch(QObject *parent = nullptr);
    ~RuntimeFetch() override;

    // https://github.com/denoland/deno/releases/latest/download/ (CLIPVAULT_EXTRACTOR_RELEASES
    // replaces https://github.com) and the zip's name for this machine.
    static QString DownloadFolder();
    static QString ArchiveName();

    void setIdleTimeout(int milliseconds);
    void start();
    void cancel();

Q_SIGNALS:
    void progress(const QString &what, qint64 done, qint64 total);
    void finished(bool ok, const QString &sentence);

private:
    enum class State { Waiting, Sum, Archive, Trying, Done };

    void onTransfer(const QString &key, const QByteArray &data, const TransferResult &result);
    void unpackAndTry();
    void fail(const QString &sentence);
    void cleanUp();

    State m_state = State::Waiting;
    Downloader *m_downloader;
    QPointer<ExtractorProcess> m_process;
    QByteArray m_digest;
    QString m_archive;  // the zip being fetched
    QString m_unpacked; // deno being unpacked and tried
};
