#include "updater/ExtractorKeeper.h"

#include "extractor/ExtractorProcess.h"
#include "extractor/ExtractorProgram.h"
#include "extractor/ExtractorRuns.h"
#include "extractor/ExtractorVersion.h"
#include "updater/RuntimeFetch.h"

ExtractorKeeper::ExtractorKeeper(QObject *parent)
    : QObject(parent)
    , m_runtime(ExtractorRuntime::Find())
{
}

ExtractorKeeper::~ExtractorKeeper() = default;

void ExtractorKeeper::setChannel(Channel channel)
{
    if (m_channel == channel)
        return;
    m_channel = channel;
    m_newerAvailable = false;
    Q_EMIT changed();
}

void ExtractorKeeper::chooseChannel(Channel channel)
{
    if (m_channel == channel || busy())
        return;
    setChannel(channel);
    Q_EMIT channelInUse(channel);
    learnVersion();
}

bool ExtractorKeeper::busy() const
{
    return m_update || m_runtimeFetch;
}

QString ExtractorKeeper::program() const
{
    return ExtractorProgram::Resolve(ExtractorChannel::ProgramInUse(m_channel, m_configured));
}

InstalledCopies::Copy ExtractorKeeper::copy() const
{
    return InstalledCopies::Describe(program());
}

QString ExtractorKeeper::version() const
{
    return ExtractorVersion::Known(program());
}

void ExtractorKeeper::learnVersion()
{
    const QString path = program();
    if (path.isEmpty() || !version().isEmpty() || (m_probe && m_probed == path))
        return;
    if (m_probe)
        m_probe->deleteLater();
    m_probed = path;
    m_probe = new ExtractorProcess(path, {QStringLiteral("--version")}, ExtractorProcess::Output::Collect, this);
    m_probe->setCountedAsRun(false);
    m_probe->setTimeout(ExtractorUpdate::TrialRunTimeout);
    m_probe->setOutputLimit(4096);
    connect(m_probe, &ExtractorProcess::succeeded, this, [this, path](const QByteArray &output) {
        ExtractorVersion::Remember(path, QString::fromUtf8(output).trimmed());
        m_probe->deleteLater();
        Q_EMIT changed();
    });
    connect(m_probe, &ExtractorProcess::failed, m_probe, &QObject::deleteLater);
    m_probe->start();
}

int ExtractorKeeper::ageInDays(const QDate &today) const
{
    const QDate released = ExtractorVersion::Date(version());
    return released.isValid() ? int(released.daysTo(today)) : -1;
}

bool ExtractorKeeper::needsRuntime() const
{
    return !m_runtime.found() && ExtractorVersion::KnowsRuntimeOption(version());
}

ExtractorKeeper::Channel ExtractorKeeper::fetchedChannel() const
{
    return m_channel == Channel::System ? Channel::Stable : m_channel;
}

void ExtractorKeeper::checkNow()
{
    run(fetchedChannel(), ExtractorUpdate::Mode::Check);
}

void ExtractorKeeper::update()
{
    run(fetchedChannel(), ExtractorUpdate::Mode::Install);
}

void ExtractorKeeper::updateChannel(Channel channel)
{
    run(channel == Channel::System ? Channel::Stable : channel, ExtractorUpdate::Mode::Install);
}

bool ExtractorKeeper::checkIfDue(const QDateTime &now)
{
    if (busy() || (m_lastCheck.isValid() && m_lastCheck.secsTo(now) < CheckIntervalSecs))
        return false;
    checkNow();
    return true;
}

void ExtractorKeeper::run(Channel channel, ExtractorUpdate::Mode mode)
{
    if (busy())
        return;
    auto *update = new ExtractorUpdate(channel, mode, this);
    if (m_idleTimeout > 0)
        update->setIdleTimeout(m_idleTimeout);
    m_update = update;
    connect(update, &ExtractorUpdate::progress, this, &ExtractorKeeper::progress);
    connect(update, &ExtractorUpdate::finished, this, [this, update, channel, mode](const ExtractorUpdate::Outcome &outcome) {
        if (update != m_update)
            return; // an update given up
        m_update = nullptr;
        update->deleteLater();
        onFinished(channel, mode, outcome);
    });
    m_status.clear();
    Q_EMIT changed();
    update->start();
}

void ExtractorKeeper::onFinished(Channel channel, ExtractorUpdate::Mode mode, const ExtractorUpdate::Outcome &outcome)
{
    m_status = outcome.sentence;
    if (outcome.ok) {
        m_lastCheck = QDateTime::currentDateTimeUtc();
        Q_EMIT checked(m_lastCheck);
    }
    // A check of a channel not in use says nothing of the copy in use, unless that copy is the
    // system's, which any fetched channel's newest copy beats.
    if (outcome.ok && mode == ExtractorUpdate::Mode::Check)
        m_newerAvailable = !outcome.upToDate;
    if (outcome.ok && mode == ExtractorUpdate::Mode::Install) {
        m_newerAvailable = false;
        if (channel != m_channel) {
            m_channel = channel;
            Q_EMIT channelInUse(channel);
        } else if (outcome.installed) {
            Q_EMIT channelInUse(channel);
        }
    }
    Q_EMIT changed();
    Q_EMIT finished(outcome);
}

bool ExtractorKeeper::rollBack()
{
    if (busy() || m_channel == Channel::System || !InstalledCopies::CanRollBack(m_channel))
        return false;
    // Like an update, the swap waits for the runs under way.
    if (ExtractorRuns::instance().active() > 0) {
        if (!m_rollBackWaiting) {
            m_rollBackWaiting = true;
            connect(&ExtractorRuns::instance(), &ExtractorRuns::allEnded, this, [this] {
                m_rollBackWaiting = false;
                rollBack();
            }, Qt::SingleShotConnection);
        }
        m_status = QStringLiteral("Roll back waits for the extractor runs under way to end.");
        Q_EMIT changed();
        return true;
    }
    QString error;
    const bool done = InstalledCopies::RollBack(m_channel, &error);
    m_status = done ? QStringLiteral("The earlier copy is back in use.") : error;
    m_newerAvailable = false;
    Q_EMIT changed();
    return done;
}

void ExtractorKeeper::fetchRuntime()
{
    if (busy())
        return;
    auto *fetch = new RuntimeFetch(this);
    if (m_idleTimeout > 0)
        fetch->setIdleTimeout(m_idleTimeout);
    m_runtimeFetch = fetch;
    connect(fetch, &RuntimeFetch::progress, this, &ExtractorKeeper::progress);
    connect(fetch, &RuntimeFetch::finished, this, [this, fetch](bool, const QString &sentence) {
        if (fetch != m_runtimeFetch)
            return;
        m_runtimeFetch = nullptr;
        fetch->deleteLater();
        m_runtime = ExtractorRuntime::Find();
        m_status = sentence;
        Q_EMIT changed();
    });
    m_status.clear();
    Q_EMIT changed();
    fetch->start();
}

void ExtractorKeeper::cancel()
{
    if (RuntimeFetch *fetch = m_runtimeFetch) {
        m_runtimeFetch = nullptr;
        fetch->cancel();
        fetch->deleteLater();
    }
    if (!m_update) {
        m_status = QStringLiteral("Cancelled.");
        Q_EMIT changed();
        return;
    }
    ExtractorUpdate *update = m_update;
    m_update = nullptr;
    update->cancel();
    update->deleteLater();
    m_status = QStringLiteral("Cancelled; the copy in use is unchanged.");
    Q_EMIT changed();
}
