// A download list in a process of its own, for tests that limit or end that process: it opens
// the journal, optionally adds one download or starts every row, runs until no row downloads any
// more, prints each row as "state<TAB>caption<TAB>name" and ends (the journal is written then).
//
//   downloadlist_child --journal PATH --save FOLDER [--add ADDRESS TITLE] [--start-all]
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
    panel->openJournal(value(QStringLiteral("--journal")));
    if (args.contains(QStringLiteral("--add"))) {
        DownloadChoice choice;
        choice.mediaAddress = value(QStringLiteral("--add"));
        choice.videoTitle = value(QStringLiteral("--add"), 2);
        choice.suffix = QStringLiteral(".mp4");
        choice.videoId = QStringLiteral("child");
        panel->cmdDownload_Click(choice);
    }
    if (args.contains(QStringLiteral("--start-all"))) {
        panel->lvwDownloads->selectAll();
        panel->mnuStart_Click();
    }
    const auto finishWhenIdle = [&] {
        if (!panel->anyDownloading())
            app.quit();
    };
    QObject::connect(panel.get(), &DownloadPanel::downloadEnded, &app, finishWhenIdle, Qt::QueuedConnection);
    QTimer::singleShot(0, &app, finishWhenIdle);
    app.exec();

    QTextStream out(stdout);
    for (int row = 0; row < panel->records().count(); ++row)
        out << panel->records().at(row).state << '\t' << panel->MainPB[row]->caption() << '\t'
            << panel->records().at(row).fileName << '\n';
    out.flush();
    panel.reset();
    return 0;
}
