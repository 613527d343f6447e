#pragma once

#include <QImage>
#include <QString>

// Saving thumbnails as JPEG files.
namespace modJPG {

// Asks for a file name ("Save Image", "JPG Image (*.jpg)", default extension jpg, overwrite prompt)
// in ImageSavePath; a confirmed choice moves ImageSavePath to the chosen folder and writes it to
// the settings at once. Returns the chosen path, empty when cancelled.
QString ShowSaveDialog();

// Writes picture as a JPEG of the given quality; a failure raises run-time error 5
// "Cannot save the image. ..." with the reason.
void SaveJPG(const QImage &picture, const QString &fileName, int quality);

// The path up to and including its last separator, or the whole path when it has none.
QString FolderOf(const QString &path);

// Both save commands: ask, then save at quality 100; a failed save is shown as a message and the
// program goes on. The picture is taken by value: events run while the dialog is open, and the
// caller's picture (an element of a growing list) may move or change meanwhile.
void SaveWithDialog(QImage picture);

} // namespace modJPG
