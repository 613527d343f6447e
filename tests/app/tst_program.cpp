#include "base/AppState.h"
#include "base/IniFile.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "extractor/ExtractorChannel.h"
#include "support/DemoSite.h"
#include "support/ReleaseArea.h"
#include "support/StandIn.h"
#include "updater/ReleaseSource.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using Channel = ExtractorChannel::Channel;

// The real program, started as its own process against the demo site (offscreen, or without any
// display), and the single instance and signal plumbing it starts with, on real sockets.
class TestProgram : public QObject
{
    Q_OBJECT

private:
    DemoSite site;
    QTemporaryDir data; // the home, configuration and data folder of every run
    ReleaseArea area;
    bool signing = false; // the release area is signed: gpg is there
    QString asset;
    // A copy of the program in a folder of its own keeps its Settings.ini there, apart from the
    // other tests that run the program at the same time.
    QString program() const { return data.filePath(QStringLiteral("program/clipvault")); }
    QString settingsFile() const { return data.filePath(QStringLiteral("program/Settings.ini")); }

    // Each program run gets folders of its own: the user's runtime folder, the temporary folder and
    // the cache folder, so that runs of other worktrees never meet.
    struct Folders
    {
        QTemporaryDir root;
        QString runtime() const { return root.filePath(QStringLiteral("runtime")); }
        QString temporary() const { return root.filePath(QStringLiteral("tmp")); }
        QString cache() const { return root.filePath(QStringLiteral("cache")); }
        Folders()
        {
            for (const QString &folder : {runtime(), temporary(), cache()})
                QDir().mkpath(folder);
            QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    };

