// Percent decoding of the format map and of numeric page fields.

#include "FuzzSupport.h"

#include "videoinfo/PageText.h"
#include "base/RuntimeError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::Text(data, size);
    QString decoded;
    try {
        decoded = modFunctions::PercentDecode(text);
    } catch (const RuntimeError &error) {
        FUZZ_CHECK(error.number() == 13); // "%" and two characters that are no hexadecimal digits
        FUZZ_CHECK(text.contains(QLatin1Char('%')));
        return 0;
    }
    FUZZ_CHECK(decoded.size() <= text.size());
    if (!text.contains(QLatin1Char('%')))
        FUZZ_CHECK(decoded == QString(text).replace(QLatin1Char('+'), QLatin1Char(' ')));
    return 0;
}
