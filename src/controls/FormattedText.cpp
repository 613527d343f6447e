#include "controls/FormattedText.h"

#include "app/RuntimeError.h"
#include "controls/FormattedTextMeasure.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace FormattedText {

namespace {

// The markup's "blank" is the space character only, as in the caption's trimming.
bool onlyBlanks(const QString &text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

QString trimLeft(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString trimRight(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    return text.left(n);
}

qint16 position16(qsizetype zeroBasedIndex)
{
    const qsizetype position = zeroBasedIndex + 1;
    if (position > std::numeric_limits<qint16>::max())
        throw RuntimeError::overflow();
    return static_cast<qint16>(position);
}

TagInfo tag(qint32 type, const QString &value, const TagInfo &at)
{
    TagInfo found = at;
    found.TagType = type;
    found.Value = value;
    return found;
}

// The tag named by lower-cased text from "<" to ">", or type None.
TagInfo recognise(const QString &text, const TagInfo &at)
{
    static const struct
    {
        const char *text;
        qint32 type;
        const char *value;
    } fixed[] = {
        {"<b>", TagInfo::Bold, "True"},
        {"</b>", TagInfo::Bold, "False"},
        {"<i>", TagInfo::Italic, "True"},
        {"</i>", TagInfo::Italic, "False"},
        {"<u>", TagInfo::Underline, "True"},
        {"</u>", TagInfo::Underline, "False"},
        {"<s>", TagInfo::Strikethrough, "True"},
        {"</s>", TagInfo::Strikethrough, "False"},
        {"</c>", TagInfo::Color, "-1"},
        {"<br>", TagInfo::LineBreak, ""},
    };
    for (const auto &entry : fixed) {
        if (text == QLatin1String(entry.text))
            return tag(entry.type, QString::fromLatin1(entry.value), at);
    }
    if (text.startsWith(QLatin1String("<c=")) && text.endsWith(QLatin1Char('>'))) {
        const QString inside = text.mid(3, text.size() - 4);
        if (IsColorNumber(inside))
            return tag(TagInfo::Color, inside, at);
    }
    return tag(TagInfo::None, QString(), at);
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

TagInfo FindNextTag(const QString &text)
{
    TagInfo info;
    qsizetype from = 0; // 0-based index of the character after StartPos
    for (;;) {
        const qsizetype open = text.indexOf(QLatin1Char('<'), from);
        if (open < 0)
            return info;
        info.StartPos = position16(open);
        const qsizetype close = text.indexOf(QLatin1Char('>'), open);
        if (close < 0)
            return info;
        info.EndPos = position16(close);
        const TagInfo found = recognise(text.mid(open, close - open + 1).toLower(), info);
        if (found.TagType != TagInfo::None)
            return found;
        from = open + 1;
    }
}

bool IsColorNumber(const QString &inside)
{
    static const QRegularExpression decimal(
        QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)(e[+-]?\d+)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression hexadecimal(QStringLiteral(R"(^\s*&h[0-9a-f]+\s*$)"),
                                                QRegularExpression::CaseInsensitiveOption);
    return decimal.match(inside).hasMatch() || hexadecimal.match(inside).hasMatch();
}

quint32 ColorNumber(const QString &inside)
{
    const QString number = inside.trimmed().toLower();
    if (number.startsWith(QLatin1String("&h"))) {
        QString digits = number.mid(2);
        while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
            digits.remove(0, 1);
        bool ok = false;
        const quint32 value = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8)
            throw RuntimeError::overflow();
        return value;
    }
    bool ok = false;
    const double value = RoundHalfEven(number.toDouble(&ok));
    if (!ok)
        throw RuntimeError::typeMismatch();
    if (!(value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()))
        throw RuntimeError::overflow();
    return static_cast<quint32>(static_cast<qint32>(value));
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

    QList<TextSegment> segments;
    TextSegment first;
    first.Text = caption;
    first.Bold = base.bold;
    first.Italic = base.italic;
    first.Underline = base.underline;
    first.Strikethrough = base.strikethrough;
    first.NewLine = true;
    first.Color = base.defaultColor;
    segments.append(first);

    TagInfo found = FindNextTag(segments.first().Text);
    while (found.TagType != TagInfo::None) {
        const qsizetype last = segments.size() - 1;
        const QString text = segments.at(last).Text;
        const QString before = text.left(found.StartPos - 1);
        const QString after = text.mid(found.EndPos);

        if (onlyBlanks(before) && found.TagType != TagInfo::LineBreak) {
            // The tag opens this run: blanks in front of it belong to the run before (and are
            // dropped at the very start of the caption).
            if (last > 0)
                segments[last - 1].Text += before;
            segments[last].Text = after;
            ApplyTag(segments[last], found, base);
            found = FindNextTag(segments.at(last).Text);
            continue;
        }

        segments[last].Text = before;
        if (onlyBlanks(after)) {
            // A tag at the end changes nothing and leaves no empty run.
            found = FindNextTag(segments.at(last).Text);
            continue;
        }

        if (segments.size() >= MaxSegments)
            throw RuntimeError::overflow();
        TextSegment next = segments.at(last);
        next.Text = after;
        next.NewLine = false;
        ApplyTag(next, found, base);
        segments.append(next);
        found = FindNextTag(segments.last().Text);
    }
    return segments;
}

TextSplit SplitAtWidth(const QString &text, int room, bool bold, bool italic,
                       const TextMeasure &measure)
{
    // Break candidates, 1-based: every blank, then one past the end.
    QList<qsizetype> candidates;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(' '))
            candidates.append(i + 1);
    }
    const qsizetype end = text.size() + 1;
    candidates.append(end);

    TextSplit split;
    for (qsizetype n = 0;; ++n) {
        const qsizetype a = candidates.at(n);
        if (a == end) {
            // No break fits: the first word goes alone, the rest follows on the next line.
            const qsizetype blank = text.indexOf(QLatin1Char(' '));
            if (blank >= 0) {
                split.first = text.left(blank);
                split.rest = trimLeft(text.mid(blank + 1));
            }
            split.marker = NewLineMarker;
            return split;
        }
        const qsizetype b = candidates.at(n + 1);
        if (measure.width(text.left(a - 1), bold, italic) <= room
            && measure.width(text.left(b - 1), bold, italic) > room) {
            split.first = trimRight(text.left(a - 1));
            split.rest = trimLeft(text.mid(a));
            return split;
        }
    }
}

void InsertSegment(QList<TextSegment> &segments, qsizetype index)
{
    if (segments.size() >= MaxSegments)
        throw RuntimeError::overflow();
    const TextSegment copy = segments.at(index);
    segments.insert(index + 1, copy);
}

void WrapSegments(QList<TextSegment> &segments, double width, const TextMeasure &measure)
{
    double x = 0.0; // width used on the current line
    qsizetype i = 0;
    while (i < segments.size()) {
        const TextSegment &segment = segments.at(i);
        if (segment.NewLine)
            x = 0.0;
        const double segmentWidth = measure.width(segment.Text, segment.Bold, segment.Italic);
        x += segmentWidth;
        if (x <= width) {
            ++i;
            continue;
        }

        const double room = RoundHalfEven(width - (x - segmentWidth));
        if (room > std::numeric_limits<int>::max() || room < std::numeric_limits<int>::min())
            throw RuntimeError::overflow();
        const TextSplit split = SplitAtWidth(segment.Text, static_cast<int>(room), segment.Bold,
                                             segment.Italic, measure);

        if (!onlyBlanks(split.first)) {
            if (split.marker == NewLineMarker && !segments.at(i).NewLine) {
                segments[i].NewLine = true; // the whole run moves to the next line
                continue;
            }
            InsertSegment(segments, i);
            segments[i].Text = split.first;
            segments[i + 1].Text = split.rest;
            segments[i + 1].NewLine = true;
            ++i;
            continue;
        }

        if (!segments.at(i).NewLine) {
            segments[i].NewLine = true;
            continue;
        }
        if (i == segments.size() - 1)
            break;
        segments[i + 1].NewLine = true; // this run stays wider than the line
        ++i;
    }
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
