#pragma once

#include <QList>
#include <QString>

// Cuts the results out of one search result page.
namespace SearchResultsPage {

// A page yields at most this many results: the cutter makes this many passes over the page.
inline constexpr int MaxPasses = 21;

struct Item
{
    QString thumbnailAddress; // first field, unchanged
    QString title;            // second field as the page writes it (script and HTML escapes)
    bool hasTitle = false;    // false when the item had no field separator
};

// The page text (already decoded) to its results in page order. A page without the result
// section, or empty, gives none; a result start without its end ends the cutting of the page.
// An empty result, and one whose thumbnail address is no absolute web address naming a video,
// is skipped (its pass still counts).
QList<Item> Cut(const QString &pageText);

} // namespace SearchResultsPage
