// What a release area or a key file hands the updater: the lines of SHA2-256SUMS name files by
// digests of 64 lower-case hex digits, and a key file's armor either decodes or gives nothing;
// a file without armor is taken as the binary key it is.

#include "FuzzSupport.h"

#include "updater/ReleaseSource.h"
#include "updater/SigningKey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::Bytes(data, size);
    const QHash<QString, QByteArray> digests = ReleaseSource::ParseSums(input);
    for (auto it = digests.cbegin(); it != digests.cend(); ++it) {
        FUZZ_CHECK(!it.key().isEmpty() && !it.key().contains(QLatin1Char('\n')));
        FUZZ_CHECK(it.value().size() == 64);
        for (const char c : it.value())
            FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    }
    const QByteArray key = SigningKey::Dearmored(input);
    if (!input.contains("-----BEGIN PGP PUBLIC KEY BLOCK-----"))
        FUZZ_CHECK(key == input);
    return 0;
}
