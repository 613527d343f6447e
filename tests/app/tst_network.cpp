// The network choices of Preferences as they reach what runs: the proxy carries our own transfers
// and the extractor's (a logging proxy of the test's own), and the sign-in and proxy options reach
// the extractor as arguments of their own (a stand-in records them).

#include "WindowFixture.h"

#include "analysis/VideoPanel.h"
#include "base/IniFile.h"
#include "demosite/clips.h"
#include "extractor/ExtractorInfoRequest.h"
#include "pages/ExtractorLookup.h"
#include "support/LoggingProxy.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"
#include "preferences/frmPreferences.h"
#include "queue/DownloadQueue.h"
#include "transfer/ApplicationProxy.h"
#include "transfer/RateLimiter.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSignalSpy>
#include <QTreeWidget>

class TestNetwork : public QObject, private WindowFixture
{
    Q_OBJECT

    LoggingProxy proxy;
    QTemporaryDir scripts;

    QString setting(const QString &key) const { return IniFile::read(QStringLiteral("Settings"), key, settingsFile()); }
    void set(const QString &key, const QString &value)
    {
        QVERIFY(IniFile::write(QStringLiteral("Settings"), key, value, settingsFile()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(scripts.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(scripts.filePath(QStringLiteral("cache"))));
        QVERIFY(startSite());
        QVERIFY(proxy.start());
    }
    void init()
    {
        QFile::remove(settingsFile());
        QDir(program.filePath(QStringLiteral("data"))).removeRecursively(); // the list of the test before
        proxy.clear();
    }
    void cleanup() { ApplicationProxy::Apply({Settings::Proxy::Kind::None, QString(), 0}); }

    // A page at a name no name server knows, read by the extractor and its file fetched by our
    // own transfer: both only through the proxy. With "Quit Clipvault" when all downloads have
    // finished, the window closes once the last of two rows has ended, not before.
    void proxyCarriesEveryTransfer()
    {
        SeamRecorder seam;
        auto window = openWindow();
        QSignalSpy closed(window.get(), &frmMain::unloaded);
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        window->mnuPreferences_Click();
        frmPreferences *preferences = frmPreferences::instance();
        preferences->cboProxy->setCurrentIndex(preferences->cboProxy->findData(QStringLiteral("http")));
        preferences->txtProxyHost->setText(QStringLiteral("127.0.0.1"));
        preferences->spnProxyPort->setValue(proxy.port());
        preferences->cboWhenDone->setCurrentIndex(preferences->cboWhenDone->findData(QStringLiteral("quit")));
        preferences->cmdOK->click();
        QVERIFY(!preferences->isVisible());
        const QString root = QStringLiteral("http://clipvault-demo.invalid:%1").arg(QUrl(site.root()).port());
        const demosite::Clip &clip = *demosite::findClip(demosite::clips::jsonLd);
        const QString page = root + QString::fromStdString(demosite::clipPagePath(clip.name));
        video->loadAddress(page);
        QVERIFY(QTest::qWaitFor([video] { return !video->extractorLookup()->isAsking() && video->selectedEncoding(); }, 90000));
        video->cmdDownload->click();
        DownloadChoice slow;
        slow.mediaAddress = site.root() + QStringLiteral("/media/sunsetBeach/18?size=500000&rate=125000");
        slow.suffix = QStringLiteral(".mp4");
        slow.videoTitle = QStringLiteral("Slow");
        downloads->cmdDownload_Click(slow);
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 60000);
        QCOMPARE(downloads->records().at(0).caption, QStringLiteral("Video successfully downloaded!"));
        QVERIFY(closed.isEmpty() && downloads->anyDownloading());
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 30000);
        QCOMPARE(downloads->records().at(1).state, int(StateDownloaded));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        const QString media = root + QString::fromStdString(demosite::clipMediaPath(clip.name, clip.sources.front()));
        QVERIFY2(proxy.log().contains(page) && proxy.log().contains(media), qPrintable(proxy.log().join(QLatin1Char('\n'))));
        QVERIFY(StandIn::FileBytes(videos.filePath(downloads->records().at(0).fileName))
                == StandIn::ClipMedia(clip, clip.sources.front()));
    }

