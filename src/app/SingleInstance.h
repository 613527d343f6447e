#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Makes sure one copy of the program runs per user: the first copy listens on a local socket; a
// later copy finds it, asks it to come to the front and ends without showing anything.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    // The socket name: per user, or CLIPVAULT_INSTANCE_NAME when set.
    static QString defaultName();

    explicit SingleInstance(const QString &name = defaultName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Asks an earlier copy to activate itself; true when one answered.
    bool activateEarlierCopy(int timeoutMs = 2000) const;

    // Becomes the first copy: listens for later copies. False when listening failed.
    bool listen();

    QString name() const { return m_name; }

Q_SIGNALS:
    void activationRequested();

private:
    QString m_name;
    QLocalServer *m_server = nullptr;
};
