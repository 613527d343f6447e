#include "controls/FormattedTextMeasure.h"

#include <QFontMetricsF>

FontTextMeasure::FontTextMeasure(const QFont &font, const QPaintDevice *device)
    : m_font(font)
    , m_device(device)
{
}

QFont FontTextMeasure::styled(bool bold, bool italic) const
{
    QFont font = m_font;
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

double FontTextMeasure::width(const QString &text, bool bold, bool italic) const
{
    return QFontMetricsF(styled(bold, italic), m_device).horizontalAdvance(text);
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
