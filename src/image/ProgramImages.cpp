#include "image/ProgramImages.h"

#include <QFile>

namespace ProgramImages {

QByteArray Resource(int id)
{
    QString path;
    switch (id) {
    case Banner: path = QStringLiteral(":/clipvault/images/101.png"); break;
    case AboutIcon: path = QStringLiteral(":/clipvault/images/102.png"); break;
    case PlaceholderThumbnail: path = QStringLiteral(":/clipvault/images/103.jpg"); break;
    default: return QByteArray();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace ProgramImages
