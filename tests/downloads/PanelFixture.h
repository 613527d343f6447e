#pragma once

#include "MediaFixture.h"
#include "downloads/DownloadPanel.h"
#include "support/SeamRecorder.h"
#include "transfer/TransferValidators.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

class QDialog;

// The download list's widgets in tests: a shown list per test, its rows as the user sees them.
namespace PanelFixture {

// The site and the popup-menu form, as the main window makes it.
void setUpProgram();

// A video of the site's Id, saved as "<title>.mp4".
DownloadChoice mp4(const QString &title, const QString &query = QString(), int code = 18);
// Adds the video and waits until its row has finished.
void addAndFinish(DownloadPanel &panel, const DownloadChoice &c);

// The row's place, state (0: no row), name, percentage and caption. The caption is the text its
// bar shows, when the list's accessible table says the same in the row's status cell; otherwise
// a text naming both.
int rowOf(const DownloadPanel &panel, const QString &key);
int stateOf(const DownloadPanel &panel, const QString &key);
QString nameOf(const DownloadPanel &panel, const QString &key);
qint64 percentOf(const DownloadPanel &panel, const QString &key);
QString captionOf(const DownloadPanel &panel, const QString &key);
QString cellText(const DownloadPanel &panel, int row, int column); // through the accessible table
void selectOnly(DownloadPanel &panel, const QList<int> &rows);

// Runs action once, inside the transfer's first progress report of the row with some bytes: the
// transfer is then surely still running, however busy the machine.
void onFirstProgress(DownloadPanel &panel, const QString &key, const std::function<void()> &action);
// Runs action right after the list has handled the row's completion, before any other event.
void afterComplete(DownloadPanel &panel, const QString &key, const std::function<void()> &action);

// Types a new name into the row's name in place and presses Return, as the user does; unless told
// not to, waits until the editor has closed.
void typeName(DownloadPanel &panel, int row, const QString &typed, bool wait = true);

// Clicks the confirmation dialog's option (-1: none) and OK, or closes it with its close box.
std::function<void(QDialog *)> answerWith(int option, bool ok = true);

// A shown list saving into a fresh temporary folder, with its seam recorder; one per test.
struct Harness
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SeamRecorder> seam;
    std::unique_ptr<DownloadPanel> panel;
    void setUp(int height);
    void tearDown();
    QString folder() const { return dir->path() + QLatin1Char('/'); }
};

} // namespace PanelFixture
