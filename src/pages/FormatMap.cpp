#include "pages/FormatMap.h"

#include "videoinfo/PageText.h"

#include <QStringList>

namespace {

const QString MapStart = QStringLiteral("fmt_url_map\": \"");
const QString MapEnd = QStringLiteral("\", \"");

} // namespace

bool FormatMapResult::anyFound() const
{
    return bestSlot() >= 0;
}

int FormatMapResult::bestSlot() const
{
    for (int slot = FormatTable::Count - 1; slot >= 0; --slot) {
        if (found[slot])
            return slot;
    }
    return -1;
}

namespace FormatMap {

QString Extract(const QString &page)
{
    const qsizetype start = page.indexOf(MapStart);
    if (start < 0)
        return QString();
    const qsizetype end = page.indexOf(MapEnd, start);
    if (end < 0)
        return QString();
    const qsizetype from = start + MapStart.size();
    return page.mid(from, end - from);
}

FormatMapResult Parse(const QString &page)
{
    FormatMapResult result;
    try {
        const QString map = modFunctions::PercentDecode(Extract(page));
        if (map.isEmpty())
            return result;
        // Decoding comes first, so an encoded comma separates entries too.
        for (const QString &entry : map.split(QLatin1Char(','))) {
            const qsizetype bar = entry.indexOf(QLatin1Char('|'));
            if (bar < 0)
                throw RuntimeError::invalidCall();
            const int code = static_cast<int>(modFunctions::WholeNumber(entry.left(bar), -32768, 32767));
            const int slot = FormatTable::SlotOfCode(code);
            if (slot < 0)
                continue;
            result.links[slot] = entry.mid(bar + 1);
            result.found[slot] = true;
        }
    } catch (const RuntimeError &error) {
        result.error = error;
    }
    return result;
}

} // namespace FormatMap
