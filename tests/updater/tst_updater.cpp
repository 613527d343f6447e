#include "extractor/ExtractorAdvice.h"
#include "extractor/ExtractorChannel.h"
#include "extractor/ExtractorInfoRequest.h"
#include "extractor/ExtractorProcess.h"
#include "extractor/ExtractorRuntime.h"
#include "extractor/ExtractorVersion.h"
#include "support/DemoSite.h"
#include "support/ReleaseArea.h"
#include "support/StandIn.h"
#include "updater/ExtractorKeeper.h"
#include "updater/ExtractorUpdate.h"
#include "updater/InstalledCopies.h"
#include "updater/ReleaseSource.h"
#include "updater/RuntimeFetch.h"
#include "updater/SignatureCheck.h"
#include "updater/SigningKey.h"
#include "videoinfo/VideoInfo.h"

#include "demosite/clips.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cctype>
#include <functional>

using Channel = ExtractorChannel::Channel;
using Step = ExtractorUpdate::Step;
using Outcome = ExtractorUpdate::Outcome;
using Tamper = std::function<void(ReleaseArea::Release &)>;
Q_DECLARE_METATYPE(Tamper)

namespace {

ReleaseArea::Release version(const QString &v)
{
    ReleaseArea::Release r;
    r.version = v;
    return r;
}

// Runs one check or update to its end. The trial runs have time to spare on a busy machine: one
// that runs out would count as refusing the runtime option.
Outcome run(Channel channel, ExtractorUpdate::Mode mode = ExtractorUpdate::Mode::Install, int idleMs = 10000,
            int trialMs = 20000)
{
    ExtractorUpdate update(channel, mode);
    update.setIdleTimeout(idleMs);
    update.setTrialRunTimeout(trialMs);
    QSignalSpy done(&update, &ExtractorUpdate::finished);
    update.start();
    if (!done.wait(30000))
        return {};
    return done.first().first().value<Outcome>();
}

QStringList fetchLeftovers(Channel channel)
{
    return QDir(ExtractorChannel::Folder(channel)).entryList({QStringLiteral(".fetch-*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir data;
    QTemporaryDir tools;
    ReleaseArea area;
    DemoSite site;
    QString asset;
    QString log;

    // Publishes this version (with r's other traits) on the channel.
    bool publish(const char *v, const char *channel = "stable")
    {
        return area.publish(QString::fromLatin1(channel), asset, version(QString::fromLatin1(v)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gpg")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("gpgv")).isEmpty())
            QSKIP("gpg and gpgv are needed");
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        QCoreApplication::setOrganizationName(QStringLiteral("Clipvault"));
        QCoreApplication::setApplicationName(QStringLiteral("Clipvault"));
        QVERIFY(area.init());
        QVERIFY(site.start({QStringLiteral("--extra"), area.extraFolder()}));
        qputenv("CLIPVAULT_EXTRACTOR_RELEASES", ReleaseArea::releasesRoot(site.root()).toLatin1());
        qputenv("CLIPVAULT_EXTRACTOR_KEYRING", area.publicKeyFile().toLocal8Bit());
        log = tools.filePath(QStringLiteral("standin.log"));
        qputenv("CLIPVAULT_STANDIN_LOG", log.toLocal8Bit());
        asset = ReleaseSource::AssetName();
        QVERIFY(publish("2026.11.20"));
    }

    // The built-in key is the extractor project's, by fingerprint, as gpg itself reads it. An
    // armored key file reads as the same packets gpg exports in binary; a broken armor reads as
    // nothing. A good signature counts only when made by the key the proof pins: a keyring that
    // somehow holds another key proves nothing with the built-in fingerprint.
    void signingKey()
    {
        QTemporaryDir home;
        const QString key = home.filePath(QStringLiteral("key.gpg"));
        QVERIFY(StandIn::WriteFile(key, SigningKey::BuiltIn()));
        QProcess gpg;
        gpg.start(QStringLiteral("gpg"), {QStringLiteral("--homedir"), home.path(), QStringLiteral("--show-keys"),
                                          QStringLiteral("--with-colons"), key});
        QVERIFY(gpg.waitForFinished(30000));
        QList<QByteArray> fingerprints;
        for (const QByteArray &line : gpg.readAllStandardOutput().split('\n'))
            if (line.startsWith("fpr:"))
                fingerprints << line.split(':').value(9);
        QCOMPARE(fingerprints, QList<QByteArray>{"AC0CBBE6848D6A873464AF4E57CF65933B5A7581"});
        QCOMPARE(QByteArray(SigningKey::Fingerprint), fingerprints.first());

        const QByteArray armored = StandIn::FileBytes(area.publicKeyFile());
        QCOMPARE(SigningKey::Dearmored(armored), StandIn::FileBytes(area.publicKeyBinary()));
        // A letter of the body in the other case is still base64: only the checksum finds it.
        QByteArray broken = armored;
        qsizetype at = broken.indexOf("\n=") - 10;
        while (!std::isalpha(static_cast<unsigned char>(broken[at])))
            --at;
        broken[at] = static_cast<char>(broken[at] ^ 0x20);
        QVERIFY(SigningKey::Dearmored(broken).isEmpty());
        QCOMPARE(SigningKey::Dearmored(SigningKey::BuiltIn()), SigningKey::BuiltIn()); // binary stays as it is

        const QString folder = area.folder(QStringLiteral("stable"));
        for (const auto &[fingerprint, good] : {std::pair{QString(), true}, {QString::fromLatin1(SigningKey::Fingerprint), false}}) {
            SignatureCheck check(StandIn::FileBytes(folder + QStringLiteral("/SHA2-256SUMS")),
                                 StandIn::FileBytes(folder + QStringLiteral("/SHA2-256SUMS.sig")),
                                 StandIn::FileBytes(area.publicKeyBinary()), fingerprint);
            QSignalSpy checked(&check, &SignatureCheck::checked);
            check.start();
            QVERIFY(checked.wait(30000));
            QVERIFY2(checked.first().first().toBool() == good, qPrintable(fingerprint));
        }
    }

    // Fetched, proven, installed; the next check costs the two small requests only; the next
    // extraction runs the new copy, given the runtime found when it takes the option: by its
    // version, unless its trial run showed that it refuses the option.
    void installThenExtractWithTheNewCopy_data()
    {
        QTest::addColumn<QString>("release");
        QTest::addColumn<bool>("passesEverything");
        QTest::addColumn<bool>("runtimeGiven");
        QTest::newRow("takes the runtime option") << "2026.11.20" << false << true;
        QTest::newRow("a wrapper that refuses it") << "2026.11.21" << true << false;
        QTest::newRow("older than the option") << "2025.10.01" << false << false;
    }
    void installThenExtractWithTheNewCopy()
    {
        QFETCH(QString, release);
        QFETCH(bool, passesEverything);
        QFETCH(bool, runtimeGiven);
        ReleaseArea::Release r = version(release);
        r.passesEverything = passesEverything;
        QVERIFY(area.publish(QStringLiteral("stable"), asset, r));
        const QString folder = ExtractorChannel::Folder(Channel::Stable); // left open to others: made private
        QVERIFY(QDir().mkpath(folder) && QFile::setPermissions(folder, QFileDevice::Permissions(0x7755)));
        site.clear();
        const Outcome installed = run(Channel::Stable);
        QVERIFY2(installed.ok && installed.installed, qPrintable(installed.sentence));
        QCOMPARE(installed.version, release);
        const QString copy = ExtractorChannel::CopyPath(Channel::Stable);
        QCOMPARE(StandIn::FileBytes(copy), ReleaseArea::standIn(r));
        QCOMPARE(QFile::permissions(folder) & 0x0777, 0x0700); // the owner's alone
        QCOMPARE(ExtractorVersion::Known(copy), release);
        QVERIFY(fetchLeftovers(Channel::Stable).isEmpty());

        site.clear();
        const Outcome again = run(Channel::Stable, ExtractorUpdate::Mode::Check);
        QVERIFY2(again.ok && again.upToDate, qPrintable(again.sentence));
        QCOMPARE(site.requestLog().size(), 2);

        // A stand-in deno on the PATH.
        const QString deno = StandIn::Write(tools.filePath(QStringLiteral("deno")), "echo deno 2.5.0");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", tools.path().toLocal8Bit() + ':' + path);
        QFile::remove(log);
        const QString program = ExtractorChannel::ProgramInUse(Channel::Stable, QString());
        QCOMPARE(program, copy);
        ExtractorInfoRequest request(program, site.root() + QString::fromStdString(demosite::clipPagePath(demosite::clips::jsonLd)));
        QSignalSpy found(&request, &ExtractorInfoRequest::finished);
        QSignalSpy failed(&request, &ExtractorInfoRequest::failed);
        request.start();
        QTRY_VERIFY_WITH_TIMEOUT(found.size() + failed.size() > 0, 60000);
        qputenv("PATH", path);
        QVERIFY2(failed.isEmpty(), qPrintable(failed.isEmpty() ? QString() : failed.first().first().value<ExtractorFailure>().sentence()
                                              + QString::fromLatin1(StandIn::FileBytes(log))));
        const QByteArray ran = StandIn::FileBytes(log);
        QVERIFY(ran.contains(" -J -- http://"));
        QCOMPARE(ran.contains("--js-runtimes deno:" + deno.toLocal8Bit()), runtimeGiven);
    }

    void runtimeDetection_data()
    {
        // Stand-ins "name=version output" on the PATH, or "runtime/name=..." in <data>/extractor/runtime.
        QTest::addColumn<QStringList>("standIns");
        QTest::addColumn<QString>("expected");
        QTest::newRow("deno first") << QStringList{"deno=deno 2.5.0", "node=v22.1.0"} << "deno";
        QTest::newRow("node 20 or newer") << QStringList{"node=v20.11.1", "qjs="} << "node";
        QTest::newRow("node too old") << QStringList{"node=v18.19.0", "qjs="} << "quickjs";
        QTest::newRow("in the runtime folder") << QStringList{"runtime/deno=deno 2.1.0"} << "deno";
        QTest::newRow("none") << QStringList{"node=v16.0.0"} << "";
    }
    void runtimeDetection()
    {
        QFETCH(QStringList, standIns);
        QFETCH(QString, expected);
        QTemporaryDir bin;
        const QString folder = ExtractorRuntime::Folder();
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (QString entry : standIns) {
            const QString dir = entry.startsWith(QLatin1String("runtime/")) ? folder : bin.path();
            entry.remove(QStringLiteral("runtime/"));
            const QString file = dir + QLatin1Char('/') + entry.section(QLatin1Char('='), 0, 0);
            QVERIFY(!StandIn::Write(file, "echo " + entry.section(QLatin1Char('='), 1).toLocal8Bit()).isEmpty());
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit()); // nothing of the system's
        const ExtractorRuntime runtime = ExtractorRuntime::Find();
        qputenv("PATH", path);
        QDir(folder).removeRecursively();
        QCOMPARE(runtime.name, expected);
        const QStringList arguments = ExtractorRuntime::Arguments(QStringLiteral("2025.11.12"), runtime);
        QCOMPARE(arguments.size(), expected.isEmpty() ? 0 : 2);
        if (!expected.isEmpty())
            QCOMPARE(arguments.last(), expected + QLatin1Char(':') + runtime.path);
        QVERIFY(ExtractorRuntime::Arguments(QStringLiteral("2025.11.11.235959"), runtime).isEmpty());
    }

    // The lines that point at an old extractor or a missing runtime get their sentence; a copy
    // more than 90 days old gets its line; versions order by their numbers.
    void advice_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("hint");
        const QString update = QStringLiteral("Updating the extractor");
        QTest::newRow("runtime") << "WARNING: [youtube] No supported JavaScript runtime could be found." << "Installing a JavaScript runtime";
        QTest::newRow("format") << "ERROR: [youtube] x: Requested format is not available" << update;
        QTest::newRow("extract") << "ERROR: [site] x: Unable to extract title" << update;
        QTest::newRow("nsig") << "WARNING: [youtube] nsig extraction failed: some formats may be missing" << update;
        const QString signIn = QStringLiteral("Signing in may help: choose a browser in File > Preferences..., Sign-in.");
        QTest::newRow("sign in") << "ERROR: [youtube] x: Sign in to confirm you're not a bot" << signIn;
        QTest::newRow("age") << "ERROR: [youtube] x: Sign in to confirm your age. This video may be inappropriate for some users." << signIn;
        QTest::newRow("age-restricted") << "ERROR: [site] 42: This video is age-restricted; use --cookies-from-browser or --cookies" << signIn;
        QTest::newRow("other") << "ERROR: [generic] Unsupported URL: http://x/" << "";
    }
    void advice()
    {
        QFETCH(QString, line);
        QFETCH(QString, hint);
        QCOMPARE(ExtractorAdvice::FailureHint(line).left(hint.size()), hint);
        QCOMPARE(ExtractorAdvice::FailureHint(line).isEmpty(), hint.isEmpty());
        const QDate today(2026, 12, 7);
        QCOMPARE(ExtractorAdvice::AgeNotice(QStringLiteral("2026.09.08"), today), QString()); // 90 days
        QCOMPARE(ExtractorAdvice::AgeNotice(QStringLiteral("2026.09.07.101010"), today),
                 QStringLiteral("The extractor in use, yt-dlp 2026.09.07.101010, is 91 days old."));
        QCOMPARE(ExtractorAdvice::AgeNotice(QStringLiteral("unknown"), today), QString());
        QVERIFY(ExtractorVersion::Compare(QStringLiteral("2025.11.12"), QStringLiteral("2025.11.12.000001")) < 0);
        QVERIFY(ExtractorVersion::Compare(QStringLiteral("2025.12.01"), QStringLiteral("2025.11.30.235959")) > 0);
    }

    // Every tampered or broken release fails at its step, removes what it fetched, and leaves the
    // copy in use as it was. "after": what befalls the published release, "remove FILE", "empty
    // FILE", "hold FILE" (the site keeps it back) or "no keyring" (the built-in key checks it).
    void brokenReleasesChangeNothing_data()
    {
        QTest::addColumn<Tamper>("tamper"); // the release before it is published
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("words");
        const auto row = [](const char *name, Step step, const char *words, const Tamper &tamper, const char *after = "") {
            QTest::newRow(name) << tamper << QString::fromLatin1(after) << int(step) << QString::fromLatin1(words);
        };
        using R = ReleaseArea::Release;
        const Tamper none = [](R &) {};
        const char *otherKey = "not the extractor project's";
        row("another key", Step::Signature, otherKey, [](R &r) { r.signer = ReleaseArea::Signer::Other; });
        row("bad signature", Step::Signature, "BAD signature", [](R &r) { r.corruptSignature = true; });
        row("sums without the asset", Step::SumsLine, "has no line for", [](R &r) { r.listAsset = false; });
        row("hash mismatch", Step::Digest, "SHA-256", [](R &r) { r.assetAfterSums = ReleaseArea::standIn(version(QStringLiteral("2026.12.25"))); });
        row("truncated asset", Step::Digest, "SHA-256", [](R &r) { r.assetAfterSums = ReleaseArea::standIn(r).left(40); });
        row("sums over 64 KB", Step::Sums, "larger than", [](R &r) { r.sumsPadding = QByteArray(70 * 1024, '#'); });
        row("--version fails", Step::TrialRun, "failed when asked", [](R &r) { r.onVersion = "exit 3"; });
        row("--version hangs", Step::TrialRun, "within", [](R &r) { r.onVersion = "sleep 60"; });
        row("--version says no version", Step::TrialRun, "printed no version", [](R &r) { r.onVersion = "echo hello; exit 0"; });
        row("sums 404", Step::Sums, "404", none, "remove SHA2-256SUMS");
        row("signature 404", Step::Signature, "404", none, "remove SHA2-256SUMS.sig");
        row("asset 404", Step::Executable, "404", none, "remove asset");
        row("empty sums", Step::Signature, otherKey, none, "empty SHA2-256SUMS");
        row("silent server", Step::Sums, "Nothing was received", none, "hold SHA2-256SUMS");
        row("checked with the built-in key", Step::Signature, otherKey, none, "no keyring");
    }
    void brokenReleasesChangeNothing()
    {
        QFETCH(Tamper, tamper);
        QFETCH(QString, after);
        QFETCH(int, step);
        QFETCH(QString, words);
        const QString copy = ExtractorChannel::CopyPath(Channel::Stable);
        if (ExtractorVersion::Known(copy) != QLatin1String("2026.11.20")) {
            QVERIFY(publish("2026.11.20"));
            QVERIFY(run(Channel::Stable).installed);
        }
        const QByteArray before = StandIn::FileBytes(copy);
        ReleaseArea::Release r = version(QStringLiteral("2026.12.24"));
        tamper(r);
        QVERIFY(area.publish(QStringLiteral("stable"), asset, r));
        const QString what = after.section(QLatin1Char(' '), 0, 0);
        const QString file = after.endsWith(QLatin1String("asset")) ? asset : after.section(QLatin1Char(' '), 1);
        if (what == QLatin1String("remove"))
            QVERIFY(area.removeFile(QStringLiteral("stable"), file));
        if (what == QLatin1String("empty"))
            QVERIFY(StandIn::WriteFile(area.folder(QStringLiteral("stable")) + QLatin1Char('/') + file, QByteArray()));
        site.clear();
        if (what == QLatin1String("hold"))
            site.rule(ReleaseArea::sitePath(QStringLiteral("stable"), file), 5000);
        const QByteArray keyring = qgetenv("CLIPVAULT_EXTRACTOR_KEYRING");
        if (what == QLatin1String("no"))
            qunsetenv("CLIPVAULT_EXTRACTOR_KEYRING");
        const Outcome outcome = run(Channel::Stable, ExtractorUpdate::Mode::Install, 1000, 5000);
        qputenv("CLIPVAULT_EXTRACTOR_KEYRING", keyring);
        site.clear();
        QVERIFY2(!outcome.ok, qPrintable(outcome.sentence));
        QCOMPARE(int(outcome.failedStep), step);
        QVERIFY2(outcome.sentence.contains(words), qPrintable(outcome.sentence));
        QCOMPARE(outcome.sentence.count(QStringLiteral(". ")), 0); // one sentence
        QCOMPARE(StandIn::FileBytes(copy), before);
        QCOMPARE(ExtractorVersion::Known(copy), QStringLiteral("2026.11.20"));
        QVERIFY(fetchLeftovers(Channel::Stable).isEmpty());
        QVERIFY(publish("2026.11.20"));
    }

    // Cancelled in the middle of the fetch: the half file goes, the copy in use stays. The copy
    // moves in only once the extractor runs under way have ended; roll back swaps it with the one
    // it replaced.
    void cancelSwapAndRollBack()
    {
        const QString copy = ExtractorChannel::CopyPath(Channel::Stable);
        const QByteArray before = StandIn::FileBytes(copy);
        QVERIFY(publish("2026.12.01"));
        site.rule(ReleaseArea::sitePath(QStringLiteral("stable"), asset), 5000);
        {
            ExtractorUpdate cancelled(Channel::Stable, ExtractorUpdate::Mode::Install);
            QSignalSpy done(&cancelled, &ExtractorUpdate::finished);
            cancelled.start();
            QTRY_COMPARE_WITH_TIMEOUT(fetchLeftovers(Channel::Stable).size(), 1, 20000);
            cancelled.cancel();
            site.clear();
            QVERIFY(fetchLeftovers(Channel::Stable).isEmpty());
            QVERIFY(!done.wait(300));
        }
        const QString busy = StandIn::Write(tools.filePath(QStringLiteral("busy")), "sleep 60");
        auto *running = new ExtractorProcess(busy, {}, ExtractorProcess::Output::Collect);
        running->setTimeout(0);
        running->start();
        QTRY_VERIFY(running->isRunning());

        ExtractorUpdate update(Channel::Stable, ExtractorUpdate::Mode::Install);
        QSignalSpy progress(&update, &ExtractorUpdate::progress);
        QSignalSpy done(&update, &ExtractorUpdate::finished);
        update.start();
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().first().toString().startsWith(QLatin1String("Waiting")),
                                 20000);
        QCOMPARE(done.size(), 0);
        QCOMPARE(StandIn::FileBytes(copy), before);
        delete running; // its run ends
        QTRY_COMPARE(done.size(), 1);
        QVERIFY(done.first().first().value<Outcome>().installed);
        QCOMPARE(ExtractorVersion::Known(copy), QStringLiteral("2026.12.01"));

        // Roll back brings back the copy replaced last; again, the newer one.
        QVERIFY(publish("2026.12.10"));
        QVERIFY(run(Channel::Stable).installed);
        QVERIFY(InstalledCopies::CanRollBack(Channel::Stable));
        QString error;
        QVERIFY2(InstalledCopies::RollBack(Channel::Stable, &error), qPrintable(error));
        QCOMPARE(ExtractorVersion::Known(copy), QStringLiteral("2026.12.01"));
        QCOMPARE(StandIn::FileBytes(copy), ReleaseArea::standIn(version(QStringLiteral("2026.12.01"))));
        QVERIFY(!run(Channel::Stable, ExtractorUpdate::Mode::Check).upToDate);
        QVERIFY2(InstalledCopies::RollBack(Channel::Stable, &error), qPrintable(error));
        QCOMPARE(StandIn::FileBytes(copy), ReleaseArea::standIn(version(QStringLiteral("2026.12.10"))));
        QVERIFY(run(Channel::Stable, ExtractorUpdate::Mode::Check).upToDate);
    }

    // Nightly builds come from their own address into their own folder; the system channel
    // fetches nothing and runs what is configured.
    void channelsAndTheirLock()
    {
        const QByteArray stable = StandIn::FileBytes(ExtractorChannel::CopyPath(Channel::Stable));
        QVERIFY(publish("2026.12.11.031502", "nightly"));
        const Outcome nightly = run(Channel::Nightly);
        QVERIFY2(nightly.installed, qPrintable(nightly.sentence));
        QCOMPARE(ExtractorVersion::Known(ExtractorChannel::CopyPath(Channel::Nightly)), QStringLiteral("2026.12.11.031502"));
        QCOMPARE(StandIn::FileBytes(ExtractorChannel::CopyPath(Channel::Stable)), stable);

        QCOMPARE(ExtractorChannel::ProgramInUse(Channel::System, QStringLiteral("/opt/x/yt-dlp")), QStringLiteral("/opt/x/yt-dlp"));
        QCOMPARE(ExtractorChannel::ProgramInUse(Channel::Nightly, QString()), ExtractorChannel::CopyPath(Channel::Nightly));
        const Outcome system = run(Channel::System);
        QVERIFY(!system.ok);
        QCOMPARE(system.failedStep, Step::Folder);

        // One update or roll back of a channel at a time, in any copy of the program.
        QString error;
        QVERIFY(InstalledCopies::PrepareFolder(Channel::Stable, &error));
        const int lock = InstalledCopies::Lock(Channel::Stable);
        QVERIFY(lock >= 0);
        QCOMPARE(InstalledCopies::Lock(Channel::Stable), -1);
        const Outcome refused = run(Channel::Stable, ExtractorUpdate::Mode::Check);
        QCOMPARE(refused.failedStep, Step::Folder);
        QVERIFY(refused.sentence.contains(QLatin1String("under way")));
        InstalledCopies::Unlock(lock);
        QVERIFY(run(Channel::Stable, ExtractorUpdate::Mode::Check).ok);
    }

    // The background check runs at most once a day, and a check that proves the sums is reported
    // for storing.
    void dailyCheck()
    {
        ExtractorKeeper keeper;
        keeper.setChannel(Channel::Stable);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        keeper.setLastCheck(now.addSecs(-23 * 3600));
        site.clear();
        QVERIFY(!keeper.checkIfDue(now));
        QVERIFY(!keeper.busy());
        keeper.setLastCheck(now.addSecs(-25 * 3600));
        QSignalSpy checked(&keeper, &ExtractorKeeper::checked);
        QVERIFY(keeper.checkIfDue(now));
        QVERIFY(!keeper.checkIfDue(now)); // one at a time
        QVERIFY(checked.wait(20000));
        QVERIFY(keeper.lastCheck() >= now);
        QCOMPARE(site.requestLog().size(), 2);
    }

    // deno comes as a zip proven by the SHA-256 beside it, is unpacked, tried and moved into the
    // runtime folder; anything wrong leaves nothing there.
    void runtimeFetch_data()
    {
        QTest::addColumn<QByteArray>("entry");     // the zip's file and its script: "NAME=BODY"
        QTest::addColumn<bool>("rightSum");
        QTest::addColumn<QString>("words");        // of the failure; empty for success
        QTest::newRow("fetched") << QByteArray("deno=echo deno 2.5.0") << true << "";
        QTest::newRow("hash mismatch") << QByteArray("deno=echo deno 2.5.0") << false << "SHA-256";
        QTest::newRow("no deno inside") << QByteArray("README=echo hello") << true << "no file named deno";
        QTest::newRow("--version fails") << QByteArray("deno=exit 4") << true << "failed when asked";
    }
    void runtimeFetch()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, rightSum);
        QFETCH(QString, words);
        if (QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty())
            QSKIP("zip is needed to make the archive");
        QTemporaryDir work;
        const QString inside = work.filePath(QString::fromLatin1(entry.split('=').first()));
        QVERIFY(!StandIn::Write(inside, entry.mid(entry.indexOf('=') + 1)).isEmpty());
        const QString folder = area.extraFolder() + QStringLiteral("/files/denoland/deno/releases/latest/download");
        QDir().mkpath(folder);
        const QString zip = folder + QLatin1Char('/') + RuntimeFetch::ArchiveName();
        QFile::remove(zip);
        QCOMPARE(QProcess::execute(QStringLiteral("zip"), {QStringLiteral("-jq"), zip, inside}), 0);
        const QByteArray digest = rightSum ? InstalledCopies::Sha256(zip) : QByteArray(64, 'a');
        QVERIFY(StandIn::WriteFile(zip + QStringLiteral(".sha256sum"), digest + "  " + RuntimeFetch::ArchiveName().toLatin1() + '\n'));
        QDir(ExtractorRuntime::Folder()).removeRecursively(); // what an earlier row installed

        RuntimeFetch fetch;
        QSignalSpy done(&fetch, &RuntimeFetch::finished);
        fetch.start();
        QVERIFY(done.wait(30000));
        const QString sentence = done.first().at(1).toString();
        QCOMPARE(done.first().first().toBool(), words.isEmpty());
        QVERIFY2(sentence.contains(words.isEmpty() ? QStringLiteral("deno 2.5.0 is installed") : words), qPrintable(sentence));
        QCOMPARE(QDir(ExtractorRuntime::Folder()).entryList(QDir::Files | QDir::Hidden),
                 words.isEmpty() ? QStringList{QStringLiteral("deno")} : QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
