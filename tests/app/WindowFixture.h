#pragma once

#include "base/AppState.h"
#include "app/frmMain.h"
#include "downloads/DownloadPanel.h"
#include "support/DemoSite.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A main window of this process against the demo site: the program's folder (settings) is a
// temporary one, and the save folder another.
class WindowFixture
{
protected:
    DemoSite site;
    QTemporaryDir program;
    QTemporaryDir videos;

    QString settingsFile() const { return program.filePath(QStringLiteral("Settings.ini")); }

    std::unique_ptr<frmMain> openWindow()
    {
        auto window = std::make_unique<frmMain>();
        window->Form_Load();
        AppState::setAppPath(program.path());
        window->downloadPanel()->setSavePath(videos.path() + QLatin1Char('/'));
        window->show();
        return window;
    }

    bool startSite(const QStringList &arguments = {})
    {
        AppState::setAppPath(program.path());
        // The list of downloads is kept in the data folder: the test's own, for each test program.
        qputenv("XDG_DATA_HOME", QFile::encodeName(program.filePath(QStringLiteral("data"))));
        return site.start(arguments);
    }
};
