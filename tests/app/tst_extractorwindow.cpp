#include "WindowFixture.h"

#include "analysis/VideoPanel.h"
#include "dialogs/frmAbout.h"
#include "dialogs/ExtractorPanel.h"
#include "dialogs/frmExtractor.h"
#include "extractor/ExtractorChannel.h"
#include "support/ReleaseArea.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"
#include "updater/ExtractorKeeper.h"
#include "updater/ReleaseSource.h"

#include "demosite/clips.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>

// The extractor as the window shows it: File > Extractor..., its controls, Update, Roll back and
// Check now against a release area signed with a throwaway key; the About box's line; the video
// panel's line on an old copy with its "Update" link; the hint a failure adds.
class TestExtractorWindow : public QObject, public WindowFixture
{
    Q_OBJECT

private:
    ReleaseArea area;
    QTemporaryDir tools;
    std::unique_ptr<frmMain> window;

    bool publish(const QString &version)
    {
        ReleaseArea::Release release;
        release.version = version;
        return area.publish(QStringLiteral("stable"), ReleaseSource::AssetName(), release);
    }
    frmExtractor *openExtractorWindow()
    {
        auto *entry = window->findChild<QAction *>(QStringLiteral("mnuExtractor"));
        if (!entry || entry->text() != QLatin1String("Extractor..."))
            return nullptr;
        entry->trigger();
        return frmExtractor::instance();
    }
    QString clipAddress() const
    {
        return site.root() + QString::fromStdString(demosite::clipPagePath(demosite::clips::jsonLd));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gpg")).isEmpty())
            QSKIP("gpg is needed");
        QVERIFY(area.init());
        QVERIFY(startSite({QStringLiteral("--extra"), area.extraFolder()}));
        qputenv("CLIPVAULT_EXTRACTOR_RELEASES", ReleaseArea::releasesRoot(site.root()).toLatin1());
        qputenv("CLIPVAULT_EXTRACTOR_KEYRING", area.publicKeyFile().toLocal8Bit());
        QVERIFY(publish(QStringLiteral("2026.11.20")));
        window = openWindow();
    }
    void cleanupTestCase()
    {
        if (frmExtractor *w = frmExtractor::instance())
            w->close();
        window.reset();
    }

    // Every control is named, and says what it is to a screen reader.
    void controlsAreNamed()
    {
        frmExtractor *w = openExtractorWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(w->findChildren<QWidget *>().size() >= 15);
        const QStringList unnamed = unnamedControls(w, [](QWidget *c) {
            return c->isVisible() && (qobject_cast<QLabel *>(c) || qobject_cast<QAbstractButton *>(c) || qobject_cast<QComboBox *>(c)
                                      || qobject_cast<QProgressBar *>(c));
        });
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
        QCOMPARE(w->panel()->lblChannel->text(), QStringLiteral("&Channel:"));
        QCOMPARE(w->panel()->cboChannel->count(), 3);
    }

    // Update installs and makes the channel the one in use; a second update keeps the first copy
    // for Roll back; Check now compares; the About box names the copy in use.
    void updateRollBackCheck()
    {
        frmExtractor *w = openExtractorWindow();
        QVERIFY(w);
        w->panel()->cboChannel->setCurrentIndex(w->panel()->cboChannel->findData(QStringLiteral("stable")));
        Q_EMIT w->panel()->cboChannel->activated(w->panel()->cboChannel->currentIndex());
        QCOMPARE(setting(QStringLiteral("ExtractorChannel")), QStringLiteral("stable"));
        QVERIFY(!w->panel()->cmdRollBack->isEnabled());

        QTest::mouseClick(w->panel()->cmdUpdate, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w->panel()->lblStatus->text().contains(QLatin1String("is installed")), 30000);
        QCOMPARE(w->panel()->lblVersion->text(), QStringLiteral("Version: 2026.11.20"));
        QVERIFY(w->panel()->lblPath->text().endsWith(ExtractorChannel::CopyPath(ExtractorChannel::Channel::Stable)));
        QVERIFY(!setting(QStringLiteral("ExtractorLastCheck")).isEmpty());

        QVERIFY(publish(QStringLiteral("2026.12.01")));
        QTest::mouseClick(w->panel()->cmdUpdate, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w->panel()->lblVersion->text(), QStringLiteral("Version: 2026.12.01"), 30000);
        QVERIFY(w->panel()->cmdRollBack->isEnabled());
        QTest::mouseClick(w->panel()->cmdRollBack, Qt::LeftButton);
        QCOMPARE(w->panel()->lblVersion->text(), QStringLiteral("Version: 2026.11.20"));

        QTest::mouseClick(w->panel()->cmdCheck, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w->panel()->lblStatus->text().contains(QLatin1String("newer proven extractor")), 30000);
        QVERIFY(w->panel()->lblStatus->text().contains(QLatin1String("Choose Update")));

        frmAbout *about = frmAbout::showFor(window.get());
        QCOMPARE(about->lblExtractor->text(), QStringLiteral("Extractor: yt-dlp 2026.11.20 (stable)"));
        about->close();
    }

