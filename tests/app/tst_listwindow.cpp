// Lists in the real window against the demo site, read by the real extractor: the checklist as
// a screen reader meets it, a few entries chosen with the keyboard, Shift+click and the filter,
// downloaded into a folder named after the list byte for byte, and unchecked as already
// downloaded when the list is shown again; a feed of 5,000 episodes shows whole.

#include "analysis/VideoListPanel.h"
#include "analysis/VideoPanel.h"
#include "demosite/clips.h"
#include "demosite/lists.h"
#include "downloads/DownloadPanel.h"
#include "lists/VideoListModel.h"
#include "pages/ExtractorLookup.h"
#include "support/SeamRecorder.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

namespace {

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QAccessibleTableInterface *checklistTable(VideoListPanel *panel)
{
    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(panel->tvwListVideos);
    return view ? view->tableInterface() : nullptr;
}

} // namespace

class TestListWindow : public QObject, private WindowFixture
{
    Q_OBJECT

    QTemporaryDir m_cache;

    // Shows the address in the video tab and waits until the extractor has answered with a list.
    static bool showList(VideoPanel *video, const QString &address)
    {
        video->loadAddress(address);
        return QTest::qWaitFor([video] { return !video->extractorLookup()->isAsking() && video->showsList(); }, 120000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_cache.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path())); // the extractor's cache
        QVERIFY(startSite());
    }

    // The site's lists as the extractor lists them, as a screen reader hears them; the filter
    // finds one entry among them.
    void listsTheSitesLists_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("intoFolder");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("found"); // the position of the one entry the filter leaves
        const QString feed = q(demosite::lists::feedPath), first = q(demosite::lists::episodeTitle(1));
        QTest::newRow("feed") << feed << q(demosite::lists::feedTitle) << 30 << first << true << "episode 30" << 30;
        QTest::newRow("feed of one") << feed + "?items=1" << q(demosite::lists::feedTitle) << 1 << first << false << "Episode 1:" << 1;
        QTest::newRow("feed of 5,000") << feed + "?items=5000" << q(demosite::lists::feedTitle) << 5000 << first << true
                                       << "Episode 4321:" << 4321;
        QTest::newRow("page with three videos") << q(demosite::lists::threeVideosPath) << q(demosite::lists::threeVideosTitle)
                                                << 3 << q(demosite::lists::threeVideosTitle) + " (1)" << true << "(3)" << 3;
    }
    void listsTheSitesLists()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(bool, intoFolder);
        QFETCH(QString, filter);
        QFETCH(int, found);
        SeamRecorder seam;
        auto window = openWindow();
        VideoListPanel *list = window->videoPanel()->listPanel;
        QVERIFY(showList(window->videoPanel(), site.root() + path));
        QCOMPARE(seam.messages(), QStringList());
        QCOMPARE(list->lblListTitle->text(), title);
        // A screen reader hears the value itself, its caption as the description.
        QCOMPARE(QAccessible::queryAccessibleInterface(list->lblListTitle)->text(QAccessible::Name), title);
        // Each caption stands on its value's line, just before it.
        for (QLabel *value : {list->lblListTitle, list->lblListUploader, list->lblListCount, list->lblListSelected}) {
            const QList<QLabel *> labels = list->findChildren<QLabel *>();
            const auto caption = std::find_if(labels.begin(), labels.end(), [value](QLabel *l) { return l->buddy() == value; });
            QVERIFY(caption != labels.end());
            QTRY_COMPARE((*caption)->geometry().center().y(), value->geometry().center().y());
            QVERIFY((*caption)->geometry().right() < value->geometry().left());
        }
        QCOMPARE(list->lblListCount->text(), QString::number(count));
        QCOMPARE(list->chkListFolder->isChecked(), intoFolder);
        QVERIFY(list->cmdDownloadSelected->isEnabled());

        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(list->tvwListVideos);
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Videos in this list"));
        QAccessibleTableInterface *table = checklistTable(list);
        QCOMPARE(table->rowCount(), count);
        QAccessibleInterface *box = table->cellAt(0, VideoListModel::ColPosition);
        QCOMPARE(box->text(QAccessible::Name), first);
        QVERIFY(box->state().checkable && box->state().checked);
        QCOMPARE(table->cellAt(0, VideoListModel::ColTitle)->text(QAccessible::Name), first);
        QTest::keyClicks(list->txtListFilter, filter);
        QCOMPARE(list->tvwListVideos->model()->rowCount(), 1);
        QCOMPARE(list->tvwListVideos->model()->index(0, VideoListModel::ColPosition).data().toInt(), found);
    }

    // Five of thirty: Space, Shift+click and the filter choose them; "Download selected" adds them
    // in list order; each file is the site's bytes, in a folder named after the list. Listed again,
    // those five are unchecked and marked.
    void downloadsChosenEntries()
    {
        SeamRecorder seam;
        auto window = openWindow();
        VideoListPanel *list = window->videoPanel()->listPanel;
        const QString feed = site.root() + q(demosite::lists::feedPath);
        QVERIFY(showList(window->videoPanel(), feed));
        QTreeView *view = list->tvwListVideos;
        QTest::mouseClick(list->cmdSelectNone, Qt::LeftButton);
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("0"));
        QVERIFY(!list->cmdDownloadSelected->isEnabled());
        view->setFocus();
        view->setCurrentIndex(view->model()->index(1, VideoListModel::ColTitle));
        QTest::keyClick(view, Qt::Key_Space);
        const QRect fourth = view->visualRect(view->model()->index(3, VideoListModel::ColTitle));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, fourth.center());
        // One by the keyboard, one by a screen reader's Toggle on the row, which Qt would take
        // for selecting it.
        for (const QString &only : {QStringLiteral("episode 30"), QStringLiteral("Episode 11")}) {
            QTest::keyClicks(list->txtListFilter, only);
            QCOMPARE(view->model()->rowCount(), 1);
            if (only.startsWith(QLatin1Char('e'))) {
                view->setCurrentIndex(view->model()->index(0, VideoListModel::ColDuration));
                QTest::keyClick(view, Qt::Key_Space);
            } else {
                QAccessibleInterface *box = nullptr; // once the tree has laid out the rows shown
                QTRY_VERIFY((box = checklistTable(list)->cellAt(0, VideoListModel::ColPosition)));
                box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
                QVERIFY(box->state().checked);
            }
            list->txtListFilter->clear();
        }
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("5"));
        QAccessibleInterface *twice = nullptr;
        QTRY_VERIFY((twice = checklistTable(list)->cellAt(9, VideoListModel::ColPosition)));
        for (const bool checked : {true, false}) {
            twice->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            QCOMPARE(twice->state().checked, checked);
        }
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("5"));
        list->cboListQuality->setCurrentIndex(2); // "At most 720p"
        QCOMPARE(list->cboListQuality->currentText(), QStringLiteral("At most 720p"));
        QTest::mouseClick(list->cmdDownloadSelected, Qt::LeftButton);

        const QList<int> chosen{2, 3, 4, 11, 30};
        DownloadPanel *downloads = window->downloadPanel();
        QCOMPARE(downloads->records().count(), chosen.size());
        QTRY_COMPARE_WITH_TIMEOUT(downloads->records().countInState(StateDownloaded), chosen.size(), 120000);
        const QDir folder(videos.filePath(QStringLiteral("Harbour Radio the podcast")));
        QStringList expectedNames;
        for (int row = 0; row < chosen.size(); ++row) {
            const std::string name = demosite::lists::episodeName(chosen.at(row));
            const QString fileName = QString::fromStdString(demosite::lists::episodeTitle(chosen.at(row)))
                                         .remove(QLatin1Char(':')).remove(QLatin1Char('?')) + QStringLiteral(".mp4");
            QCOMPARE(downloads->records().at(row).fileName, fileName);
            const QByteArray served = site.get(q(demosite::lists::mediaPath(name)));
            QCOMPARE(served.size(), qsizetype(demosite::lists::mediaSize(name)));
            QFile saved(folder.filePath(fileName));
            QVERIFY2(saved.open(QIODevice::ReadOnly), qPrintable(saved.fileName()));
            QVERIFY2(saved.readAll() == served, qPrintable(fileName));
            expectedNames << fileName;
        }
        expectedNames.sort();
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), expectedNames);
        QCOMPARE(seam.messages(), QStringList());

        // A page of one video after the list: that video's details again.
        const demosite::Clip &clip = *demosite::findClip(demosite::clips::jsonLd);
        window->videoPanel()->loadAddress(site.root() + q(demosite::clipPagePath(clip.name)));
        QTRY_COMPARE_WITH_TIMEOUT(window->videoPanel()->lblTitle->text(), q(clip.title), 120000);
        QVERIFY(!window->videoPanel()->showsList());
        QCOMPARE(list->model()->rowCount(), 0);

        // Shown again: what was downloaded starts unchecked, marked.
        QVERIFY(showList(window->videoPanel(), feed));
        QAccessibleTableInterface *table = checklistTable(list);
        for (int row = 0; row < 30; ++row) {
            const bool done = chosen.contains(row + 1);
            QAccessibleInterface *box = table->cellAt(row, VideoListModel::ColPosition);
            QCOMPARE(box->state().checked, !done);
            QCOMPARE(box->text(QAccessible::Name).endsWith(QStringLiteral(", already downloaded")), done);
            QCOMPARE(table->cellAt(row, VideoListModel::ColNote)->text(QAccessible::Name),
                     done ? QStringLiteral("already downloaded") : QString());
        }
        QCOMPARE(list->lblListSelected->text(), QStringLiteral("25"));
    }

};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
