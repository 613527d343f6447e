#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <functional>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray kActivate = "activate";
// A request longer than this is no request of ours.
constexpr qint64 kMaxRequest = 64 * 1024;

// Real folder (not a link to one), owned by this user, closed to everybody else.
bool isPrivateFolder(const QString &path)
{
    struct stat info {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// A folder of this user's own inside parent, made with mode 0700 when missing. Somebody else's
// folder of that name is never used.
QString ownFolder(const QString &parent, const QString &name)
{
    if (parent.isEmpty() || !QFileInfo(parent).isDir())
        return QString();
    const QString path = QDir(parent).filePath(name);
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    return isPrivateFolder(path) ? path : QString();
}

QString socketName()
{
    const QString fromEnvironment = QFileInfo(qEnvironmentVariable("CLIPVAULT_INSTANCE_NAME")).fileName();
    return fromEnvironment.isEmpty() ? QStringLiteral("clipvault") : fromEnvironment;
}

// Whether a running copy accepts connections on path.
bool answers(const QString &path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(1000);
}

} // namespace

QString SingleInstance::defaultPath()
{
    const std::function<QString()> folders[] = {
        [] {
            const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
            return isPrivateFolder(runtime) ? runtime : QString();
        },
        [] { return ownFolder(QDir::tempPath(), QStringLiteral("clipvault-%1").arg(::geteuid())); },
        [] {
            const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
            QDir().mkpath(cache);
            return ownFolder(cache, QStringLiteral("clipvault"));
        },
    };
    for (const auto &folder : folders) {
        const QString found = folder();
        if (found.isEmpty())
            continue;
        const QString path = QDir(found).filePath(socketName());
        // The path must fit a socket's address, terminating zero included.
        if (QFile::encodeName(path).size() < qsizetype(sizeof(sockaddr_un::sun_path)))
            return path;
    }
    return QString();
}

SingleInstance::SingleInstance(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Start SingleInstance::start(const QString &address)
{
    // Two copies started at the same moment: the one that fails to listen finds the other
    // answering on the next round.
    for (int round = 0; round < 3 && !m_path.isEmpty(); ++round) {
        if (activateEarlierCopy(address))
            return Start::HandedOver;
        if (listen())
            return Start::First;
    }
    return Start::Alone;
}

bool SingleInstance::activateEarlierCopy(const QString &address, int timeoutMs) const
{
    if (m_path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray request = kActivate;
    QString oneLine = address;
    oneLine.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    if (!oneLine.isEmpty())
        request += ' ' + oneLine.toUtf8();
    socket.write(request + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The first copy answers once it has brought its window forward.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen()
{
    if (m_path.isEmpty())
        return false;
    delete m_server;
    m_server = new QLocalServer(this);
    // No access options: with them the socket is made elsewhere and renamed over the path, which
    // would take it from a live copy. The folder alone keeps other users out.
    if (!m_server->listen(m_path)) {
        if (m_server->serverError() != QAbstractSocket::AddressInUseError || answers(m_path))
            return false;
        // Left behind by a copy that ended without cleaning up: nobody answered on it.
        QLocalServer::removeServer(m_path);
        if (!m_server->listen(m_path))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
    return true;
}

void SingleInstance::serve(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine(kMaxRequest);
        if (!line.endsWith('\n')) { // longer than any request
            socket->abort();
            return;
        }
        line.chop(1);
        QString address;
        if (line.startsWith(kActivate + ' '))
            address = QString::fromUtf8(line.mid(kActivate.size() + 1)).trimmed();
        else if (line != kActivate)
            continue;
        Q_EMIT activationRequested(address);
        socket->write("ok\n");
        socket->flush();
    }
    if (socket->bytesAvailable() >= kMaxRequest)
        socket->abort();
}
