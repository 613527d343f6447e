#include "base/AppState.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "extractor/RecipeOptions.h"
#include "recipes/PresetStore.h"
#include "recipes/RecipeArguments.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Recipes;

Q_DECLARE_METATYPE(Recipes::Preset)

namespace {

Preset video(int height, Container container)
{
    Preset p;
    p.name = QStringLiteral("v");
    p.maxHeight = height;
    p.container = container;
    return p;
}

Preset audio(AudioFormat format, AudioQuality quality = AudioQuality::Best)
{
    Preset p;
    p.name = QStringLiteral("a");
    p.kind = Kind::Audio;
    p.audioFormat = format;
    p.audioQuality = quality;
    return p;
}

Preset withSubs(Preset p, const QStringList &languages, SubtitlePlacement place, bool automatic = false)
{
    p.subtitleLanguages = languages;
    p.subtitlePlacement = place;
    p.automaticCaptions = automatic;
    return p;
}

Preset embedding(Preset p)
{
    p.embedMetadata = p.embedThumbnail = p.embedChapters = true;
    return p;
}

Preset builtIn(const char *name)
{
    for (const Preset &p : BuiltIns())
        if (p.name == QLatin1String(name))
            return p;
    return Preset();
}

QStringList names(const QList<Preset> &presets)
{
    QStringList list;
    for (const Preset &p : presets)
        list << p.name;
    return list;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Two user presets, as the storage tests find them.
const QByteArray kTwoPresets =
    "[Settings]\r\nVideoSavePath=/v/\r\nPresets=2\r\n"
    "Preset.1={\"name\":\"Talks\",\"kind\":\"audio\",\"format\":\"opus\",\"quality\":\"128k\",\"subs\":[\"en\",\"de\"],\"place\":\"srt\"}\r\n"
    "Preset.2={\"name\":\"Clips\",\"kind\":\"video\",\"height\":480,\"container\":\"webm\",\"thumbnail\":true}\r\n";

} // namespace

class TestRecipes : public QObject
{
    Q_OBJECT

    QTemporaryDir program;

