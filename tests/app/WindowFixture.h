#pragma once

#include "base/AppState.h"
#include "base/IniFile.h"
#include "app/frmMain.h"
#include "downloads/DownloadPanel.h"
#include "support/DemoSite.h"

#include <QAccessible>
#include <QDir>
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
    QString setting(const QString &key) const { return IniFile::read(QStringLiteral("Settings"), key, settingsFile()); }
    void setSetting(const QString &key, const QString &value) const
    {
        IniFile::write(QStringLiteral("Settings"), key, value, settingsFile());
    }

    static QStringList everythingIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // Each test starts without the settings, the list and the files of the one before.
    bool clearFolders()
    {
        QFile::remove(settingsFile());
        QDir(program.filePath(QStringLiteral("data"))).removeRecursively();
        for (const QString &name : everythingIn(videos.path()))
            if (!QFile::remove(videos.filePath(name)) && !QDir(videos.filePath(name)).removeRecursively())
                return false;
        return true;
    }

    // The controls under top that a user operates (operable) without an object name or without
    // anything a screen reader says: the control's own name or its label's text.
    template<typename Operable>
    static QStringList unnamedControls(const QWidget *top, Operable operable)
    {
        QStringList unnamed;
        for (QWidget *w : top->findChildren<QWidget *>()) {
            QAccessibleInterface *accessible = operable(w) ? QAccessible::queryAccessibleInterface(w) : nullptr;
            if (operable(w) && (w->objectName().isEmpty() || !accessible || accessible->text(QAccessible::Name).isEmpty()))
                unnamed << QStringLiteral("%1 '%2'").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
        }
        return unnamed;
    }

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
