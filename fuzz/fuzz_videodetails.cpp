// The watch page's details: title, author, description, duration, rating and counts.

#include "FuzzSupport.h"

#include "videoinfo/PageText.h"
#include "pages/VideoDetails.h"
#include "base/RuntimeError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    VideoDetails details;
    try {
        modFunctions::ReadAllInfo(fuzz::Text(data, size), details);
    } catch (const RuntimeError &error) {
        FUZZ_CHECK(error.number() == 13 || error.number() == 6); // a duration that is no number, or too big
    }
    const QString &title = details.VideoTitle;
    FUZZ_CHECK(title.size() <= modFunctions::MaxTitleLength);
    FUZZ_CHECK(!fuzz::HoldsFileNameForbidden(title));
    FUZZ_CHECK(!title.contains(QStringLiteral("  ")));
    FUZZ_CHECK(details.VideoDescription.size() <= modFunctions::MaxDescriptionLength);
    FUZZ_CHECK(details.VideoRating.size() <= 4);
    return 0;
}
