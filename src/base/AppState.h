#pragma once

#include <QString>

// Program-wide state set at start-up and shared by the windows.
namespace AppState {

// The program's folder, always ending in a separator.
QString AppPath();
void setAppPath(const QString &path); // start-up sets it from the executable; tests from a temp folder

// The folder the thumbnail save dialog opens in, ending in a separator (may be empty).
QString &ImageSavePath();

// "Version: " text parts: major.minor.revision of the program.
QString VersionString();

// The video site's root ("http://" + host) and the thumbnail root; CLIPVAULT_SITE_ROOT and
// CLIPVAULT_THUMBNAIL_ROOT point them elsewhere. Neither ends in "/".
QString SiteRoot();
QString ThumbnailRoot();

} // namespace AppState
