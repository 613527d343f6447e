#include "image/modJPG.h"

#include "base/AppState.h"
#include "base/RuntimeError.h"
#include "base/Settings.h"
#include "base/UiSeam.h"

#include <QImageWriter>
#include <QSaveFile>

namespace modJPG {

QString FolderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.left(slash + 1);
}

QString ShowSaveDialog()
{
    const QString chosen = UiSeam::saveFileName(QStringLiteral("Save Image"), AppState::ImageSavePath(),
                                                QStringLiteral("JPG Image (*.jpg)"), QStringLiteral("jpg"));
    if (chosen.isEmpty())
        return QString();
    AppState::ImageSavePath() = FolderOf(chosen);
    Settings::WriteValue(QStringLiteral("ImageSavePath"), AppState::ImageSavePath());
    return chosen;
}

void SaveJPG(const QImage &picture, const QString &fileName, int quality)
{
    if (picture.isNull())
        throw RuntimeError(5, QStringLiteral("Cannot save the image. There is no picture."));
    // The picture goes to a new file beside the chosen one, which replaces it only once the whole
    // picture is written: a failed encode leaves an existing file as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw RuntimeError(5, QStringLiteral("Cannot save the image. %1").arg(file.errorString()));
    QImageWriter writer(&file, "jpg");
    writer.setQuality(quality);
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB32))) {
        file.cancelWriting();
        throw RuntimeError(5, QStringLiteral("Cannot save the image. %1").arg(writer.errorString()));
    }
    if (!file.commit())
        throw RuntimeError(5, QStringLiteral("Cannot save the image. %1").arg(file.errorString()));
}

void SaveWithDialog(QImage picture)
{
    const QString fileName = ShowSaveDialog();
    if (fileName.isEmpty())
        return;
    try {
        SaveJPG(picture, fileName, 100);
    } catch (const RuntimeError &error) {
        UiSeam::messageBox(error.description(), UiSeam::Exclamation);
    }
}

} // namespace modJPG
