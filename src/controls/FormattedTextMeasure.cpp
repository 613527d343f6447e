#include "controls/FormattedTextMeasure.h"

#include <QFontMetricsF>

namespace {

QFont withStyle(QFont font, bool bold, bool italic)
{
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

FontTextMeasure::FontTextMeasure(const QFont &font, const QPaintDevice *device)
    : m_font(font)
    , m_device(device)
    , m_metrics{QFontMetricsF(withStyle(font, false, false), device), QFontMetricsF(withStyle(font, false, true), device),
                QFontMetricsF(withStyle(font, true, false), device), QFontMetricsF(withStyle(font, true, true), device)}
{
}

QFont FontTextMeasure::styled(bool bold, bool italic) const
{
    return withStyle(m_font, bold, italic);
}

double FontTextMeasure::width(const QString &text, bool bold, bool italic) const
{
    return m_metrics[(bold ? 2 : 0) + (italic ? 1 : 0)].horizontalAdvance(text);
}

double FontTextMeasure::height(const QString &text) const
{
    return LineCount(text) * lineHeight();
}

double FontTextMeasure::lineHeight() const
{
    return QFontMetricsF(m_font, m_device).lineSpacing();
}

int LineCount(const QString &text)
{
    int lines = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            ++lines;
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            ++lines;
        }
    }
    return lines;
}
