#pragma once

#include <QString>

// Where the extractor that runs comes from: the copy installed with the system (on the PATH, or
// the ExtractorPath setting), or a copy this program fetched from the extractor project's stable
// releases or nightly builds, kept in <data>/extractor/<channel>/ (folder mode 0700).
namespace ExtractorChannel {

enum class Channel { System, Stable, Nightly };

QString Key(Channel channel);   // "system", "stable", "nightly": as Settings.ini keeps it
QString Label(Channel channel); // "Installed with the system", "Stable releases", "Nightly builds"
// The channel a stored key names; System for anything else.
Channel FromKey(const QString &key);

QString DataFolder();                    // <data>/extractor
QString Folder(Channel channel);         // <data>/extractor/<key>
QString CopyPath(Channel channel);       // Folder/yt-dlp: the copy in use of a fetched channel
QString PreviousPath(Channel channel);   // Folder/yt-dlp.previous: the copy "Roll back" brings back

// The program to run: for a fetched channel its copy when there is one, else (and for the
// system channel) what is configured, as ExtractorProgram::Resolve takes it.
QString ProgramInUse(Channel channel, const QString &configured);
// The channel Settings.ini names (ExtractorChannel), normalised, and the program it runs now.
Channel Configured();
QString ConfiguredProgram();

} // namespace ExtractorChannel
