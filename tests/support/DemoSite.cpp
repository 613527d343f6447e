#include "DemoSite.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

DemoSite::~DemoSite()
{
    stop();
}

bool DemoSite::start(const QStringList &arguments)
{
    m_process.setProgram(QStringLiteral(CLIPVAULT_DEMOSITE_PATH));
    m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The site ends with the test even when the test aborts or crashes: it would otherwise keep
    // the test's error output open and the test runner would wait for it until its time-out.
    const pid_t test = getpid();
    m_process.setChildProcessModifier([test] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != test) // the test ended before the signal was asked for
            ::_exit(1);
    });
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(15000);
    QByteArray line;
    while (!deadline.hasExpired()) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(200))
            continue;
        line = m_process.readLine().trimmed();
        const qsizetype at = line.indexOf("http://");
        if (at >= 0) {
            m_root = QString::fromLatin1(line.mid(at));
            break;
        }
    }
    if (m_root.isEmpty())
        return false;
    qputenv("CLIPVAULT_SITE_ROOT", m_root.toLatin1());
    qputenv("CLIPVAULT_THUMBNAIL_ROOT", m_root.toLatin1());
    return true;
}

void DemoSite::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QByteArray DemoSite::get(const QString &pathAndQuery, int *status) const
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(m_root + pathAndQuery));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    if (status)
        *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    reply->abort();
    delete reply;
    return body;
}

void DemoSite::rule(const QString &path, int delayMs, int status) const
{
    // The path may carry a query of its own: every reserved character is escaped.
    QString request = QStringLiteral("/_control/rule?path=") + QString::fromLatin1(QUrl::toPercentEncoding(path))
        + QStringLiteral("&delay=") + QString::number(delayMs);
    if (status)
        request += QStringLiteral("&status=") + QString::number(status);
    get(request);
}

void DemoSite::clear() const
{
    get(QStringLiteral("/_control/clear"));
}

QStringList DemoSite::requestLog() const
{
    QStringList targets;
    for (const LoggedRequest &request : requests())
        targets.append(request.target);
    return targets;
}

int DemoSite::mediaSending() const
{
    const QString text = QString::fromUtf8(get(QStringLiteral("/_control/media")));
    return text.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(' '), 1).toInt();
}

int DemoSite::mediaPeak() const
{
    const QString text = QString::fromUtf8(get(QStringLiteral("/_control/media")));
    return text.section(QLatin1Char('\n'), 1, 1).section(QLatin1Char(' '), 1).toInt();
}

QList<DemoSite::LoggedRequest> DemoSite::requests() const
{
    // One request a line: the target, then a tab before each "Name: value" header.
    const QString text = QString::fromUtf8(get(QStringLiteral("/_control/log")));
    QList<LoggedRequest> requests;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.first().startsWith(QLatin1String("/_control/")))
            continue;
        LoggedRequest request{fields.first(), {}};
        for (qsizetype i = 1; i < fields.size(); ++i) {
            const qsizetype colon = fields.at(i).indexOf(QLatin1String(": "));
            if (colon > 0)
                request.headers.insert(fields.at(i).left(colon), fields.at(i).mid(colon + 2));
        }
        requests.append(request);
    }
    return requests;
}
