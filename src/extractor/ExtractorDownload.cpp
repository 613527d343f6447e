#include "extractor/ExtractorDownload.h"

#include "extractor/ExtractorProcess.h"
#include "extractor/ExtractorProgram.h"
#include "extractor/ExtractorProgress.h"
#include "extractor/RecipeOptions.h"
#include "videoinfo/VideoText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

namespace {

// The extractor reads "-o" as a template in which "%" starts a field.
QString templateEscaped(const QString &path)
{
    QString escaped = path;
    return escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

} // namespace

ExtractorDownload::ExtractorDownload(const QString &program, const QString &pageAddress, const QString &formatId,
                                     const QString &partialFile, QObject *parent)
    : QObject(parent)
    , m_program(program)
    , m_pageAddress(pageAddress)
    , m_formatId(formatId)
    , m_partialFile(partialFile)
    , m_idleTimeout(ExtractorProcess::DefaultTimeout)
{
}

ExtractorDownload::~ExtractorDownload()
{
    delete m_process; // kills a running extractor before its folder goes
    m_process = nullptr;
    removeWorkFolder();
}

qint64 ExtractorDownload::processId() const
{
    return m_process ? m_process->processId() : 0;
}

QString ExtractorDownload::resultSuffix() const
{
    return QFileInfo(m_resultFile).suffix();
}

void ExtractorDownload::failSoon(const ExtractorFailure &failure)
{
    QTimer::singleShot(0, this, [this, failure] {
        if (!m_stopping)
            Q_EMIT failed(failure);
    });
}

void ExtractorDownload::start()
{
    if (!VideoText::IsWebAddress(m_pageAddress) || (m_formatId.isEmpty() && m_recipe.isEmpty()) || m_partialFile.isEmpty()) {
        failSoon({ExtractorFailure::Reason::Refused, QStringLiteral("Only http and https addresses are handed to the video extractor")});
        return;
    }
    if (!RecipeOptions::Accepts(m_recipe)) {
        failSoon({ExtractorFailure::Reason::Refused, QStringLiteral("The recipe holds options the video extractor is not given")});
        return;
    }
    // A folder of this run's own: an earlier run of the same row that is still ending removes
    // only its own.
    QDir().mkpath(QFileInfo(m_partialFile).absolutePath());
    QTemporaryDir folder(m_partialFile + QStringLiteral(".work-XXXXXX"));
    if (!folder.isValid()) {
        failSoon({ExtractorFailure::Reason::Failed, QStringLiteral("The folder for %1 cannot be made.").arg(m_partialFile)});
        return;
    }
    folder.setAutoRemove(false);
    m_workFolder = folder.path();

    QStringList arguments = ExtractorProgram::CommonArguments(m_program) + ExtractorProgress::Arguments() + m_runOptions;
    arguments << QStringLiteral("--no-mtime");
    if (!m_recipe.isEmpty()) {
        arguments << m_recipe;
    } else {
        arguments << QStringLiteral("-f") << m_formatId;
        if (m_formatId.contains(QLatin1Char('+')))
            arguments << QStringLiteral("--merge-output-format") << QStringLiteral("mkv");
    }
    if (m_fragments > 1)
        arguments << QStringLiteral("--concurrent-fragments") << QString::number(std::clamp(m_fragments, 2, 16));
    // "v1+a1": the streams, fetched one after the other before they are joined (the run names the
    // formats it chose before it fetches them).
    m_streams = static_cast<int>(m_formatId.count(QLatin1Char('+'))) + 1;
    arguments << QStringLiteral("-o") << templateEscaped(m_workFolder) + QStringLiteral("/media.%(ext)s");
    arguments << QStringLiteral("--") << m_pageAddress;
    m_process = new ExtractorProcess(m_program, arguments, ExtractorProcess::Output::Lines, this);
    m_process->setTimeout(m_idleTimeout, true);
    m_process->setOutputLimit(1024 * 1024); // one line
    m_process->setErrorObjects(ExtractorProgress::StepMarker());
    connect(m_process, &ExtractorProcess::lineReceived, this, &ExtractorDownload::onLine);
    connect(m_process, &ExtractorProcess::succeeded, this, &ExtractorDownload::onSucceeded);
    connect(m_process, &ExtractorProcess::failed, this, &ExtractorDownload::onFailed);
    connect(m_process, &ExtractorProcess::stopped, this, [this] {
        removeWorkFolder();
        if (m_stopping)
            Q_EMIT stopped();
    });
    m_process->start();
}

void ExtractorDownload::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    if (m_process && m_process->isRunning()) {
        m_process->cancel(); // stopped follows once it is gone
        return;
    }
    if (m_process)
        m_process->cancel();
    removeWorkFolder();
    QTimer::singleShot(0, this, &ExtractorDownload::stopped);
}

