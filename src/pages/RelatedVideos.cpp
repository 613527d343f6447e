#include "pages/RelatedVideos.h"

#include "videoinfo/PageText.h"
#include "pages/WatchAddress.h"

#include <QStringList>

namespace {

const QString SectionStart = QStringLiteral("<div id=\"watch-related-vids-body");
const QString SectionEnd = QStringLiteral("<div class=\"clearL");
const QString ItemStart = QStringLiteral("this.getAttribute('ql'), '");
const QString ItemEnd = QStringLiteral("')\"");
const QString FieldSeparator = QStringLiteral("', '");
const QString LinkStart = QStringLiteral("<a href=\"");
const QString LinkEnd = QStringLiteral("\" title=");

// The text between two positions, where a negative length is an invalid call as for any cut.
QString cut(const QString &text, qsizetype from, qsizetype to)
{
    if (to < from)
        throw RuntimeError::invalidCall();
    return text.mid(from, to - from);
}

} // namespace

namespace modFunctions {

RelatedResult ReadRelated(const QString &page)
{
    RelatedResult result;
    const QString section = GetBetween(page, SectionStart, SectionEnd);
    if (section.isEmpty())
        return result;
    try {
        qsizetype position = 0;
        for (int index = 0; index < 6; ++index) {
            const qsizetype itemAt = section.indexOf(ItemStart, position);
            if (itemAt < 0)
                continue;
            const qsizetype itemEnd = section.indexOf(ItemEnd, itemAt);
            if (itemEnd < 0)
                break;
            position = itemEnd;
            const QString item = cut(section, itemAt + ItemStart.size(), itemEnd);
            const QStringList fields = item.isEmpty() ? QStringList() : item.split(FieldSeparator);

            const qsizetype linkAt = section.indexOf(LinkStart, position);
            if (linkAt < 0)
                continue;
            const qsizetype linkEnd = section.indexOf(LinkEnd, linkAt);
            if (linkEnd < 0)
                break;
            position = linkEnd;

            RelatedItem related;
            related.index = index;
            related.tag = WatchAddress::FromLink(cut(section, linkAt + LinkStart.size(), linkEnd));
            if (!fields.isEmpty())
                related.thumbnail = fields.at(0);
            if (fields.size() > 1)
                related.title = PageTitle(fields.at(1));
            result.items.append(related);
            if (!related.title)
                throw RuntimeError::subscriptOutOfRange();
        }
    } catch (const RuntimeError &error) {
        result.error = error;
    }
    return result;
}

} // namespace modFunctions
