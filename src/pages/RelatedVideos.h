#pragma once

#include "base/RuntimeError.h"

#include <QList>
#include <QString>
#include <optional>

// One related video as the watch page lists it, for the picture of the same index.
struct RelatedItem
{
    int index = 0;                    // 0..5
    QString tag;                      // the video's watch address
    std::optional<QString> thumbnail; // missing when the item is empty
    std::optional<QString> title;     // cleaned; missing when the item has no second field
};

struct RelatedResult
{
    QList<RelatedItem> items; // in index order; an index whose pass found no link is left out
    // An item without a title field stops the reading after its tag and thumbnail.
    std::optional<RuntimeError> error;
};

namespace modFunctions {

// Up to six related videos of the page's related section. Each of the six passes takes the next
// item and the next link behind it; a pass that finds no link uses up its index all the same.
RelatedResult ReadRelated(const QString &page);

} // namespace modFunctions
