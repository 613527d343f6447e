#include "updater/ExtractorUpdate.h"

#include "extractor/ExtractorProcess.h"
#include "extractor/ExtractorRuns.h"
#include "extractor/ExtractorVersion.h"
#include "transfer/Downloader.h"
#include "updater/InstalledCopies.h"
#include "updater/ReleaseSource.h"
#include "updater/SignatureCheck.h"
#include "updater/SigningKey.h"

#include <QFile>
#include <QTimer>

#include <utility>

namespace {

const QString kSumsKey = QStringLiteral("sums");
const QString kSignatureKey = QStringLiteral("signature");
const QString kExecutableKey = QStringLiteral("executable");

} // namespace

ExtractorUpdate::ExtractorUpdate(ExtractorChannel::Channel channel, Mode mode, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_mode(mode)
    , m_downloader(new Downloader(this))
{
    qRegisterMetaType<ExtractorUpdate::Outcome>();
    m_downloader->setMemoryLimits({ReleaseSource::SumsLimit, 60000});
    connect(m_downloader, &Downloader::Complete, this,
            [this](const QString &, const QByteArray &data, const QString &key, const TransferResult &result) {
                onTransfer(key, data, result);
            });
    connect(m_downloader, &Downloader::Progress, this,
            [this](const QString &, const QString &key, qint64 done, qint64 total, int) {
                if (key == kExecutableKey && m_state == State::Fetching)
                    Q_EMIT progress(QStringLiteral("Fetching %1").arg(m_asset), done, total);
            });
}

ExtractorUpdate::~ExtractorUpdate()
{
    cleanUp();
}

void ExtractorUpdate::setIdleTimeout(int milliseconds)
{
    m_downloader->setIdleTimeout(milliseconds);
}

void ExtractorUpdate::start()
{
    if (m_state != State::Waiting)
        return;
    m_state = State::Sums;
    QTimer::singleShot(0, this, &ExtractorUpdate::begin);
}

void ExtractorUpdate::cancel()
{
    if (m_state == State::Done)
        return;
    m_state = State::Done;
    cleanUp();
}

void ExtractorUpdate::begin()
{
    if (m_state != State::Sums)
        return;
    const QString folder = ReleaseSource::DownloadFolder(m_channel);
    if (folder.isEmpty()) {
        fail(Step::Folder, QStringLiteral("The copy installed with the system is not fetched by this program."));
        return;
    }
    QString error;
    if (!InstalledCopies::PrepareFolder(m_channel, &error)) {
        fail(Step::Folder, error);
        return;
    }
    m_lock = InstalledCopies::Lock(m_channel);
    if (m_lock < 0) {
        fail(Step::Folder, QStringLiteral("Another update of %1 is under way.").arg(ExtractorChannel::Label(m_channel)));
        return;
    }
    InstalledCopies::RemoveLeftovers(m_channel);
    m_asset = ReleaseSource::AssetName();
    Q_EMIT progress(QStringLiteral("Fetching %1 and its signature").arg(QLatin1String(ReleaseSource::SumsName)), 0, 0);
    for (const auto &[key, name] : {std::pair{kSumsKey, ReleaseSource::SumsName},
                                    std::pair{kSignatureKey, ReleaseSource::SignatureName}}) {
        TransferRequest request;
        request.url = folder + QLatin1String(name);
        request.key = key;
        request.cacheMode = Downloader::ForceUpdate;
        request.maxBytes = ReleaseSource::SumsLimit;
        m_downloader->Start(request);
    }
}

void ExtractorUpdate::onTransfer(const QString &key, const QByteArray &data, const TransferResult &result)
{
    if (key == kExecutableKey) {
        if (m_state == State::Fetching)
            onExecutable(result);
        return;
    }
    if (m_state != State::Sums)
        return; // the answer of a request given up
    const QString name = QLatin1String(key == kSumsKey ? ReleaseSource::SumsName : ReleaseSource::SignatureName);
    if (!result.ok) {
        m_downloader->CancelDownload(key == kSumsKey ? kSignatureKey : kSumsKey);
        fail(key == kSumsKey ? Step::Sums : Step::Signature,
             QStringLiteral("Fetching %1 failed: %2.").arg(name, result.errorText));
        return;
    }
    // An empty body is an answer too: the proof refuses it.
    (key == kSumsKey ? m_sums : m_signature) = data;
    (key == kSumsKey ? m_haveSums : m_haveSignature) = true;
    if (m_haveSums && m_haveSignature)
        proveSignature();
}

void ExtractorUpdate::proveSignature()
{
    m_state = State::Proving;
    QString error;
    const QByteArray keyring = SigningKey::Keyring(&error);
    if (keyring.isEmpty()) {
        fail(Step::Signature, error);
        return;
    }
    Q_EMIT progress(QStringLiteral("Checking the signature of %1").arg(QLatin1String(ReleaseSource::SumsName)), 0, 0);
    // With the built-in key, the signature must name its fingerprint as well.
    const QString fingerprint = qEnvironmentVariableIsEmpty("CLIPVAULT_EXTRACTOR_KEYRING")
                                    ? QString::fromLatin1(SigningKey::Fingerprint) : QString();
    auto *check = new SignatureCheck(m_sums, m_signature, keyring, fingerprint, this);
    connect(check, &SignatureCheck::checked, this, [this, check](bool good, const QString &detail) {
        check->deleteLater();
        if (m_state == State::Proving)
            onSignatureChecked(good, detail);
    });
    check->start();
}

void ExtractorUpdate::onSignatureChecked(bool good, const QString &detail)
{
    if (!good) {
        fail(Step::Signature, QStringLiteral("The signature of %1 is not the extractor project's (%2).")
                                  .arg(QLatin1String(ReleaseSource::SumsName), detail));
        return;
    }
    m_digest = ReleaseSource::ParseSums(m_sums).value(m_asset);
    if (m_digest.isEmpty()) {
        fail(Step::SumsLine, QStringLiteral("The proven %1 has no line for %2.")
                                 .arg(QLatin1String(ReleaseSource::SumsName), m_asset));
        return;
    }
    compareWithCopy();
}

void ExtractorUpdate::compareWithCopy()
{
    const QString copy = ExtractorChannel::CopyPath(m_channel);
    if (InstalledCopies::Sha256(copy) == m_digest) {
        Outcome outcome;
        outcome.upToDate = true;
        outcome.version = ExtractorVersion::Known(copy);
        outcome.sentence = QStringLiteral("The extractor of %1 is up to date.").arg(ExtractorChannel::Label(m_channel));
        succeed(outcome);
        return;
    }
    if (m_mode == Mode::Check) {
        Outcome outcome;
        outcome.sentence = QStringLiteral("A newer proven extractor is available from %1.").arg(ExtractorChannel::Label(m_channel));
        succeed(outcome);
        return;
    }
    fetchExecutable();
}

void ExtractorUpdate::fetchExecutable()
{
    m_state = State::Fetching;
    m_fetchPath = InstalledCopies::NewFetchPath(m_channel);
    TransferRequest request;
    request.url = ReleaseSource::DownloadFolder(m_channel) + m_asset;
    request.key = kExecutableKey;
    request.cacheMode = Downloader::ForceUpdate;
    request.targetFile = m_fetchPath;
    request.createNew = true;
    request.maxBytes = ReleaseSource::ExecutableLimit;
    Q_EMIT progress(QStringLiteral("Fetching %1").arg(m_asset), 0, 0);
    m_downloader->Start(request);
}

void ExtractorUpdate::onExecutable(const TransferResult &result)
{
    if (!result.ok) {
        fail(Step::Executable, QStringLiteral("Fetching %1 failed: %2.").arg(m_asset, result.errorText));
        return;
    }
    if (InstalledCopies::Sha256(m_fetchPath) != m_digest) {
        fail(Step::Digest, QStringLiteral("The SHA-256 of the fetched %1 is not the one in %2.")
                               .arg(m_asset, QLatin1String(ReleaseSource::SumsName)));
        return;
    }
    tryExecutable();
}

void ExtractorUpdate::tryExecutable()
{
    m_state = State::Trying;
    QFile::setPermissions(m_fetchPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    Q_EMIT progress(QStringLiteral("Trying the fetched %1").arg(m_asset), 0, 0);
    m_process = new ExtractorProcess(m_fetchPath, {QStringLiteral("--version")}, ExtractorProcess::Output::Collect, this);
    m_process->setCountedAsRun(false);
    m_process->setTimeout(m_trialTimeout);
    m_process->setOutputLimit(4096);
    connect(m_process, &ExtractorProcess::succeeded, this, [this](const QByteArray &output) {
        if (m_state != State::Trying)
            return;
        const QString version = QString::fromUtf8(output).trimmed();
        if (!ExtractorVersion::IsVersion(version)) {
            fail(Step::TrialRun, QStringLiteral("The fetched %1 printed no version when asked for it.").arg(m_asset));
            return;
        }
        m_version = version;
        if (ExtractorVersion::KnowsRuntimeOption(version))
            tryRuntimeOption();
        else
            swapWhenIdle();
    });
    connect(m_process, &ExtractorProcess::failed, this, [this](const ExtractorFailure &failure) {
        if (m_state != State::Trying)
            return;
        if (failure.reason == ExtractorFailure::Reason::TimedOut)
            fail(Step::TrialRun, QStringLiteral("The fetched %1 printed no version within %2 seconds.")
                                     .arg(m_asset).arg(m_trialTimeout / 1000.0));
        else
            fail(Step::TrialRun, QStringLiteral("The fetched %1 failed when asked for its version%2.")
                                     .arg(m_asset, failure.detail.isEmpty() ? QString() : QStringLiteral(": ") + failure.detail));
    });
    m_process->start();
}

// A copy whose version says it takes --js-runtimes is asked once whether it does: every run will
// be given the option, and a copy that refuses it (a build of its own, a wrapper) would then fail
// every time. The answer is kept beside the copy; it decides nothing about installing.
void ExtractorUpdate::tryRuntimeOption()
{
    m_process->disconnect(this);
    m_process->deleteLater();
    // --dump-user-agent acts only once all options are read (--version would answer before an
    // unknown option is noticed), and touches no network.
    m_process = new ExtractorProcess(m_fetchPath,
                                     {QStringLiteral("--ignore-config"), QStringLiteral("--js-runtimes"), QStringLiteral("deno"),
                                      QStringLiteral("--dump-user-agent")},
                                     ExtractorProcess::Output::Collect, this);
    m_process->setCountedAsRun(false);
    m_process->setTimeout(m_trialTimeout);
    m_process->setOutputLimit(4096);
    connect(m_process, &ExtractorProcess::succeeded, this, [this] {
        if (m_state == State::Trying)
            swapWhenIdle();
    });
    connect(m_process, &ExtractorProcess::failed, this, [this] {
        if (m_state != State::Trying)
            return;
        m_refusesRuntimeOption = true;
        swapWhenIdle();
    });
    m_process->start();
}

// A run of the extractor under way keeps the copy it started with until it ends: the new one
// moves in only between runs.
void ExtractorUpdate::swapWhenIdle()
{
    m_state = State::Swapping;
    if (ExtractorRuns::instance().active() > 0) {
        Q_EMIT progress(QStringLiteral("Waiting for the extractor runs under way to end"), 0, 0);
        connect(&ExtractorRuns::instance(), &ExtractorRuns::allEnded, this, &ExtractorUpdate::swapWhenIdle,
                Qt::SingleShotConnection);
        return;
    }
    if (m_state != State::Swapping)
        return;
    QString error;
    if (!InstalledCopies::Install(m_channel, m_fetchPath, m_version, m_refusesRuntimeOption, &error)) {
        fail(Step::Install, QStringLiteral("Moving the proven copy into place failed: %1.").arg(error));
        return;
    }
    m_fetchPath.clear();
    Outcome outcome;
    outcome.installed = true;
    outcome.version = m_version;
    outcome.sentence = QStringLiteral("yt-dlp %1 from %2 is installed.").arg(m_version, ExtractorChannel::Label(m_channel));
    succeed(outcome);
}

void ExtractorUpdate::fail(Step step, const QString &sentence)
{
    m_state = State::Done;
    cleanUp();
    Outcome outcome;
    outcome.failedStep = step;
    outcome.sentence = sentence;
    outcome.newestDigest = m_digest;
    Q_EMIT finished(outcome);
}

void ExtractorUpdate::succeed(Outcome outcome)
{
    m_state = State::Done;
    cleanUp();
    outcome.ok = true;
    outcome.newestDigest = m_digest;
    Q_EMIT finished(outcome);
}

void ExtractorUpdate::cleanUp()
{
    m_downloader->CancelDownload(kSumsKey);
    m_downloader->CancelDownload(kSignatureKey);
    m_downloader->CancelDownload(kExecutableKey);
    if (m_process) {
        // Not deleted at once: this may run inside one of its signals. Its end kills a trial
        // run still going, with the programs it started.
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
    disconnect(&ExtractorRuns::instance(), nullptr, this, nullptr);
    if (!m_fetchPath.isEmpty()) {
        QFile::remove(m_fetchPath);
        m_fetchPath.clear();
    }
    InstalledCopies::Unlock(std::exchange(m_lock, -1));
}
