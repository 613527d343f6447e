#include "search/SearchResultsPage.h"

#include "analysis/PageText.h"

#include <QStringList>

namespace SearchResultsPage {

namespace {

const QString sectionStart = QStringLiteral("<!-- start search results -->");
const QString sectionEnd = QStringLiteral("<!-- end search results -->");
const QString resultStart = QStringLiteral("this.getAttribute('ql'), 0, '");
const QString resultEnd = QStringLiteral("');");
const QString fieldSeparator = QStringLiteral("', '");

} // namespace

QList<Item> Cut(const QString &pageText)
{
    QList<Item> items;
    const QString section = modFunctions::GetBetween(pageText, sectionStart, sectionEnd);
    if (section.isEmpty())
        return items;

    // The limit counts passes, not hits: a pass that finds no result start ends the page too.
    qsizetype from = 0;
    for (int pass = 0; pass < MaxPasses; ++pass) {
        const qsizetype p = section.indexOf(resultStart, from);
        if (p < 0)
            break;
        // The end is looked for after the whole start marker: a start marker ending in "'"
        // right before ");" must not count as an empty result.
        const qsizetype begin = p + resultStart.size();
        const qsizetype q = section.indexOf(resultEnd, begin);
        if (q < 0)
            break;
        from = q;
        const QStringList fields = section.mid(begin, q - begin).split(fieldSeparator);
        Item item;
        item.thumbnailAddress = fields.at(0);
        if (fields.size() > 1) {
            item.title = fields.at(1);
            item.hasTitle = true;
        }
        items.append(item);
    }
    return items;
}

} // namespace SearchResultsPage
