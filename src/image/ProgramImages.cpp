#include "image/ProgramImages.h"

#include <QFile>

// Resources compiled into a static library are registered only when asked for by name.
static void initProgramImages()
{
    Q_INIT_RESOURCE(ProgramImages);
}

namespace ProgramImages {

QByteArray Resource(int id)
{
    static const bool registered = (initProgramImages(), true);
    Q_UNUSED(registered);
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