void ExtractorDownload::onLine(const QByteArray &line)
{
    if (m_stopping)
        return;
    if (const auto report = ExtractorProgress::ParseReport(line)) {
        if (report->sideFile)
            return; // a subtitle, fetched before the streams
        const qint64 done = m_finishedBytes + report->done;
        Q_EMIT progress(done, m_share.total(done, ExtractorProgress::ExpectedTotal(m_streams, m_finishedStreams,
                                                                                    m_finishedBytes, *report)));
        if (report->finished) {
            m_finishedBytes += report->total >= 0 ? report->total : report->done;
            ++m_finishedStreams;
        }
        return;
    }
    if (const auto step = ExtractorProgress::ParseStep(line)) {
        const QString caption = ExtractorProgress::StepCaption(step->postprocessor,
                                                               RecipeOptions::ValueOf(m_recipe, QStringLiteral("--audio-format")));
        if (step->started && !caption.isEmpty())
            Q_EMIT this->step(caption);
        return;
    }
    if (const auto formats = ExtractorProgress::ParseFormats(line)) {
        if (m_finishedStreams == 0)
            m_streams = static_cast<int>(formats->count(QLatin1Char('+'))) + 1;
        return;
    }
    if (const auto file = ExtractorProgress::ParseFile(line))
        m_resultFile = *file;
}

void ExtractorDownload::onSucceeded()
{
    if (m_stopping)
        return;
    QString why;
    const bool moved = moveResultIntoPlace(why);
    removeWorkFolder();
    if (moved)
        Q_EMIT finished(m_partialFile);
    else
        Q_EMIT failed({ExtractorFailure::Reason::Refused, why});
}

void ExtractorDownload::onFailed(const ExtractorFailure &failure)
{
    if (m_stopping)
        return;
    if (!m_process->isRunning())
        removeWorkFolder(); // else once it has stopped
    Q_EMIT failed(failure);
}

bool ExtractorDownload::moveResultIntoPlace(QString &why)
{
    // Only a plain file that the extractor made in its own folder is taken.
    const QFileInfo result(m_resultFile);
    const QString folder = QFileInfo(m_workFolder).canonicalFilePath();
    if (m_resultFile.isEmpty() || result.isSymLink() || !result.isFile() || folder.isEmpty()
        || QFileInfo(result.canonicalPath()).canonicalFilePath() != folder) {
        why = QStringLiteral("The video extractor named no downloaded file in its own folder");
        return false;
    }
    QFile::remove(m_partialFile);
    if (!QFile::rename(result.filePath(), m_partialFile)) {
        why = QStringLiteral("The downloaded file cannot be moved to %1").arg(m_partialFile);
        return false;
    }
    // Subtitles saved beside the file ("media.en.srt") go beside the partial file, whose name
    // the list gives them with the file's; embedded ones are in the file already.
    if (!m_recipe.contains(QStringLiteral("--convert-subs")))
        return true;
    static const QRegularExpression subtitle(QStringLiteral("^media(\\.[A-Za-z0-9-]{1,16}\\.(?:srt|vtt))$"));
    for (const QFileInfo &file : QDir(m_workFolder).entryInfoList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = subtitle.match(file.fileName());
        if (match.hasMatch() && !file.isSymLink())
            QFile::rename(file.absoluteFilePath(), m_partialFile + match.captured(1));
    }
    return true;
}

void ExtractorDownload::removeWorkFolder()
{
    if (!m_workFolder.isEmpty())
        QDir(m_workFolder).removeRecursively();
}
