#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that end a session (SIGTERM, SIGHUP, SIGINT) into a Qt signal on the thread
// that created this object: the handler only writes the signal's number into a socket pair whose
// other end a notifier watches. One instance per process; the default handlers come back when it
// goes. A signal that arrives before the event loop runs waits in the pair until it does.
class TerminationSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    bool isInstalled() const { return m_notifier != nullptr; }
    // The instance that holds the handlers in this process, if any.
    static TerminationSignals *installed();
    // The socket pair's two ends; both close on exec, so no program started from here inherits them.
    int readEnd() const;
    int writeEnd() const;

Q_SIGNALS:
    void received(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};
