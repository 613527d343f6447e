// The Preferences window of the real main window: File > Preferences... (Ctrl+,), its pages and
// their names for a screen reader, the values it writes to Settings.ini and reads back, what it
// refuses, and the preset editor with the video tab's "Preset:" list. The extractor as the window
// shows it: File > Extractor..., its controls, Update, Roll back and Check now against a release
// area signed with a throwaway key; the About box's line; the video panel's line on an old copy
// with its "Update" link; the hint a failure adds.

#include "WindowFixture.h"

#include "analysis/VideoPanel.h"
#include "demosite/clips.h"
#include "dialogs/ExtractorPanel.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmExtractor.h"
#include "extractor/ExtractorChannel.h"
#include "preferences/PresetEditor.h"
#include "preferences/frmPreferences.h"
#include "queue/DownloadQueue.h"
#include "recipes/PresetStore.h"
#include "support/ReleaseArea.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"
#include "updater/ExtractorKeeper.h"
#include "updater/ReleaseSource.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>

class TestPreferences : public QObject, public WindowFixture
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
    QString clipAddress() const { return site.root() + QString::fromStdString(demosite::clipPagePath(demosite::clips::jsonLd)); }
    frmPreferences *openByKeyboard()
    {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return nullptr;
        QTest::keyClick(window.get(), Qt::Key_Comma, Qt::ControlModifier);
        return frmPreferences::instance();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(area.init(), "gpg is needed (scripts/install-deps.sh)");
        QVERIFY(startSite({QStringLiteral("--extra"), area.extraFolder()}));
        qputenv("CLIPVAULT_EXTRACTOR_RELEASES", ReleaseArea::releasesRoot(site.root()).toLatin1());
        qputenv("CLIPVAULT_EXTRACTOR_KEYRING", area.publicKeyFile().toLocal8Bit());
        QVERIFY(publish(QStringLiteral("2026.11.20")));
        window = openWindow();
    }
    void init()
    {
        if (frmPreferences *w = frmPreferences::instance())
            delete w;
        QFile::remove(settingsFile());
        window->downloadPanel()->setSavePath(videos.path() + QLatin1Char('/'));
    }
    void cleanupTestCase()
    {
        if (frmExtractor *w = frmExtractor::instance())
            w->close();
        window.reset();
    }

    // One window from the menu entry and from Ctrl+,; every control says what it is, and every
    // caption leads to its control; so in File > Extractor..., with its three channels.
    void opensWithEveryControlNamed()
    {
        auto *entry = window->findChild<QAction *>(QStringLiteral("mnuPreferences"));
        QVERIFY(entry && entry->text() == QLatin1String("Preferences..."));
        QCOMPARE(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        entry->trigger();
        frmPreferences *w = frmPreferences::instance();
        QVERIFY(w && w->isVisible());
        QCOMPARE(openByKeyboard(), w);
        QStringList pages;
        for (int i = 0; i < w->lstPages->count(); ++i)
            pages << w->lstPages->item(i)->text();
        QCOMPARE(pages, (QStringList{"General", "Downloads", "Network", "Sign-in", "Presets", "Extractor"}));

        const auto control = [](QWidget *c) {
            if (qobject_cast<QLineEdit *>(c) && qobject_cast<QAbstractSpinBox *>(c->parentWidget()))
                return false; // a spin box's own edit
            return qobject_cast<QAbstractButton *>(c) || qobject_cast<QComboBox *>(c) || qobject_cast<QLineEdit *>(c)
                   || qobject_cast<QAbstractSpinBox *>(c) || qobject_cast<QListWidget *>(c) || qobject_cast<QLabel *>(c)
                   || qobject_cast<QProgressBar *>(c);
        };
        const QList<QWidget *> all = w->findChildren<QWidget *>();
        QVERIFY(std::count_if(all.begin(), all.end(), control) >= 70);
        frmExtractor *x = openExtractorWindow();
        QVERIFY(x && x->isVisible());
        QCOMPARE(x->panel()->cboChannel->count(), 3);
        for (QWidget *top : {static_cast<QWidget *>(w), static_cast<QWidget *>(x)}) {
            const QStringList unnamed = unnamedControls(top, control);
            QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
            for (auto *label : top->findChildren<QLabel *>())
                QVERIFY2(!label->text().contains(QLatin1Char('&')) || label->buddy(), qPrintable(label->objectName()));
        }
    }

    // The values written, as Settings.ini keeps them, and read back by the next window.
    void valuesRoundTrip()
    {
        frmPreferences *w = openByKeyboard();
        QVERIFY(w);
        QCOMPARE(w->spnConnections->value(), 8); // the defaults of keys not yet written
        QVERIFY(w->chkAllAtOnce->isChecked());
        QCOMPARE(w->cboProxy->currentData().toString(), QStringLiteral("system"));
        QVERIFY(!w->txtProxyHost->isEnabled());

        QTemporaryDir folder;
        const QString cookies = folder.filePath(QStringLiteral("cookies.txt"));
        QVERIFY(QFile(cookies).open(QIODevice::WriteOnly));
        w->txtSavePath->setText(folder.path());
        w->chkWatchClipboard->setChecked(true);
        w->chkNotifications->setChecked(false);
        w->spnListRows->setValue(400);
        w->chkAllAtOnce->setChecked(false);
        w->spnSimultaneous->setValue(3);
        w->spnConnections->setValue(16);
        w->cboWhenDone->setCurrentIndex(1);
        w->spnSpeedLimit->setValue(2000);
        w->spnAltSpeedLimit->setValue(150);
        w->cboProxy->setCurrentIndex(w->cboProxy->findData(QStringLiteral("socks5")));
        QVERIFY(w->txtProxyHost->isEnabled());
        w->txtProxyHost->setText(QStringLiteral(" 127.0.0.1 "));
        w->spnProxyPort->setValue(1080);
        w->spnIdleTimeout->setValue(90);
        w->optCookiesFile->setChecked(true);
        w->txtCookiesFile->setText(cookies);
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE(w->lblStatus->text(), QStringLiteral("The settings are saved."));

        const QList<std::pair<const char *, QString>> expected{
            {"VideoSavePath", folder.path() + QLatin1Char('/')}, {"WatchClipboard", "1"}, {"Notifications", "0"},
            {"ListRows", "400"}, {"SimultaneousDownloads", "3"}, {"Connections", "16"}, {"WhenDone", "quit"},
            {"SpeedLimit", "2000"}, {"AltSpeedLimit", "150"}, {"Proxy", "socks5"}, {"ProxyHost", "127.0.0.1"},
            {"ProxyPort", "1080"}, {"IdleTimeout", "90"}, {"Cookies", "file"}, {"CookiesFile", cookies}};
        for (const auto &[key, value] : expected)
            QCOMPARE(setting(QString::fromLatin1(key)), value);
        // The window acts on what runs: the list's folder and limits, the clipboard watch.
        QCOMPARE(window->downloadPanel()->savePath(), folder.path() + QLatin1Char('/'));
        QCOMPARE(window->downloadPanel()->queue()->listRows(), 400);
        QCOMPARE(window->downloadPanel()->queue()->simultaneousDownloads(), 3);
        QVERIFY(window->findChild<QAction *>(QStringLiteral("mnuWatchClipboard"))->isChecked());

        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        QTRY_VERIFY(!frmPreferences::instance());
        w = openByKeyboard();
        QVERIFY(w);
        QVERIFY(w->spnListRows->value() == 400 && w->spnAltSpeedLimit->value() == 150);
        QVERIFY(!w->chkAllAtOnce->isChecked() && w->spnSimultaneous->isEnabled());
        QCOMPARE(w->cboWhenDone->currentData().toString(), QStringLiteral("quit"));
        QCOMPARE(w->txtProxyHost->text(), QStringLiteral("127.0.0.1"));
        QVERIFY(w->optCookiesFile->isChecked() && !w->cboBrowser->isEnabled());
        w->optBrowserCookies->setChecked(true);
        w->cboBrowser->setCurrentIndex(w->cboBrowser->findText(QStringLiteral("Vivaldi")));
        w->txtBrowserProfile->setText(QStringLiteral("Work"));
        w->chkAllAtOnce->setChecked(true);
        QVERIFY(w->apply());
        // All at once: no value.
        for (const auto &[key, value] : {std::pair{"Cookies", "browser"}, {"CookiesBrowser", "vivaldi"}, {"CookiesProfile", "Work"},
                                         {"SimultaneousDownloads", ""}})
            QCOMPARE(setting(QString::fromLatin1(key)), QString::fromLatin1(value));
    }

    // A value that cannot be taken is named and nothing is written.
    void refusals_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("says");
        QTest::newRow("no such folder") << "folder" << "does not exist";
        QTest::newRow("manual proxy without a host") << "proxy" << "needs a host";
        QTest::newRow("cookies file missing") << "cookies" << "cannot be read";
    }
    void refusals()
    {
        QFETCH(QString, field);
        QFETCH(QString, says);
        frmPreferences *w = openByKeyboard();
        QVERIFY(w);
        w->spnListRows->setValue(100);
        if (field == QLatin1String("folder"))
            w->txtSavePath->setText(videos.filePath(QStringLiteral("not there")));
        else if (field == QLatin1String("proxy"))
            w->cboProxy->setCurrentIndex(w->cboProxy->findData(QStringLiteral("http")));
        else {
            w->optCookiesFile->setChecked(true);
            w->txtCookiesFile->setText(videos.filePath(QStringLiteral("missing.txt")));
        }
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        QVERIFY(w->isVisible());
        QVERIFY2(w->lblStatus->text().contains(says), qPrintable(w->lblStatus->text()));
        QCOMPARE(w->lblStatus->accessibleName(), w->lblStatus->text());
        QVERIFY(!QFile::exists(settingsFile()));
    }

    // Add, refuse, save, rename and delete; the built-ins stay; "Preset:" follows each change.
    void presetEditor()
    {
        frmPreferences *w = openByKeyboard();
        QVERIFY(w);
        w->showPage(QStringLiteral("Presets"));
        PresetEditor *e = w->presetEditor;
        QCOMPARE(w->stkPages->currentWidget(), e);
        QComboBox *panelList = window->videoPanel()->cboPreset;
        const auto panelNames = [panelList] {
            QStringList names;
            for (int i = 1; i < panelList->count(); ++i)
                names << panelList->itemText(i);
            return names;
        };
        QCOMPARE(e->lstPresets->count(), 5);
        QCOMPARE(e->lstPresets->item(0)->text(), QStringLiteral("Best video (built-in)"));
        QVERIFY(!e->cmdDeletePreset->isEnabled() && !e->cmdRenamePreset->isEnabled() && !e->cmdSavePreset->isEnabled());

        // A built-in's fields taken for a new preset.
        e->lstPresets->setCurrentRow(3); // Audio only (MP3)
        e->txtPresetName->setText(QStringLiteral("Talks"));
        e->cboAudioFormat->setCurrentIndex(e->cboAudioFormat->findText(QStringLiteral("Opus")));
        e->txtSubtitleLanguages->setText(QStringLiteral("en, pt-BR"));
        e->cboSubtitlePlacement->setCurrentIndex(1);
        QVERIFY(!e->cboContainer->isEnabled() && e->cboAudioQuality->isEnabled());
        e->cmdAddPreset->click();
        QCOMPARE(e->lblPresetStatus->text(), QStringLiteral("\"Talks\" was added."));
        QCOMPARE(e->lstPresets->currentItem()->text(), QStringLiteral("Talks"));
        QVERIFY(e->cmdDeletePreset->isEnabled());
        QCOMPARE(panelNames().last(), QStringLiteral("Talks"));
        Recipes::Preset stored = Recipes::LoadPresets().last();
        QVERIFY(stored.audioFormat == Recipes::AudioFormat::Opus && stored.subtitlePlacement == Recipes::SubtitlePlacement::BesideSrt);
        QCOMPARE(stored.subtitleLanguages, (QStringList{"en", "pt-BR"}));

        e->cmdAddPreset->click(); // the same name again
        QVERIFY(e->lblPresetStatus->text().contains(QStringLiteral("Talks")));
        QCOMPARE(Recipes::LoadPresets().size(), 6);
        e->txtSubtitleLanguages->setText(QStringLiteral("en;rm -rf ~"));
        e->cmdSavePreset->click();
        QVERIFY(e->lblPresetStatus->text().contains(QStringLiteral("is no language")));
        QCOMPARE(Recipes::LoadPresets().last().subtitleLanguages, (QStringList{"en", "pt-BR"}));

        e->txtSubtitleLanguages->clear();
        e->cboPresetKind->setCurrentIndex(0);
        e->cboMaxHeight->setCurrentIndex(e->cboMaxHeight->findText(QStringLiteral("480p")));
        e->cmdSavePreset->click();
        stored = Recipes::LoadPresets().last();
        QVERIFY(stored.kind == Recipes::Kind::Video && stored.maxHeight == 480 && stored.subtitleLanguages.isEmpty());

        e->txtPresetName->setText(QStringLiteral("Small talks"));
        e->cmdRenamePreset->click();
        QCOMPARE(e->lblPresetStatus->text(), QStringLiteral("\"Talks\" is now called \"Small talks\"."));
        QCOMPARE(panelNames().last(), QStringLiteral("Small talks"));
        QCOMPARE(Recipes::LoadPresets().last().maxHeight, 480);

        e->cmdDeletePreset->click();
        QCOMPARE(Recipes::LoadPresets().size(), 5);
        QCOMPARE(panelNames().size(), 5);
        QVERIFY(!e->cmdDeletePreset->isEnabled()); // the first built-in is chosen again
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
        // The Extractor page of Preferences is the same panel, and it follows the keeper too.
        window->findChild<QAction *>(QStringLiteral("mnuPreferences"))->trigger();
        frmPreferences *p = frmPreferences::instance();
        QVERIFY(p);
        p->showPage(QStringLiteral("Extractor"));
        QCOMPARE(p->stkPages->currentWidget(), p->extractorPanel);
        QCOMPARE(p->extractorPanel->lblVersion->text(), QStringLiteral("Version: 2026.11.20"));

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

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
