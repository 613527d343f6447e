// A download list in a process of its own, for tests that limit or end that process: it opens
// the journal (with at most N rows downloading at once), optionally prints the rows' states as it
// found them ("1,5,5"), adds downloads or starts every row, runs until no row downloads or waits
// any more, prints each row as "state<TAB>caption<TAB>name" and ends (the journal is written then).
//
//   downloadlist_child --journal PATH --save FOLDER [--simultaneous N] [--states-at-start]
//                      [--add ADDRESS TITLE]... [--start-all]
#include "queue/DownloadChoice.h"
#include "downloads/DownloadPanel.h"
#include "downloads/RowProgressBar.h"
#include "support/SeamRecorder.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto value = [&args](const QString &name, int offset = 1) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + offset < args.size() ? args.at(at + offset) : QString();
    };
    SeamRecorder seam; // no dialog may wait for an answer here
    auto panel = std::make_unique<DownloadPanel>();
    panel->setSavePath(value(QStringLiteral("--save")));
    panel->queue()->setSimultaneousDownloads(value(QStringLiteral("--simultaneous")).toInt());
    panel->openJournal(value(QStringLiteral("--journal")));
    QTextStream out(stdout);
    if (args.contains(QStringLiteral("--states-at-start"))) {
        QStringList states;
        for (int row = 0; row < panel->records().count(); ++row)
            states << QString::number(panel->records().at(row).state);
        out << states.join(QLatin1Char(',')) << '\n';
    }
    for (qsizetype at = args.indexOf(QStringLiteral("--add")); at >= 0 && at + 2 < args.size();
         at = args.indexOf(QStringLiteral("--add"), at + 1)) {
        DownloadChoice choice;
        choice.mediaAddress = args.at(at + 1);
        choice.videoTitle = args.at(at + 2);
        choice.suffix = QStringLiteral(".mp4");
        choice.videoId = QStringLiteral("child");
        panel->cmdDownload_Click(choice);
    }
    if (args.contains(QStringLiteral("--start-all"))) {
        panel->lvwDownloads->selectAll();
        panel->mnuStart_Click();
    }
    const auto finishWhenIdle = [&] {
        if (!panel->anyDownloading() && panel->queue()->queuedCount() == 0)
            app.quit();
    };
    QObject::connect(panel.get(), &DownloadPanel::downloadEnded, &app, finishWhenIdle, Qt::QueuedConnection);
    QTimer::singleShot(0, &app, finishWhenIdle);
    app.exec();

    for (int row = 0; row < panel->records().count(); ++row)
        out << panel->records().at(row).state << '\t' << panel->MainPB[row]->caption() << '\t'
            << panel->records().at(row).fileName << '\n';
    out.flush();
    panel.reset();
    return 0;
}
