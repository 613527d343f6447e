#pragma once

#include "extractor/ExtractorChannel.h"
#include "transfer/TransferResult.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>

class Downloader;
class ExtractorProcess;
class QTemporaryDir;

// One check or update of a fetched channel's extractor (stable or nightly). A check fetches the
// release's SHA2-256SUMS and its signature, proves the signature with gpgv and the built-in key,
// and compares the copy in use with its line: two small requests. An update goes on, when the
// copy is not current, to fetch the executable into a new private file beside the copy, prove its
// SHA-256 against that line, run it once with --version, and rename it into place, once no run
// of the extractor is under way. A failure at any step leaves the copy in use as it was and
// removes what was fetched; the outcome names the step in one sentence.
//
// It starts on the next turn of the event loop; it reports exactly one finished, unless it is
// cancelled.
class ExtractorUpdate final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorUpdate)

public:
    enum class Mode { Check, Install };
    enum class Step { None, Folder, Sums, Signature, SumsLine, Executable, Digest, TrialRun, Install };

    struct Outcome
    {
        bool ok = false;
        bool upToDate = false;  // the copy in use is the newest proven one
        bool installed = false; // a new copy was moved into place
        Step failedStep = Step::None;
        QString sentence;       // one sentence: what happened, or which step failed and why
        QString version;        // of the copy installed, when one was
        QByteArray newestDigest; // the proven line of the executable, when the sums were proven
    };

    static constexpr int TrialRunTimeout = 30000; // ms for the new copy's --version

    ExtractorUpdate(ExtractorChannel::Channel channel, Mode mode, QObject *parent = nullptr);
    ~ExtractorUpdate() override; // what was fetched goes

    void setIdleTimeout(int milliseconds);                        // of each transfer
    void setTrialRunTimeout(int milliseconds) { m_trialTimeout = milliseconds; }

    void start();
    void cancel(); // ends the transfers or the trial run and removes what was fetched; no finished

    ExtractorChannel::Channel channel() const { return m_channel; }

Q_SIGNALS:
    void progress(const QString &what, qint64 done, qint64 total); // total 0 while unknown
    void finished(const ExtractorUpdate::Outcome &outcome);

private:
    enum class State { Waiting, Sums, Proving, Fetching, Trying, Swapping, Done };

    void begin();
    void onTransfer(const QString &key, const QByteArray &data, const TransferResult &result);
    void proveSignature();
    void onSignatureChecked(bool good, const QString &detail);
    void compareWithCopy();
    void fetchExecutable();
    void onExecutable(const TransferResult &result);
    void tryExecutable();
    void tryRuntimeOption();
    void swapWhenIdle();
    void fail(Step step, const QString &sentence);
    void succeed(Outcome outcome);
    void cleanUp();

    ExtractorChannel::Channel m_channel;
    Mode m_mode;
    State m_state = State::Waiting;
    Downloader *m_downloader;
    QPointer<ExtractorProcess> m_process;
    QTemporaryDir *m_proofFolder = nullptr;
    QByteArray m_sums;
    QByteArray m_signature;
    bool m_haveSums = false;
    bool m_haveSignature = false;
    QString m_asset;
    QByteArray m_digest;  // the asset's proven line
    QString m_fetchPath;  // the file being fetched, until it is renamed into place or removed
    QString m_version;    // what the fetched copy said on its trial run
    bool m_refusesRuntimeOption = false; // its version says it takes --js-runtimes, its trial run says no
    int m_lock = -1;      // the channel's lock, held from the start to the end
    int m_trialTimeout = TrialRunTimeout;
};

Q_DECLARE_METATYPE(ExtractorUpdate::Outcome)
