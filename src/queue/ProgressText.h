#pragma once

#include <QString>
#include <QStringList>

struct TransferResult;

// The texts of the download list and the status bar, and the exact arithmetic behind them.
namespace ProgressText {

inline const QString Starting = QStringLiteral("Starting download. Please wait...");
inline const QString Downloaded = QStringLiteral("Video successfully downloaded!");
inline const QString Stopped = QStringLiteral("Download stopped by the user.");
inline const QString SaveError = QStringLiteral("An error occurred while saving the video!");
inline const QString Saving = QStringLiteral("Saving the video. Please wait...");
inline const QString Queued = QStringLiteral("Queued");

// A whole video that could not take the row's name: where it is now.
QString SavedAs(const QString &nameOrPath);
// A whole video that no name could be given to: the file that still holds it.
QString KeptAs(const QString &path);

// What a finished row adds for the subtitle languages its recipe asked for and the page lacked:
// " No subtitles in: fr, es." (empty when none lacked).
QString MissingSubtitles(const QStringList &languages);

// numerator / denominator rounded to a whole number, halves to the even neighbour (denominator > 0).
qint64 RoundHalfEven(qint64 numerator, qint64 denominator);

// The whole percentage of done out of total (total > 0), halves to the even neighbour.
qint64 Percent(qint64 done, qint64 total);

// numerator / denominator with the given number of decimals, as a "0.00" pattern shows it: halves
// away from zero, the user's decimal separator, no group separators.
QString Fixed(qint64 numerator, qint64 denominator, int decimals);

// "Downloading... 3.50 MB / 12.25 MB - 29%" (megabytes of 1024 * 1024 bytes).
QString DownloadingCaption(qint64 done, qint64 total, qint64 percent);
// "Downloading... 3.50 MB" for a transfer whose size the server did not announce.
QString DownloadingCaption(qint64 done);
// The same for a transfer that was to continue a file but had to start it again from its first
// byte: "Downloading again from the start... 0.50 MB / 12.25 MB - 4%".
QString RestartedCaption(qint64 done, qint64 total, qint64 percent);

// True when the transfer brought a whole file: success, some bytes, and not a part of the file.
bool IsWholeFile(const TransferResult &result);
// Why a transfer failed, as a caption says it: "the server answered 404".
QString FailureReason(const TransferResult &result);
// The caption of a row whose transfer failed, naming the reason.
QString FailedCaption(const TransferResult &result);
// A continuation refused with 403 or 410: the video's address is no longer valid.
QString ExpiredCaption();
// A row waiting to try again: "Download interrupted (the connection was lost): trying again in
// 4 s (try 3 of 6)...".
QString WaitingCaption(const QString &reason, qint64 seconds, int nextTry, int tries);
// The remaining bytes of a video do not fit: both figures as the status bar shows free space.
QString NoSpaceCaption(qint64 needed, qint64 free);
// True when the transfer failed because its file could not be written (rather than fetched).
bool IsWriteFailure(const TransferResult &result);

// The status bar's count of the list's queue: "3 running, 12 queued".
QString QueueText(int running, int queued);

// "Average Download Speed: 153.6 kB/s" for an average in bytes per second.
QString SpeedText(qint64 averageBytesPerSecond);

// The list's columns: "12.25 MB", "153.6 kB/s", "1:05" or "1:02:03".
QString SizeText(qint64 bytes);
QString RowSpeedText(qint64 bytesPerSecond);
QString TimeLeftText(qint64 seconds);

} // namespace ProgressText
