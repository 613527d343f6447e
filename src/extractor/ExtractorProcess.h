#pragma once

#include "extractor/ExtractorFailure.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;
class QTimer;

// One run of the extractor program: one process and one single-shot timer. The arguments go to
// the program as a list, never through a shell. The process starts on the next turn of the event
// loop, so callers can connect first; it runs in a process group of its own so that ending it
// reaches the programs it started (ffmpeg) too.
//
// Standard output is either collected whole (a JSON document) or handed on line by line; both are
// capped. Of standard error only the last lines are kept, for the extractor's own error line.
// A run reports exactly one of succeeded or failed, unless it is cancelled. A run that was ended
// (cancelled, timed out, too much output) reports stopped once its process has gone.
class ExtractorProcess final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorProcess)

public:
    enum class Output { Collect, Lines };

    static constexpr int DefaultTimeout = 60000;
    static constexpr qint64 DefaultOutputLimit = 16 * 1024 * 1024;
    static constexpr int GraceMs = 2000; // between terminate and kill

    // program: as configured (a path, or a name looked up on the PATH).
    ExtractorProcess(const QString &program, const QStringList &arguments, Output output,
                     QObject *parent = nullptr);
    ~ExtractorProcess() override; // a process still running is killed with its group at once

    // The run ends as TimedOut after this long; with restartOnOutput, after this long without
    // any output. 0 means never.
    void setTimeout(int milliseconds, bool restartOnOutput = false);
    // The most standard output collected, or the longest line, in bytes.
    void setOutputLimit(qint64 bytes) { m_outputLimit = bytes; }
    // Whether the run counts as one of the extractor's (ExtractorRuns): true unless told, false
    // for the trial runs of a copy not yet in use and for other programs run this way.
    void setCountedAsRun(bool counted) { m_counted = counted; }
    // Lines mode: objects on standard error that begin with marker and end at the next '}' (the
    // extractor's post-processing reports, written there without line breaks) are handed on as
    // lines of their own and are no part of the error text.
    void setErrorObjects(const QByteArray &marker) { m_errorMarker = marker; }

    void start();
    // Ends the process and its group (terminate, then kill after a grace); no result follows.
    void cancel();

    bool isRunning() const;
    qint64 processId() const { return m_pid; } // 0 before the start; the process group has the same id

Q_SIGNALS:
    void lineReceived(const QByteArray &line); // Lines mode, without the line ending
    void succeeded(const QByteArray &output);  // exit code 0; the collected output in Collect mode
    void failed(const ExtractorFailure &failure);
    void stopped(); // an ended run's process is gone

private:
    enum class State { Waiting, Running, Ending, Done };

    void launch();
    void readOutput();
    void readErrors();
    bool takeErrorObjects(); // false when a receiver ended the run
    void onFinished(int exitCode, bool crashed);
    void onStartFailed();
    void onTimer();
    void fail(ExtractorFailure failure);
    void endProcess(); // terminate the group; kill when the grace has passed
    void signalGroup(int signal) const;
    void uncount();
    QString lastErrorLine() const;

    QProcess *m_process;
    QTimer *m_timer;
    QString m_program;
    QStringList m_arguments;
    Output m_output;
    State m_state = State::Waiting;
    int m_timeout = DefaultTimeout;
    bool m_restartOnOutput = false;
    qint64 m_outputLimit = DefaultOutputLimit;
    qint64 m_pid = 0;
    bool m_counted = true;
    bool m_inRuns = false; // counted in ExtractorRuns until its process has gone
    QByteArray m_collected; // Collect: the whole output; Lines: the unfinished last line
    QByteArray m_errorTail; // the unfinished last line of standard error
    QByteArray m_errorMarker;
    QString m_lastError;    // the last line that begins with "ERROR:"
    QString m_lastLine;     // the last non-empty line of standard error
};
