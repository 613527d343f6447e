#include "updater/SignatureCheck.h"

#include "extractor/ExtractorProcess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace {

bool writePrivate(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
           && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

SignatureCheck::SignatureCheck(const QByteArray &signedBytes, const QByteArray &signature, const QByteArray &keyring,
                               const QString &fingerprint, QObject *parent)
    : QObject(parent)
    , m_signed(signedBytes)
    , m_signature(signature)
    , m_keyring(keyring)
    , m_fingerprint(fingerprint.toUpper())
{
}

SignatureCheck::~SignatureCheck()
{
    delete m_process; // kills a gpgv still running before its folder goes
    delete m_folder;
}

void SignatureCheck::start()
{
    m_folder = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/clipvault-proof-XXXXXX"));
    const QString dir = m_folder->path();
    const QString keyring = dir + QStringLiteral("/keyring.gpg");
    const QString data = dir + QStringLiteral("/signed");
    const QString signature = dir + QStringLiteral("/signed.sig");
    if (!m_folder->isValid() || !writePrivate(keyring, m_keyring) || !writePrivate(data, m_signed)
        || !writePrivate(signature, m_signature)) {
        QTimer::singleShot(0, this, [this] { report(false, QStringLiteral("the files to check cannot be written")); });
        return;
    }
    // Status lines on standard output say which key made a good signature; --homedir keeps gpgv
    // from reading or making anything of the user's own.
    m_process = new ExtractorProcess(QStringLiteral("gpgv"),
                                     {QStringLiteral("--homedir"), dir, QStringLiteral("--status-fd"), QStringLiteral("1"),
                                      QStringLiteral("--keyring"), keyring, signature, data},
                                     ExtractorProcess::Output::Collect, this);
    m_process->setCountedAsRun(false);
    m_process->setTimeout(30000);
    m_process->setOutputLimit(64 * 1024);
    connect(m_process, &ExtractorProcess::succeeded, this, [this](const QByteArray &status) {
        // VALIDSIG <fingerprint> <date> ... <primary key fingerprint>
        for (const QByteArray &line : status.split('\n')) {
            if (!line.startsWith("[GNUPG:] VALIDSIG "))
                continue;
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (m_fingerprint.isEmpty() || QString::fromLatin1(fields.constLast()).toUpper() == m_fingerprint) {
                report(true, QString());
                return;
            }
            report(false, QStringLiteral("it is made by key %1").arg(QString::fromLatin1(fields.constLast())));
            return;
        }
        report(false, QStringLiteral("gpgv named no valid signature"));
    });
    connect(m_process, &ExtractorProcess::failed, this, [this](const ExtractorFailure &failure) {
        if (failure.reason == ExtractorFailure::Reason::NotInstalled)
            report(false, QStringLiteral("gpgv cannot be started"));
        else if (failure.reason == ExtractorFailure::Reason::TimedOut)
            report(false, QStringLiteral("gpgv gave no answer in time"));
        else
            report(false, failure.detail.isEmpty() ? failure.sentence().trimmed() : failure.detail);
    });
    m_process->start();
}

void SignatureCheck::report(bool good, const QString &detail)
{
    if (m_reported)
        return;
    m_reported = true;
    Q_EMIT checked(good, detail);
}
