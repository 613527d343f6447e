#include "analysis/PageText.h"

#include "app/ErrorTrap.h"
#include "app/RuntimeError.h"

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

QString CleanTitle(const QString &title)
{
    QString t = title;
    t.replace(QStringLiteral("\\'"), QStringLiteral("'"));
    t.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    t.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    t.replace(QStringLiteral("&lt;"), QString());
    t.replace(QStringLiteral("&gt;"), QString());
    for (const QChar c : {u'/', u'\\', u':', u'*', u'"', u'<', u'>', u'|', u'?'})
        t.remove(c);
    while (t.contains(QStringLiteral("  ")))
        t.replace(QStringLiteral("  "), QStringLiteral(" "));
    return t;
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
    out.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    out.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    out.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    out.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    return out;
}

QString DurationText(qint64 seconds)
{
    const qint64 n = seconds < 0 ? 0 : seconds;
    const qint64 minutes = (n % 3600) / 60;
    return QString::number(minutes) + QLatin1Char(':') +
           QStringLiteral("%1").arg(n % 60, 2, 10, QLatin1Char('0'));
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
