#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A release area of the extractor made at test time, below the demo site's --extra folder: per
// channel a stand-in executable (a shell script that prints a chosen version and hands its other
// arguments, less --js-runtimes and its value, to the system's yt-dlp, logging them to
// $CLIPVAULT_STANDIN_LOG), its SHA2-256SUMS, and a detached signature made by a throwaway key in
// a temporary GNUPGHOME. A second throwaway key signs where a test wants another key.
class ReleaseArea final
{
public:
    ReleaseArea() = default;
    ~ReleaseArea(); // the keys' agent ends
    ReleaseArea(const ReleaseArea &) = delete;
    ReleaseArea &operator=(const ReleaseArea &) = delete;

    // Makes the keys; the demo site is to be started with "--extra", extraFolder().
    bool init();
    QString extraFolder() const { return m_extra.path(); }
    QString publicKeyFile() const { return m_home.filePath(QStringLiteral("release-key.asc")); } // armored
    QString publicKeyBinary() const { return m_home.filePath(QStringLiteral("release-key.gpg")); }
    // Where the program is to look: CLIPVAULT_EXTRACTOR_RELEASES for a site at root.
    static QString releasesRoot(const QString &siteRoot) { return siteRoot + QStringLiteral("/files"); }

    enum class Signer { Release, Other };
    struct Release
    {
        QString version = QStringLiteral("2026.11.20");
        QByteArray onVersion;      // the script's answer to --version; empty: prints version
        Signer signer = Signer::Release;
        bool listAsset = true;     // SHA2-256SUMS has the asset's line
        QByteArray assetAfterSums; // served instead of the asset once the sums are made
        QByteArray sumsPadding;    // appended to the sums before signing
        bool corruptSignature = false;
        bool passesEverything = false; // hands --js-runtimes on too, as a wrapper of an older copy would
    };
    // Writes the channel's release ("stable" or "nightly") under the asset's name; false on failure.
    bool publish(const QString &channel, const QString &assetName, const Release &release);
    bool removeFile(const QString &channel, const QString &name) const;
    QString folder(const QString &channel) const;
    // The site path of a file of a channel, for the site's rules.
    static QString sitePath(const QString &channel, const QString &name);
    // The stand-in's bytes for a release.
    static QByteArray standIn(const Release &release);

private:
    bool gpg(const QStringList &arguments, QByteArray *output = nullptr) const;

    QTemporaryDir m_home;
    QTemporaryDir m_extra;
};
