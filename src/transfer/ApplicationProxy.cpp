#include "transfer/ApplicationProxy.h"

#include <QNetworkProxy>
#include <QNetworkProxyFactory>

namespace ApplicationProxy {

void Apply(const Settings::Proxy &proxy)
{
    using Kind = Settings::Proxy::Kind;
    QNetworkProxyFactory::setUseSystemConfiguration(proxy.kind == Kind::System);
    if (proxy.kind == Kind::System)
        return;
    if (proxy.kind == Kind::None) {
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        return;
    }
    QNetworkProxy::setApplicationProxy(QNetworkProxy(
        proxy.kind == Kind::Socks5 ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, proxy.host,
        static_cast<quint16>(proxy.port)));
}

} // namespace ApplicationProxy
