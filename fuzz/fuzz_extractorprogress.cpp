// The extractor's progress lines during a download: byte counts are never negative.

#include "FuzzSupport.h"

#include "extractor/ExtractorProgress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray line = fuzz::Bytes(data, size);
    if (const std::optional<ExtractorProgress::Report> report = ExtractorProgress::ParseReport(line)) {
        FUZZ_CHECK(report->done >= 0);
        FUZZ_CHECK(report->total >= -1);
    }
    if (const std::optional<QString> file = ExtractorProgress::ParseFile(line))
        FUZZ_CHECK(line.startsWith('{'));
    return 0;
}
