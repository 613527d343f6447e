#include "pages/SearchResultsPage.h"

#include "videoinfo/PageText.h"

#include <QStringList>
#include <QUrl>

namespace SearchResultsPage {

namespace {

const QString sectionStart = QStringLiteral("<!-- start search results -->");
const QString sectionEnd = QStringLiteral("<!-- end search results -->");
const QString resultStart = QStringLiteral("this.getAttribute('ql'), 0, '");
const QString resultEnd = QStringLiteral("');");
const QString fieldSeparator = QStringLiteral("', '");

// A result's thumbnail address must be a web address with a host and a video identifier (its
// fifth piece when split at "/"), since the result's watch address is made from that piece.
bool usableThumbnail(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    const QStringList pieces = address.split(QLatin1Char('/'));
    return pieces.size() > 4 && !pieces.at(4).isEmpty();
}

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
        // The end may share the start marker's closing quote ("0, ');"): such a result is empty,
        // is skipped, and the next one begins after its end, so it cannot swallow the next result.
        const qsizetype q = section.indexOf(resultEnd, p);
        if (q < 0)
            break;
        from = q;
        const qsizetype begin = p + resultStart.size();
        if (q < begin)
            continue;
        const QStringList fields = section.mid(begin, q - begin).split(fieldSeparator);
        // A malformed or relative address is left out here, where the page is read, once.
        if (!usableThumbnail(fields.at(0)))
            continue;
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
