#pragma once

#include <QByteArray>
#include <QString>

// The key whose signature of SHA2-256SUMS proves a release: the extractor project's signing key
// (fingerprint AC0C BBE6 848D 6A87 3464 AF4E 57CF 6593 3B5A 7581), built in, in the binary form
// gpgv reads. CLIPVAULT_EXTRACTOR_KEYRING names another key file instead (armored or binary), for
// tests and for mirrors that sign with their own key.
namespace SigningKey {

inline constexpr const char *Fingerprint = "AC0CBBE6848D6A873464AF4E57CF65933B5A7581";

QByteArray BuiltIn();
// The keyring to check with, in binary form; empty with *error set when the named file cannot
// be read or its armor cannot be decoded.
QByteArray Keyring(QString *error);

// The binary packets of an ASCII-armored key ("-----BEGIN PGP PUBLIC KEY BLOCK-----"); empty
// when the armor is broken or its checksum does not match. Binary input is returned as it is.
QByteArray Dearmored(const QByteArray &bytes);

} // namespace SigningKey