    QString settingsFile() const { return program.filePath(QStringLiteral("Settings.ini")); }
    void store(const QByteArray &text)
    {
        QFile f(settingsFile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(program.isValid());
        AppState::setAppPath(program.path());
        QCOMPARE(Settings::FilePath(), settingsFile());
    }

    void arguments_data()
    {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QStringList>("expected");
        const QString f = QStringLiteral("-f"), S = QStringLiteral("-S"), merge = QStringLiteral("--merge-output-format");
        const QStringList meta{QStringLiteral("--embed-metadata"), QStringLiteral("--embed-chapters")};
        const QStringList x{QStringLiteral("-f"), QStringLiteral("ba/b"), QStringLiteral("-x"), QStringLiteral("--audio-format")};

        QTest::newRow("Best video") << builtIn("Best video") << QStringList{f, "bv*+ba/b", merge, "mkv"} + meta;
        QTest::newRow("1080p MP4") << builtIn("1080p MP4") << QStringList{f, "bv*+ba/b", S, "res:1080,ext:mp4:m4a", merge, "mp4"} + meta;
        QTest::newRow("720p MP4") << builtIn("720p MP4") << QStringList{f, "bv*+ba/b", S, "res:720,ext:mp4:m4a", merge, "mp4"} + meta;
        QTest::newRow("Audio only (MP3)") << builtIn("Audio only (MP3)")
            << x + QStringList{"mp3", "--audio-quality", "0", "--embed-metadata", "--embed-thumbnail"};
        QTest::newRow("Audio only (M4A)") << builtIn("Audio only (M4A)")
            << x + QStringList{"m4a", "--audio-quality", "0", "--embed-metadata", "--embed-thumbnail"};

        Preset capped = audio(AudioFormat::Opus, AudioQuality::K320);
        capped.maxHeight = 1080;
        capped.container = Container::Webm;
        QTest::newRow("audio only ignores the video cap and container") << capped
            << x + QStringList{"opus", "--audio-quality", "320k"};
        QTest::newRow("lossless takes no quality, WAV no cover")
            << embedding(audio(AudioFormat::Wav, AudioQuality::K128)) << x + QStringList{"wav", "--embed-metadata", "--embed-chapters"};
        QTest::newRow("FLAC takes a cover") << embedding(audio(AudioFormat::Flac))
            << x + QStringList{"flac", "--embed-metadata", "--embed-thumbnail", "--embed-chapters"};
        QTest::newRow("WebM: no cover, webm streams preferred") << embedding(video(360, Container::Webm))
            << QStringList{f, "bv*+ba/b", S, "res:360,ext:webm:webm", merge, "webm", "--embed-metadata", "--embed-chapters"};
        QTest::newRow("subtitles beside as srt")
            << withSubs(video(2160, Container::Mkv), {"en", "pt-BR"}, SubtitlePlacement::BesideSrt)
            << QStringList{f, "bv*+ba/b", S, "res:2160", merge, "mkv", "--write-subs", "--sub-langs", "en,pt-BR", "--convert-subs", "srt"};
        QTest::newRow("automatic captions embedded")
            << withSubs(video(0, Container::Mp4), {"ja"}, SubtitlePlacement::Embedded, true)
            << QStringList{f, "bv*+ba/b", S, "ext:mp4:m4a", merge, "mp4", "--write-subs", "--write-auto-subs", "--sub-langs", "ja", "--embed-subs"};
        QTest::newRow("audio cannot embed: beside as srt")
            << withSubs(audio(AudioFormat::M4a, AudioQuality::K192), {"fr"}, SubtitlePlacement::Embedded)
            << x + QStringList{"m4a", "--audio-quality", "192k", "--write-subs", "--sub-langs", "fr", "--convert-subs", "srt"};
        QTest::newRow("audio beside as vtt")
            << withSubs(audio(AudioFormat::Mp3, AudioQuality::K128), {"fr"}, SubtitlePlacement::BesideVtt)
            << x + QStringList{"mp3", "--audio-quality", "128k", "--write-subs", "--sub-langs", "fr", "--convert-subs", "vtt"};
        QTest::newRow("hostile, regex, excluding and long tags dropped, repeats once")
            << withSubs(video(480, Container::Mp4),
                        {"en;rm -rf", "de", "en.*", "-live_chat", "-en", "de", "a,b", "abcdefghijklmnopq", "", "é", "zh-Hant"},
                        SubtitlePlacement::BesideVtt)
            << QStringList{f, "bv*+ba/b", S, "res:480,ext:mp4:m4a", merge, "mp4", "--write-subs", "--sub-langs", "de,zh-Hant", "--convert-subs", "vtt"};
        QTest::newRow("only hostile tags: no subtitle options")
            << withSubs(video(1440, Container::Mkv), {"en;rm -rf", "$(id)"}, SubtitlePlacement::Embedded, true)
            << QStringList{f, "bv*+ba/b", S, "res:1440", merge, "mkv"};
        QTest::newRow("empty language list") << withSubs(video(720, Container::Mkv), {}, SubtitlePlacement::Embedded, true)
            << QStringList{f, "bv*+ba/b", S, "res:720", merge, "mkv"};
    }
    void arguments()
    {
        QFETCH(Preset, preset);
        QFETCH(QStringList, expected);
        QCOMPARE(ExtractorArguments(preset), expected);
    }

    // Every recipe's options are a list the journal and a download run take back: all kinds,
    // caps, containers, formats, qualities, subtitle choices and embeddings.
    void everyRecipeGivesAcceptedOptions()
    {
        int checked = 0;
        for (Kind kind : {Kind::Video, Kind::Audio})
            for (int height : QList<int>{0} + Heights())
                for (Container container : {Container::Mp4, Container::Mkv, Container::Webm})
                    for (AudioFormat format : {AudioFormat::Mp3, AudioFormat::M4a, AudioFormat::Opus, AudioFormat::Flac, AudioFormat::Wav})
                        for (AudioQuality quality : {AudioQuality::Best, AudioQuality::K320, AudioQuality::K192, AudioQuality::K128})
                            for (SubtitlePlacement place : {SubtitlePlacement::Embedded, SubtitlePlacement::BesideSrt, SubtitlePlacement::BesideVtt})
                                for (int extras = 0; extras < 16; ++extras) {
                                    Preset p = kind == Kind::Audio ? audio(format, quality) : video(height, container);
                                    p.maxHeight = height;
                                    p.container = container;
                                    p = withSubs(p, extras & 1 ? QStringList{"en", "pt-BR", "-x", "de;id"} : QStringList{}, place, extras & 2);
                                    p.embedMetadata = p.embedChapters = extras & 4;
                                    p.embedThumbnail = extras & 8;
                                    const QStringList options = ExtractorArguments(p);
                                    QVERIFY2(RecipeOptions::Accepts(options), qPrintable(options.join(QLatin1Char(' '))));
                                    ++checked;
                                }
        QCOMPARE(checked, 2 * 7 * 3 * 5 * 4 * 3 * 16);
    }

    // Lists no recipe gives are refused: other options, values outside the tables, a missing or
    // repeated option, a value that starts another option.
    void optionsRefused_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("another option") << QStringList{"-f", "ba/b", "--exec", "rm -rf ~"};
        QTest::newRow("an output template") << QStringList{"-o", "/tmp/x"};
        QTest::newRow("another format selector") << QStringList{"-f", "bestvideo[height<=720]"};
        QTest::newRow("a sort of other fields") << QStringList{"-S", "res:720,+size"};
        QTest::newRow("a height not offered") << QStringList{"-S", "res:900"};
        QTest::newRow("an unknown audio format") << QStringList{"-x", "--audio-format", "aiff"};
        QTest::newRow("a value missing at the end") << QStringList{"-x", "--audio-format"};
        QTest::newRow("an option as value") << QStringList{"--convert-subs", "--embed-subs"};
        QTest::newRow("an excluding language") << QStringList{"--write-subs", "--sub-langs", "en,-live_chat"};
        QTest::newRow("a language pattern") << QStringList{"--sub-langs", "en.*"};
        QTest::newRow("an empty language") << QStringList{"--sub-langs", "en,,de"};
        QTest::newRow("repeated") << QStringList{"--embed-metadata", "--embed-metadata"};
        QTest::newRow("a value twice") << QStringList{"-f", "ba/b", "-f", "bv*+ba/b"};
        QTest::newRow("an empty argument") << QStringList{""};
    }
    void optionsRefused()
    {
        QFETCH(QStringList, options);
        QVERIFY(!RecipeOptions::Accepts(options));
    }

