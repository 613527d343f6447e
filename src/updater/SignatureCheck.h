#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class ExtractorProcess;
class QTemporaryDir;

// Proves a detached signature of a file's bytes with gpgv, run as a program with a keyring that
// holds the one key the signature must come from, in a private folder of its own. Reports checked
// once, on a later turn of the event loop, unless it is deleted first.
class SignatureCheck final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignatureCheck)

public:
    // fingerprint: when not empty, the signing key's (primary) fingerprint must be this one too.
    SignatureCheck(const QByteArray &signedBytes, const QByteArray &signature, const QByteArray &keyring,
                   const QString &fingerprint, QObject *parent = nullptr);
    ~SignatureCheck() override;

    void start();

Q_SIGNALS:
    // good: the signature is valid and made by the key; detail: gpgv's own words when it is not.
    void checked(bool good, const QString &detail);

private:
    void report(bool good, const QString &detail);

    QByteArray m_signed;
    QByteArray m_signature;
    QByteArray m_keyring;
    QString m_fingerprint;
    QTemporaryDir *m_folder = nullptr;
    ExtractorProcess *m_process = nullptr;
    bool m_reported = false;
};
