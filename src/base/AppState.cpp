#include "base/AppState.h"

#include <QCoreApplication>

namespace AppState {

namespace {

QString &appPathRef()
{
    static QString path;
    return path;
}

QString rootFromEnvironment(const char *variable, const QString &fallback)
{
    QString root = qEnvironmentVariable(variable);
    if (root.isEmpty())
        root = fallback;
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

} // namespace

QString AppPath()
{
    QString &path = appPathRef();
    if (path.isEmpty() && QCoreApplication::instance())
        setAppPath(QCoreApplication::applicationDirPath());
    return path;
}

void setAppPath(const QString &path)
{
    QString p = path;
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    appPathRef() = p;
}

QString &ImageSavePath()
{
    static QString path;
    return path;
}

QString VersionString()
{
    return QStringLiteral("%1.%2.%3")
        .arg(CLIPVAULT_VERSION_MAJOR)
        .arg(CLIPVAULT_VERSION_MINOR)
        .arg(CLIPVAULT_VERSION_REVISION);
}

QString SiteRoot()
{
    return rootFromEnvironment("CLIPVAULT_SITE_ROOT", QStringLiteral("http://www.youtube.com"));
}

QString ThumbnailRoot()
{
    return rootFromEnvironment("CLIPVAULT_THUMBNAIL_ROOT", QStringLiteral("http://i.ytimg.com"));
}

} // namespace AppState
