#include "videoinfo/VideoText.h"

#include <QLocale>
#include <QUrl>

namespace VideoText {

QString Duration(qint64 seconds)
{
    const qint64 n = seconds < 0 ? 0 : seconds;
    return QString::number((n % 3600) / 60) + QLatin1Char(':') + QStringLiteral("%1").arg(n % 60, 2, 10, QLatin1Char('0'));
}

QString Published(const QDate &date)
{
    return date.isValid() ? QLocale::c().toString(date, QStringLiteral("MMMM d, yyyy")) : QString();
}

QString Grouped(qint64 number)
{
    QString digits = QString::number(number < 0 ? -number : number);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return number < 0 ? QLatin1Char('-') + digits : digits;
}

QString Size(qint64 bytes)
{
    const QLocale locale;
    const double kb = static_cast<double>(bytes) / 1024.0;
    if (kb < 1024.0)
        return locale.toString(kb, 'f', 0) + QStringLiteral(" KB");
    if (kb < 1024.0 * 1024.0)
        return locale.toString(kb / 1024.0, 'f', 2) + QStringLiteral(" MB");
    return locale.toString(kb / (1024.0 * 1024.0), 'f', 2) + QStringLiteral(" GB");
}

QString FileTitle(const QString &title)
{
    QString out;
    out.reserve(title.size());
    for (const QChar c : title) {
        if (c.isSpace())
            out += QLatin1Char(' '); // tabs and line breaks part words as a blank does
        else if (c.category() != QChar::Other_Control && !QStringView(u"/\\:*\"<>|?").contains(c))
            out += c;
    }
    return out.simplified();
}

bool IsWebAddress(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

} // namespace VideoText
