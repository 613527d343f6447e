#include "support/LoggingProxy.h"

#include <QTcpSocket>
#include <QUrl>

bool LoggingProxy::start()
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoggingProxy::accept);
    return m_server.listen(QHostAddress::LocalHost);
}

void LoggingProxy::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        auto *upstream = new QTcpSocket(client);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QTcpSocket::readyRead, client, [this, client, upstream] {
            if (upstream->state() != QAbstractSocket::UnconnectedState) {
                upstream->write(client->readAll()); // the rest of a body
                return;
            }
            QByteArray head = client->peek(64 * 1024);
            const qsizetype end = head.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            head = client->read(end + 4);
            QList<QByteArray> lines = head.left(end).split('\n');
            const QList<QByteArray> request = lines.takeFirst().trimmed().split(' ');
            const QUrl target(QString::fromLatin1(request.value(1)));
            if (request.size() != 3 || target.scheme() != QLatin1String("http")) {
                client->write("HTTP/1.1 501 Not Implemented\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
                client->disconnectFromHost();
                return;
            }
            m_log << target.toString();
            QByteArray forwarded = request.at(0) + ' ' + target.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) + " HTTP/1.1\r\n";
            for (const QByteArray &line : std::as_const(lines)) {
                const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
                if (name != "connection" && name != "proxy-connection" && name != "keep-alive")
                    forwarded += line.trimmed() + "\r\n";
            }
            forwarded += "Connection: close\r\n\r\n" + client->readAll();
            upstream->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(target.port(80)));
            connect(upstream, &QTcpSocket::connected, upstream, [upstream, forwarded] { upstream->write(forwarded); });
            connect(upstream, &QTcpSocket::readyRead, client, [client, upstream] { client->write(upstream->readAll()); });
            connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
            connect(upstream, &QTcpSocket::errorOccurred, client, [client](QAbstractSocket::SocketError error) {
                if (error != QAbstractSocket::RemoteHostClosedError)
                    client->disconnectFromHost();
            });
        });
    }
}