    // withRuntime false: no XDG_RUNTIME_DIR, as in a session without one; withDisplay false: no
    // window system at all.
    void prepare(QProcess &process, const Folders &folders, bool withRuntime = true, bool withDisplay = true) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "CLIPVAULT_INSTANCE_NAME", "XDG_RUNTIME_DIR"})
            env.remove(QString::fromLatin1(name));
        if (withDisplay)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (withRuntime)
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folders.runtime());
        env.insert(QStringLiteral("CLIPVAULT_SITE_ROOT"), site.root());
        env.insert(QStringLiteral("CLIPVAULT_THUMBNAIL_ROOT"), site.root());
        env.insert(QStringLiteral("HOME"), data.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), data.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), folders.cache());
        env.insert(QStringLiteral("TMPDIR"), folders.temporary());
        process.setProcessEnvironment(env);
        process.setProgram(program());
    }

    struct Ran
    {
        int exitCode = -1; // -2: it crashed
        QByteArray out, err;
    };
    // Runs the program to its end, by default without a display.
    Ran runProgram(const QStringList &arguments, const Folders &folders = {}, bool withRuntime = true, bool withDisplay = false) const
    {
        QProcess process;
        prepare(process, folders, withRuntime, withDisplay);
        process.setArguments(arguments);
        process.start();
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    // A socket file that nobody listens on, as a copy that crashed leaves it.
    static bool leaveDeadSocket(const QString &path)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        qstrncpy(address.sun_path, name.constData(), sizeof(address.sun_path));
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
        ::close(fd);
        return bound && QFileInfo::exists(path);
    }

    // Starts a copy of the program and waits until it listens for later copies on `socket`.
    void startFirst(QProcess &first, const Folders &folders, const QString &socket, const QStringList &arguments = {},
                    bool withRuntime = true) const
    {
        prepare(first, folders, withRuntime);
        first.setArguments(arguments);
        first.start();
        QVERIFY(first.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] {
            QLocalSocket probe;
            probe.connectToServer(socket);
            return probe.waitForConnected(200);
        }, 30000), "the program did not come up");
    }

    // Somebody else's folder that everybody may write, reached through a link named `own`.
    static void linkToForeignFolder(const Folders &folders, const QString &own, bool withDeadSocket)
    {
        const QString theirs = folders.root.filePath(QStringLiteral("theirs"));
        QVERIFY(QDir().mkpath(theirs));
        QVERIFY(::chmod(QFile::encodeName(theirs).constData(), 0777) == 0);
        if (withDeadSocket)
            QVERIFY(leaveDeadSocket(theirs + QStringLiteral("/clipvault")));
        QVERIFY(QFile::link(theirs, own));
    }

    static int modeOf(const QString &path)
    {
        struct stat info {};
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(QFileInfo(program()).absolutePath()));
        QVERIFY(QFile::copy(QStringLiteral(CLIPVAULT_PROGRAM_PATH), program()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QCoreApplication::setOrganizationName(QStringLiteral("Clipvault"));
        QCoreApplication::setApplicationName(QStringLiteral("Clipvault"));
        AppState::setAppPath(QFileInfo(settingsFile()).absolutePath() + QLatin1Char('/'));
        if (!QStandardPaths::findExecutable(QStringLiteral("gpg")).isEmpty())
            QVERIFY((signing = area.init()));
        QVERIFY(site.start({QStringLiteral("--extra"), area.extraFolder()}));
        qputenv("CLIPVAULT_EXTRACTOR_RELEASES", ReleaseArea::releasesRoot(site.root()).toLatin1());
        qputenv("CLIPVAULT_EXTRACTOR_KEYRING", area.publicKeyFile().toLocal8Bit());
        asset = ReleaseSource::AssetName();
    }

    // Where the socket goes: the user's runtime folder when it is private, else a folder of the
    // user's own (made with mode 0700) in the temporary folder, else one in the cache folder.
    void privateFolder_data()
    {
        QTest::addColumn<QString>("runtime");   // "none", "private", "open" (mode 0750: its group may enter), "deep"
        QTest::addColumn<QString>("temporary"); // what holds tmp/clipvault-<uid>: "none", "link", "open", "foreign", "file"
        QTest::addColumn<QString>("expected");  // "runtime", "temporary", "cache"
        QTest::newRow("runtime folder") << "private" << "none" << "runtime";
        QTest::newRow("no runtime folder") << "none" << "none" << "temporary";
        QTest::newRow("runtime folder open to others") << "open" << "none" << "temporary";
        QTest::newRow("runtime folder too deep for a socket address") << "deep" << "none" << "temporary";
        QTest::newRow("temporary name taken by a link") << "none" << "link" << "cache";
        QTest::newRow("temporary name open to others") << "none" << "open" << "cache";
        QTest::newRow("temporary name owned by another user") << "none" << "foreign" << "cache";
        QTest::newRow("temporary name taken by a file") << "none" << "file" << "cache";
    }
    void privateFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, temporary);
        QFETCH(QString, expected);
        Folders folders;
        const QString own = folders.temporary() + QStringLiteral("/clipvault-%1").arg(::geteuid());
        if (temporary == QLatin1String("link")) {
            linkToForeignFolder(folders, own, false);
        } else if (temporary == QLatin1String("file")) {
            QFile file(own);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        } else if (temporary != QLatin1String("none")) {
            QVERIFY(QDir().mkpath(own));
            QVERIFY(::chmod(QFile::encodeName(own).constData(), temporary == QLatin1String("open") ? 0777 : 0700) == 0);
            if (temporary == QLatin1String("foreign") && ::chown(QFile::encodeName(own).constData(), 65534, 65534) != 0)
                QSKIP("only root can give a folder to another user");
        }
        if (runtime == QLatin1String("open"))
            QVERIFY(::chmod(QFile::encodeName(folders.runtime()).constData(), 0750) == 0);

        const std::pair<const char *, QByteArray> saved[] = {
            {"XDG_RUNTIME_DIR", qgetenv("XDG_RUNTIME_DIR")}, {"TMPDIR", qgetenv("TMPDIR")}, {"XDG_CACHE_HOME", qgetenv("XDG_CACHE_HOME")}};
        QString runtimeFolder = folders.runtime();
        if (runtime == QLatin1String("deep")) {
            // One character short of what a socket address holds once "/clipvault" is added.
            runtimeFolder += QLatin1Char('/') + QString(107 - 10 - runtimeFolder.size() - 1, QLatin1Char('d'));
            QVERIFY(QDir().mkpath(runtimeFolder));
            QVERIFY(::chmod(QFile::encodeName(runtimeFolder).constData(), 0700) == 0);
            QCOMPARE(QFile::encodeName(runtimeFolder + QStringLiteral("/clipvault")).size(), 107);
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder + QLatin1Char('d')));
            QVERIFY(QDir().rename(runtimeFolder, runtimeFolder + QLatin1Char('d')));
        } else if (runtime == QLatin1String("none")) {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder));
        }
        qputenv("TMPDIR", QFile::encodeName(folders.temporary()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(folders.cache()));
        const QString path = SingleInstance::defaultPath();
        const QString folder = QFileInfo(path).absolutePath();
        for (const auto &[name, value] : saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);

        const QString wanted = expected == QLatin1String("runtime") ? folders.runtime()
            : expected == QLatin1String("temporary")               ? own
                                                                   : folders.cache() + QStringLiteral("/clipvault");
        QCOMPARE(path, wanted + QStringLiteral("/clipvault"));
        QCOMPARE(modeOf(folder), 0700);
        QCOMPARE(QFileInfo(folder).ownerId(), uint(::geteuid()));
    }

    // Listening never takes the socket away from a copy that answers on it (a socket nobody
    // answers on is replaced: runningCopies, a copy left behind by a crash).
    void listenTakesOnlyALiveSocket()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("clipvault"));

        QLocalServer live;
        QVERIFY(live.listen(path));
        SingleInstance second(path);
        QVERIFY(!second.listen());
        QVERIFY(QFileInfo::exists(path));
        QLocalSocket client;
        client.connectToServer(path);
        QVERIFY(client.waitForConnected(5000));
        QTRY_VERIFY(live.hasPendingConnections());
        QCOMPARE(second.start(), SingleInstance::Start::HandedOver); // it answers, so it is asked
        SingleInstance none{QString()}; // no socket: running alone
        QCOMPARE(none.start(), SingleInstance::Start::Alone);
    }

    // What a later copy hands over arrives as one address; anything that is not a request of
    // ours is ignored.
    void requests_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QStringList>("addresses"); // one per activation; "" for none
        QTest::newRow("come forward") << QByteArray("activate\n") << QStringList{QString()};
        QTest::newRow("with an address") << QByteArray("activate http://a.example/watch?v=\xc3\xa9\n")
                                         << QStringList{QStringLiteral("http://a.example/watch?v=\u00e9")};
        QTest::newRow("two in one go") << QByteArray("activate x\nactivate y\n") << QStringList{"x", "y"};
        QTest::newRow("something else") << QByteArray("hello\nactivated\n") << QStringList();
        QTest::newRow("endless line") << QByteArray(70 * 1024, 'a') + "\nactivate z\n" << QStringList();
    }
    void requests()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, addresses);
        QTemporaryDir folder;
        SingleInstance first(folder.filePath(QStringLiteral("clipvault")));
        QVERIFY(first.listen());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QLocalSocket client;
        client.connectToServer(first.path());
        QVERIFY(client.waitForConnected(5000));
        client.write(sent);
        // The end of what was sent: a request that every case answers, or the server's hang-up.
        client.write("activate end\n");
        QTRY_VERIFY(client.state() != QLocalSocket::ConnectedState
                    || (!activated.isEmpty() && activated.last().first().toString() == QLatin1String("end")));
        QStringList got;
        for (const auto &arguments : activated)
            got << arguments.first().toString();
        if (client.state() == QLocalSocket::ConnectedState)
            QCOMPARE(got.takeLast(), QStringLiteral("end"));
        QCOMPARE(got, addresses);
    }

    void signalPairClosesOnExecAndDeliversTheSignal()
    {
        TerminationSignals signals_;
        QVERIFY(signals_.isInstalled());
        for (int fd : {signals_.readEnd(), signals_.writeEnd()}) {
            QVERIFY(fd >= 0);
            QVERIFY(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        }
        TerminationSignals second; // the process has one already
        QVERIFY(!second.isInstalled());
        QSignalSpy received(&signals_, &TerminationSignals::received);
        ::kill(::getpid(), SIGHUP);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toInt(), SIGHUP);

        // With the pair full the handler's write fails; the interrupted code's errno stays.
        const char filler = 0;
        while (::write(signals_.writeEnd(), &filler, 1) == 1) {
        }
        errno = EDOM;
        ::raise(SIGHUP); // handled on this thread before raise returns
        QCOMPARE(errno, EDOM);
    }

    // The program starts and listens; a later copy hands its request to the running one and ends at
    // once, while the running one goes on. Without a runtime folder the socket lives in a folder of
    // the user's own; one that somebody else made first under that name blocks nothing, nor does
    // the socket of a copy that crashed. An address on the command line is loaded as if pasted;
    // given to a later copy, it is loaded by the first. Ending the session closes the window the
    // ordinary way: the settings are written and the socket goes.
    void runningCopies_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("runtime folder") << "runtime" << SIGTERM;
        QTest::newRow("own folder in the temporary folder") << "own" << SIGINT;
        QTest::newRow("that name taken by somebody else") << "taken" << SIGINT;
        QTest::newRow("a copy left behind by a crash") << "crashed" << SIGHUP;
        QTest::newRow("addresses on the command line") << "address" << SIGTERM;
    }
    void runningCopies()
    {
        QFETCH(QString, situation);
        QFETCH(int, signalNumber);
        const bool withRuntime = situation != QLatin1String("own") && situation != QLatin1String("taken");
        const bool address = situation == QLatin1String("address");
        QFile::remove(settingsFile());
        Folders folders;
        const QString own = folders.temporary() + QStringLiteral("/clipvault-%1").arg(::geteuid());
        if (situation == QLatin1String("taken"))
            linkToForeignFolder(folders, own, true); // holding a socket nobody answers on
        const QString socket = (withRuntime ? folders.runtime() : situation == QLatin1String("taken") ? folders.cache() + QStringLiteral("/clipvault") : own)
                               + QStringLiteral("/clipvault");
        if (situation == QLatin1String("crashed")) {
            QProcess crashed;
            startFirst(crashed, folders, socket);
            crashed.kill(); // no clean-up of its socket
            QVERIFY(crashed.waitForFinished(10000));
            QVERIFY(QFileInfo::exists(socket));
        }
        site.clear();
        QProcess first;
        startFirst(first, folders, socket, address ? QStringList{site.watchUrl(QStringLiteral("sunsetBeach"))} : QStringList(), withRuntime);
        if (address)
            QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(QStringLiteral("/watch?v=sunsetBeach")), 30000);
        if (withRuntime) // nothing is left in the shared temporary folder
            QCOMPARE(QDir(folders.temporary()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QCOMPARE(modeOf(QFileInfo(socket).absolutePath()), 0700);
        const QStringList handed{QStringLiteral("-platform"), QStringLiteral("offscreen"), site.watchUrl(QStringLiteral("pianoLesson"))};
        QCOMPARE(runProgram(address ? handed : QStringList(), folders, withRuntime, true).exitCode, 0);
        QByteArray errors; // the first says that it was brought forward, unless it was handed an address
        if (!address)
            QTRY_VERIFY_WITH_TIMEOUT((errors += first.readAllStandardError()).contains("brought forward by a second copy"), 5000);
        QCOMPARE(first.state(), QProcess::Running);
        if (address)
            QTRY_VERIFY_WITH_TIMEOUT(site.requestLog().contains(QStringLiteral("/watch?v=pianoLesson")), 15000);
        QVERIFY(QFileInfo::exists(socket));
        ::kill(static_cast<pid_t>(first.processId()), signalNumber);
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        const QString saved = IniFile::read(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), settingsFile());
        QCOMPARE(saved, QFileInfo(settingsFile()).absolutePath() + QLatin1Char('/'));
        QVERIFY(!QFileInfo::exists(socket));
    }

    // --help, --version and mistakes need no display: the window system is never reached.
    void commandLineWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QByteArray("Usage: clipvault [options] [ADDRESS]\n") << QByteArray();
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << QByteArray("Clipvault 1.") << QByteArray();
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")} << 2 << QByteArray()
                                        << QByteArray("clipvault: Unknown option 'frobnicate'.\nTry 'clipvault --help' for more information.\n");
        QTest::newRow("two addresses") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << 2 << QByteArray() << QByteArray("clipvault: ");
    }
    void commandLineWithoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const Ran ran = runProgram(arguments);
        QCOMPARE(ran.exitCode, exitCode);
        QCOMPARE(ran.out.isEmpty(), out.isEmpty());
        QCOMPARE(ran.err.isEmpty(), err.isEmpty());
        QVERIFY2(ran.out.contains(out), ran.out.constData());
        QVERIFY2(ran.err.startsWith(err), ran.err.constData());
    }

    // `clipvault --update-extractor` against a release area signed with a throwaway key on the demo
    // site: its exit code, what it says, and the channel in use afterwards.
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
        if (!signing)
            QSKIP("gpg is needed");
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
        const Ran ran = runProgram(QStringList{QStringLiteral("--update-extractor")} + arguments);
        QCOMPARE(ran.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? ran.out : ran.err).contains(words.toUtf8()), (ran.out + ran.err).constData());
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
        if (!signing)
            QSKIP("gpg is needed");
        QFETCH(int, signalNumber);
        QFETCH(QString, version);
        const QString copy = ExtractorChannel::CopyPath(Channel::Stable);
        const QByteArray before = StandIn::FileBytes(copy);
        QVERIFY(!before.isEmpty());
        ReleaseArea::Release release;
        release.version = version;
        QVERIFY(area.publish(QStringLiteral("stable"), asset, release));
        site.rule(ReleaseArea::sitePath(QStringLiteral("stable"), asset), 20000);
        Folders folders;
        QProcess process;
        prepare(process, folders, true, false);
        process.setArguments({QStringLiteral("--update-extractor"), QStringLiteral("stable")});
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
        QCOMPARE(runProgram({QStringLiteral("--update-extractor"), QStringLiteral("stable")}).exitCode, 0);
        QVERIFY(leftovers().isEmpty());
        QCOMPARE(StandIn::FileBytes(copy), ReleaseArea::standIn(release));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
