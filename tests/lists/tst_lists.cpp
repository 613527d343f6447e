// The checklist of a list without widgets: what starts checked, "Select all" and "Select none"
// on the rows shown, the filter, ranges with Shift; the rows the list hands to the download
// core; and adding more entries than the download list has room for.

#include "base/AppState.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "demosite/lists.h"
#include "lists/ListChoice.h"
#include "lists/ListDownload.h"
#include "lists/VideoListFilter.h"
#include "lists/VideoListModel.h"
#include "queue/DownloadArchive.h"
#include "queue/DownloadQueue.h"
#include "support/SeamRecorder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Entries 1..count with the demo feed's titles (four topics in turn) and durations.
VideoList feedList(int count, const QString &host = QStringLiteral("http://127.0.0.1:9"))
{
    VideoList list;
    list.title = QString::fromUtf8(demosite::lists::feedTitle.data());
    for (int n = 1; n <= count; ++n) {
        const int seconds = demosite::lists::episodeSeconds(n);
        list.entries.append({n, QString::fromStdString(demosite::lists::episodeTitle(n)), seconds ? seconds : -1,
                             host + QStringLiteral("/listmedia/episode-%1.mp4").arg(n), QStringLiteral("Generic"),
                             QStringLiteral("episode-%1").arg(n)});
    }
    return list;
}

QString positions(const QList<VideoListEntry> &entries)
{
    QStringList out;
    for (const VideoListEntry &entry : entries)
        out << QString::number(entry.position);
    return out.join(QLatin1Char(','));
}

// The positions of the rows whose cell in column holds text.
QString column(const QAbstractItemModel &model, int column)
{
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString text = model.index(row, column).data().toString();
        if (!text.isEmpty())
            out << model.index(row, VideoListModel::ColPosition).data().toString();
    }
    return out.join(QLatin1Char(','));
}

} // namespace

