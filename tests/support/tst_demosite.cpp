// The demo site a test starts ends with the test, also when the test aborts: it must not keep the
// test's error output (the test runner's pipe) open.

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Gone, or a zombie that only waits to be reaped: either way it holds no file and no port.
bool ended(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.mid(close + 2, 1) == "Z";
}

// Whether every writer of the pipe has closed it (what is still in it is read and dropped).
bool closedByAll(int readEnd)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(readEnd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0)
            return false; // nothing now, but still open
    }
}

} // namespace

class TestDemoSite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endsWithAnAbortedTest()
    {
        int pipe[2];
        QCOMPARE(::pipe2(pipe, O_CLOEXEC | O_NONBLOCK), 0);
        QProcess test;
        test.setProgram(QStringLiteral(CLIPVAULT_ABORTING_TEST));
        test.setChildProcessModifier([writeEnd = pipe[1]] { ::dup2(writeEnd, STDERR_FILENO); });
        test.start();
        ::close(pipe[1]);
        QVERIFY(test.waitForFinished(60000));
        QCOMPARE(test.exitStatus(), QProcess::CrashExit);

        const QList<QByteArray> words = test.readAllStandardOutput().trimmed().split(' ');
        QCOMPARE(words.size(), 2);
        const qint64 pid = words.at(0).toLongLong();
        QVERIFY(pid > 0);
        const auto cleanUp = qScopeGuard([&] {
            if (!ended(pid))
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            ::close(pipe[0]);
        });
        QTRY_VERIFY_WITH_TIMEOUT(closedByAll(pipe[0]), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(ended(pid), 15000);
    }
};

QTEST_GUILESS_MAIN(TestDemoSite)
#include "tst_demosite.moc"
