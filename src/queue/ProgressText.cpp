#include "queue/ProgressText.h"

#include "base/FileHelpers.h"
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

QString MissingSubtitles(const QStringList &languages)
{
    return languages.isEmpty() ? QString() : QStringLiteral(" No subtitles in: %1.").arg(languages.join(QStringLiteral(", ")));
}

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

QString RestartedCaption(qint64 done, qint64 total, qint64 percent)
{
    return QStringLiteral("Downloading again from the start... ") + Fixed(done, MiB, 2) + QStringLiteral(" MB / ")
           + Fixed(total, MiB, 2) + QStringLiteral(" MB - ") + QString::number(percent) + QLatin1Char('%');
}

bool IsWholeFile(const TransferResult &result)
{
    // A part of a file (206) is whole only as the continuation of the bytes kept before it.
    return result.ok && result.fileBytes() > 0 && (result.httpStatus != 206 || result.resumed);
}

bool IsWriteFailure(const TransferResult &result)
{
    return result.writeFailed;
}

QString FailureReason(const TransferResult &result)
{
    if (IsWriteFailure(result)) {
        // The system's own words close the text: "Cannot write /x/.part: File too large".
        const qsizetype colon = result.errorText.lastIndexOf(QStringLiteral(": "));
        return colon < 0 ? result.errorText : result.errorText.mid(colon + 2);
    }
    if (result.timedOut)
        return QStringLiteral("no data arrived");
    if (result.refused == TransferResult::Refused::Encoded)
        return QStringLiteral("the server sent the video compressed, not as it is; nothing of it was kept");
    if (result.refused == TransferResult::Refused::AbsurdLength)
        return QStringLiteral("the server announced a length no video has; nothing of it was kept");
    if (result.httpStatus >= 400 || (result.httpStatus > 0 && result.httpStatus < 200))
        return QStringLiteral("the server answered %1").arg(result.httpStatus);
    if (result.httpStatus >= 300 && result.httpStatus < 400)
        return QStringLiteral("too many redirections");
    if (result.httpStatus == 206 && !result.resumed)
        return QStringLiteral("the server sent only part of the file");
    if (result.ok && result.fileBytes() == 0)
        return QStringLiteral("the server sent no data");
    if (result.bytesTotal >= 0 && result.fileBytes() < result.bytesTotal)
        return QStringLiteral("only %1 of %2 MB arrived")
            .arg(Fixed(result.fileBytes(), MiB, 2), Fixed(result.bytesTotal, MiB, 2));
    if (result.httpStatus == 0)
        return QStringLiteral("the server could not be reached");
    return QStringLiteral("the connection was lost");
}

QString FailedCaption(const TransferResult &result)
{
    if (IsWriteFailure(result))
        return SaveError + QLatin1Char(' ') + FailureReason(result) + QLatin1Char('.');
    return QStringLiteral("Download failed: ") + FailureReason(result) + QLatin1Char('.');
}

QString ExpiredCaption()
{
    return QStringLiteral("Download failed: the video's address has expired. Load the video page again to get a "
                          "fresh one.");
}

QString WaitingCaption(const QString &reason, qint64 seconds, int nextTry, int tries)
{
    return QStringLiteral("Download interrupted (%1): trying again in %2 s (try %3 of %4)...")
        .arg(reason)
        .arg(seconds)
        .arg(nextTry)
        .arg(tries);
}

QString NoSpaceCaption(qint64 needed, qint64 free)
{
    return QStringLiteral("Not enough free disk space: the video needs %1 more, %2 are free.")
        .arg(modFunctions::FormatFreeSpace(needed), modFunctions::FormatFreeSpace(free));
}

QString SizeText(qint64 bytes)
{
    return bytes < 0 ? QString() : Fixed(bytes, MiB, 2) + QStringLiteral(" MB");
}

QString RowSpeedText(qint64 bytesPerSecond)
{
    return Fixed(bytesPerSecond, 1000, 1) + QStringLiteral(" kB/s");
}

QString TimeLeftText(qint64 seconds)
{
    if (seconds < 0)
        return QString();
    const qint64 hours = seconds / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(hours > 0 ? (seconds / 60) % 60 : seconds / 60, hours > 0 ? 2 : 1, 10,
                                               QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + QLatin1Char(':') + minutesAndSeconds : minutesAndSeconds;
}

QString SpeedText(qint64 averageBytesPerSecond)
{
    return QStringLiteral("Average Download Speed: ") + Fixed(averageBytesPerSecond, 1000, 1)
           + QStringLiteral(" kB/s");
}

QString QueueText(int running, int queued)
{
    return QStringLiteral("%1 running, %2 queued").arg(running).arg(queued);
}

} // namespace ProgressText
