#include "pages/SearchRequest.h"

#include <QUrl>

#include <array>

namespace SearchRequest {

namespace {

struct Item
{
    const char *text;
    const char *fragment;
};

constexpr std::array sortBy{
    Item{"Relevance", ""},
    Item{"Upload Date", "&search_sort=video_date_uploaded"},
    Item{"View Count", "&search_sort=video_view_count"},
    Item{"Rating", "&search_sort=video_avg_rating"},
};

constexpr std::array uploadDate{
    Item{"Anytime", ""},
    Item{"Today", "&uploaded=d"},
    Item{"This Week", "&uploaded=w"},
    Item{"This Month", "&uploaded=m"},
};

constexpr std::array duration{
    Item{"All", ""},
    Item{"Short (~4 Minutes)", "&search_duration=short"},
    Item{"Long (20~ Minutes)", "&search_duration=long"},
};

constexpr std::array category{
    Item{"All", ""},
    Item{"Film & Animation", "&search_category=1"},
    Item{"Entertainment", "&search_category=24"},
    Item{"Gaming", "&search_category=20"},
    Item{"Sports", "&search_category=17"},
};

constexpr std::array results{
    Item{"1 Page (~20)", ""},
    Item{"2 Pages (~40)", ""},
    Item{"3 Pages (~60)", ""},
    Item{"4 Pages (~80)", ""},
    Item{"5 Pages (~100)", ""},
};

template <std::size_t N>
QStringList texts(const std::array<Item, N> &items)
{
    QStringList out;
    for (const Item &item : items)
        out.append(QString::fromUtf8(item.text));
    return out;
}

template <std::size_t N>
QString fragment(const std::array<Item, N> &items, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        return QString();
    return QString::fromLatin1(items[static_cast<std::size_t>(index)].fragment);
}

} // namespace

QStringList SortByItems() { return texts(sortBy); }
QStringList UploadDateItems() { return texts(uploadDate); }
QStringList DurationItems() { return texts(duration); }
QStringList CategoryItems() { return texts(category); }
QStringList ResultsItems() { return texts(results); }

QString SortFragment(int index) { return fragment(sortBy, index); }
QString UploadDateFragment(int index) { return fragment(uploadDate, index); }
QString DurationFragment(int index) { return fragment(duration, index); }
QString CategoryFragment(int index) { return fragment(category, index); }

QString HighDefinitionFragment(bool ticked)
{
    return ticked ? QStringLiteral("&high_definition=1") : QString();
}

int PageCount(int resultsIndex)
{
    return resultsIndex < 0 ? 1 : resultsIndex + 1;
}

QString EncodeWords(const QString &words)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(words));
}

QString BaseAddress(const QString &root, const QString &words, bool exactPhrase)
{
    const QString encoded = EncodeWords(words);
    if (exactPhrase)
        return root + QStringLiteral("/results?search_query=%22") + encoded + QStringLiteral("%22");
    return root + QStringLiteral("/results?search_query=") + encoded;
}

QStringList PageAddresses(const QString &root, const Options &options)
{
    const QString base = BaseAddress(root, options.words, options.exactPhrase);
    const QString fragments = SortFragment(options.sortBy) + UploadDateFragment(options.uploadDate) +
                              DurationFragment(options.duration) + CategoryFragment(options.category) +
                              HighDefinitionFragment(options.highDefinition);
    QStringList addresses;
    for (int page = 1; page <= PageCount(options.results); ++page)
        addresses.append(base + fragments + QStringLiteral("&page=") + QString::number(page));
    return addresses;
}

} // namespace SearchRequest
