#pragma once

#include "queue/DownloadChoice.h"
#include "downloads/DownloadPanel.h"
#include "support/SeamRecorder.h"
#include "transfer/TransferValidators.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class QDialog;

class DemoSite;
class frmMenu;
class QWidget;

// What the download tests share: the demo site, a save folder per test, media addresses and a
// byte-by-byte comparison of saved files with the site's generated content.
namespace PanelFixture {

constexpr int Wait = 20000; // ms for a transfer of the tests to end
inline const QString Id = QStringLiteral("sunsetBeach");

// Starts the site once per test program; the popup-menu form exists as the main window makes it.
DemoSite &site();
void setUpProgram();

// The address of a media file of the demo site with an optional query ("size=5000&rate=100000").
QString mediaAddress(const QString &id, int code, const QString &query = QString());
// The path part of that address, as the site's request log lists it.
QString mediaTarget(const QString &id, int code, const QString &query = QString());

DownloadChoice choice(const QString &id, int code, const QString &title, const QString &suffix,
                      const QString &query = QString());

// True when the file holds exactly the first `size` bytes of the media file (id, code), or of the
// same file after the site changed it.
bool holdsMedia(const QString &path, const QString &id, int code, qint64 size, QString *why, bool changed = false);
// The first `size` bytes of that media file.
QByteArray mediaBytes(const QString &id, int code, qint64 size);

// The validators the site sends for a media address (read from a real request for its first byte).
TransferValidators validatorsOf(const QString &address);

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &content);

// The hidden files of a folder (partial files of running transfers).
QStringList hiddenFiles(const QString &folder);

int rowOf(const DownloadPanel &panel, const QString &key);
int stateOf(const DownloadPanel &panel, const QString &key);
// The text its bar shows, when the list's accessible table says the same in the row's status
// cell; otherwise a text naming both.
QString captionOf(const DownloadPanel &panel, const QString &key);
QString statusCellText(const DownloadPanel &panel, int row); // through the accessible table
QString nameOf(const DownloadPanel &panel, const QString &key);
qint64 percentOf(const DownloadPanel &panel, const QString &key);
void selectOnly(DownloadPanel &panel, const QList<int> &rows);

// Runs action once, inside the transfer's first progress report of the row with some bytes: the
// transfer is then surely still running, however busy the machine.
void onFirstProgress(DownloadPanel &panel, const QString &key, const std::function<void()> &action);
// Runs action right after the list has handled the row's completion, before any other event.
void afterComplete(DownloadPanel &panel, const QString &key, const std::function<void()> &action);

// Types a new name into the row's name in place and presses Return, as the user does.
void typeName(DownloadPanel &panel, int row, const QString &typed);

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
    QString folder() const;
};

} // namespace PanelFixture

// Fails the test unless the file holds exactly the first `size` bytes of the media file.
#define QVERIFY_MEDIA(path, id, code, size)                                                         \
    do {                                                                                            \
        QString why_;                                                                               \
        QVERIFY2(PanelFixture::holdsMedia(path, id, code, size, &why_), qPrintable(why_));          \
    } while (false)
#define QVERIFY_CHANGED_MEDIA(path, id, code, size)                                                 \
    do {                                                                                            \
        QString why_;                                                                               \
        QVERIFY2(PanelFixture::holdsMedia(path, id, code, size, &why_, true), qPrintable(why_));    \
    } while (false)
