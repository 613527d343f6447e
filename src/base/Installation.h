#pragma once

#include <QString>

// Where the program runs from: a build or portable folder of its own, or an installed tree.
namespace Installation {

// The desktop id: the window's desktop file name, the names of the installed desktop entry,
// icons and metadata.
QString DesktopId();

// True when the program runs from an installed tree (`cmake --install` or the Debian package):
// its desktop entry lies in ../share/applications beside its folder. An installed copy keeps the
// user's settings and videos in the user's folders even where it could write beside itself
// (run as root, or installed under the home folder).
bool IsInstalledCopy();

} // namespace Installation
