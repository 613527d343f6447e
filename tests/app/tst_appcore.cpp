#include "base/AppState.h"
#include "base/CommandLine.h"
#include "base/ErrorTrap.h"
#include "base/FileHelpers.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "base/UiSeam.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QTest>

#include <unistd.h>


using namespace modFunctions;

class TestAppCore : public QObject
{
    Q_OBJECT

private:
    // Takes an ordinary user's identity while it lives when the test runs as root, for whom every
    // file is readable.
    struct OrdinaryUser
    {
        OrdinaryUser() : switched(::geteuid() == 0 && ::seteuid(65534) == 0) {}
        ~OrdinaryUser()
        {
            if (switched)
                [[maybe_unused]] const int back = ::seteuid(0);
        }
        Q_DISABLE_COPY_MOVE(OrdinaryUser)
        const bool switched;
    };

    // A key of the [Settings] section, from the program's settings file unless told otherwise.
    static QString stored(const char *key, const QString &file = Settings::FilePath())
    {
        return IniFile::read(QStringLiteral("Settings"), QString::fromLatin1(key), file);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    void freeSpaceFormats_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("locale");
        // A GiB or less is shown in MB, a MiB or less in kB.
        for (const auto &[bytes, expected, locale] : {std::tuple{13249974108LL, "12,34 GB", "de_DE"}, {1048576LL * 1000, "1000 MB", "de_DE"},
                                                      {1073741824LL, "1024 MB", "C"}, {1073741825LL, "1.00 GB", "C"}, {13249974108LL, "12.34 GB", "C"},
                                                      {500000LL, "488 kB", "C"}, {1048576LL, "1024 kB", "C"}, {0LL, "0 kB", "C"},
                                                      {5LL * 1024 * 1024 * 1024 * 1024, "5120.00 GB", "C"}})
            QTest::addRow("%lld bytes, %s", bytes, locale) << qint64(bytes) << QString::fromLatin1(expected) << QString::fromLatin1(locale);
    }
    void freeSpaceFormats()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        QTEST(FormatFreeSpace(bytes), "expected");
        QLocale::setDefault(QLocale::c());
    }

    void filesAndFoldersOnDisk()
    {
        QTemporaryDir dir;
        QVERIFY(FreeBytes(dir.path()) > 0);
        // A folder that does not exist yet is measured on the filesystem that will hold it.
        QVERIFY(FreeBytes(dir.filePath(QStringLiteral("not/yet/there"))) > 0);
        QVERIFY(FreeDiskSpace(dir.path()).endsWith(QLatin1String("B")));

        const QString file = dir.filePath(QStringLiteral("a.flv"));
        QVERIFY(StandIn::WriteFile(file, "x"));
        // A folder is no file.
        QCOMPARE((QList<bool>{FileExists(file), FileExists(dir.path()), FileExists(dir.filePath(QStringLiteral("missing"))), FileExists(QString())}),
                 (QList<bool>{true, false, false, false}));

        QString folder = dir.path();
        QVERIFY(FolderExists(folder));
        QCOMPARE(folder, dir.path() + QLatin1Char('/'));        // the caller's variable gains a separator
        QString missing = dir.filePath(QStringLiteral("nope")), fileAsFolder = file, shortPath = QStringLiteral("C:");
        QVERIFY(!FolderExists(missing) && !FolderExists(fileAsFolder));
        QVERIFY(!FolderExists(shortPath)); // shorter than 3 characters
        QCOMPARE(shortPath, QStringLiteral("C:"));

        const QString deep = dir.filePath(QStringLiteral("one/two/three"));
        QVERIFY(EnsureFolder(deep));
        QVERIFY(QFileInfo(deep).isDir());
        QVERIFY(EnsureFolder(deep + QLatin1Char('/'))); // already there

        // Only folders on fixed disks, or yet to be made on one, are taken for saving.
        for (const auto &[path, fixed] : {std::pair{QDir::tempPath(), true}, {QDir::tempPath() + QStringLiteral("/clipvault-none/x"), true},
                                          {QStringLiteral("/proc/self"), false}, {QStringLiteral("/sys/kernel"), false}, {QString(), false}})
            QVERIFY2(IsDriveTypeValid(path) == fixed, qPrintable(path));
    }

    void iniFileValues_data()
    {
        QTest::addColumn<QString>("value");
        // Also empty, long and accented (never cut), with blanks at both ends, quoted, with = and brackets.
        for (const QString &value : {QStringLiteral("/a/b/"), QString(), QStringLiteral("/") + QString(600, QLatin1Char('x')) + QStringLiteral("/\u00e9/"),
                                     QStringLiteral("  /with blanks/ "), QStringLiteral("\"/in quotes/\""), QStringLiteral("/a=b/[c]/")})
            QTest::addRow("\"%s\"", qPrintable(value.left(20))) << value;
    }
    void iniFileValues()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Settings.ini"));
        QCOMPARE(stored("VideoSavePath", file), QString());
        // Lines of other sections and keys survive a write; the key keeps its place.
        QVERIFY(StandIn::WriteFile(file, "; comment\r\n[Empty]\r\n[Other]\r\nVideoSavePath=/other/\r\n[Settings]\r\nVideoSavePath=/old/\r\nKeep=1\r\n"));
        const auto read = [&](const char *section, const char *key) {
            return IniFile::read(QString::fromLatin1(section), QString::fromLatin1(key), file);
        };
        QVERIFY(IniFile::write(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), value, file));
        // Sections and keys are found whatever their case.
        QCOMPARE((QStringList{read("Settings", "VideoSavePath"), read("SETTINGS", "videosavepath"), read("Other", "VideoSavePath"), read("settings", "KEEP")}),
                 (QStringList{value, value, QStringLiteral("/other/"), QStringLiteral("1")}));
        QCOMPARE(StandIn::FileBytes(file).count("\r\n"), 7);

        // A new key joins its section, also one without keys; a new section the end of the file.
        for (const auto &[section, key] : {std::pair{"settings", "ImageSavePath"}, {"empty", "Key"}, {"Third", "Key"}})
            QVERIFY(IniFile::write(QString::fromLatin1(section), QString::fromLatin1(key), value, file));
        QCOMPARE((QStringList{read("Settings", "imagesavepath"), read("Empty", "key"), read("third", "key"), read("Other", "ImageSavePath")}),
                 (QStringList{value, value, value, QString()}));
        // Written in another case, a section is still the one already there: no second [settings].
        QCOMPARE(StandIn::FileBytes(file).count("\r\n["), 4);
    }

    // A value that would break a line, or a file that cannot be read, is never written: the file
    // stays as it was.
    void iniFileNeverReplaced_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("line feed") << QStringLiteral("/a/\n[Settings]\nVideoSavePath=/evil/") << false;
        QTest::newRow("carriage return") << QStringLiteral("/a/\rKeep=2") << false;
        QTest::newRow("both at the end") << QStringLiteral("/a/\r\n") << false;
        QTest::newRow("unreadable file") << QStringLiteral("/new/") << true;
    }
    void iniFileNeverReplaced()
    {
        QFETCH(QString, value);
        QFETCH(bool, unreadable);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Settings.ini"));
        const QByteArray before = "[Settings]\r\nVideoSavePath=/old/\r\nKeep=1\r\n";
        QVERIFY(StandIn::WriteFile(file, before));
        if (unreadable) {
            // The folder may be written by anyone; the file only by its owner, and read by nobody else.
            QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7777)));
            QVERIFY(QFile::setPermissions(file, QFile::WriteOwner));
            {
                OrdinaryUser user; // root reads every file
                QCOMPARE(stored("VideoSavePath", file), QString());
                QVERIFY(!IniFile::write(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), value, file));
            }
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(StandIn::FileBytes(file), before);
            return;
        }
        QVERIFY(!IniFile::write(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), value, file));
        QCOMPARE(StandIn::FileBytes(file), before);
        // Through the settings, as the window writes "Save to:" at shut-down.
        AppState::setAppPath(dir.path());
        Settings::Write(value, QStringLiteral("/pictures/"));
        QCOMPARE((QStringList{stored("VideoSavePath", file), stored("Keep", file), stored("ImageSavePath", file)}),
                 (QStringList{QStringLiteral("/old/"), QStringLiteral("1"), QStringLiteral("/pictures/")}));
    }

    // Values read from the settings file: a missing or odd value is the default, numbers are held
    // within their bounds.
    void storedSettings_data()
    {
        QTest::addColumn<QByteArray>("stored"); // the file's line, or nothing
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("expected");
        // The setting, then pairs of the file's line and the value read.
        const auto rows = [](const char *setting, std::initializer_list<std::pair<const char *, int>> cases) {
            for (const auto &[stored, expected] : cases)
                QTest::addRow("%s: \"%s\"", setting, stored) << QByteArray(stored) << QString::fromLatin1(setting) << expected;
        };
        // The clipboard watch is on only for 1.
        rows("WatchClipboard", {{"", 0}, {"WatchClipboard=1", 1}, {"watchclipboard = 1 ", 1}, {"WatchClipboard=0", 0}, {"WatchClipboard=yes", 0}});
        // The time-out, in seconds: a minute when unset, from 5 seconds to an hour.
        rows("ExtractorTimeout", {{"", 60000}, {"ExtractorTimeout=90", 90000}, {"ExtractorTimeout = 20 ", 20000}, {"ExtractorTimeout=0", 5000},
                                  {"ExtractorTimeout=99999999999", 3600000}, {"ExtractorTimeout=7200", 3600000}, {"ExtractorTimeout=soon", 60000}});
        // The list's rows: 25 when unset, at most 1000.
        rows("ListRows", {{"", 25}, {"ListRows=300", 300}, {"ListRows=10", 25}, {"ListRows=99999999999", 1000}, {"ListRows=many", 25}});
        // Downloads at once: unset (or empty) is all at once, else 1 to 25.
        rows("SimultaneousDownloads", {{"", 0}, {"SimultaneousDownloads=2", 2}, {"SimultaneousDownloads=0", 1},
                                       {"SimultaneousDownloads=40", 25}, {"SimultaneousDownloads=", 0}});
    }
    void storedSettings()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, setting);
        QTemporaryDir program;
        AppState::setAppPath(program.path());
        QVERIFY(StandIn::WriteFile(program.filePath(QStringLiteral("Settings.ini")), "[Settings]\r\n" + stored + "\r\n"));
        const int value = setting == QLatin1String("WatchClipboard") ? int(Settings::WatchClipboard())
            : setting == QLatin1String("ExtractorTimeout")           ? Settings::ExtractorTimeoutMs()
            : setting == QLatin1String("ListRows")                   ? Settings::ListRows()
                                                                     : Settings::SimultaneousDownloads();
        QTEST(value, "expected");
    }

    // Written within the bounds; all at once empties its key; the other lines stay.
    void settingsWrittenBack()
    {
        QTemporaryDir program;
        AppState::setAppPath(program.path());
        QVERIFY(StandIn::WriteFile(program.filePath(QStringLiteral("Settings.ini")), "[Settings]\r\nVideoSavePath=/v/\r\nSimultaneousDownloads=3\r\n"));
        for (const bool on : {true, false}) {
            Settings::SetWatchClipboard(on);
            QCOMPARE(Settings::WatchClipboard(), on);
        }
        Settings::SetListRows(2000);
        Settings::SetSimultaneousDownloads(0);
        QCOMPARE(Settings::ListRows(), 1000);
        QCOMPARE(Settings::SimultaneousDownloads(), 0);
        QCOMPARE(stored("SimultaneousDownloads"), QString());
        QCOMPARE(stored("VideoSavePath"), QStringLiteral("/v/"));
    }

    // The folders read at start: a stored video folder that is gone, or none, is the program's
    // folder; so it is on the first run, when no settings file exists yet.
    void storedFoldersAreChecked_data()
    {
        QTest::addColumn<QString>("value"); // NONE: no settings file
        QTest::addColumn<bool>("kept");
        for (const auto &[value, kept] : {std::pair{"NONE", false}, {"EXISTING/", true}, {"EXISTING", true}, {"EXISTING/gone/", false}, {"C", false}, {"", false}})
            QTest::addRow("\"%s\"", value) << QString::fromLatin1(value) << kept;
    }
    void storedFoldersAreChecked()
    {
        QFETCH(QString, value);
        QFETCH(bool, kept);
        QTemporaryDir program;
        QTemporaryDir videos;
        AppState::setAppPath(program.path());
        value.replace(QStringLiteral("EXISTING"), videos.path());
        const bool firstRun = value == QLatin1String("NONE");
        const QString pictures = firstRun ? QString() : QStringLiteral("/pictures/");
        if (!firstRun)
            QVERIFY(StandIn::WriteFile(program.filePath(QStringLiteral("Settings.ini")),
                                       QStringLiteral("[Settings]\r\nVideoSavePath=%1\r\nImageSavePath=/pictures/\r\n").arg(value).toUtf8()));
        const Settings::Folders folders = Settings::Read();
        QCOMPARE(folders.videoSavePath, kept ? videos.path() + QLatin1Char('/') : program.path() + QLatin1Char('/'));
        QCOMPARE(folders.imageSavePath, pictures);
        QCOMPARE(Settings::FilePath(), program.path() + QStringLiteral("/Settings.ini"));
        // The file keeps the old value until the next write.
        QCOMPARE(stored("VideoSavePath"), firstRun ? QString() : value);

        // The shut-down writes both keys; the next start fills an empty image folder.
        Settings::Write(folders.videoSavePath, folders.imageSavePath);
        QCOMPARE(stored("VideoSavePath"), folders.videoSavePath);
        QCOMPARE(Settings::Read().imageSavePath, firstRun ? program.path() + QLatin1Char('/') : pictures);
    }

    void readOnlyProgramFolderKeepsSettingsWithTheUser()
    {
        // A folder nobody can create files in, not even root: a system-wide install.
        AppState::setAppPath(QStringLiteral("/proc"));
        const QString file = Settings::FilePath();
        QVERIFY2(!file.startsWith(QLatin1String("/proc")), qPrintable(file));
        QVERIFY(file.endsWith(QLatin1String("/Settings.ini")));
        QVERIFY(Settings::DefaultSaveFolder() != QStringLiteral("/proc/"));
        QVERIFY(QFileInfo(Settings::DefaultSaveFolder()).isDir());
        QFile::remove(file);
        QCOMPARE(Settings::Read().videoSavePath, Settings::DefaultSaveFolder()); // first run
        Settings::Write(QStringLiteral("/x/"), QStringLiteral("/y/"));
        QCOMPARE(stored("ImageSavePath", file), QStringLiteral("/y/"));
        QFile::remove(file);
    }

    // Only web pages (and the About box's mail address) reach the desktop's opener; anything else
    // typed or pasted somewhere is never handed to it. A folder is opened as a local folder, never
    // as a web address; a relative one lies in the program's folder.
    void desktopOpens_data()
    {
        QTest::addColumn<bool>("folder"); // opened as a folder, else as an address
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("opened"); // empty: nothing opened; PROGRAM stands for the program's folder
        QTest::newRow("http") << false << QStringLiteral("http://127.0.0.1:8080/watch?v=abc") << QStringLiteral("http://127.0.0.1:8080/watch?v=abc");
        QTest::newRow("https, blanks around") << false << QStringLiteral("  https://example.org/a b ") << QStringLiteral("https://example.org/a b");
        QTest::newRow("scheme in capitals") << false << QStringLiteral("HTTP://example.org/") << QStringLiteral("http://example.org/");
        QTest::newRow("mail address") << false << QStringLiteral("mailto:support@clipvault.example.org") << QStringLiteral("mailto:support@clipvault.example.org");
        for (const char *refused : {"file:///etc/passwd", "/usr/bin/xterm", "videos/clip.mp4", "example.org", "javascript:alert(1)",
                                    "ftp://example.org/file", "http:///etc/passwd", "mailto:", ""})
            QTest::addRow("refused: %s", refused) << false << QString::fromLatin1(refused) << QString();
        QTest::newRow("absolute folder") << true << QStringLiteral("/srv/videos/") << QStringLiteral("/srv/videos/");
        QTest::newRow("characters that mean something in addresses") << true << QStringLiteral("/srv/my videos #1?/") << QStringLiteral("/srv/my videos #1?/");
        QTest::newRow("relative folder") << true << QStringLiteral("videos/") << QStringLiteral("PROGRAM/videos/");
        QTest::newRow("folder that looks like a web address") << true << QStringLiteral("http://example.org/") << QStringLiteral("PROGRAM/http:/example.org/");
        QTest::newRow("dots") << true << QStringLiteral("/srv/a/../b/./") << QStringLiteral("/srv/b/");
    }
    void desktopOpens()
    {
        QFETCH(bool, folder);
        QFETCH(QString, text);
        QFETCH(QString, opened);
        QTemporaryDir program;
        AppState::setAppPath(program.path());
        opened.replace(QStringLiteral("PROGRAM"), program.path());
        SeamRecorder seam;
        folder ? UiSeam::openFolder(text) : UiSeam::shellOpen(text);
        const auto calls = seam.callsOf(folder ? UiSeam::Kind::OpenFolder : UiSeam::Kind::ShellOpen);
        QCOMPARE(calls.size(), opened.isEmpty() ? 0 : 1);
        QCOMPARE(seam.calls.size(), calls.size()); // never both
        if (calls.isEmpty())
            return;
        QCOMPARE(QUrl(calls.first().text).scheme() == QLatin1String("file"), folder);
        QCOMPARE(folder ? QUrl(calls.first().text).toLocalFile() : calls.first().text, opened);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after the program's name
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("output"); // a part of what is printed
        using A = CommandLine::Action;
        const QString watch = QStringLiteral("http://127.0.0.1:8080/watch?v=abcdefghijk");
        QTest::newRow("nothing") << QStringList() << int(A::Run) << QString() << QString();
        QTest::newRow("an address") << QStringList{watch} << int(A::Run) << watch << QString();
        QTest::newRow("an address with blanks") << QStringList{QLatin1Char(' ') + watch + QLatin1Char(' ')} << int(A::Run) << watch << QString();
        QTest::newRow("Qt's options pass") << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-style=fusion"), QStringLiteral("-reverse"), watch}
                                           << int(A::Run) << watch << QString();
        QTest::newRow("after --, a dash is an address") << QStringList{QStringLiteral("--"), QStringLiteral("-x")} << int(A::Run) << QStringLiteral("-x") << QString();
        QTest::newRow("-h with an address") << QStringList{QStringLiteral("-h"), watch} << int(A::Help) << QString() << QStringLiteral("-v, --version");
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << int(A::Version) << QString()
                                   << QStringLiteral("Clipvault ") + AppState::VersionString() + QLatin1Char('\n');
        QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << int(A::Version) << QString() << QStringLiteral("Clipvault 1.");
        QTest::newRow("unknown short option") << QStringList{QStringLiteral("-q")} << int(A::Error) << QString() << QStringLiteral("'q'");
        QTest::newRow("Qt's option without its value") << QStringList{QStringLiteral("-platform")} << int(A::Error) << QString() << QStringLiteral("platform");
        QTest::newRow("two addresses") << QStringList{watch, watch} << int(A::Error) << QString() << QStringLiteral("Only one address");
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        const CommandLine command = CommandLine::parse(QStringList{QStringLiteral("/usr/bin/clipvault")} + arguments);
        QTEST(int(command.action), "action");
        QTEST(command.address, "address");
        if (output.isEmpty())
            QCOMPARE(command.output, QString());
        else
            QVERIFY2(command.output.contains(output), qPrintable(command.output));
    }

    void errorTrapReportsAndGoesOn()
    {
        SeamRecorder seam;
        bool after = false;
        int raisedOn = 0;
        const bool ok = ErrorTrap::run(QStringLiteral("cmdOpen_Click"), QStringLiteral("Form frmMain"), [&] {
            raisedOn = __LINE__ + 1;
            throw RuntimeError::typeMismatch();
            after = true;
        });
        QVERIFY(!ok);
        QVERIFY(!after);
        QCOMPARE(seam.messages(),
                 QStringList{QStringLiteral("Error 13 (Type mismatch) on line %1 in procedure cmdOpen_Click of Form frmMain").arg(raisedOn)});
        QCOMPARE(seam.calls.first().title, QStringLiteral("Clipvault"));
        QCOMPARE(seam.calls.first().style, 0);
        QVERIFY(ErrorTrap::run(QStringLiteral("x"), QStringLiteral("Form frmMain"), [] {}));
        QCOMPARE(seam.calls.size(), 1);
    }
};

QTEST_MAIN(TestAppCore)
#include "tst_appcore.moc"
