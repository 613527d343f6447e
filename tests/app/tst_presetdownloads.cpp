// Presets chosen in the video tab and fetched by the real extractor (Debian's yt-dlp, with
// ffmpeg) from a page of real media that ffmpeg makes: the files are read back by ffprobe.

#include "analysis/VideoPanel.h"
#include "demosite/clips.h"
#include "downloads/DownloadPanel.h"
#include "extractor/ExtractorDownloads.h"
#include "extractor/ExtractorProgram.h"
#include "pages/ExtractorLookup.h"
#include "queue/DownloadJournal.h"
#include "queue/ProgressText.h"
#include "recipes/PresetChoice.h"
#include "recipes/PresetStore.h"
#include "recipes/RecipeArguments.h"
#include "support/MediaTools.h"
#include "support/SeamRecorder.h"
#include "support/StandIn.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

using Recipes::Preset;
Q_DECLARE_METATYPE(Recipes::Preset)

namespace {

constexpr int CardSeconds = 4;

Preset builtIn(const QString &name)
{
    for (const Preset &preset : Recipes::BuiltIns())
        if (preset.name == name)
            return preset;
    return Preset();
}

} // namespace

class TestPresetDownloads : public QObject, private WindowFixture
{
    Q_OBJECT

    QTemporaryDir m_files;
    bool m_card = false;

