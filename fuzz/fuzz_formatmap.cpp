// The watch page's format map: the page text to the links of the known encodings.

#include "FuzzSupport.h"

#include "pages/FormatMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FormatMapResult map = FormatMap::Parse(fuzz::Text(data, size));
    const int best = map.bestSlot();
    FUZZ_CHECK(best == -1 || map.found[best]);
    FUZZ_CHECK(map.anyFound() == (best >= 0));
    for (int slot = best + 1; slot < FormatTable::Count; ++slot)
        FUZZ_CHECK(!map.found[slot]);
    return 0;
}
