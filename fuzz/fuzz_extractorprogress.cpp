// The extractor's progress lines during a download: byte counts are never negative, and the
// bar's share of a run of reports never runs back while bytes arrive, whatever sizes the lines
// announce.

#include "FuzzSupport.h"

#include "extractor/ExtractorProgress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::Bytes(data, size);
    ExtractorProgress::SteadyShare steady;
    double share = 0;
    for (const QByteArray &line : input.split('\n')) {
        if (const std::optional<ExtractorProgress::Report> report = ExtractorProgress::ParseReport(line)) {
            FUZZ_CHECK(report->done >= 0);
            FUZZ_CHECK(report->total >= -1);
            const qint64 total = steady.total(report->done, report->total);
            if (total > 0 && report->done > 0) {
                FUZZ_CHECK(total >= report->done);
                const double now = double(report->done) / double(total);
                FUZZ_CHECK(now >= share * (1 - 1e-12));
                share = now;
            }
        }
        if (const std::optional<QString> file = ExtractorProgress::ParseFile(line))
            FUZZ_CHECK(line.startsWith('{'));
    }
    return 0;
}
