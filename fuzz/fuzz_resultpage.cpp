// The search result page cutter: a page gives at most 21 results.

#include "FuzzSupport.h"

#include "pages/SearchResultsPage.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<SearchResultsPage::Item> items = SearchResultsPage::Cut(fuzz::Text(data, size));
    FUZZ_CHECK(items.size() <= 21);
    for (const SearchResultsPage::Item &item : items) {
        FUZZ_CHECK(item.hasTitle || item.title.isEmpty());
        const QUrl thumbnail(item.thumbnailAddress);
        FUZZ_CHECK(thumbnail.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive) && !thumbnail.host().isEmpty());
    }
    return 0;
}