    // Reads page in the window's video tab, chooses the preset called name in "Preset:" and
    // presses Download; false unless that adds a row.
    static bool downloadWith(frmMain *window, const QString &page, const QString &name)
    {
        VideoPanel *video = window->videoPanel();
        video->reloadPresets();
        video->loadAddress(page);
        if (!QTest::qWaitFor([video] { return !video->extractorLookup()->isAsking() && video->cboPreset->isEnabled(); }, 90000)
            || video->cboPreset->findText(name) <= 0)
            return false;
        video->cboPreset->setCurrentIndex(video->cboPreset->findText(name));
        video->cmdDownload->click();
        return QTest::qWaitFor([window] { return window->downloadPanel()->lvwDownloads->topLevelItemCount() == 1; }, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_files.filePath(QStringLiteral("cache"))));
        m_card = ExtractorProgram::CanMerge()
                 && MediaTools::MakeCardPage(m_files.filePath(QStringLiteral("site/files/card")), CardSeconds);
        QVERIFY(startSite({QStringLiteral("--extra"), m_files.filePath(QStringLiteral("site"))}));
    }

    void init()
    {
        if (!m_card)
            QSKIP("ffmpeg is not installed or made no media (scripts/install-deps.sh)");
        QVERIFY(clearFolders());
    }

    // The preset chosen in "Preset:" gives its kind of file, with the steps of its post-processing
    // said on the way and never 100 % before the file is whole; the journal keeps the recipe.
    void presetGivesTheFile_data()
    {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QString>("container");   // how ffprobe's name for it begins
        QTest::addColumn<QStringList>("streams"); // audio by codec, moving picture by height, subtitles by language
        QTest::addColumn<QString>("step");        // a caption on the way
        QTest::addColumn<QString>("endCaption");
        QTest::addColumn<QString>("beside"); // the ending of a subtitle file beside it; empty: none
        QTest::addColumn<bool>("taken");     // a file of the user's has that name already

        const QString downloaded = ProgressText::Downloaded;
        const QStringList mp3{"audio mp3"}, aac{"audio aac"};
        QTest::newRow("Audio only (MP3)") << builtIn("Audio only (MP3)") << "mp3" << mp3 << "Converting to MP3..." << downloaded
                                          << QString() << false;
        QTest::newRow("Audio only (M4A)") << builtIn("Audio only (M4A)") << "mov,mp4" << aac << "Embedding thumbnail..."
                                          << downloaded << QString() << false;
        QTest::newRow("720p MP4 takes the taller") << builtIn("720p MP4") << "mov,mp4" << QStringList{"audio aac", "video 480"}
                                                   << "Embedding metadata..." << downloaded << QString() << false;
        Preset subtitled;
        subtitled.name = QStringLiteral("Small with words");
        subtitled.maxHeight = 360;
        subtitled.container = Recipes::Container::Mkv;
        subtitled.subtitleLanguages = QStringList{QStringLiteral("en"), QStringLiteral("fr")};
        subtitled.embedMetadata = true;
        QTest::newRow("360 cap, English embedded, French missing")
            << subtitled << "matroska" << QStringList{"audio aac", "subtitle eng", "video 240"} << "Embedding subtitles..."
            << downloaded + QStringLiteral(" No subtitles in: fr.") << QString() << false;
        Preset lecture = builtIn("Audio only (MP3)");
        lecture.name = QStringLiteral("Lecture");
        lecture.subtitleLanguages = QStringList{QStringLiteral("de")};
        lecture.subtitlePlacement = Recipes::SubtitlePlacement::BesideSrt;
        QTest::newRow("German beside as SubRip") << lecture << "mp3" << mp3 << "Converting to MP3..." << downloaded << ".de.srt"
                                                 << false;
        QTest::newRow("beside, where a file has its name") << lecture << "mp3" << mp3 << "Converting to MP3..." << downloaded
                                                           << ".de.srt" << true;
    }
    void presetGivesTheFile()
    {
        QFETCH(Preset, preset);
        QFETCH(QString, container);
        QFETCH(QStringList, streams);
        QFETCH(QString, step);
        QFETCH(QString, endCaption);
        QFETCH(QString, beside);
        QFETCH(bool, taken);
        if (!Recipes::IsBuiltInName(preset.name))
            QVERIFY(Recipes::AddPreset(preset).ok);

        SeamRecorder seam;
        auto window = openWindow();
        VideoPanel *video = window->videoPanel();
        DownloadPanel *downloads = window->downloadPanel();
        QStringList captions;
        QObject guard;
        const auto record = [downloads, &captions] { captions.append(downloads->records().at(0).caption); };
        connect(downloads->DownloadStream, &ExtractorDownloads::Progress, &guard, record);
        connect(downloads->DownloadStream, &ExtractorDownloads::Step, &guard, record);
        QVERIFY(downloadWith(window.get(), site.root() + QStringLiteral("/files/card/index.html"), preset.name));
        QCOMPARE(video->lblSubtitles->text(), QStringLiteral("Subtitles: de, en"));
        const QString mine = videos.filePath(QFileInfo(downloads->records().at(0).fileName).completeBaseName() + beside);
        if (taken)
            QVERIFY(StandIn::WriteFile(mine, "the user's own"));
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 120000);
        const DownloadRecord row = downloads->records().at(0);
        QCOMPARE(row.caption, endCaption);
        QVERIFY2(seam.calls.isEmpty(), qPrintable(seam.messages().join(QLatin1Char('\n'))));
        QVERIFY2(row.fileName.endsWith(Recipes::FileSuffix(preset)), qPrintable(row.fileName));
        // Beside it, or under a numbered name beside a file of the user's, which stays as it was.
        const QString sideName = QFileInfo(row.fileName).completeBaseName() + beside.left(beside.lastIndexOf(QLatin1Char('.')))
                                 + (taken ? QStringLiteral(" [1]") : QString()) + beside.mid(beside.lastIndexOf(QLatin1Char('.')));
        QStringList files{row.fileName};
        if (!beside.isEmpty())
            files << sideName;
        if (taken) {
            files << QFileInfo(mine).fileName();
            QCOMPARE(StandIn::FileBytes(mine), QByteArray("the user's own"));
        }
        files.sort();
        QTRY_COMPARE(everythingIn(videos.path()), files);
        if (!beside.isEmpty())
            QVERIFY(StandIn::FileBytes(videos.filePath(sideName)).contains("00:00:00,000 --> 00:00:02,000\nHallo da"));

        // The bar starts low (the subtitles fetched first are no stream of it) and never runs back;
        // the step is said after the last percentage, and no percentage is 100.
        const qsizetype stepAt = captions.lastIndexOf(step);
        QVERIFY2(stepAt >= 0, qPrintable(captions.join(QLatin1Char('\n'))));
        const QRegularExpression percent(QStringLiteral(" - ([0-9]+)%$"));
        QList<int> shown;
        for (qsizetype i = 0; i < captions.size(); ++i) {
            const QRegularExpressionMatch match = percent.match(captions.at(i));
            QVERIFY2(!match.hasMatch() || (i < stepAt && match.captured(1).toInt() < 100), qPrintable(captions.at(i)));
            if (match.hasMatch())
                shown << match.captured(1).toInt();
        }
        QVERIFY2(!shown.isEmpty() && shown.first() < 50 && std::is_sorted(shown.begin(), shown.end()),
                 qPrintable(captions.join(QLatin1Char('\n'))));

        const MediaTools::Probed media = MediaTools::Probe(videos.filePath(row.fileName));
        QVERIFY2(media.container.startsWith(container), qPrintable(media.container));
        QVERIFY2(std::abs(media.seconds - CardSeconds) < 0.3, qPrintable(QString::number(media.seconds)));
        QCOMPARE(media.title, video->videoInfo().title);
        QStringList made, covers;
        for (const MediaTools::Stream &stream : media.streams) {
            if (stream.kind == QLatin1String("audio"))
                made << QStringLiteral("audio ") + stream.codec;
            else if (stream.kind == QLatin1String("video"))
                (stream.attachedPicture ? covers : made) << QStringLiteral("video %1").arg(stream.height);
            else if (stream.kind == QLatin1String("subtitle"))
                made << QStringLiteral("subtitle ") + stream.language;
        }
        made.sort();
        QCOMPARE(made, streams);
        QCOMPARE(covers.size(), preset.embedThumbnail ? 1 : 0);

        // The journal keeps the row's recipe.
        const DownloadJournal::Loaded loaded = DownloadJournal(downloads->journal()->path()).load();
        QCOMPARE(loaded.rows.size(), 1);
        QCOMPARE(loaded.rows.first().recipe, Recipes::ExtractorArguments(preset));
        QCOMPARE(loaded.rows.first().presetName, preset.name);
    }

    // A page without the container a preset asks for: the row's file is named as what the
    // extractor made (a single MP4 file, fetched as it is).
    void fileTakesTheKindTheExtractorMade()
    {
        Preset webm;
        webm.name = QStringLiteral("WebM");
        webm.container = Recipes::Container::Webm;
        QVERIFY(Recipes::AddPreset(webm).ok);
        SeamRecorder seam;
        auto window = openWindow();
        DownloadPanel *downloads = window->downloadPanel();
        const demosite::Clip &clip = *demosite::findClip(demosite::clips::jsonLd);
        QVERIFY(downloadWith(window.get(), site.root() + QString::fromStdString(demosite::clipPagePath(clip.name)), webm.name));
        QVERIFY(downloads->records().at(0).fileName.endsWith(QStringLiteral(".webm")));
        QTRY_VERIFY_WITH_TIMEOUT(downloads->records().at(0).state != StateDownloading, 120000);
        const DownloadRecord row = downloads->records().at(0);
        QCOMPARE(row.caption, ProgressText::Downloaded);
        QVERIFY2(row.fileName.endsWith(QStringLiteral(".mp4")), qPrintable(row.fileName));
        QCOMPARE(everythingIn(videos.path()), QStringList{row.fileName});
        QVERIFY(StandIn::FileBytes(videos.filePath(row.fileName)) == StandIn::ClipMedia(clip, clip.sources.front()));
        QVERIFY(seam.calls.isEmpty());
    }
};

QTEST_MAIN(TestPresetDownloads)
#include "tst_presetdownloads.moc"
