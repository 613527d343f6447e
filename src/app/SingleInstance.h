#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// Makes sure one copy of the program runs per user: the first copy listens on a local socket in a
// folder only its user can enter; a later copy finds it, asks it to come to the front (with the
// address it was given, if any) and ends without showing anything. A request is one line:
// "activate", or "activate " and the address.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    // The socket "clipvault" (CLIPVAULT_INSTANCE_NAME when set) in the first folder that only this
    // user can enter and whose path fits a socket address: $XDG_RUNTIME_DIR, else
    // "clipvault-<uid>" in the temporary folder, else "clipvault" in the user's cache folder. Each
    // is used only when it is a real folder of this user with mode 0700; the last two are made so
    // when missing, and somebody else's folder of that name is never used. Empty when none fits.
    static QString defaultPath();

    explicit SingleInstance(const QString &path = defaultPath(), QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Start {
        First,      // listening for later copies
        HandedOver, // an earlier copy was asked to come forward; this one ends
        Alone,      // no socket could be had; runs without the single-instance check
    };
    Start start(const QString &address = QString());

    // Asks an earlier copy to activate itself and load address (when not empty); true when one
    // took the request.
    bool activateEarlierCopy(const QString &address = QString(), int timeoutMs = 2000) const;

    // Becomes the first copy. A socket left at the path is removed only when nobody answers on
    // it; false when a live copy holds it or listening fails.
    bool listen();

    QString path() const { return m_path; }

Q_SIGNALS:
    void activationRequested(const QString &address); // empty: just come forward

private:
    void serve(QLocalSocket *socket);

    QString m_path;
    QLocalServer *m_server = nullptr;
};
