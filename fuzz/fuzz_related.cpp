// The watch page's related videos: up to six, each at its own index, in page order.

#include "FuzzSupport.h"

#include "pages/RelatedVideos.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const RelatedResult related = modFunctions::ReadRelated(fuzz::Text(data, size));
    FUZZ_CHECK(related.items.size() <= 6);
    int previous = -1;
    for (const RelatedItem &item : related.items) {
        FUZZ_CHECK(item.index > previous && item.index <= 5);
        previous = item.index;
        if (item.title) {
            FUZZ_CHECK(!fuzz::HoldsFileNameForbidden(*item.title));
            FUZZ_CHECK(!item.title->contains(QStringLiteral("  ")));
        }
    }
    return 0;
}
