#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

// The local demo site, started as its own process on a free port of 127.0.0.1 for a test. It ends
// with the test, also when the test crashes.
class DemoSite final
{
public:
    DemoSite() = default;
    ~DemoSite();
    DemoSite(const DemoSite &) = delete;
    DemoSite &operator=(const DemoSite &) = delete;

    // Starts the site (extra arguments such as "--extra", DIR) and points the program at it
    // through CLIPVAULT_SITE_ROOT and CLIPVAULT_THUMBNAIL_ROOT.
    bool start(const QStringList &arguments = {});
    void stop();

    QString root() const { return m_root; } // "http://127.0.0.1:PORT"
    qint64 processId() const { return m_process.processId(); }
    QString watchUrl(const QString &id) const { return m_root + QStringLiteral("/watch?v=") + id; }
    QString thumbnailUrl(const QString &id) const
    {
        return m_root + QStringLiteral("/vi/") + id + QStringLiteral("/default.jpg");
    }

    // Fetches root + pathAndQuery synchronously; the status is stored in *status when given.
    QByteArray get(const QString &pathAndQuery, int *status = nullptr) const;

    // Delays and/or replaces the answer for one exact path, or for one exact path and query as
    // the program sends it (that rule wins).
    void rule(const QString &path, int delayMs, int status = 0) const;
    void clear() const;           // rules and request log
    QStringList requestLog() const; // request targets since the last clear, in arrival order

    // One logged request: its target and the headers the site logs (Range, If-Range, User-Agent,
    // Referer, Cookie), by name as sent.
    struct LoggedRequest
    {
        QString target;
        QMap<QString, QString> headers;
        QString range() const { return headers.value(QStringLiteral("Range")); }
    };
    QList<LoggedRequest> requests() const; // since the last clear, in arrival order
    // Media answers whose body is on its way now, and the most at once since the last clear.
    int mediaSending() const;
    int mediaPeak() const;

private:
    QProcess m_process;
    QString m_root;
};
