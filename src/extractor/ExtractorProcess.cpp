#include "extractor/ExtractorProcess.h"

#include "extractor/ExtractorProgram.h"
#include "extractor/ExtractorRuns.h"

#include <QProcess>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr qsizetype ErrorLineLimit = 600;    // characters of an error line that are shown
constexpr qsizetype ErrorTailLimit = 64 * 1024;

QString shownLine(const QByteArray &line)
{
    QString text = QString::fromUtf8(line).trimmed();
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (text.size() > ErrorLineLimit)
        text = text.left(ErrorLineLimit) + QStringLiteral("...");
    return text;
}

} // namespace

ExtractorProcess::ExtractorProcess(const QString &program, const QStringList &arguments, Output output,
                                   QObject *parent)
    : QObject(parent)
    , m_process(new QProcess(this))
    , m_timer(new QTimer(this))
    , m_program(program)
    , m_arguments(arguments)
    , m_output(output)
{
    m_timer->setSingleShot(true);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setInputChannelMode(QProcess::ManagedInputChannel);
    // A group of its own, so that ending it reaches the programs it starts; and it dies with us.
    m_process->setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    connect(m_timer, &QTimer::timeout, this, &ExtractorProcess::onTimer);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &ExtractorProcess::readOutput);
    connect(m_process, &QProcess::readyReadStandardError, this, &ExtractorProcess::readErrors);
    connect(m_process, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) { onFinished(exitCode, status == QProcess::CrashExit); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onStartFailed();
    });
}

ExtractorProcess::~ExtractorProcess()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->disconnect(this);
        signalGroup(SIGKILL);
        m_process->waitForFinished(5000);
    }
    uncount();
}

void ExtractorProcess::uncount()
{
    if (!m_inRuns)
        return;
    m_inRuns = false;
    ExtractorRuns::instance().ended();
}

void ExtractorProcess::setTimeout(int milliseconds, bool restartOnOutput)
{
    m_timeout = milliseconds;
    m_restartOnOutput = restartOnOutput;
}

void ExtractorProcess::start()
{
    if (m_state != State::Waiting)
        return;
    m_state = State::Running;
    QTimer::singleShot(0, this, &ExtractorProcess::launch);
}

void ExtractorProcess::launch()
{
    if (m_state != State::Running)
        return;
    const QString resolved = ExtractorProgram::Resolve(m_program);
    if (resolved.isEmpty()) {
        fail({ExtractorFailure::Reason::NotInstalled, ExtractorProgram::Shown(m_program)});
        return;
    }
    m_process->start(resolved, m_arguments, QIODevice::ReadOnly);
    if (m_process->state() == QProcess::NotRunning)
        return; // errorOccurred has reported it
    m_pid = m_process->processId();
    if (m_counted) {
        m_inRuns = true;
        ExtractorRuns::instance().began();
    }
    if (m_timeout > 0)
        m_timer->start(m_timeout);
}

bool ExtractorProcess::isRunning() const
{
    return m_process->state() != QProcess::NotRunning;
}

void ExtractorProcess::readOutput()
{
    const QByteArray data = m_process->readAllStandardOutput();
    if (m_state != State::Running)
        return; // late output of a cancelled or finished run
    if (m_restartOnOutput && m_timeout > 0)
        m_timer->start(m_timeout);
    m_collected += data;
    if (m_output == Output::Lines) {
        qsizetype start = 0;
        for (qsizetype end; (end = m_collected.indexOf('\n', start)) >= 0; start = end + 1) {
            QByteArray line = m_collected.mid(start, end - start);
            if (line.endsWith('\r'))
                line.chop(1);
            Q_EMIT lineReceived(line);
            if (m_state != State::Running)
                return; // a receiver ended the run
        }
        m_collected.remove(0, start);
    }
    if (m_collected.size() > m_outputLimit)
        fail({ExtractorFailure::Reason::TooMuchOutput, QString()});
}