    // The limit in force, switched by the speed panel and by the menu entry, and said on the panel;
    // our transfers keep to it together, and an extractor row gets its share as --limit-rate: here
    // half, beside one of ours.
    void speedLimit()
    {
        set(QStringLiteral("SpeedLimit"), QStringLiteral("200"));
        set(QStringLiteral("AltSpeedLimit"), QStringLiteral("0"));
        SeamRecorder seam;
        auto window = openWindow();
        DownloadPanel *downloads = window->downloadPanel();
        auto *alternative = window->findChild<QAction *>(QStringLiteral("mnuAltSpeedLimit"));
        QVERIFY(alternative && !alternative->isChecked());
        window->mnuPreferences_Click();
        frmPreferences::instance()->cmdOK->click(); // the stored values come into force
        QLabel *panel = window->statusPanel(2);
        QVERIFY2(panel->text().endsWith(QStringLiteral(" (limit: 200 kB/s)")), qPrintable(panel->text()));
        QTest::mouseClick(panel, Qt::LeftButton);
        QVERIFY(alternative->isChecked());
        QVERIFY2(panel->text().endsWith(QStringLiteral(" (alternative limit: none)")), qPrintable(panel->text()));
        QCOMPARE(setting(QStringLiteral("AltSpeedLimitOn")), QStringLiteral("1"));
        QCOMPARE(downloads->queue()->speedLimit(), 0);
        QCOMPARE(RateLimiter::rate(), 0);
        alternative->trigger();
        QVERIFY2(panel->text().endsWith(QStringLiteral(" (limit: 200 kB/s)")), qPrintable(panel->text()));
        QCOMPARE(downloads->queue()->speedLimit(), 200000);

        QCOMPARE(RateLimiter::rate(), 200000); // our transfers keep to it together
        DownloadChoice ours;
        ours.mediaAddress = site.root() + QStringLiteral("/media/sunsetBeach/18?size=4000000");
        ours.suffix = QStringLiteral(".mp4");
        ours.videoTitle = QStringLiteral("Ours");
        downloads->cmdDownload_Click(ours);
        QCOMPARE(downloads->records().at(0).state, int(StateDownloading));
        // An extractor row: its run is told its share.
        const QString recorded = scripts.filePath(QStringLiteral("download arguments"));
        set(QStringLiteral("ExtractorPath"), StandIn::Write(scripts.filePath(QStringLiteral("limited")),
            "case \"$*\" in *--no-mtime*) for a; do printf '%s\\n' \"$a\"; done > '" + QFile::encodeName(recorded) + "';; esac\nexit 1"));
        DownloadChoice stream;
        stream.mediaAddress = QStringLiteral("http://videos.example/s.m3u8");
        stream.watchPage = QStringLiteral("http://videos.example/s");
        stream.encoding = QStringLiteral("hls-1");
        stream.byExtractor = true;
        stream.suffix = QStringLiteral(".mp4");
        stream.videoTitle = QStringLiteral("Stream");
        downloads->cmdDownload_Click(stream);
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().at(1).state, int(StateError), 30000);
        const QStringList arguments = QString::fromUtf8(StandIn::FileBytes(recorded)).split(QLatin1Char('\n'));
        const qsizetype at = arguments.indexOf(QStringLiteral("--limit-rate"));
        QVERIFY2(at > 0, qPrintable(arguments.join(QLatin1Char(' '))));
        QCOMPARE(arguments.value(at + 1), QStringLiteral("100000"));
        QCOMPARE(downloads->records().at(0).state, int(StateDownloading)); // still, at 200 kB/s
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
    }

    // What a run of the extractor is told, each value an argument of its own.
    void extractorRunsGetTheChoices_data()
    {
        QTest::addColumn<QStringList>("settings"); // key, value, ...
        QTest::addColumn<QStringList>("expected"); // consecutive arguments of the run; empty: none of these
        QTest::newRow("nothing chosen") << QStringList() << QStringList();
        QTest::newRow("the system's proxy") << QStringList{"Proxy", "system"} << QStringList();
        QTest::newRow("no proxy") << QStringList{"Proxy", "none"} << QStringList{"--proxy", ""};
        QTest::newRow("SOCKS5") << QStringList{"Proxy", "socks5", "ProxyHost", "10.0.0.2", "ProxyPort", "1080"}
                                << QStringList{"--proxy", "socks5://10.0.0.2:1080"};
        QTest::newRow("manual without a port: the system's") << QStringList{"Proxy", "http", "ProxyHost", "10.0.0.2"}
                                                              << QStringList();
        QTest::newRow("a browser") << QStringList{"Cookies", "browser", "CookiesBrowser", "chromium"}
                                   << QStringList{"--cookies-from-browser", "chromium"};
        QTest::newRow("a browser's profile with blanks")
            << QStringList{"Cookies", "browser", "CookiesBrowser", "firefox", "CookiesProfile", "My profile; rm -rf ~"}
            << QStringList{"--cookies-from-browser", "firefox:My profile; rm -rf ~"};
        QTest::newRow("a browser not offered") << QStringList{"Cookies", "browser", "CookiesBrowser", "safari"} << QStringList();
        QTest::newRow("a cookies file") << QStringList{"Cookies", "file", "CookiesFile", "/home/me/my cookies.txt"}
                                        << QStringList{"--cookies", "/home/me/my cookies.txt"};
    }
    void extractorRunsGetTheChoices()
    {
        QFETCH(QStringList, settings);
        QFETCH(QStringList, expected);
        for (qsizetype i = 0; i + 1 < settings.size(); i += 2)
            set(settings.at(i), settings.at(i + 1));
        const QString recorded = scripts.filePath(QStringLiteral("arguments"));
        const QString program = StandIn::Write(scripts.filePath(QStringLiteral("recorder")),
                                               "for a; do printf '%s\\n' \"$a\"; done > '" + QFile::encodeName(recorded) + "'\nexit 1");
        ExtractorInfoRequest request(program, QStringLiteral("http://videos.example/v/1"));
        QSignalSpy failed(&request, &ExtractorInfoRequest::failed);
        request.start();
        QVERIFY(failed.wait(30000));
        const QStringList arguments = QString::fromUtf8(StandIn::FileBytes(recorded)).split(QLatin1Char('\n'));
        QVERIFY(arguments.contains(QStringLiteral("-J")));
        for (const char *option : {"--proxy", "--cookies", "--cookies-from-browser"})
            QCOMPARE(arguments.count(QString::fromLatin1(option)), expected.count(QString::fromLatin1(option)));
        QCOMPARE(arguments.mid(arguments.indexOf(expected.value(0)), expected.size()), expected);
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
