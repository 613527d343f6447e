#include "base/IniFile.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The Debian package made by cpack from this build's install rules, looked at as dpkg sees it, and
// the program started from the unpacked tree.
class TestPackage : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int code = -1;
        QByteArray output; // standard output and error together
    };

    QTemporaryDir work;
    QString deb;
    QString root; // the package unpacked with dpkg -x
    QString arch; // this machine's, as dpkg names it

    const QString id = QStringLiteral(CLIPVAULT_APP_ID);

    static Run run(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
            return Run{-1, program.toLocal8Bit() + " did not finish: " + process.readAll()};
        return Run{process.exitCode(), process.readAll()};
    }

    QString field(const QString &name) const
    {
        return QString::fromUtf8(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, name}).output).trimmed();
    }

    // Every file below `folder`, relative to it, sorted.
    static QStringList filesBelow(const QString &folder)
    {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(folder).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    // A key of the desktop entry's main group, which comes first (a desktop file is not an INI file
    // for QSettings: its lists are separated by semicolons).
    QString desktopEntryKey(const QString &key) const
    {
        QFile file(root + QStringLiteral("/usr/share/applications/") + id + QStringLiteral(".desktop"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return QString();
        const QRegularExpression line(QStringLiteral("^") + key + QStringLiteral("\\s*=(.*)$"), QRegularExpression::MultilineOption);
        return line.match(QString::fromUtf8(file.readAll())).captured(1).trimmed();
    }

    QStringList expectedFiles() const
    {
        QStringList files{QStringLiteral("bin/clipvault"),
                          QStringLiteral("share/applications/") + id + QStringLiteral(".desktop"),
                          QStringLiteral("share/metainfo/") + id + QStringLiteral(".metainfo.xml"),
                          QStringLiteral("share/icons/hicolor/scalable/apps/") + id + QStringLiteral(".svg"),
                          QStringLiteral("share/man/man1/clipvault.1"),
                          QStringLiteral("share/doc/clipvault/copyright")};
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            files << QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(id);
        files.sort();
        return files;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        const QString out = work.filePath(QStringLiteral("package"));
        const Run cpack = run(QStringLiteral(CLIPVAULT_CPACK), {QStringLiteral("-G"), QStringLiteral("DEB"),
                                                              QStringLiteral("--config"),
                                                              QStringLiteral(CLIPVAULT_BUILD_DIR "/CPackConfig.cmake"),
                                                              QStringLiteral("-B"), out},
                              240000);
        QVERIFY2(cpack.code == 0, cpack.output.constData());
        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        deb = out + QLatin1Char('/') + debs.first();
        arch = QString::fromUtf8(run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).output).trimmed();
        QCOMPARE(debs.first(), QStringLiteral("clipvault_%1_%2.deb").arg(QStringLiteral(CLIPVAULT_DISPLAY_VERSION), arch));
        root = work.filePath(QStringLiteral("root"));
        const Run unpack = run(QStringLiteral("dpkg"), {QStringLiteral("-x"), deb, root});
        QVERIFY2(unpack.code == 0, unpack.output.constData());
    }

    // The package holds exactly the install tree, nothing of the demo site or the tests, and the
    // program is stripped and executable, owned by root.
    void packageHoldsExactlyTheInstallTree()
    {
        const Run listing = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
        QCOMPARE(listing.code, 0);
        QStringList files;
        for (const QByteArray &line : listing.output.split('\n')) {
            const QList<QByteArray> cols = line.simplified().split(' ');
            if (cols.size() < 6 || cols[0].startsWith('d'))
                continue;
            QCOMPARE(cols[1], QByteArray("root/root"));
            QString path = QString::fromUtf8(cols.last());
            QVERIFY2(path.startsWith(QStringLiteral("./usr/")), qPrintable(path));
            path = path.mid(6);
            QCOMPARE(cols[0], QByteArray(path == QStringLiteral("bin/clipvault") ? "-rwxr-xr-x" : "-rw-r--r--"));
            files << path;
        }
        files.sort();
        QCOMPARE(files, expectedFiles());

        const Run sections = run(QStringLiteral("readelf"), {QStringLiteral("-S"), QStringLiteral("-W"),
                                                           root + QStringLiteral("/usr/bin/clipvault")});
        QCOMPARE(sections.code, 0);
        QVERIFY(sections.output.contains(".text"));
        QVERIFY2(!sections.output.contains(".symtab") && !sections.output.contains(".debug_"), "the program is not stripped");

        // `cmake --install` into any prefix gives the tree the package holds below /usr.
        const QString prefix = work.filePath(QStringLiteral("prefix"));
        const Run install = run(QStringLiteral(CLIPVAULT_CMAKE), {QStringLiteral("--install"), QStringLiteral(CLIPVAULT_BUILD_DIR),
                                                                 QStringLiteral("--prefix"), prefix});
        QVERIFY2(install.code == 0, install.output.constData());
        QCOMPARE(filesBelow(prefix), expectedFiles());
    }

    // The control file's fields, as dpkg shows them: each matches its pattern. A dependency is one
    // alternative of a relation: "a (>= 1), b:any | c".
    void controlFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("pattern");
        const auto row = [](const char *field, const QString &pattern, const char *name = "") {
            QTest::addRow("%s %s", field, name) << QString::fromLatin1(field) << pattern;
        };
        row("Package", QStringLiteral("^clipvault$"));
        row("Version", QStringLiteral("^%1$").arg(QRegularExpression::escape(QStringLiteral(CLIPVAULT_DISPLAY_VERSION))));
        row("Architecture", QStringLiteral("^%1$").arg(arch));
        row("Section", QStringLiteral("^video$"));
        row("Maintainer", QStringLiteral(R"(^\S.* <[^@\s]+@[^@\s]+>$)"));
        row("Description", QStringLiteral("^\\S.*\n \\S")); // a summary line, then lines indented by one blank
        for (const char *package : {"libqt6core6", "libqt6widgets6", "libqt6network6", "libqt6webenginewidgets6", "yt-dlp", "ffmpeg",
                                    "gpgv", "fonts-noto-cjk", "fonts-noto-color-emoji"})
            row(QByteArray(package).startsWith("fonts") ? "Recommends" : "Depends",
                QStringLiteral("(^|[,|])\\s*%1(:\\w+)?\\s*($|[,|(])").arg(QRegularExpression::escape(QLatin1String(package))), package);
    }
    void controlFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, pattern);
        const QString text = this->field(field);
        QVERIFY2(text.contains(QRegularExpression(pattern)), qPrintable(field + QStringLiteral(": ") + text));
    }

    // This machine runs the unpacked program below, so every dependency must be satisfiable here:
    // a misspelt name or a version newer than Debian's fails.
    void everyDependencyIsSatisfiedOnThisMachine()
    {
        const Run check = run(QStringLiteral("dpkg-checkbuilddeps"), {QStringLiteral("-d"), field(QStringLiteral("Depends")),
                                                                    QStringLiteral("/dev/null")});
        QVERIFY2(check.code == 0, check.output.constData());
    }

    // Both validators accept the desktop entry and the metadata: hints are advice, warnings and
    // errors are faults.
    void validatorsAccept()
    {
        for (const auto &[tool, arguments, file] : {std::tuple{"desktop-file-validate", QStringList(), "applications/%1.desktop"},
                                                    {"appstreamcli", QStringList{QStringLiteral("validate"), QStringLiteral("--no-net")}, "metainfo/%1.metainfo.xml"}}) {
            const Run check = run(QString::fromLatin1(tool), QStringList(arguments) << root + QStringLiteral("/usr/share/") + QString::fromLatin1(file).arg(id));
            QVERIFY2(check.code == 0 && !check.output.contains("warning") && !check.output.contains("error"), check.output.constData());
        }
    }

    // The desktop entry, the icons, the metadata and the program agree on their names, and the
    // entry offers the program for web addresses.
    void entryMetadataAndIconsAgree()
    {
        QCOMPARE(desktopEntryKey(QStringLiteral("Icon")), id);
        const QStringList exec = desktopEntryKey(QStringLiteral("Exec")).split(QLatin1Char(' '));
        QVERIFY(QFileInfo(root + QStringLiteral("/usr/bin/") + exec.first()).isExecutable());
        QVERIFY2(exec.contains(QStringLiteral("%u")) || exec.contains(QStringLiteral("%U")), qPrintable(exec.join(' ')));
        const QStringList types = desktopEntryKey(QStringLiteral("MimeType")).split(QLatin1Char(';'));
        QVERIFY(types.contains(QStringLiteral("x-scheme-handler/http")));
        QVERIFY(types.contains(QStringLiteral("x-scheme-handler/https")));

        QFile xml(root + QStringLiteral("/usr/share/metainfo/") + id + QStringLiteral(".metainfo.xml"));
        QVERIFY(xml.open(QIODevice::ReadOnly));
        const QByteArray text = xml.readAll();
        QVERIFY(text.contains("<id>" + id.toUtf8() + "</id>"));
        QVERIFY(text.contains("<launchable type=\"desktop-id\">" + id.toUtf8() + ".desktop</launchable>"));
        QVERIFY(text.contains("<binary>" + exec.first().toUtf8() + "</binary>"));
        QVERIFY(text.contains("<release version=\"" CLIPVAULT_DISPLAY_VERSION "\""));
    }

    void iconsAreDrawnAtTheirSizes_data()
    {
        QTest::addColumn<int>("size"); // 0: the scalable icon
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%dx%d", size, size) << size;
        QTest::newRow("scalable") << 0;
    }
    void iconsAreDrawnAtTheirSizes()
    {
        QFETCH(int, size);
        const QString icons = root + QStringLiteral("/usr/share/icons/hicolor/");
        QImage image;
        if (size > 0) {
            QVERIFY(image.load(icons + QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(id), "PNG"));
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(image.hasAlphaChannel());
        } else {
            QSvgRenderer svg(icons + QStringLiteral("scalable/apps/%1.svg").arg(id));
            QVERIFY(svg.isValid());
            image = QImage(96, 96, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            svg.render(&painter);
        }
        // A rounded tile: clear corners (but for a haze of the shadow at the smallest sizes), a
        // solid middle.
        image = image.convertToFormat(QImage::Format_ARGB32);
        QVERIFY(qAlpha(image.pixel(0, 0)) < 16);
        QVERIFY(qAlpha(image.pixel(image.width() - 1, 0)) < 16);
        QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    }

    // Started from the unpacked tree, whose folder it could write to, the program still keeps
    // the user's settings and videos in the user's folders, and it closes cleanly when the
    // session ends.
    void installedProgramRunsWithTheUsersFolders()
    {
        const QString home = work.filePath(QStringLiteral("home"));
        const QString config = home + QStringLiteral("/config");
        const QString videos = home + QStringLiteral("/Videos");
        const QString runtime = home + QStringLiteral("/runtime");
        QVERIFY(QDir().mkpath(videos));
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QStringList treeBefore = filesBelow(root);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString nowhere = QStringLiteral("http://127.0.0.1:9");
        for (const auto &[name, value] : {std::pair{"QT_QPA_PLATFORM", QStringLiteral("offscreen")}, {"HOME", home}, {"XDG_CONFIG_HOME", config},
                                          {"XDG_DATA_HOME", home + QStringLiteral("/data")}, {"XDG_CACHE_HOME", home + QStringLiteral("/cache")},
                                          {"XDG_RUNTIME_DIR", runtime}, {"CLIPVAULT_SITE_ROOT", nowhere}, {"CLIPVAULT_THUMBNAIL_ROOT", nowhere},
                                          {"CLIPVAULT_INSTANCE_NAME", QStringLiteral("clipvault-package-test-%1").arg(QCoreApplication::applicationPid())}})
            env.insert(QString::fromLatin1(name), value);
        const QString program = root + QStringLiteral("/usr/bin/clipvault");

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        // Its settings folder appears while the window loads, long after it takes the session's end.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(config + QStringLiteral("/Clipvault")).isDir(), 60000);

        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);

        const QString settings = config + QStringLiteral("/Clipvault/Settings.ini");
        QVERIFY(QFileInfo::exists(settings));
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), settings), videos + QLatin1Char('/'));
        QCOMPARE(filesBelow(root), treeBefore); // nothing written beside the program
    }
};

QTEST_MAIN(TestPackage)
#include "tst_package.moc"