void ExtractorProcess::readErrors()
{
    m_errorTail += m_process->readAllStandardError();
    if (m_state != State::Running)
        return;
    if (m_restartOnOutput && m_timeout > 0)
        m_timer->start(m_timeout);
    if (!takeErrorObjects())
        return;
    qsizetype start = 0;
    for (qsizetype end; (end = m_errorTail.indexOf('\n', start)) >= 0; start = end + 1) {
        const QString line = shownLine(m_errorTail.mid(start, end - start));
        if (line.isEmpty())
            continue;
        m_lastLine = line;
        if (line.startsWith(QLatin1String("ERROR:")))
            m_lastError = line;
    }
    m_errorTail.remove(0, start);
    if (m_errorTail.size() > ErrorTailLimit)
        m_errorTail = m_errorTail.right(ErrorTailLimit);
}

bool ExtractorProcess::takeErrorObjects()
{
    if (m_errorMarker.isEmpty() || m_output != Output::Lines)
        return true;
    for (qsizetype at; (at = m_errorTail.indexOf(m_errorMarker)) >= 0;) {
        const qsizetype end = m_errorTail.indexOf('}', at);
        if (end < 0)
            break; // the rest is still on its way
        const QByteArray object = m_errorTail.mid(at, end + 1 - at);
        m_errorTail.remove(at, end + 1 - at);
        Q_EMIT lineReceived(object);
        if (m_state != State::Running)
            return false;
    }
    return true;
}

QString ExtractorProcess::lastErrorLine() const
{
    const QString tail = shownLine(m_errorTail);
    if (tail.startsWith(QLatin1String("ERROR:")))
        return tail;
    if (!m_lastError.isEmpty())
        return m_lastError;
    return tail.isEmpty() ? m_lastLine : tail;
}

void ExtractorProcess::onFinished(int exitCode, bool crashed)
{
    m_timer->stop();
    uncount();
    if (m_state == State::Ending) {
        // Whatever of the group outlived its leader goes too.
        signalGroup(SIGKILL);
        m_state = State::Done;
        Q_EMIT stopped();
        return;
    }
    if (m_state != State::Running)
        return;
    readOutput();
    readErrors();
    if (m_state != State::Running)
        return;
    m_state = State::Done;
    signalGroup(SIGKILL);
    if (crashed || exitCode != 0) {
        ExtractorFailure failure{ExtractorFailure::Reason::Failed, lastErrorLine(), crashed ? -1 : exitCode};
        Q_EMIT failed(failure);
        return;
    }
    if (m_output == Output::Lines && !m_collected.isEmpty()) {
        const QByteArray last = m_collected;
        m_collected.clear();
        Q_EMIT lineReceived(last);
    }
    Q_EMIT succeeded(m_output == Output::Collect ? m_collected : QByteArray());
}

void ExtractorProcess::onStartFailed()
{
    if (m_state != State::Running)
        return;
    fail({ExtractorFailure::Reason::NotInstalled, ExtractorProgram::Shown(m_program)});
}

void ExtractorProcess::onTimer()
{
    if (m_state == State::Running) {
        fail({ExtractorFailure::Reason::TimedOut, QString()});
        return;
    }
    if (m_state == State::Ending)
        signalGroup(SIGKILL); // the grace has passed
}

void ExtractorProcess::fail(ExtractorFailure failure)
{
    endProcess();
    if (m_state == State::Ending || m_state == State::Done)
        Q_EMIT failed(failure);
}

void ExtractorProcess::cancel()
{
    endProcess();
}

void ExtractorProcess::endProcess()
{
    if (m_state == State::Done || m_state == State::Ending)
        return;
    m_collected.clear();
    if (m_process->state() == QProcess::NotRunning) {
        m_state = State::Done;
        return;
    }
    m_state = State::Ending;
    signalGroup(SIGTERM);
    m_timer->start(GraceMs);
}

void ExtractorProcess::signalGroup(int signal) const
{
    // Only while this run's leader exists or has just been reaped: its id names the group. The
    // leader itself is named too, in case it has not made its group yet.
    if (m_pid <= 0)
        return;
    ::kill(static_cast<pid_t>(-m_pid), signal);
    if (m_process->state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(m_pid), signal);
}
