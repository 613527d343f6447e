#include "transfer/NetworkRequest.h"

#include "transfer/Downloader.h"
#include "transfer/TransferRequest.h"

#include <QUrl>

QNetworkRequest networkRequestFor(const TransferRequest &req, const QByteArray &range, const QByteArray &ifRange)
{
    QNetworkRequest request(QUrl(req.url.trimmed()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         (req.cacheMode & Downloader::ForceUpdate) ? QNetworkRequest::AlwaysNetwork
                                                                   : QNetworkRequest::PreferNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Clipvault/1.0"));
    if (!req.targetFile.isEmpty()) {
        // Byte offsets must be those of the file itself, never of a compressed form of it.
        request.setRawHeader("Accept-Encoding", "identity");
    }
    if (!range.isEmpty()) {
        request.setRawHeader("Range", range);
        request.setRawHeader("If-Range", ifRange);
    }
    for (const auto &[name, value] : req.headers)
        request.setRawHeader(name, value);
    return request;
}
