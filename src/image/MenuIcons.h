#pragma once

#include <QIcon>
#include <QImage>

// The small pictures of the program's menu items and of the download list's states, drawn by the
// program itself at 16 x 16 pixels (and 32 x 32 for dense screens) on a clear background.
namespace MenuIcons {

enum Kind {
    Start,          // start selected downloads
    Stop,           // stop selected downloads
    Remove,         // remove selected videos
    RemoveFinished, // remove downloaded and erroneous videos
    CopyLink,       // copy the video's address
    SaveImage,      // save a thumbnail
    Exit,
    About,
};

// The download states of a list row (1 downloading, 2 downloaded, 3 stopped, 4 error, 5 queued).
enum State : int {
    Downloading = 1,
    Downloaded = 2,
    Stopped = 3,
    Error = 4,
    Queued = 5,
};

// The picture of one menu command at `side` pixels square.
QImage image(Kind kind, int side = 16);
QIcon icon(Kind kind);

// The picture of a download state; a null image / empty icon for any other number.
QImage stateImage(int downloadState, int side = 16);
QIcon stateIcon(int downloadState);

} // namespace MenuIcons
