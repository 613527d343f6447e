#include "controls/FormattedText.h"

#include "base/RuntimeError.h"

#include <cmath>

namespace FormattedText {

namespace {

// The markup's "blank" is the space character only, as in the caption's trimming. Reading stops
// at the first other character.
bool onlyBlanks(QStringView text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

} // namespace

double RoundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

void ApplyTag(TextSegment &segment, const TagInfo &tag, const BaseStyle &base)
{
    const bool on = tag.Value == QLatin1String("True");
    switch (tag.TagType) {
    case TagInfo::Bold:
        segment.Bold = on;
        break;
    case TagInfo::Italic:
        segment.Italic = on;
        break;
    case TagInfo::Underline:
        segment.Underline = on;
        break;
    case TagInfo::Strikethrough:
        segment.Strikethrough = on;
        break;
    case TagInfo::Color:
        if (tag.Value == QLatin1String("-1") || !base.evaluateColors) {
            segment.Color = base.defaultColor;
        } else {
            // A number that comes out as -1 (say &hffffffff) is the default colour as well.
            const quint32 color = ColorNumber(tag.Value);
            segment.Color = color == 0xFFFFFFFFu ? base.defaultColor : color;
        }
        break;
    case TagInfo::LineBreak:
        segment.NewLine = true;
        break;
    default:
        break;
    }
}

QList<TextSegment> ParseCaption(const QString &caption, const BaseStyle &base)
{
    if (caption.size() > MaxLength)
        throw RuntimeError::overflow();
    return ParseRuns(caption, base);
}

QList<TextSegment> ParseRuns(QStringView caption, const BaseStyle &base)
{
    QList<TextSegment> segments; // the runs before the current one
    TextSegment current;         // its text is caption[from, end) until a tag cuts it
    current.Bold = base.bold;
    current.Italic = base.italic;
    current.Underline = base.underline;
    current.Strikethrough = base.strikethrough;
    current.NewLine = true;
    current.Color = base.defaultColor;
    qsizetype from = 0;

    for (TagInfo found = FindNextTag(caption, from); found.TagType != TagInfo::None;
         found = FindNextTag(caption, from)) {
        const QStringView before = caption.sliced(from, found.StartPos - from);
        const QStringView after = caption.sliced(found.EndPos + 1);

        if (onlyBlanks(before) && found.TagType != TagInfo::LineBreak) {
            // The tag opens this run: blanks in front of it belong to the run before (and are
            // dropped at the very start of the caption).
            if (!segments.isEmpty())
                segments.last().Text += before;
            ApplyTag(current, found, base);
            from = found.EndPos + 1;
            continue;
        }

        current.Text = before.toString();
        segments.append(current);
        if (onlyBlanks(after))
            return segments; // a tag at the end changes nothing and leaves no empty run

        current.Text = QString();
        current.NewLine = false;
        ApplyTag(current, found, base);
        from = found.EndPos + 1;
    }
    current.Text = caption.sliced(from).toString();
    segments.append(current);
    return segments;
}

QString PlainText(const QList<TextSegment> &segments)
{
    QString text;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0 && segments.at(i).NewLine)
            text += QLatin1Char('\n');
        text += segments.at(i).Text;
    }
    return text;
}

} // namespace FormattedText
