#pragma once

#include "extractor/ExtractorChannel.h"
#include "extractor/ExtractorRuntime.h"
#include "updater/ExtractorUpdate.h"
#include "updater/InstalledCopies.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

class ExtractorProcess;
class RuntimeFetch;

// The program's one keeper of the extractor in use: which channel runs, what is known of its copy,
// and the checks, updates and roll-backs the window, the video panel and the daily check ask for,
// one at a time. It keeps no settings itself: its owner hands it the stored values and stores
// what its signals report.
class ExtractorKeeper final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorKeeper)

public:
    using Channel = ExtractorChannel::Channel;

    static constexpr qint64 CheckIntervalSecs = 24 * 60 * 60;
    static constexpr int OldAfterDays = 90;

    explicit ExtractorKeeper(QObject *parent = nullptr);
    ~ExtractorKeeper() override;

    void setChannel(Channel channel);    // as stored
    void chooseChannel(Channel channel); // the user's choice: reported by channelInUse
    Channel channel() const { return m_channel; }
    void setConfiguredPath(const QString &path) { m_configured = path; }
    void setLastCheck(const QDateTime &when) { m_lastCheck = when; }
    QDateTime lastCheck() const { return m_lastCheck; }

    QString program() const; // the program the next run starts, resolved; empty when none
    InstalledCopies::Copy copy() const;
    ExtractorRuntime runtime() const { return m_runtime; }
    void lookForRuntime() { m_runtime = ExtractorRuntime::Find(); } // again: the user may have installed one
    // The version of the copy in use; asks a copy of unknown version once, in the background.
    QString version() const;
    void learnVersion();
    // Days since the release of the copy in use, when its version is a date; -1 when unknown.
    int ageInDays(const QDate &today) const;
    bool needsRuntime() const; // the copy takes --js-runtimes and no runtime is found

    bool busy() const; // a check, update or fetch of the runtime is under way
    bool newerAvailable() const { return m_newerAvailable; }
    QString status() const { return m_status; } // the last outcome's sentence

    // Check: compares the copy in use with the newest proven sums. Update: fetches and installs;
    // the system channel updates the stable one, which is then the channel in use.
    void checkNow();
    void update();
    void updateChannel(Channel channel);
    bool rollBack(); // waits for the extractor runs under way; false when there is nothing to bring back
    void cancel();
    // Fetches deno into the runtime folder (RuntimeFetch), then looks for the runtime again.
    void fetchRuntime();
    // Checks when due: at most once every CheckIntervalSecs, never while busy.
    bool checkIfDue(const QDateTime &now);

    void setIdleTimeout(int milliseconds) { m_idleTimeout = milliseconds; } // for each transfer; 0: the default

Q_SIGNALS:
    void changed();                                   // anything shown changed
    void progress(const QString &what, qint64 done, qint64 total);
    void finished(const ExtractorUpdate::Outcome &outcome);
    void channelInUse(ExtractorChannel::Channel channel); // after an update or roll back: to be stored
    void checked(const QDateTime &when);              // a check proved the sums: to be stored

private:
    void run(Channel channel, ExtractorUpdate::Mode mode);
    void onFinished(Channel channel, ExtractorUpdate::Mode mode, const ExtractorUpdate::Outcome &outcome);
    Channel fetchedChannel() const; // the channel an update fetches

    Channel m_channel = Channel::System;
    QString m_configured;
    QDateTime m_lastCheck;
    ExtractorRuntime m_runtime;
    QPointer<ExtractorUpdate> m_update;
    QPointer<RuntimeFetch> m_runtimeFetch;
    QPointer<ExtractorProcess> m_probe;
    QString m_probed; // the program whose version was asked
    bool m_newerAvailable = false;
    bool m_rollBackWaiting = false;
    QString m_status;
    int m_idleTimeout = 0;
};
