#pragma once

#include <QString>
#include <functional>
#include <optional>

// File names of the download list: free numbered names, the rename rule, names that cannot
// harm (never empty, ".", ".." or a bare extension) and the hidden name a transfer writes to.
namespace modFunctions {

// A name under which no entry exists in folder Path yet: FileName itself when it is free, else the
// first free of "Name [1].ext", "Name [2].ext"... ("Name[1]" for a name without a dot). Every "#" of
// the name takes the number, as the numbering pattern is built with "#" as its placeholder. A name
// that the number would make too long for the file system loses characters before the number.
QString GetUniqueFileName(QString Path, const QString &FileName);

} // namespace modFunctions

namespace DownloadNames {

// The longest name, in bytes of its encoded form, that the file systems of this platform take.
inline constexpr int MaxNameBytes = 255;

// GetUniqueFileName with a further test: a name for which alsoTaken(full path) is true counts as
// taken too (a file that another row is about to put there).
QString UniqueName(const QString &folder, const QString &name, const std::function<bool(const QString &)> &alsoTaken);

// head shortened at its end, never inside a character, until head + tail fits MaxNameBytes.
QString FitName(QString head, const QString &tail);

// True when name can be a file of its own in a folder: not empty, not "." or "..", not a bare
// extension such as ".flv", no folder separator, and short enough.
bool IsUsable(const QString &name);

// name when it is usable; otherwise a name built from the video identifier (or "video") and the
// extension. Separators become "_" and an overlong name is shortened before its extension. Leading
// dots and the dot of a final ".part" become "_": a finished video is never hidden and never taken
// for a partial file by the clean-up at start-up.
QString Safe(const QString &name, const QString &videoId, const QString &extension);

// The last four characters of a row's name: the extension that a rename keeps.
QString EditExtension(const QString &name);

// The rename rule of the list: blanks only reject the edit (nullopt); otherwise the typed text is
// cleaned like a title and keeps the old extension (typing "clip" over "Sunset_(HQ).flv" gives
// "clip.flv", "clip.mp4" gives "clip.mp4.flv"). A result that would be no usable file name falls
// back to the video identifier.
std::optional<QString> Renamed(const QString &typed, const QString &editExtension, const QString &videoId);

// The hidden file beside the target to which the transfer of key writes while it runs.
QString PartialFileName(const QString &key);
// True for the names of this program's hidden partial files (and of copies on their way into place).
bool IsPartialFileName(const QString &name);
// True for the names of the files the extractor leaves beside such a partial file: subtitles
// (".clipvault-HASH.part.LANG.srt" or ".vtt").
bool IsSideFileName(const QString &name);
// True for the names of the folders the extractor works in beside such a partial file.
bool IsWorkFolderName(const QString &name);

// ".mp4" for "Sunset.mp4"; empty without a dot.
QString ExtensionOf(const QString &name);
// A path made absolute and clean, for comparing paths.
QString PathKey(const QString &path);

} // namespace DownloadNames
