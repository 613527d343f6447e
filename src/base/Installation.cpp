#include "base/Installation.h"

#include "base/AppState.h"

#include <QFileInfo>

namespace Installation {

QString DesktopId()
{
    return QStringLiteral(CLIPVAULT_APP_ID);
}

bool IsInstalledCopy()
{
    const QString entry = AppState::AppPath() + QStringLiteral("../share/applications/") + DesktopId()
        + QStringLiteral(".desktop");
    return QFileInfo(entry).isFile();
}

} // namespace Installation
