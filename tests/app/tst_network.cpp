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
#include "transfer/ApplicationProxy.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSignalSpy>
#include <QTreeWidget>

namespace {

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

class TestNetwork : public QObject, private WindowFixture
{
    Q_OBJECT

    LoggingProxy proxy;
    QTemporaryDir scripts;

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
        proxy.clear();
    }
    void cleanup() { ApplicationProxy::Apply({Settings::Proxy::Kind::None, QString(), 0}); }

    // A page at a name no name server knows, read by the extractor and its file fetched by our
    // own transfer: both only through the proxy.
    void proxyCarriesEveryTransfer()
    {
        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        window->mnuPreferences_Click();
        frmPreferences *preferences = frmPreferences::instance();
        preferences->cboProxy->setCurrentIndex(preferences->cboProxy->findData(QStringLiteral("http")));
        preferences->txtProxyHost->setText(QStringLiteral("127.0.0.1"));
        preferences->spnProxyPort->setValue(proxy.port());
        preferences->cmdOK->click();
        QVERIFY(!preferences->isVisible());
        const QString root = QStringLiteral("http://clipvault-demo.invalid:%1").arg(QUrl(site.root()).port());
        const demosite::Clip &clip = *demosite::findClip(demosite::clips::jsonLd);
        const QString page = root + q(demosite::clipPagePath(clip.name));
        video->loadAddress(page);
        QVERIFY(QTest::qWaitFor([video] { return !video->extractorLookup()->isAsking() && video->selectedEncoding(); }, 90000));
        video->cmdDownload->click();
        QTRY_COMPARE_WITH_TIMEOUT(downloads->lvwDownloads->topLevelItemCount(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 60000);
        QCOMPARE(downloads->records().at(0).caption, QStringLiteral("Video successfully downloaded!"));
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        const QString media = root + q(demosite::clipMediaPath(clip.name, clip.sources.front()));
        QVERIFY2(proxy.log().contains(page) && proxy.log().contains(media), qPrintable(proxy.log().join(QLatin1Char('\n'))));
        QVERIFY(StandIn::FileBytes(videos.filePath(downloads->records().at(0).fileName))
                == StandIn::ClipMedia(clip, clip.sources.front()));
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
        if (!expected.isEmpty()) {
            const qsizetype at = arguments.indexOf(expected.first());
            QCOMPARE(arguments.mid(at, expected.size()), expected);
        }
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
