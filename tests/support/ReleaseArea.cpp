#include "ReleaseArea.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kRelease = QStringLiteral("Release Test <release@clipvault.invalid>");
const QString kOther = QStringLiteral("Other Test <other@clipvault.invalid>");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString repository(const QString &channel)
{
    return channel == QLatin1String("nightly") ? QStringLiteral("yt-dlp-nightly-builds") : QStringLiteral("yt-dlp");
}

} // namespace

ReleaseArea::~ReleaseArea()
{
    QProcess::execute(QStringLiteral("gpgconf"), {QStringLiteral("--homedir"), m_home.path(),
                                                  QStringLiteral("--kill"), QStringLiteral("all")});
}

bool ReleaseArea::gpg(const QStringList &arguments, QByteArray *output) const
{
    QProcess process;
    process.start(QStringLiteral("gpg"), QStringList{QStringLiteral("--homedir"), m_home.path(), QStringLiteral("--batch"),
                                                     QStringLiteral("--yes"), QStringLiteral("--pinentry-mode"),
                                                     QStringLiteral("loopback"), QStringLiteral("--passphrase"), QString()}
                                             + arguments);
    if (!process.waitForFinished(60000))
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool ReleaseArea::init()
{
    if (!m_home.isValid() || !m_extra.isValid())
        return false;
    QFile::setPermissions(m_home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString &uid : {kRelease, kOther})
        if (!gpg({QStringLiteral("--quick-gen-key"), uid, QStringLiteral("ed25519"), QStringLiteral("sign"),
                  QStringLiteral("never")}))
            return false;
    return gpg({QStringLiteral("--armor"), QStringLiteral("--output"), publicKeyFile(), QStringLiteral("--export"), kRelease})
           && gpg({QStringLiteral("--output"), publicKeyBinary(), QStringLiteral("--export"), kRelease});
}

QString ReleaseArea::folder(const QString &channel) const
{
    return m_extra.path() + QStringLiteral("/files") + sitePath(channel, QString()).mid(QStringLiteral("/files").size());
}

QString ReleaseArea::sitePath(const QString &channel, const QString &name)
{
    return QStringLiteral("/files/yt-dlp/%1/releases/latest/download/%2").arg(repository(channel), name);
}

QByteArray ReleaseArea::standIn(const Release &release)
{
    const QByteArray onVersion = release.onVersion.isEmpty() ? "echo " + release.version.toLatin1() + "; exit 0"
                                                             : release.onVersion;
    const QString system = QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
    return "#!/bin/sh\n"
           "if [ \"$1\" = \"--version\" ]; then " + onVersion + "; fi\n"
           "echo \"$*\" >> \"${CLIPVAULT_STANDIN_LOG:-/dev/null}\"\n"
           "skip=0\n"
           "for a do\n"
           "  shift\n"
           "  if [ \"$skip\" = 1 ]; then skip=0; continue; fi\n"
           + QByteArray(release.passesEverything ? "" : "  if [ \"$a\" = --js-runtimes ]; then skip=1; continue; fi\n") +
           "  set -- \"$@\" \"$a\"\n"
           "done\n"
           "exec " + system.toLocal8Bit() + " \"$@\"\n";
}

bool ReleaseArea::publish(const QString &channel, const QString &assetName, const Release &release)
{
    const QString dir = folder(channel);
    if (!QDir().mkpath(dir))
        return false;
    const QByteArray asset = standIn(release);
    QByteArray sums = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef  yt-dlp.exe\n";
    if (release.listAsset)
        sums += QCryptographicHash::hash(asset, QCryptographicHash::Sha256).toHex() + "  " + assetName.toUtf8() + '\n';
    sums += release.sumsPadding;
    const QString sumsPath = dir + QStringLiteral("/SHA2-256SUMS");
    const QString signaturePath = dir + QStringLiteral("/SHA2-256SUMS.sig");
    if (!writeFile(dir + QLatin1Char('/') + assetName, release.assetAfterSums.isEmpty() ? asset : release.assetAfterSums)
        || !writeFile(sumsPath, sums))
        return false;
    const QString signer = release.signer == Signer::Release ? kRelease : kOther;
    if (!gpg({QStringLiteral("--local-user"), signer, QStringLiteral("--output"), signaturePath,
              QStringLiteral("--detach-sign"), sumsPath}))
        return false;
    if (release.corruptSignature)
        return writeFile(sumsPath, sums + "# changed after signing\n");
    return true;
}

bool ReleaseArea::removeFile(const QString &channel, const QString &name) const
{
    return QFile::remove(folder(channel) + QLatin1Char('/') + name);
}
