// Lists a feed of the demo site in the video tab's panel, offscreen, with the real extractor, and
// measures what the user waits for once the extractor has answered: the time until the list's
// rows are shown (painted), and the longest pause of the event loop meanwhile and for a second
// afterwards (a 5 ms probe timer; a pause is the largest interval between its ticks), in which
// "Select none", "Select all" and a filter that keeps a fifth of the rows are used once each.
//
//   clipvault-bench-list --address http://127.0.0.1:PORT/feed.xml?items=5000 --entries 5000
//
// Prints "entries=N answer_to_shown_ms=T longest_pause_ms=P" and exits 1 when T > 2000 ms or
// P > 100 ms, or when the list does not hold N entries.
#include "analysis/VideoListPanel.h"
#include "analysis/VideoPanel.h"
#include "extractor/ExtractorRuns.h"
#include "lists/VideoListModel.h"
#include "pages/ExtractorLookup.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("address"), QStringLiteral("The list's address."), QStringLiteral("url")});
    parser.addOption({QStringLiteral("entries"), QStringLiteral("The entries expected."), QStringLiteral("n")});
    parser.process(app);
    const int expected = parser.value(QStringLiteral("entries")).toInt();

    VideoPanel panel;
    panel.resize(900, 700);
    panel.show();

    QElapsedTimer clock;
    clock.start();
    qint64 answered = -1;
    qint64 shown = -1;
    qint64 lastTick = -1;
    qint64 longestPause = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (answered >= 0 && lastTick >= 0)
            longestPause = std::max(longestPause, now - lastTick);
        lastTick = now;
        if (shown >= 0 && now - shown > 1000)
            app.quit();
    });
    probe.start();
    // The extractor's run ends just before its output is read.
    QObject::connect(&ExtractorRuns::instance(), &ExtractorRuns::allEnded, [&] {
        if (answered < 0)
            answered = clock.elapsed();
    });
    QObject::connect(panel.extractorLookup(), &ExtractorLookup::listFound, [&] {
        // After the panel's own handler: the rows are in the view; paint them now.
        QTimer::singleShot(0, &panel, [&] {
            panel.repaint();
            shown = clock.elapsed();
            VideoListPanel *list = panel.listPanel;
            QTimer::singleShot(200, list, [list] { list->cmdSelectNone->click(); });
            QTimer::singleShot(400, list, [list] { list->cmdSelectAll->click(); });
            QTimer::singleShot(600, list, [list] { list->txtListFilter->setText(QStringLiteral("Episode 4")); });
        });
    });
    QObject::connect(panel.extractorLookup(), &ExtractorLookup::failed, [&] { app.exit(2); });
    QObject::connect(panel.extractorLookup(), &ExtractorLookup::found, [&] { app.exit(2); });
    QTimer::singleShot(0, &panel, [&] {
        panel.loadAddress(parser.value(QStringLiteral("address")));
        int enter = 13;
        panel.txtYouTube_KeyPress(enter);
    });
    if (app.exec() != 0 || answered < 0 || shown < 0) {
        std::fprintf(stderr, "the extractor gave no list\n");
        return 1;
    }
    const int rows = panel.listPanel->model()->rowCount();
    const qint64 wait = shown - answered;
    std::printf("entries=%d answer_to_shown_ms=%lld longest_pause_ms=%lld\n", rows, static_cast<long long>(wait),
                static_cast<long long>(longestPause));
    const bool used = panel.listPanel->model()->checkedCount() == rows
                      && panel.listPanel->tvwListVideos->model()->rowCount() < rows;
    return rows == expected && used && wait <= 2000 && longestPause <= 100 ? 0 : 1;
}
