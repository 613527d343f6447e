// The page text helpers: GetBetween (input: start marker NUL end marker NUL text), CleanTitle and
// StripTags (the text), the latter two compared with their straightforward versions.

#include "FuzzSupport.h"
#include "support/ReferenceText.h"

#include "videoinfo/PageText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::Parts parts = fuzz::Split(data, size);
    const QString between = modFunctions::GetBetween(parts.rest, parts.first, parts.second);
    FUZZ_CHECK(between.isEmpty() || parts.rest.contains(between));
    if (!parts.second.isEmpty())
        FUZZ_CHECK(!between.contains(parts.second)); // it ends at the first end marker

    const QString clean = modFunctions::CleanTitle(parts.rest);
    FUZZ_CHECK(!fuzz::HoldsFileNameForbidden(clean));
    FUZZ_CHECK(!clean.contains(QStringLiteral("  ")));
    FUZZ_CHECK(clean == reference::CleanTitle(parts.rest));
    FUZZ_CHECK(modFunctions::StripTags(parts.rest) == reference::StripTags(parts.rest));
    return 0;
}