    // The installed extractor takes the options and picks the expected streams from a page
    // description of our own (--load-info-json), without the network: --simulate downloads nothing.
    void extractorTakesTheArguments_data()
    {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QString>("picked");
        QTest::newRow("Best video") << builtIn("Best video") << "v1080+a5";
        QTest::newRow("1080p MP4") << builtIn("1080p MP4") << "v1080+a4";
        QTest::newRow("720p MP4 over a taller and a WebM 720") << builtIn("720p MP4") << "v720m+a4";
        QTest::newRow("720 WebM") << embedding(video(720, Container::Webm)) << "v720w+a5";
        QTest::newRow("360 cap") << withSubs(video(360, Container::Mp4), {"en", "de"}, SubtitlePlacement::Embedded, true) << "v360+a4";
        QTest::newRow("below every height: the smallest") << video(240, Container::Mkv) << "v360+a5";
        QTest::newRow("Audio only (MP3)") << withSubs(builtIn("Audio only (MP3)"), {"en"}, SubtitlePlacement::BesideSrt) << "a5";
    }
    void extractorTakesTheArguments()
    {
        QFETCH(Preset, preset);
        QFETCH(QString, picked);
        const QString program = QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
        if (program.isEmpty())
            QSKIP("yt-dlp is not installed");
        QTemporaryDir dir; // for anything the extractor may leave
        const QString info = QStringLiteral(CLIPVAULT_RECIPES_PAGE);

        QProcess run;
        run.setWorkingDirectory(dir.path());
        run.start(program, QStringList{QStringLiteral("--ignore-config"), QStringLiteral("--no-cache-dir"),
                                       QStringLiteral("--load-info-json"), info, QStringLiteral("--simulate"),
                                       QStringLiteral("--print"), QStringLiteral("format_id")}
                               + ExtractorArguments(preset));
        QVERIFY(run.waitForFinished(60000));
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).trimmed(), picked);
    }

    void storedEntries_data()
    {
        QTest::addColumn<QByteArray>("entries"); // the lines after "[Settings]"
        QTest::addColumn<QStringList>("loaded"); // the user's presets read back
        const QByteArray ok1 = "Preset.1={\"name\":\"One\",\"kind\":\"video\"}\r\n";
        QTest::newRow("nothing stored") << QByteArray() << QStringList();
        QTest::newRow("two") << kTwoPresets.mid(10) << QStringList{"Talks", "Clips"};
        QTest::newRow("count not a number") << "Presets=two\r\n" + ok1 << QStringList();
        QTest::newRow("count past the entries") << "Presets=3\r\n" + ok1 << QStringList{"One"};
        QTest::newRow("entries past the count are stale")
            << "Presets=1\r\n" + ok1 + "Preset.2={\"name\":\"Two\",\"kind\":\"video\"}\r\n" << QStringList{"One"};
        auto second = [&](const char *entry) { return "Presets=2\r\n" + ok1 + "Preset.2=" + QByteArray(entry) + "\r\n"; };
        QTest::newRow("not JSON") << second("{\"name\":\"Two\",") << QStringList{"One"};
        QTest::newRow("an array") << second("[\"Two\"]") << QStringList{"One"};
        QTest::newRow("no name") << second("{\"kind\":\"video\"}") << QStringList{"One"};
        QTest::newRow("unknown kind") << second("{\"name\":\"Two\",\"kind\":\"film\"}") << QStringList{"One"};
        QTest::newRow("unknown container") << second("{\"name\":\"Two\",\"kind\":\"video\",\"container\":\"avi\"}") << QStringList{"One"};
        QTest::newRow("height not offered") << second("{\"name\":\"Two\",\"kind\":\"video\",\"height\":1000}") << QStringList{"One"};
        QTest::newRow("height as text") << second("{\"name\":\"Two\",\"kind\":\"video\",\"height\":\"720\"}") << QStringList{"One"};
        QTest::newRow("fractional height") << second("{\"name\":\"Two\",\"kind\":\"video\",\"height\":720.5}") << QStringList{"One"};
        QTest::newRow("unknown quality") << second("{\"name\":\"Two\",\"kind\":\"audio\",\"quality\":\"999k\"}") << QStringList{"One"};
        QTest::newRow("hostile language") << second("{\"name\":\"Two\",\"kind\":\"video\",\"subs\":[\"en;rm -rf\"]}") << QStringList{"One"};
        QTest::newRow("languages not a list") << second("{\"name\":\"Two\",\"kind\":\"video\",\"subs\":\"en\"}") << QStringList{"One"};
        QTest::newRow("flag as text") << second("{\"name\":\"Two\",\"kind\":\"video\",\"chapters\":\"yes\"}") << QStringList{"One"};
        QTest::newRow("a built-in's name") << second("{\"name\":\"best VIDEO\",\"kind\":\"video\"}") << QStringList{"One"};
        QTest::newRow("a name taken before") << second("{\"name\":\"ONE\",\"kind\":\"audio\"}") << QStringList{"One"};
        QTest::newRow("unknown members are ignored") << second("{\"name\":\"Two\",\"kind\":\"audio\",\"later\":1}")
                                                     << QStringList{"One", "Two"};
    }
    void storedEntries()
    {
        QFETCH(QByteArray, entries);
        QFETCH(QStringList, loaded);
        store("[Settings]\r\n" + entries);
        const QList<Preset> presets = LoadPresets();
        QCOMPARE(presets.mid(0, BuiltIns().size()), BuiltIns());
        QCOMPARE(names(presets.mid(BuiltIns().size())), loaded);
    }

    void changes_data()
    {
        QTest::addColumn<QString>("change"); // add, edit, rename or delete
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("newName"); // of the added, edited or renamed preset
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("after"); // the user's presets
        const QStringList both{"Talks", "Clips"};
        QTest::newRow("add") << "add" << "" << "Lectures" << true << QStringList{"Talks", "Clips", "Lectures"};
        QTest::newRow("add: name with quotes and a line break")
            << "add" << "" << "Say \"hi\"\nthere" << true << QStringList{"Talks", "Clips", "Say \"hi\"\nthere"};
        QTest::newRow("add: name trimmed") << "add" << "" << "  Lectures " << true << QStringList{"Talks", "Clips", "Lectures"};
        QTest::newRow("add: a built-in's name") << "add" << "" << " best VIDEO" << false << both;
        QTest::newRow("add: taken") << "add" << "" << "talks" << false << both;
        QTest::newRow("add: blank") << "add" << "" << "  " << false << both;
        QTest::newRow("edit") << "edit" << "talks" << "Talks" << true << both;
        QTest::newRow("edit under a new name") << "edit" << "Clips" << "Shorts" << true << QStringList{"Talks", "Shorts"};
        QTest::newRow("edit: a built-in") << "edit" << "720p MP4" << "720p MP4" << false << both;
        QTest::newRow("edit: to another's name") << "edit" << "Clips" << "TALKS" << false << both;
        QTest::newRow("rename") << "rename" << "Talks" << "Podcasts" << true << QStringList{"Podcasts", "Clips"};
        QTest::newRow("rename: same name, other case") << "rename" << "Clips" << "CLIPS" << true << QStringList{"Talks", "CLIPS"};
        QTest::newRow("rename: a built-in") << "rename" << "1080p MP4" << "Mine" << false << both;
        QTest::newRow("rename: to a built-in's name") << "rename" << "Talks" << "Audio only (M4A)" << false << both;
        QTest::newRow("rename: to another's name") << "rename" << "Talks" << "clips" << false << both;
        QTest::newRow("rename: nothing of that name") << "rename" << "Nothing" << "Mine" << false << both;
        QTest::newRow("delete the first") << "delete" << "Talks" << "" << true << QStringList{"Clips"};
        QTest::newRow("delete the last") << "delete" << "clips" << "" << true << QStringList{"Talks"};
        QTest::newRow("delete: a built-in") << "delete" << "Audio only (MP3)" << "" << false << both;
        QTest::newRow("delete: nothing of that name") << "delete" << "Nothing" << "" << false << both;
    }
    void changes()
    {
        QFETCH(QString, change);
        QFETCH(QString, name);
        QFETCH(QString, newName);
        QFETCH(bool, ok);
        QFETCH(QStringList, after);
        store(kTwoPresets);
        const QList<Preset> before = LoadPresets();
        const QByteArray bytes = readAll(settingsFile());

        // The added or edited preset uses every field, so reading it back proves the encoding.
        Preset rich = withSubs(embedding(video(1440, Container::Webm)), {"en", "pt-BR"}, SubtitlePlacement::BesideVtt, true);
        rich.name = newName;
        StoreResult result;
        if (change == QLatin1String("add"))
            result = AddPreset(rich);
        else if (change == QLatin1String("edit"))
            result = EditPreset(name, rich);
        else if (change == QLatin1String("rename"))
            result = RenamePreset(name, newName);
        else
            result = DeletePreset(name);

        QCOMPARE(result.ok, ok);
        QCOMPARE(result.reason.isEmpty(), ok);
        const QList<Preset> presets = LoadPresets();
        QCOMPARE(presets.mid(0, BuiltIns().size()), BuiltIns());
        QCOMPARE(names(presets.mid(BuiltIns().size())), after);
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("Presets"), settingsFile()), QString::number(after.size()));
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), settingsFile()), QStringLiteral("/v/"));
        // A deleted preset leaves no entry behind the count.
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("Preset.%1").arg(after.size() + 1), settingsFile()), QString());
        if (!ok) {
            QCOMPARE(readAll(settingsFile()), bytes);
            return;
        }
        for (Preset p : presets) {
            const bool changed = p.name.compare(newName.trimmed(), Qt::CaseInsensitive) == 0;
            if (changed && change != QLatin1String("rename")) {
                rich.name = p.name;
                QCOMPARE(p, rich);
                continue;
            }
            if (changed)
                p.name = name; // renamed, and otherwise as it was
            const auto same = std::find_if(before.cbegin(), before.cend(), [&](const Preset &q) { return q.name == p.name; });
            QVERIFY(same != before.cend());
            QCOMPARE(p, *same);
        }
    }

    // A settings file that cannot be read is not written anew: the change is refused with a reason.
    void unreadableFileRefusesChanges()
    {
        QVERIFY(QFile::remove(settingsFile()) || !QFile::exists(settingsFile()));
        QVERIFY(QDir(program.path()).mkdir(QStringLiteral("Settings.ini")));
        Preset p = video(720, Container::Mkv);
        p.name = QStringLiteral("Mine");
        const StoreResult result = AddPreset(p);
        QVERIFY(!result.ok);
        QVERIFY(result.reason.contains(settingsFile()));
        QCOMPARE(names(LoadPresets()), names(BuiltIns()));
        QVERIFY(QDir(program.path()).rmdir(QStringLiteral("Settings.ini")));
    }

    void missingLanguages_data()
    {
        QTest::addColumn<QStringList>("wanted");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QStringList>("subtitles");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("missing");
        QTest::newRow("all offered") << QStringList{"en", "de"} << false << QStringList{"de", "en", "fr"} << QStringList() << QStringList();
        QTest::newRow("one missing, in the preset's order") << QStringList{"ja", "en", "ko"} << false << QStringList{"en"}
                                                             << QStringList() << QStringList{"ja", "ko"};
        QTest::newRow("captions count when taken") << QStringList{"en", "es"} << true << QStringList{"en"} << QStringList{"es"}
                                                    << QStringList();
        QTest::newRow("captions do not count otherwise") << QStringList{"en", "es"} << false << QStringList{"en"}
                                                          << QStringList{"es"} << QStringList{"es"};
        QTest::newRow("tags compared as the extractor does") << QStringList{"en", "pt-BR"} << false
                                                              << QStringList{"en-US", "pt-br"} << QStringList() << QStringList{"en", "pt-BR"};
        QTest::newRow("hostile tags are not named") << QStringList{"en;rm -rf", "fr"} << false << QStringList() << QStringList()
                                                     << QStringList{"fr"};
        QTest::newRow("no languages") << QStringList() << true << QStringList{"en"} << QStringList() << QStringList();
    }
    void missingLanguages()
    {
        QFETCH(QStringList, wanted);
        QFETCH(bool, automatic);
        QFETCH(QStringList, subtitles);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, missing);
        const Preset p = withSubs(video(0, Container::Mkv), wanted, SubtitlePlacement::Embedded, automatic);
        QCOMPARE(MissingLanguages(p, subtitles, captions), missing);
    }
};

QTEST_GUILESS_MAIN(TestRecipes)
#include "tst_recipes.moc"
