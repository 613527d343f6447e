#include "updater/SigningKey.h"

#include <QFile>

// The key is a resource of this static library: it is there only once registered.
static void registerKeyResource()
{
    Q_INIT_RESOURCE(SigningKey);
}

namespace SigningKey {

namespace {

// The CRC-24 of OpenPGP's armor (RFC 4880, 6.1).
quint32 crc24(const QByteArray &data)
{
    quint32 crc = 0xB704CEu;
    for (const char c : data) {
        crc ^= static_cast<quint32>(static_cast<unsigned char>(c)) << 16;
        for (int i = 0; i < 8; ++i) {
            crc <<= 1;
            if (crc & 0x1000000u)
                crc ^= 0x1864CFBu;
        }
    }
    return crc & 0xFFFFFFu;
}

} // namespace

QByteArray BuiltIn()
{
    static const bool registered = (registerKeyResource(), true);
    Q_UNUSED(registered);
    QFile key(QStringLiteral(":/updater/signing-key.gpg"));
    return key.open(QIODevice::ReadOnly) ? key.readAll() : QByteArray();
}

QByteArray Dearmored(const QByteArray &bytes)
{
    const QByteArray begin = "-----BEGIN PGP PUBLIC KEY BLOCK-----";
    const qsizetype start = bytes.indexOf(begin);
    if (start < 0)
        return bytes;
    const qsizetype end = bytes.indexOf("-----END PGP PUBLIC KEY BLOCK-----", start);
    if (end < 0)
        return {};
    // Header lines ("Comment: ...") hold a colon, which base64 never does; the checksum line
    // starts with "=", which a line of base64 never does.
    QByteArray body;
    QByteArray checksum;
    for (const QByteArray &raw : bytes.mid(start + begin.size(), end - start - begin.size()).split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.contains(':'))
            continue;
        if (line.startsWith('='))
            checksum = line.mid(1);
        else
            body += line;
    }
    const auto decoded = QByteArray::fromBase64Encoding(body, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return {};
    if (!checksum.isEmpty()) {
        const QByteArray sum = QByteArray::fromBase64(checksum);
        const quint32 expected = sum.size() == 3 ? (quint32(quint8(sum[0])) << 16) | (quint32(quint8(sum[1])) << 8)
                                                       | quint32(quint8(sum[2]))
                                                 : 0xFFFFFFFFu;
        if (expected != crc24(decoded.decoded))
            return {};
    }
    return decoded.decoded;
}

QByteArray Keyring(QString *error)
{
    const QString named = qEnvironmentVariable("CLIPVAULT_EXTRACTOR_KEYRING");
    if (named.isEmpty())
        return BuiltIn();
    QFile file(named);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The key file %1 cannot be read: %2.").arg(named, file.errorString());
        return {};
    }
    const QByteArray key = Dearmored(file.read(1024 * 1024));
    if (key.isEmpty())
        *error = QStringLiteral("The key file %1 holds no readable key.").arg(named);
    return key;
}

} // namespace SigningKey
