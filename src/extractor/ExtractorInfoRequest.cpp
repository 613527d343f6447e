#include "extractor/ExtractorInfoRequest.h"

#include "extractor/ExtractorJson.h"
#include "extractor/ExtractorProcess.h"
#include "extractor/ExtractorProgram.h"
#include "videoinfo/VideoText.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

ExtractorInfoRequest::ExtractorInfoRequest(const QString &program, const QString &address, QObject *parent)
    : QObject(parent)
    , m_address(address)
    , m_canMerge(ExtractorProgram::CanMerge())
{
    if (!VideoText::IsWebAddress(address))
        return;
    m_process = new ExtractorProcess(
        program, ExtractorProgram::CommonArguments(program) << QStringLiteral("--flat-playlist") << QStringLiteral("-J") << QStringLiteral("--") << address,
        ExtractorProcess::Output::Collect, this);
    connect(m_process, &ExtractorProcess::succeeded, this, &ExtractorInfoRequest::onOutput);
    connect(m_process, &ExtractorProcess::failed, this, &ExtractorInfoRequest::failed);
    connect(m_process, &ExtractorProcess::stopped, this, [this] {
        if (m_cancelled)
            Q_EMIT stopped();
    });
}

ExtractorInfoRequest::~ExtractorInfoRequest() = default;

void ExtractorInfoRequest::setTimeout(int milliseconds)
{
    if (m_process)
        m_process->setTimeout(milliseconds);
}

void ExtractorInfoRequest::setOutputLimit(qint64 bytes)
{
    if (m_process)
        m_process->setOutputLimit(bytes);
}

qint64 ExtractorInfoRequest::processId() const
{
    return m_process ? m_process->processId() : 0;
}

void ExtractorInfoRequest::start()
{
    if (m_process) {
        m_process->start();
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (!m_cancelled)
            Q_EMIT failed({ExtractorFailure::Reason::Refused, QStringLiteral("Only http and https addresses are handed to the video extractor")});
    });
}

void ExtractorInfoRequest::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    if (m_process && m_process->isRunning()) {
        m_process->cancel(); // stopped follows once the process is gone
        return;
    }
    if (m_process)
        m_process->cancel();
    QTimer::singleShot(0, this, &ExtractorInfoRequest::stopped);
}

void ExtractorInfoRequest::onOutput(const QByteArray &output)
{
    if (m_cancelled)
        return;
    // The answer comes back through the application object: the worker never touches this one,
    // which may be gone by then.
    QPointer<ExtractorInfoRequest> self(this);
    QThreadPool::globalInstance()->start([self, output, address = m_address, canMerge = m_canMerge] {
        ExtractorAnswer answer = ExtractorJson::ReadAnswer(output, address, canMerge);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, answer = std::move(answer)] {
                if (self)
                    self->onRead(answer);
            },
            Qt::QueuedConnection);
    });
}

void ExtractorInfoRequest::onRead(const ExtractorAnswer &answer)
{
    if (m_cancelled)
        return;
    if (answer.list)
        Q_EMIT listed(*answer.list);
    else if (answer.reading.failure)
        Q_EMIT failed(*answer.reading.failure);
    else
        Q_EMIT finished(answer.reading.info);
}
