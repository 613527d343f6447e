#include "downloads/ProgressText.h"

#include "transfer/TransferResult.h"

#include <QLocale>

namespace ProgressText {

namespace {

constexpr qint64 MiB = 1024 * 1024;

using Wide = __int128;

qint64 powerOfTen(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

qint64 RoundHalfEven(qint64 numerator, qint64 denominator)
{
    if (denominator <= 0)
        return 0;
    const bool negative = numerator < 0;
    const Wide n = negative ? -static_cast<Wide>(numerator) : static_cast<Wide>(numerator);
    Wide q = n / denominator;
    const Wide twiceRest = (n % denominator) * 2;
    if (twiceRest > denominator || (twiceRest == denominator && (q % 2) == 1))
        ++q;
    return static_cast<qint64>(negative ? -q : q);
}

qint64 Percent(qint64 done, qint64 total)
{
    if (total <= 0)
        return 0;
    // done * 100 fits easily: a file would need 92 PB to overflow it.
    return RoundHalfEven(done * 100, total);
}

QString Fixed(qint64 numerator, qint64 denominator, int decimals)
{
    if (denominator <= 0)
        return QString();
    const bool negative = numerator < 0;
    const Wide scale = powerOfTen(decimals);
    const Wide n = (negative ? -static_cast<Wide>(numerator) : static_cast<Wide>(numerator)) * scale;
    Wide scaled = n / denominator;
    if ((n % denominator) * 2 >= denominator)
        ++scaled;
    const qint64 whole = static_cast<qint64>(scaled / scale);
    QString text = QString::number(whole);
    if (decimals > 0) {
        const qint64 fraction = static_cast<qint64>(scaled % scale);
        text += QLocale().decimalPoint() + QStringLiteral("%1").arg(fraction, decimals, 10, QLatin1Char('0'));
    }
    if (negative && scaled != 0)
        text.prepend(QLocale().negativeSign());
    return text;
}

QString DownloadingCaption(qint64 done, qint64 total, qint64 percent)
{
    return QStringLiteral("Downloading... ") + Fixed(done, MiB, 2) + QStringLiteral(" MB / ")
           + Fixed(total, MiB, 2) + QStringLiteral(" MB - ") + QString::number(percent) + QLatin1Char('%');
}

QString DownloadingCaption(qint64 done)
{
    return QStringLiteral("Downloading... ") + Fixed(done, MiB, 2) + QStringLiteral(" MB");
}

QString SavedAs(const QString &nameOrPath)
{
    return QStringLiteral("Video downloaded, but saved as ") + nameOrPath + QLatin1Char('!');
}

QString KeptAs(const QString &path)
{
    return SaveError + QStringLiteral(" It is kept in ") + path + QLatin1Char('.');
}

bool IsWholeFile(const TransferResult &result)
{
    return result.ok && result.bytesReceived > 0 && result.httpStatus != 206;
}

bool IsWriteFailure(const TransferResult &result)
{
    return result.writeFailed;
}

QString FailedCaption(const TransferResult &result)
{
    if (IsWriteFailure(result))
        return SaveError;
    QString reason;
    if (result.timedOut)
        reason = QStringLiteral("no data arrived");
    else if (result.httpStatus >= 400 || (result.httpStatus > 0 && result.httpStatus < 200))
        reason = QStringLiteral("the server answered %1").arg(result.httpStatus);
    else if (result.httpStatus >= 300 && result.httpStatus < 400)
        reason = QStringLiteral("too many redirections");
    else if (result.httpStatus == 206)
        reason = QStringLiteral("the server sent only part of the file");
    else if (result.ok && result.bytesReceived == 0)
        reason = QStringLiteral("the server sent no data");
    else if (result.bytesTotal >= 0 && result.bytesReceived < result.bytesTotal)
        reason = QStringLiteral("only %1 of %2 MB arrived")
                     .arg(Fixed(result.bytesReceived, MiB, 2), Fixed(result.bytesTotal, MiB, 2));
    else if (result.httpStatus == 0)
        reason = QStringLiteral("the server could not be reached");
    else
        reason = QStringLiteral("the connection was lost");
    return QStringLiteral("Download failed: ") + reason + QLatin1Char('.');
}

QString SpeedText(qint64 averageBytesPerSecond)
{
    return QStringLiteral("Average Download Speed: ") + Fixed(averageBytesPerSecond, 1000, 1)
           + QStringLiteral(" kB/s");
}

} // namespace ProgressText