    // A copy older than 90 days gets one line in the video panel when an extraction starts; its
    // "Update" link fetches the stable release, and the line says what became of it.
    void oldCopyLine()
    {
        QVERIFY(publish(QStringLiteral("2024.01.05")));
        ExtractorKeeper *keeper = window->extractorKeeper();
        QSignalSpy done(keeper, &ExtractorKeeper::finished);
        keeper->update();
        QVERIFY(done.wait(30000));
        QCOMPARE(keeper->version(), QStringLiteral("2024.01.05"));

        SeamRecorder seam;
        VideoPanel *panel = window->videoPanel();
        panel->loadAddress(clipAddress());
        QTRY_VERIFY_WITH_TIMEOUT(panel->lblExtractorNotice->isVisible(), 20000);
        const QString line = panel->lblExtractorNotice->accessibleName();
        QVERIFY2(line.contains(QLatin1String("2024.01.05, is")) && line.endsWith(QLatin1String("days old. Update")), qPrintable(line));

        QVERIFY(publish(QStringLiteral("2026.12.05")));
        Q_EMIT panel->lblExtractorNotice->linkActivated(QStringLiteral("update"));
        QTRY_COMPARE_WITH_TIMEOUT(keeper->version(), QStringLiteral("2026.12.05"), 30000);
        QCOMPARE(panel->lblExtractorNotice->accessibleName(), QStringLiteral("yt-dlp 2026.12.05 from Stable releases is installed."));
        panel->loadAddress(QString());
    }

    // A failure whose line points at an old extractor adds one sentence to its message, and the
    // line with the "Update" link when a newer proven copy exists.
    void failureHint()
    {
        ExtractorKeeper *keeper = window->extractorKeeper();
        const QString failing = StandIn::Write(tools.filePath(QStringLiteral("yt-dlp")),
                                               "[ \"$1\" = --version ] && { echo 2026.12.06; exit 0; }\n"
                                               "echo 'ERROR: [site] x1: Unable to extract the player' >&2; exit 1");
        setSetting(QStringLiteral("ExtractorPath"), failing);
        setSetting(QStringLiteral("ExtractorChannel"), QStringLiteral("system"));
        keeper->setChannel(ExtractorChannel::Channel::System);
        keeper->setConfiguredPath(failing);
        QSignalSpy done(keeper, &ExtractorKeeper::finished);
        keeper->checkNow(); // the stable copy (2026.12.05) is current, but the system's copy is in use
        QVERIFY(done.wait(30000));

        SeamRecorder seam;
        VideoPanel *panel = window->videoPanel();
        panel->loadAddress(clipAddress() + QStringLiteral("?again"));
        QTRY_COMPARE_WITH_TIMEOUT(seam.messages().size(), 1, 20000);
        const QString message = seam.messages().first();
        QVERIFY2(message.contains(QLatin1String("Unable to extract the player"))
                     && message.contains(QLatin1String("Updating the extractor (File > Extractor...) may help.")), qPrintable(message));
        QVERIFY(panel->lblExtractorNotice->isVisible());
        QVERIFY(panel->lblExtractorNotice->accessibleName().startsWith(QLatin1String("Updating the extractor")));
        setSetting(QStringLiteral("ExtractorPath"), QString());
    }
};

QTEST_MAIN(TestExtractorWindow)
#include "tst_extractorwindow.moc"
