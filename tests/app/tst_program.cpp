#include "app/IniFile.h"
#include "support/DemoSite.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The real program, started as its own process offscreen against the demo site.
class TestProgram : public QObject
{
    Q_OBJECT

private:
    DemoSite site;
    QTemporaryDir home;
    QString instanceName;

    QString settingsFile() const
    {
        return QFileInfo(QStringLiteral(CLIPVAULT_PROGRAM_PATH)).absolutePath() + QStringLiteral("/Settings.ini");
    }

    void prepare(QProcess &process) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("CLIPVAULT_SITE_ROOT"), site.root());
        env.insert(QStringLiteral("CLIPVAULT_THUMBNAIL_ROOT"), site.root());
        env.insert(QStringLiteral("CLIPVAULT_INSTANCE_NAME"), instanceName);
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        process.setProgram(QStringLiteral(CLIPVAULT_PROGRAM_PATH));
    }

    // True once the first copy listens for later copies, that is once it has started up.
    bool waitUntilListening(int timeoutMs) const
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            QLocalSocket probe;
            probe.connectToServer(instanceName);
            if (probe.waitForConnected(200))
                return true;
            QTest::qWait(100);
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(site.start());
        instanceName = QStringLiteral("clipvault-test-%1").arg(QCoreApplication::applicationPid());
    }

    void startsShowsAndClosesSavingTheSettings()
    {
        QFile::remove(settingsFile());
        QProcess first;
        prepare(first);
        first.start();
        QVERIFY(first.waitForStarted());
        QVERIFY2(waitUntilListening(30000), "the program did not come up");

        // A second copy brings the first forward and ends at once, showing nothing.
        QProcess second;
        prepare(second);
        QElapsedTimer clock;
        clock.start();
        second.start();
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QByteArray firstErrors;
        QTRY_VERIFY_WITH_TIMEOUT((firstErrors += first.readAllStandardError()).contains("brought forward by a second copy"),
                                 5000);
        QCOMPARE(first.state(), QProcess::Running);

        // Ending the session closes the window the ordinary way: the settings are written.
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(QFile::exists(settingsFile()));
        const QString saved = IniFile::read(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), settingsFile());
        QCOMPARE(saved, QFileInfo(settingsFile()).absolutePath() + QLatin1Char('/'));
        QFile::remove(settingsFile());
    }

    void aCopyLeftBehindByACrashDoesNotBlockTheNext()
    {
        QProcess crashed;
        prepare(crashed);
        crashed.start();
        QVERIFY(crashed.waitForStarted());
        QVERIFY(waitUntilListening(30000));
        crashed.kill(); // no clean-up of its socket
        QVERIFY(crashed.waitForFinished(10000));

        QProcess next;
        prepare(next);
        next.start();
        QVERIFY(next.waitForStarted());
        QVERIFY(waitUntilListening(30000));
        QTest::qWait(300);
        QCOMPARE(next.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(next.processId()), SIGTERM);
        QVERIFY(next.waitForFinished(15000));
        QFile::remove(settingsFile());
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
