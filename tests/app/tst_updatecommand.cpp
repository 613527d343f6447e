#include "base/AppState.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "extractor/ExtractorChannel.h"
#include "support/DemoSite.h"
#include "support/ReleaseArea.h"
#include "support/StandIn.h"
#include "updater/ReleaseSource.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using Channel = ExtractorChannel::Channel;

// `clipvault --update-extractor`, the real program without a display, against a release area
// signed with a throwaway key on the demo site.
class TestUpdateCommand : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir data;
    ReleaseArea area;
    DemoSite site;
    QString asset;
    // A copy of the program in a folder of its own keeps its Settings.ini there, apart from the
    // other tests that run the program at the same time.
    QString program() const { return data.filePath(QStringLiteral("program/clipvault")); }
    QString settingsFile() const { return data.filePath(QStringLiteral("program/Settings.ini")); }

    void prepare(QProcess &process, const QStringList &arguments) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        process.setProcessEnvironment(env);
        process.setProgram(program());
        process.setArguments(QStringList{QStringLiteral("--update-extractor")} + arguments);
    }

    struct Ran
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Ran runProgram(const QStringList &arguments) const
    {
        QProcess process;
        prepare(process, arguments);
        process.start();
        Ran ran;
        if (!process.waitForFinished(60000))
            return ran;
        ran.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        ran.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        ran.err = QString::fromLocal8Bit(process.readAllStandardError());
        return ran;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gpg")).isEmpty())
            QSKIP("gpg is needed");
        QVERIFY(QDir().mkpath(QFileInfo(program()).absolutePath()));
        QVERIFY(QFile::copy(QStringLiteral(CLIPVAULT_PROGRAM_PATH), program()));
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        QCoreApplication::setOrganizationName(QStringLiteral("Clipvault"));
        QCoreApplication::setApplicationName(QStringLiteral("Clipvault"));
        AppState::setAppPath(QFileInfo(settingsFile()).absolutePath() + QLatin1Char('/'));
        QVERIFY(area.init());
        QVERIFY(site.start({QStringLiteral("--extra"), area.extraFolder()}));
        qputenv("CLIPVAULT_EXTRACTOR_RELEASES", ReleaseArea::releasesRoot(site.root()).toLatin1());
        qputenv("CLIPVAULT_EXTRACTOR_KEYRING", area.publicKeyFile().toLocal8Bit());
        asset = ReleaseSource::AssetName();
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("published"); // the version published, "" for none
        QTest::addColumn<int>("fault");         // 0 none, 1 another key, 2 wrong hash, 3 truncated
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("words");     // on standard output for 0, on standard error else
        QTest::addColumn<QString>("channel");   // in use afterwards
        QTest::newRow("installs") << QStringList{} << "2026.11.20" << 0 << 0 << "is installed" << "stable";
        QTest::newRow("already current") << QStringList{"stable"} << "2026.11.20" << 0 << 0 << "up to date" << "stable";
        QTest::newRow("another key") << QStringList{"stable"} << "2026.12.01" << 1 << 1 << "signature" << "stable";
        QTest::newRow("wrong hash") << QStringList{"stable"} << "2026.12.01" << 2 << 1 << "SHA-256" << "stable";
        QTest::newRow("truncated") << QStringList{"stable"} << "2026.12.01" << 3 << 1 << "SHA-256" << "stable";
        QTest::newRow("nightly") << QStringList{"nightly"} << "2026.12.02.101010" << 0 << 0 << "is installed" << "nightly";
        QTest::newRow("unknown channel") << QStringList{"weekly"} << "" << 0 << 2 << "stable or nightly" << "nightly";
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, published);
        QFETCH(int, fault);
        QFETCH(int, exitCode);
        QFETCH(QString, words);
        QFETCH(QString, channel);
        const QString channelKey = arguments.value(0, QStringLiteral("stable"));
        const QByteArray before = StandIn::FileBytes(ExtractorChannel::CopyPath(Channel::Stable));
        if (!published.isEmpty()) {
            ReleaseArea::Release release;
            release.version = published;
            release.signer = fault == 1 ? ReleaseArea::Signer::Other : ReleaseArea::Signer::Release;
            if (fault == 2)
                release.assetAfterSums = "#!/bin/sh\necho 2026.12.31\n";
            if (fault == 3)
                release.assetAfterSums = ReleaseArea::standIn(release).left(30);
            QVERIFY(area.publish(channelKey, asset, release));
        }
        const Ran ran = runProgram(arguments);
        QCOMPARE(ran.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? ran.out : ran.err).contains(words), qPrintable(ran.out + ran.err));
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("ExtractorChannel"), settingsFile()), channel);
        if (exitCode != 0) // the copy in use is as it was
            QCOMPARE(StandIn::FileBytes(ExtractorChannel::CopyPath(Channel::Stable)), before);
        // The program's next extraction runs the channel's copy.
        QCOMPARE(ExtractorChannel::ConfiguredProgram(), ExtractorChannel::CopyPath(ExtractorChannel::FromKey(channel)));
    }

    // Killed in the middle of the fetch: the copy in use stays whole, the half file was never
    // made runnable, and the next run clears it away and installs. Interrupted rather than
    // killed: exit code 1, and nothing fetched stays.
    void endedInTheMiddle_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QString>("version");
        QTest::newRow("killed") << int(SIGKILL) << "2026.12.20";
        QTest::newRow("interrupted") << int(SIGTERM) << "2026.12.21";
    }
    void endedInTheMiddle()
    {
        QFETCH(int, signalNumber);
        QFETCH(QString, version);
        const QString copy = ExtractorChannel::CopyPath(Channel::Stable);
        const QByteArray before = StandIn::FileBytes(copy);
        QVERIFY(!before.isEmpty());
        ReleaseArea::Release release;
        release.version = version;
        QVERIFY(area.publish(QStringLiteral("stable"), asset, release));
        site.rule(ReleaseArea::sitePath(QStringLiteral("stable"), asset), 20000);
        QProcess process;
        prepare(process, {QStringLiteral("stable")});
        process.start();
        const QDir folder(ExtractorChannel::Folder(Channel::Stable));
        const auto leftovers = [&] { return folder.entryInfoList({QStringLiteral(".fetch-*")}, QDir::Files | QDir::Hidden); };
        QTRY_COMPARE_WITH_TIMEOUT(leftovers().size(), 1, 20000);
        ::kill(pid_t(process.processId()), signalNumber);
        QVERIFY(process.waitForFinished(10000));
        site.clear();
        QCOMPARE(StandIn::FileBytes(copy), before);
        if (signalNumber == SIGKILL) {
            QVERIFY(!leftovers().first().isExecutable());
        } else {
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 1);
            QVERIFY(leftovers().isEmpty());
        }
        QCOMPARE(runProgram({QStringLiteral("stable")}).exitCode, 0);
        QVERIFY(leftovers().isEmpty());
        QCOMPARE(StandIn::FileBytes(copy), ReleaseArea::standIn(release));
    }
};

QTEST_GUILESS_MAIN(TestUpdateCommand)
#include "tst_updatecommand.moc"
