// The extractor's JSON document: only web addresses are taken from it, and text fields are cut.

#include "FuzzSupport.h"

#include "extractor/ExtractorJson.h"
#include "videoinfo/VideoText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const ExtractorReading reading =
        ExtractorJson::Read(fuzz::Bytes(data + 1, size - 1), QStringLiteral("https://video.test/watch?v=abc"), data[0] & 1);
    const VideoInfo &info = reading.info;
    if (reading.failure)
        FUZZ_CHECK(info.encodings.isEmpty() && info.related.isEmpty());
    FUZZ_CHECK(info.thumbnail.isEmpty() || VideoText::IsWebAddress(info.thumbnail));
    for (const VideoEncoding &encoding : info.encodings) {
        if (encoding.kind == VideoEncoding::Kind::Merged)
            FUZZ_CHECK(encoding.address.isEmpty());
        else
            FUZZ_CHECK(VideoText::IsWebAddress(encoding.address));
        FUZZ_CHECK(encoding.slot >= -1 && encoding.slot < 6);
    }
    int previous = -1;
    for (const RelatedVideo &related : info.related) {
        FUZZ_CHECK(related.index > previous && related.index < 6);
        previous = related.index;
        FUZZ_CHECK(VideoText::IsWebAddress(related.address));
        FUZZ_CHECK(!related.thumbnail || VideoText::IsWebAddress(*related.thumbnail));
    }
    return 0;
}
