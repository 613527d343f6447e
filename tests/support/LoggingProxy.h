#pragma once

#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A small HTTP proxy on 127.0.0.1 for the tests: it takes requests in the absolute form a client
// sends a proxy ("GET http://HOST:PORT/path HTTP/1.1"), logs their targets, and passes each to
// 127.0.0.1:PORT whatever HOST says (so an address that no name server knows reaches the demo
// site only through the proxy). One request per connection. It serves while the test's event loop
// runs.
class LoggingProxy final : public QObject
{
    Q_OBJECT

public:
    bool start();
    quint16 port() const { return m_server.serverPort(); }
    QStringList log() const { return m_log; } // the absolute targets, in arrival order
    void clear() { m_log.clear(); }

private:
    void accept();

    QTcpServer m_server;
    QStringList m_log;
};
