#pragma once

#include "extractor/ExtractorChannel.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// Where a channel's releases are published and which of their files this machine runs.
namespace ReleaseSource {

inline constexpr const char *SumsName = "SHA2-256SUMS";
inline constexpr const char *SignatureName = "SHA2-256SUMS.sig";
inline constexpr qint64 SumsLimit = 64 * 1024;            // bytes, the sums and their signature
inline constexpr qint64 ExecutableLimit = 60 * 1024 * 1024; // bytes, the executable

// "https://github.com", or CLIPVAULT_EXTRACTOR_RELEASES (for mirrors and tests) without a
// trailing slash.
QString Root();
// The folder of a channel's latest release, ending in "/"; empty for the system channel.
QString DownloadFolder(ExtractorChannel::Channel channel);

// The executable to fetch: the zipapp "yt-dlp" where python3 is 3.10 or newer, else the
// self-contained build for this machine ("yt-dlp_linux", "yt-dlp_linux_aarch64").
QString AssetName();
bool PythonIsRecent(); // python3 on the PATH says 3.10 or newer (asked once per run of the program)

// The lines of a SHA2-256SUMS file ("HEX  NAME", or "HEX *NAME"): lower-case hex digests by file
// name. Lines of any other shape are left out.
QHash<QString, QByteArray> ParseSums(const QByteArray &sums);

} // namespace ReleaseSource
