#include "videoinfo/PageText.h"

#include "base/ErrorTrap.h"
#include "base/RuntimeError.h"
#include "videoinfo/VideoText.h"

#include <QStringList>
#include <cmath>

namespace modFunctions {

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QString GetBetween(const QString &text, const QString &startMarker, const QString &endMarker)
{
    // A missing start marker counts as found at position 0, so the scan begins at the marker's
    // length counted from 1 (one less counted from 0).
    const qsizetype found = text.indexOf(startMarker);
    const qsizetype from = (found < 0 ? -1 : found) + startMarker.size();
    if (from < 0 || from > text.size())
        return QString();
    const qsizetype to = text.indexOf(endMarker, from);
    if (to < 0)
        return QString();
    return text.mid(from, to - from);
}

QString ReplaceAll(QStringView text, QStringView from, QStringView to)
{
    if (from.isEmpty())
        return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype done = 0;
    for (qsizetype hit = text.indexOf(from); hit >= 0; hit = text.indexOf(from, done)) {
        out.append(text.sliced(done, hit - done));
        out.append(to);
        done = hit + from.size();
    }
    out.append(text.sliced(done));
    return out;
}

QString CleanTitle(const QString &title)
{
    // The replacements run one after the other: "&amp;quot;" becomes "&quot;" and then a quote.
    QString t = ReplaceAll(title, u"\\'", u"'");
    t = ReplaceAll(t, u"&amp;", u"&");
    t = ReplaceAll(t, u"&quot;", u"\"");
    t = ReplaceAll(t, u"&lt;", u"");
    t = ReplaceAll(t, u"&gt;", u"");

    // Characters that file names cannot hold go. Halving every run of blanks until none is doubled
    // leaves one blank of each run, which is what one pass keeps.
    static constexpr QStringView forbidden = u"/\\:*\"<>|?";
    QString out;
    out.reserve(t.size());
    for (const QChar c : std::as_const(t)) {
        if (forbidden.contains(c))
            continue;
        if (c == QLatin1Char(' ') && !out.isEmpty() && out.back() == QLatin1Char(' '))
            continue;
        out.append(c);
    }
    return out;
}

QString CutToLength(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    qsizetype cut = qMax<qsizetype>(limit, 0);
    if (cut > 0 && text.at(cut - 1).isHighSurrogate() && text.at(cut).isLowSurrogate())
        --cut;
    return text.left(cut);
}

QString PageTitle(const QString &title)
{
    return CutToLength(CleanTitle(title), MaxTitleLength);
}

QString PercentDecode(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('+'), QLatin1Char(' '));

    QString out;
    out.reserve(s.size());
    QByteArray run; // bytes of consecutive "%XX", decoded together
    const auto flush = [&] {
        if (!run.isEmpty()) {
            out += QString::fromUtf8(run);
            run.clear();
        }
    };
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        if (s.at(i) != QLatin1Char('%')) {
            flush();
            out += s.at(i);
            ++i;
        } else if (i + 2 < n) {
            const int high = hexValue(s.at(i + 1));
            const int low = hexValue(s.at(i + 2));
            if (high < 0 || low < 0)
                throw RuntimeError::typeMismatch();
            run.append(static_cast<char>(high * 16 + low));
            i += 3;
        } else {
            ++i; // too near the end: the "%" is dropped, what follows is copied
        }
    }
    flush();
    return out;
}

QString StripTags(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text.at(i) != QLatin1Char('<')) {
            out += text.at(i);
            continue;
        }
        const qsizetype close = text.indexOf(QLatin1Char('>'), i + 1);
        out += QLatin1Char(' ');
        if (close < 0)
            break; // an unclosed tag runs to the end of the text
        i = close;
    }
    out = ReplaceAll(out, u"&quot;", u"\"");
    out = ReplaceAll(out, u"&amp;", u"&");
    out = ReplaceAll(out, u"&lt;", u"<");
    return ReplaceAll(out, u"&gt;", u">");
}

QString DurationText(qint64 seconds)
{
    return VideoText::Duration(seconds);
}

qint64 WholeNumber(const QString &text, qint64 minimum, qint64 maximum)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw RuntimeError::typeMismatch();
    const double rounded = std::nearbyint(value); // the default rounding mode: halves to even
    if (rounded < static_cast<double>(minimum) || rounded > static_cast<double>(maximum))
        throw RuntimeError::overflow();
    return static_cast<qint64>(rounded);
}

QString GrabYoutubeVideoCode(const QString &address)
{
    QString code;
    ErrorTrap::run(QStringLiteral("GrabYoutubeVideoCode"), QStringLiteral("Module modFunctions"), [&] {
        const QStringList pieces = address.split(QLatin1Char('/'));
        if (pieces.size() < 5)
            throw RuntimeError::subscriptOutOfRange();
        code = pieces.at(4);
    });
    return code;
}

QString PageText(const QByteArray &data)
{
    return QString::fromUtf8(data);
}

} // namespace modFunctions
