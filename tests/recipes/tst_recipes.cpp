#include "base/AppState.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "extractor/RecipeOptions.h"
#include "recipes/PresetStore.h"
#include "recipes/RecipeArguments.h"
#include "support/StandIn.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Recipes;

Q_DECLARE_METATYPE(Recipes::Preset)

namespace {

using C = Container;
using F = AudioFormat;
using Q = AudioQuality;
using S = SubtitlePlacement;

Preset video(int height, Container container)
{
    Preset p;
    p.maxHeight = height;
    p.container = container;
    return p;
}

Preset audio(AudioFormat format, AudioQuality quality = Q::Best)
{
    Preset p = video(0, C::Mp4);
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
    const QList<Preset> all = BuiltIns();
    const auto it = std::find_if(all.cbegin(), all.cend(), [&](const Preset &p) { return p.name == QLatin1String(name); });
    return it == all.cend() ? Preset() : *it;
}

QStringList names(const QList<Preset> &presets)
{
    QStringList list;
    for (const Preset &p : presets)
        list << p.name;
    return list;
}

// "a b c" as a list; ',' separates where items hold blanks.
QStringList list(const QString &items)
{
    return items.split(items.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char(' '), Qt::SkipEmptyParts);
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

private slots:
    void initTestCase()
    {
        QVERIFY(program.isValid());
        AppState::setAppPath(program.path());
        QCOMPARE(Settings::FilePath(), settingsFile());
    }

    // The extractor's options of each kind of preset. Where a stream is named, the installed
    // extractor takes the options and picks it from a page description of our own
    // (--load-info-json), without the network: --simulate downloads nothing.
    void arguments_data()
    {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QString>("expected"); // the options, between blanks
        QTest::addColumn<QString>("picked");   // by the installed extractor; empty: not run
        const QString v = QStringLiteral("-f bv*+ba/b "), x = QStringLiteral("-f ba/b -x --audio-format ");
        const QString meta = QStringLiteral(" --embed-metadata --embed-chapters");
        QTest::newRow("Best video") << builtIn("Best video") << v + "--merge-output-format mkv" + meta << "v1080+a5";
        QTest::newRow("1080p MP4") << builtIn("1080p MP4") << v + "-S res:1080,ext:mp4:m4a --merge-output-format mp4" + meta << "v1080+a4";
        QTest::newRow("720p MP4 over a taller and a WebM 720")
            << builtIn("720p MP4") << v + "-S res:720,ext:mp4:m4a --merge-output-format mp4" + meta << "v720m+a4";
        QTest::newRow("Audio only (MP3)") << withSubs(builtIn("Audio only (MP3)"), {"en"}, S::BesideSrt)
            << x + "mp3 --audio-quality 0 --write-subs --sub-langs en --convert-subs srt --embed-metadata --embed-thumbnail" << "a5";
        QTest::newRow("Audio only (M4A)") << builtIn("Audio only (M4A)") << x + "m4a --audio-quality 0 --embed-metadata --embed-thumbnail" << "";
        Preset capped = audio(F::Opus, Q::K320);
        capped.maxHeight = 1080;
        capped.container = C::Webm;
        QTest::newRow("audio only ignores the video cap and container") << capped << x + "opus --audio-quality 320k" << "";
        QTest::newRow("lossless takes no quality, WAV no cover") << embedding(audio(F::Wav, Q::K128)) << x + "wav" + meta << "";
        QTest::newRow("FLAC takes a cover") << embedding(audio(F::Flac)) << x + "flac --embed-metadata --embed-thumbnail --embed-chapters" << "";
        QTest::newRow("WebM: no cover, webm streams preferred")
            << embedding(video(720, C::Webm)) << v + "-S res:720,ext:webm:webm --merge-output-format webm" + meta << "v720w+a5";
        QTest::newRow("360 cap, automatic captions embedded") << withSubs(video(360, C::Mp4), {"en", "de"}, S::Embedded, true)
            << v + "-S res:360,ext:mp4:m4a --merge-output-format mp4 --write-subs --write-auto-subs --sub-langs en,de --embed-subs" << "v360+a4";
        QTest::newRow("below every height: the smallest") << video(240, C::Mkv) << v + "-S res:240 --merge-output-format mkv" << "v360+a5";
        QTest::newRow("subtitles beside as srt") << withSubs(video(2160, C::Mkv), {"en", "pt-BR"}, S::BesideSrt)
            << v + "-S res:2160 --merge-output-format mkv --write-subs --sub-langs en,pt-BR --convert-subs srt" << "";
        QTest::newRow("no cap: containers' streams only") << withSubs(video(0, C::Mp4), {"ja"}, S::Embedded)
            << v + "-S ext:mp4:m4a --merge-output-format mp4 --write-subs --sub-langs ja --embed-subs" << "";
        QTest::newRow("audio cannot embed: beside as srt") << withSubs(audio(F::M4a, Q::K192), {"fr"}, S::Embedded)
            << x + "m4a --audio-quality 192k --write-subs --sub-langs fr --convert-subs srt" << "";
        QTest::newRow("audio beside as vtt") << withSubs(audio(F::Mp3, Q::K128), {"fr"}, S::BesideVtt)
            << x + "mp3 --audio-quality 128k --write-subs --sub-langs fr --convert-subs vtt" << "";
        QTest::newRow("hostile, regex, excluding and long tags dropped, repeats once")
            << withSubs(video(480, C::Mp4), {"en;rm -rf", "de", "en.*", "-live_chat", "-en", "de", "a,b", "abcdefghijklmnopq", "", "é", "zh-Hant"},
                        S::BesideVtt)
            << v + "-S res:480,ext:mp4:m4a --merge-output-format mp4 --write-subs --sub-langs de,zh-Hant --convert-subs vtt" << "";
        QTest::newRow("only hostile tags: no subtitle options")
            << withSubs(video(1440, C::Mkv), {"en;rm -rf", "$(id)"}, S::Embedded, true) << v + "-S res:1440 --merge-output-format mkv" << "";
        QTest::newRow("empty language list")
            << withSubs(video(720, C::Mkv), {}, S::Embedded, true) << v + "-S res:720 --merge-output-format mkv" << "";
    }
    void arguments()
    {
        QFETCH(Preset, preset);
        QFETCH(QString, expected);
        QFETCH(QString, picked);
        QCOMPARE(ExtractorArguments(preset), expected.split(QLatin1Char(' ')));
        const QString program = QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
        if (picked.isEmpty() || program.isEmpty())
            return;
        QTemporaryDir dir; // for anything the extractor may leave
        QProcess run;
        run.setWorkingDirectory(dir.path());
        run.start(program, QStringList{"--ignore-config", "--no-cache-dir", "--load-info-json", QStringLiteral(CLIPVAULT_RECIPES_PAGE),
                                       "--simulate", "--print", "format_id"} + ExtractorArguments(preset));
        QVERIFY(run.waitForFinished(60000));
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).trimmed(), picked);
    }

    // Every recipe's options are a list the journal and a download run take back: all kinds,
    // caps, containers, formats, qualities, subtitle choices and embeddings.
    void everyRecipeGivesAcceptedOptions()
    {
        for (Kind kind : {Kind::Video, Kind::Audio})
            for (int height : QList<int>{0} + Heights())
                for (Container container : {C::Mp4, C::Mkv, C::Webm})
                    for (AudioFormat format : {F::Mp3, F::M4a, F::Opus, F::Flac, F::Wav})
                        for (AudioQuality quality : {Q::Best, Q::K320, Q::K192, Q::K128})
                            for (SubtitlePlacement place : {S::Embedded, S::BesideSrt, S::BesideVtt})
                                for (int extras = 0; extras < 16; ++extras) {
                                    Preset p = withSubs(audio(format, quality), extras & 1 ? QStringList{"en", "pt-BR", "-x", "de;id"} : QStringList{},
                                                        place, extras & 2);
                                    p.kind = kind;
                                    p.maxHeight = height;
                                    p.container = container;
                                    p.embedMetadata = p.embedChapters = extras & 4;
                                    p.embedThumbnail = extras & 8;
                                    const QStringList options = ExtractorArguments(p);
                                    QVERIFY2(RecipeOptions::Accepts(options), qPrintable(options.join(QLatin1Char(' '))));
                                }
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

    // What the reader keeps of the stored entries (two good ones are read in every change below).
    void storedEntries_data()
    {
        QTest::addColumn<QByteArray>("entries"); // the lines after "[Settings]", with ' for "
        QTest::addColumn<QString>("loaded");     // the user's presets read back
        const QByteArray ok1 = "Preset.1={'name':'One','kind':'video'}\r\n";
        QTest::newRow("nothing stored") << QByteArray() << "";
        QTest::newRow("count not a number") << "Presets=two\r\n" + ok1 << "";
        QTest::newRow("count past the entries") << "Presets=3\r\n" + ok1 << "One";
        QTest::newRow("entries past the count are stale") << "Presets=1\r\n" + ok1 + "Preset.2={'name':'Two','kind':'video'}\r\n" << "One";
        auto second = [&](const char *entry) { return "Presets=2\r\n" + ok1 + "Preset.2=" + QByteArray(entry) + "\r\n"; };
        QTest::newRow("not JSON") << second("{'name':'Two',") << "One";
        QTest::newRow("an array") << second("['Two']") << "One";
        QTest::newRow("no name") << second("{'kind':'video'}") << "One";
        QTest::newRow("unknown kind") << second("{'name':'Two','kind':'film'}") << "One";
        QTest::newRow("unknown container") << second("{'name':'Two','kind':'video','container':'avi'}") << "One";
        QTest::newRow("height not offered") << second("{'name':'Two','kind':'video','height':1000}") << "One";
        QTest::newRow("height as text") << second("{'name':'Two','kind':'video','height':'720'}") << "One";
        QTest::newRow("fractional height") << second("{'name':'Two','kind':'video','height':720.5}") << "One";
        QTest::newRow("unknown quality") << second("{'name':'Two','kind':'audio','quality':'999k'}") << "One";
        QTest::newRow("hostile language") << second("{'name':'Two','kind':'video','subs':['en;rm -rf']}") << "One";
        QTest::newRow("languages not a list") << second("{'name':'Two','kind':'video','subs':'en'}") << "One";
        QTest::newRow("flag as text") << second("{'name':'Two','kind':'video','chapters':'yes'}") << "One";
        QTest::newRow("a built-in's name") << second("{'name':'best VIDEO','kind':'video'}") << "One";
        QTest::newRow("a name taken before") << second("{'name':'ONE','kind':'audio'}") << "One";
        QTest::newRow("unknown members are ignored") << second("{'name':'Two','kind':'audio','later':1}") << "One Two";
    }
    void storedEntries()
    {
        QFETCH(QByteArray, entries);
        QVERIFY(StandIn::WriteFile(settingsFile(), "[Settings]\r\n" + entries.replace('\'', '"')));
        const QList<Preset> presets = LoadPresets();
        QCOMPARE(presets.mid(0, BuiltIns().size()), BuiltIns());
        QTEST(names(presets.mid(BuiltIns().size())).join(QLatin1Char(' ')), "loaded");
    }

    void changes_data()
    {
        QTest::addColumn<QString>("change"); // add, edit, rename or delete
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("newName"); // of the added, edited or renamed preset
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("after"); // the user's presets
        const QString both = QStringLiteral("Talks,Clips");
        QTest::newRow("add") << "add" << "" << "Lectures" << true << "Talks,Clips,Lectures";
        QTest::newRow("add: name with quotes and a line break") << "add" << "" << "Say \"hi\"\nthere" << true << "Talks,Clips,Say \"hi\"\nthere";
        QTest::newRow("add: name trimmed") << "add" << "" << "  Lectures " << true << "Talks,Clips,Lectures";
        QTest::newRow("add: a built-in's name") << "add" << "" << " best VIDEO" << false << both;
        QTest::newRow("add: taken") << "add" << "" << "talks" << false << both;
        QTest::newRow("add: blank") << "add" << "" << "  " << false << both;
        QTest::newRow("edit") << "edit" << "talks" << "Talks" << true << both;
        QTest::newRow("edit under a new name") << "edit" << "Clips" << "Shorts" << true << "Talks,Shorts";
        QTest::newRow("edit: a built-in") << "edit" << "720p MP4" << "720p MP4" << false << both;
        QTest::newRow("edit: to another's name") << "edit" << "Clips" << "TALKS" << false << both;
        QTest::newRow("rename") << "rename" << "Talks" << "Podcasts" << true << "Podcasts,Clips";
        QTest::newRow("rename: same name, other case") << "rename" << "Clips" << "CLIPS" << true << "Talks,CLIPS";
        QTest::newRow("rename: a built-in") << "rename" << "1080p MP4" << "Mine" << false << both;
        QTest::newRow("rename: to a built-in's name") << "rename" << "Talks" << "Audio only (M4A)" << false << both;
        QTest::newRow("rename: to another's name") << "rename" << "Talks" << "clips" << false << both;
        QTest::newRow("rename: nothing of that name") << "rename" << "Nothing" << "Mine" << false << both;
        QTest::newRow("delete the first") << "delete" << "Talks" << "" << true << "Clips,";
        QTest::newRow("delete the last") << "delete" << "clips" << "" << true << "Talks,";
        QTest::newRow("delete: a built-in") << "delete" << "Audio only (MP3)" << "" << false << both;
        QTest::newRow("delete: nothing of that name") << "delete" << "Nothing" << "" << false << both;
        // A settings file that cannot be read is not written anew: the change is refused.
        QTest::newRow("add: settings unreadable") << "unreadable" << "" << "Mine" << false << "";
    }
    void changes()
    {
        QFETCH(QString, change);
        QFETCH(QString, name);
        QFETCH(QString, newName);
        QFETCH(bool, ok);
        QFETCH(QString, after);
        QVERIFY(StandIn::WriteFile(settingsFile(), kTwoPresets));
        const QList<Preset> before = LoadPresets();
        const bool unreadable = change == QLatin1String("unreadable");
        if (unreadable)
            QVERIFY(QFile::remove(settingsFile()) && QDir(program.path()).mkdir(QStringLiteral("Settings.ini")));

        // The added or edited preset uses every field, so reading it back proves the encoding.
        Preset rich = withSubs(embedding(video(1440, C::Webm)), {"en", "pt-BR"}, S::BesideVtt, true);
        rich.name = newName;
        const StoreResult result = change == QLatin1String("add") || unreadable ? AddPreset(rich)
                                   : change == QLatin1String("edit")            ? EditPreset(name, rich)
                                   : change == QLatin1String("rename")          ? RenamePreset(name, newName)
                                                                                : DeletePreset(name);

        QCOMPARE(result.ok, ok);
        QCOMPARE(result.reason.isEmpty(), ok);
        const QList<Preset> presets = LoadPresets();
        QCOMPARE(presets.mid(0, BuiltIns().size()), BuiltIns());
        QCOMPARE(names(presets.mid(BuiltIns().size())), list(after));
        if (unreadable) {
            QVERIFY2(result.reason.contains(settingsFile()), qPrintable(result.reason));
            QVERIFY(QDir(program.path()).rmdir(QStringLiteral("Settings.ini")));
            return;
        }
        const QString count = QString::number(list(after).size());
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("Presets"), settingsFile()), count);
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("VideoSavePath"), settingsFile()), QStringLiteral("/v/"));
        // A deleted preset leaves no entry behind the count.
        QCOMPARE(IniFile::read(QStringLiteral("Settings"), QStringLiteral("Preset.%1").arg(list(after).size() + 1), settingsFile()), QString());
        if (!ok) {
            QCOMPARE(StandIn::FileBytes(settingsFile()), kTwoPresets);
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

    void missingLanguages_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QString>("subtitles");
        QTest::addColumn<QString>("captions");
        QTest::addColumn<QString>("missing");
        QTest::newRow("all offered") << "en de" << false << "de en fr" << "" << "";
        QTest::newRow("one missing, in the preset's order") << "ja en ko" << false << "en" << "" << "ja ko";
        QTest::newRow("captions count when taken") << "en es" << true << "en" << "es" << "";
        QTest::newRow("captions do not count otherwise") << "en es" << false << "en" << "es" << "es";
        QTest::newRow("tags compared as the extractor does") << "en pt-BR" << false << "en-US pt-br" << "" << "en pt-BR";
        QTest::newRow("hostile tags are not named") << "en;rm -rf,fr" << false << "" << "" << "fr";
        QTest::newRow("no languages") << "" << true << "en" << "" << "";
    }
    void missingLanguages()
    {
        QFETCH(QString, wanted);
        QFETCH(bool, automatic);
        QFETCH(QString, subtitles);
        QFETCH(QString, captions);
        const Preset p = withSubs(video(0, C::Mkv), list(wanted), S::Embedded, automatic);
        QTEST(MissingLanguages(p, list(subtitles), list(captions)).join(QLatin1Char(' ')), "missing");
    }
};

QTEST_GUILESS_MAIN(TestRecipes)
#include "tst_recipes.moc"
