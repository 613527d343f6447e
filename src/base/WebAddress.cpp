#include "base/WebAddress.h"

#include <QMimeData>

namespace WebAddress {

namespace {

bool isWeb(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !url.host().isEmpty();
}

} // namespace

QUrl fromText(const QString &text)
{
    const QUrl url(text.trimmed());
    return isWeb(url) ? url : QUrl();
}

QString fromMimeData(const QMimeData *data)
{
    if (!data)
        return QString();
    if (data->hasUrls()) {
        for (const QUrl &url : data->urls())
            if (isWeb(url))
                return url.toString();
    }
    if (data->hasText()) {
        const QUrl url = fromText(data->text());
        if (url.isValid())
            return url.toString();
    }
    return QString();
}

} // namespace WebAddress
