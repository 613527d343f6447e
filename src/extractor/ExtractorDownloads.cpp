#include "extractor/ExtractorDownloads.h"

#include "extractor/ExtractorDownload.h"
#include "extractor/ExtractorProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

ExtractorDownloads::ExtractorDownloads(QObject *parent)
    : QObject(parent)
    , m_idleTimeout(ExtractorProcess::DefaultTimeout)
{
}

ExtractorDownloads::~ExtractorDownloads() = default; // each run, a child, kills its extractor and removes its folder

void ExtractorDownloads::Start(const QString &Key, const QString &program, const QString &pageAddress,
                               const QString &formatId, const QString &TargetFile, const QStringList &recipe)
{
    CancelDownload(Key); // only the new run reports
    removeLeftovers(TargetFile);
    auto *download = new ExtractorDownload(program, pageAddress, formatId, TargetFile, this);
    download->setIdleTimeout(m_idleTimeout);
    download->setRecipe(recipe);
    download->setRunOptions(m_runOptions);
    download->setConcurrentFragments(m_fragments);
    m_running.insert(Key, download);
    connect(download, &ExtractorDownload::progress, this, [this, Key, pageAddress](qint64 done, qint64 total) {
        Q_EMIT Progress(pageAddress, Key, done, total < 0 ? 0 : total, 0);
    });
    connect(download, &ExtractorDownload::step, this, [this, Key](const QString &caption) { Q_EMIT Step(Key, caption); });
    connect(download, &ExtractorDownload::finished, this, [this, Key, pageAddress, download](const QString &file) {
        TransferResult result;
        result.ok = true;
        result.httpStatus = 200;
        result.targetFile = file;
        result.bytesReceived = QFileInfo(file).size();
        result.bytesTotal = result.bytesReceived;
        if (m_running.value(Key) == download)
            Q_EMIT Made(Key, download->resultSuffix());
        finish(Key, pageAddress, download, result);
    });
    connect(download, &ExtractorDownload::failed, this, [this, Key, pageAddress, download](const ExtractorFailure &failure) {
        TransferResult result;
        result.targetFile = download->partialFile();
        result.errorText = failure.reason == ExtractorFailure::Reason::Failed && !failure.detail.isEmpty()
            ? failure.detail
            : failure.sentence().trimmed();
        finish(Key, pageAddress, download, result);
    });
    download->start();
}

void ExtractorDownloads::removeLeftovers(const QString &targetFile) const
{
    const QFileInfo target(targetFile);
    QSet<QString> owned; // runs that are still ending remove their own
    for (const ExtractorDownload *download : findChildren<ExtractorDownload *>(Qt::FindDirectChildrenOnly))
        owned.insert(QFileInfo(download->workFolder()).absoluteFilePath());
    const QDir folder = target.absoluteDir();
    const QStringList pattern{target.fileName() + QStringLiteral(".work-*")};
    for (const QFileInfo &work : folder.entryInfoList(pattern, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (!work.isSymLink() && !owned.contains(work.absoluteFilePath()))
            QDir(work.absoluteFilePath()).removeRecursively();
    }
}

void ExtractorDownloads::finish(const QString &key, const QString &pageAddress, ExtractorDownload *download,
                                const TransferResult &result)
{
    if (m_running.value(key) != download)
        return;
    m_running.remove(key);
    download->deleteLater(); // a failed run's process may still be ending: it goes with it
    Q_EMIT Complete(pageAddress, QByteArray(), key, result);
}

void ExtractorDownloads::CancelDownload(const QString &Key)
{
    ExtractorDownload *download = m_running.take(Key);
    if (!download)
        return;
    download->disconnect(this);
    connect(download, &ExtractorDownload::stopped, download, &QObject::deleteLater);
    download->stop();
}

bool ExtractorDownloads::IsRunning(const QString &Key) const
{
    return m_running.contains(Key);
}

int ExtractorDownloads::RunningCount() const
{
    return static_cast<int>(m_running.size());
}

qint64 ExtractorDownloads::processId(const QString &Key) const
{
    const ExtractorDownload *download = m_running.value(Key);
    return download ? download->processId() : 0;
}