class TestLists : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        AppState::setAppPath(m_dir.path());
        // Rows added here end at once: no extractor can be started.
        IniFile::write(QStringLiteral("Settings"), QStringLiteral("ExtractorPath"), m_dir.filePath(QStringLiteral("none")),
                       Settings::FilePath());
    }

    // A list of ten with episodes 3 and 8 in the archive, then the user's steps: "filter:TEXT",
    // "all", "none" (the buttons), "click:N" and "shift:N" (on the N-th row shown, from 0),
    // "box:N" (the view's own toggle of a check box).
    void checklist_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("checked"); // positions, in list order
        QTest::addColumn<QString>("shown");
        const QString all = QStringLiteral("1,2,3,4,5,6,7,8,9,10");
        QTest::newRow("listed: all but the archived") << "" << "1,2,4,5,6,7,9,10" << all;
        QTest::newRow("none, then all") << "none all" << all << all;
        QTest::newRow("clicks toggle") << "click:0 click:2" << "2,3,4,5,6,7,9,10" << all;
        QTest::newRow("Shift checks from the anchor") << "none click:1 shift:5" << "2,3,4,5,6" << all;
        QTest::newRow("Shift upwards") << "none click:8 shift:6" << "7,8,9" << all;
        QTest::newRow("the range takes the anchor's state") << "click:6 shift:3" << "1,2,9,10" << all;
        QTest::newRow("Shift without anchor toggles") << "shift:0" << "2,4,5,6,7,9,10" << all;
        QTest::newRow("a box toggled in the view is the anchor") << "none box:3 shift:5" << "4,5,6" << all;
        QTest::newRow("filter, any case") << "filter:FERRY" << "1,2,4,5,6,7,9,10" << "2,6,10";
        QTest::newRow("none acts on the rows shown") << "filter:ferry none" << "1,4,5,7,9" << "2,6,10";
        QTest::newRow("all acts on the rows shown") << "none filter:tides all" << "4,8" << "4,8";
        QTest::newRow("a range over the rows shown") << "none filter:harbour click:0 shift:2" << "1,5,9" << "1,5,9";
        QTest::newRow("a hidden anchor starts anew") << "click:1 filter:tides shift:1" << "1,4,5,6,7,8,9,10" << "4,8";
        QTest::newRow("filter cleared") << "filter:fog filter:" << "1,2,4,5,6,7,9,10" << all;
    }
    void checklist()
    {
        QFETCH(QString, steps);
        QFETCH(QString, checked);
        VideoListModel model;
        VideoListFilter filter(&model);
        QSignalSpy counts(&model, &VideoListModel::checkedCountChanged);
        model.setList(feedList(10), {DownloadArchive::lineFor("Generic", "episode-3"), DownloadArchive::lineFor("Generic", "episode-8"),
                                     QStringLiteral("generic episode-11")});
        QCOMPARE(column(model, VideoListModel::ColNote), QStringLiteral("3,8"));
        QCOMPARE(model.index(2, VideoListModel::ColPosition).data(Qt::AccessibleTextRole).toString(),
                 QStringLiteral("Episode 3: Fog: who sounds the horn?, already downloaded"));
        for (const QString &step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString name = step.section(QLatin1Char(':'), 0, 0);
            const QString argument = step.section(QLatin1Char(':'), 1);
            if (name == QLatin1String("filter"))
                filter.setFilterText(argument);
            else if (name == QLatin1String("all") || name == QLatin1String("none"))
                filter.checkShown(name == QLatin1String("all"));
            else if (name == QLatin1String("box")) {
                const QModelIndex box = filter.index(argument.toInt(), VideoListModel::ColPosition);
                QVERIFY(filter.setData(box, box.data(Qt::CheckStateRole).toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked,
                                       Qt::CheckStateRole));
            } else
                filter.click(argument.toInt(), name == QLatin1String("shift"));
        }
        model.setChecked({-1, model.rowCount()}, true); // rows the list does not have: nothing changes
        QCOMPARE(positions(model.checkedEntries()), checked);
        QTEST(column(filter, VideoListModel::ColTitle), "shown");
        QCOMPARE(model.checkedCount(), checked.split(QLatin1Char(',')).size());
        QCOMPARE(counts.constLast().at(0).toInt(), model.checkedCount());
    }

    void durations_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("unknown") << qint64(-1) << "";
        QTest::newRow("none") << qint64(0) << "0:00";
        QTest::newRow("minutes") << qint64(97) << "1:37";
        QTest::newRow("an hour") << qint64(3600) << "1:00:00";
        QTest::newRow("hours") << qint64(37325) << "10:22:05";
    }
    void durations()
    {
        QFETCH(qint64, seconds);
        QTEST(VideoListModel::durationText(seconds), "shown");
    }

    // What each entry's row is handed: the page to read again when it starts, the choice's
    // format, a key of its own, the archive's line; the list's folder named as files are.
    void rowsOfAList_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("listTitle");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("best") << int(ListChoice::Best) << "Harbour Radio: the podcast" << "Harbour Radio the podcast" << "bv*+ba/b" << ".mp4";
        QTest::newRow("720p") << int(ListChoice::AtMost720) << "a/b" << "ab" << "bv*[height<=?720]+ba/b[height<=?720]/wv*+ba/w" << ".mp4";
        QTest::newRow("audio") << int(ListChoice::AudioOnly) << ".." << "list" << "ba" << ".m4a";
        QTest::newRow("untitled") << int(ListChoice::AtMost480) << " ?* " << "list" << "bv*[height<=?480]+ba/b[height<=?480]/wv*+ba/w" << ".mp4";
    }
    void rowsOfAList()
    {
        QFETCH(int, choice);
        QFETCH(QString, listTitle);
        QFETCH(QString, folder);
        const QString listFolder = ListChoice::FolderFor(m_dir.path(), listTitle);
        QCOMPARE(listFolder, m_dir.path() + QLatin1Char('/') + folder);
        VideoList list = feedList(2);
        list.entries[0].pageAddress += QStringLiteral("#kept");
        QSet<QString> keys;
        for (const VideoListEntry &entry : list.entries) {
            const DownloadChoice row = ListChoice::For(entry, choice, listFolder);
            QVERIFY(row.byExtractor);
            QCOMPARE(row.watchPage, entry.pageAddress);
            QTEST(row.encoding, "format");
            QTEST(row.suffix, "suffix");
            QCOMPARE(row.folder, listFolder);
            QCOMPARE(row.archiveLine, QStringLiteral("generic ") + entry.id);
            QCOMPARE(row.videoTitle, QString(entry.title).remove(QLatin1Char(':')).remove(QLatin1Char('?')));
            QVERIFY(row.mediaAddress.startsWith(entry.pageAddress.section(QLatin1Char('#'), 0, 0) + QLatin1Char('#')));
            keys << row.mediaAddress;
        }
        QCOMPARE(keys.size(), 2);
        VideoListEntry local = list.entries.at(1);
        local.pageAddress = QStringLiteral("file:///etc/passwd");
        QVERIFY(ListChoice::For(local, choice, QString()).mediaAddress.isEmpty());
    }

    // Adding a list to a download list that holds `before` rows already (the first `same` of them
    // the list's own entries): the rows that fit, the question, the limit message.
    void addingAList_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("same");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("message");
        QTest::newRow("all fit") << 0 << 0 << 5 << 0 << 5 << "";
        QTest::newRow("the first 25 of 30") << 0 << 0 << 30 << int(UiSeam::Yes) << 25 << ListDownload::FitQuestion(25, 30);
        QTest::newRow("declined") << 0 << 0 << 30 << int(UiSeam::No) << 0 << ListDownload::FitQuestion(25, 30);
        QTest::newRow("exactly the room left") << 20 << 0 << 5 << 0 << 5 << "";
        QTest::newRow("room for 3 of 4") << 22 << 0 << 4 << int(UiSeam::Yes) << 3 << ListDownload::FitQuestion(3, 4);
        QTest::newRow("no room") << 25 << 0 << 2 << 0 << 0 << "Sorry, but you can do a maximum of 25";
        QTest::newRow("rows already there are left out") << 3 << 3 << 8 << 0 << 5 << "";
        QTest::newRow("every entry a row already") << 2 << 2 << 2 << 0 << 0 << "You are already downloading this video! ";
    }
    void addingAList()
    {
        QFETCH(int, before);
        QFETCH(int, same);
        QFETCH(int, entries);
        QFETCH(int, answer);
        QFETCH(int, added);
        QFETCH(QString, message);
        SeamRecorder seam;
        if (answer)
            seam.queueAnswer(answer);
        QTemporaryDir videos;
        DownloadQueue queue;
        queue.setSavePath(videos.path());
        VideoList list = feedList(entries);
        for (VideoListEntry &entry : list.entries)
            entry.title = QStringLiteral("Episode %1").arg((entry.position + 1) / 2); // titles in pairs
        for (int row = 0; row < before; ++row) {
            const DownloadChoice earlier = row < same ? ListChoice::For(list.entries.at(row), ListChoice::Best, QString())
                                                      : ListChoice::For(feedList(1, QStringLiteral("http://other%1.example").arg(row)).entries.at(0),
                                                                        ListChoice::Best, QString());
            QVERIFY(queue.appendRow(earlier, QStringLiteral("earlier %1.mp4").arg(row)));
        }

        QCOMPARE(ListDownload::Add(queue, list.entries, ListChoice::Best, QString()), added);
        const QStringList messages = seam.messages();
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(messages.constFirst().startsWith(message), qPrintable(messages.constFirst()));
        QCOMPARE(queue.records().count(), before + added);
        QSet<QString> names;
        for (int row = before; row < queue.records().count(); ++row) {
            // In list order, each under a name of its own although titles come in pairs.
            QCOMPARE(queue.records().at(row).watchPage, list.entries.at(same + row - before).pageAddress);
            names << queue.records().at(row).fileName;
        }
        QCOMPARE(names.size(), added);
    }
};

QTEST_GUILESS_MAIN(TestLists)
#include "tst_lists.moc"
