// Finding the label's tags and reading colour numbers.

#include "controls/FormattedText.h"

#include "base/RuntimeError.h"

#include <limits>

namespace FormattedText {

namespace {

// Tags are matched in either case of their ASCII letters (what lower-casing the tag would match).
bool equalsIgnoringCase(QStringView text, QLatin1StringView lower)
{
    if (text.size() != lower.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        if (c != static_cast<unsigned char>(lower[i].toLatin1()))
            return false;
    }
    return true;
}

// White space around a colour number: blank, tab, line feed, vertical tab, form feed, return.
bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || (c.unicode() >= 9 && c.unicode() <= 13);
}
bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}
bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return isDigit(c) || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

// Whether the span from "<" to ">" is a tag; fills tag's type and value when it is.
bool recognise(QStringView span, TagInfo &tag)
{
    static const struct
    {
        QLatin1StringView text;
        qint32 type;
        QLatin1StringView value;
    } fixed[] = {
        {QLatin1StringView("<b>"), TagInfo::Bold, QLatin1StringView("True")},
        {QLatin1StringView("</b>"), TagInfo::Bold, QLatin1StringView("False")},
        {QLatin1StringView("<i>"), TagInfo::Italic, QLatin1StringView("True")},
        {QLatin1StringView("</i>"), TagInfo::Italic, QLatin1StringView("False")},
        {QLatin1StringView("<u>"), TagInfo::Underline, QLatin1StringView("True")},
        {QLatin1StringView("</u>"), TagInfo::Underline, QLatin1StringView("False")},
        {QLatin1StringView("<s>"), TagInfo::Strikethrough, QLatin1StringView("True")},
        {QLatin1StringView("</s>"), TagInfo::Strikethrough, QLatin1StringView("False")},
        {QLatin1StringView("</c>"), TagInfo::Color, QLatin1StringView("-1")},
        {QLatin1StringView("<br>"), TagInfo::LineBreak, QLatin1StringView("")},
    };
    for (const auto &entry : fixed) {
        if (equalsIgnoringCase(span, entry.text)) {
            tag.TagType = entry.type;
            tag.Value = entry.value;
            return true;
        }
    }
    if (span.size() >= 4 && equalsIgnoringCase(span.first(3), QLatin1StringView("<c="))) {
        const QStringView inside = span.sliced(3, span.size() - 4);
        if (IsColorNumber(inside)) {
            tag.TagType = TagInfo::Color;
            tag.Value = inside.toString().toLower();
            return true;
        }
    }
    return false;
}

} // namespace

TagInfo FindNextTag(QStringView text, qsizetype from)
{
    // Every "<" up to a ">" ends at that same ">", which is looked for once. Deciding whether a
    // span is a tag reads at most up to the next "<" (no tag holds one), so each character is
    // read a fixed number of times.
    TagInfo info;
    qsizetype close = -1;
    for (qsizetype open = text.indexOf(QLatin1Char('<'), from); open >= 0;
         open = text.indexOf(QLatin1Char('<'), open + 1)) {
        info.StartPos = open;
        if (close < open) {
            close = text.indexOf(QLatin1Char('>'), open);
            if (close < 0)
                return info;
        }
        info.EndPos = close;
        if (recognise(text.sliced(open, close - open + 1), info))
            return info;
    }
    return info;
}

bool IsColorNumber(QStringView inside)
{
    // Read by hand, left to right: a pattern matcher would backtrack over long runs of digits.
    const qsizetype n = inside.size();
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < n && isSpace(inside[i]))
            ++i;
    };
    const auto skipDigits = [&] {
        const qsizetype start = i;
        while (i < n && isDigit(inside[i]))
            ++i;
        return i - start;
    };
    skipSpaces();
    if (i + 1 < n && inside[i] == QLatin1Char('&') && (inside[i + 1] == QLatin1Char('h') || inside[i + 1] == QLatin1Char('H'))) {
        i += 2;
        const qsizetype start = i;
        while (i < n && isHexDigit(inside[i]))
            ++i;
        if (i == start)
            return false;
        skipSpaces();
        return i == n;
    }
    if (i < n && (inside[i] == QLatin1Char('+') || inside[i] == QLatin1Char('-')))
        ++i;
    const qsizetype whole = skipDigits();
    qsizetype fraction = 0;
    if (i < n && inside[i] == QLatin1Char('.')) {
        ++i;
        fraction = skipDigits();
    }
    if (whole == 0 && fraction == 0)
        return false;
    if (i < n && (inside[i] == QLatin1Char('e') || inside[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (inside[i] == QLatin1Char('+') || inside[i] == QLatin1Char('-')))
            ++i;
        if (skipDigits() == 0)
            return false;
    }
    skipSpaces();
    return i == n;
}

quint32 ColorNumber(const QString &inside)
{
    const QString number = inside.trimmed().toLower();
    if (number.startsWith(QLatin1String("&h"))) {
        qsizetype first = 2; // leading zeros do not count towards the eight digits
        while (first + 1 < number.size() && number.at(first) == QLatin1Char('0'))
            ++first;
        const QStringView digits = QStringView(number).sliced(first);
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

} // namespace FormattedText
