#include "PanelFixture.h"

#include "support/DemoSite.h"
#include "support/SeamRecorder.h"
#include "demosite/mediacontent.h"
#include "dialogs/frmMenu.h"
#include "downloads/DownloadPanel.h"
#include "downloads/RowProgressBar.h"
#include "transfer/Downloader.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QLineEdit>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRadioButton>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <QTreeWidget>

#include <cstring>

namespace PanelFixture {

DemoSite &site()
{
    static DemoSite theSite;
    return theSite;
}

void setUpProgram()
{
    if (!site().start())
        qFatal("the demo site did not start");
    // Gone with the application, before its windowing ends.
    static QWidget *owner = new QWidget;
    static frmMenu *menu = new frmMenu(owner);
    frmMenu::setInstance(menu);
    qAddPostRoutine([] {
        frmMenu::setInstance(nullptr);
        delete menu;
        delete owner;
    });
    Downloader::setDefaultIdleTimeout(2000); // a stalled transfer fails quickly
    DownloadPanel::setRetryTimeScale(0.01); // waits between tries of 10 ms to 160 ms
}

QString mediaTarget(const QString &id, int code, const QString &query)
{
    const QString path = QString::fromStdString(demosite::mediaPath(id.toStdString(), code));
    return query.isEmpty() ? path : path + QLatin1Char('?') + query;
}

QString mediaAddress(const QString &id, int code, const QString &query)
{
    return site().root() + mediaTarget(id, code, query);
}

DownloadChoice choice(const QString &id, int code, const QString &title, const QString &suffix,
                      const QString &query)
{
    DownloadChoice c;
    c.mediaAddress = mediaAddress(id, code, query);
    c.suffix = suffix;
    c.videoTitle = title;
    c.videoId = id;
    return c;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

bool holdsMedia(const QString &path, const QString &id, int code, qint64 size, QString *why, bool changed)
{
    QFile f(path);
    *why = QStringLiteral("%1 holds %2 bytes, expected %3").arg(path).arg(f.size()).arg(size);
    if (!f.open(QIODevice::ReadOnly) || f.size() != size)
        return false;
    const std::uint64_t original = demosite::mediaSeed(id.toStdString(), code);
    const std::uint64_t seed = changed ? demosite::changedMediaSeed(original) : original;
    QByteArray expected(1 << 20, Qt::Uninitialized);
    for (qint64 offset = 0; offset < size;) {
        const QByteArray got = f.read(expected.size());
        demosite::fillMediaFromSeed(seed, static_cast<std::uint64_t>(offset), expected.data(),
                                    static_cast<std::size_t>(got.size()));
        *why = QStringLiteral("%1 differs within bytes %2..%3").arg(path).arg(offset).arg(offset + got.size());
        if (got.isEmpty() || std::memcmp(got.constData(), expected.constData(), std::size_t(got.size())) != 0)
            return false;
        offset += got.size();
    }
    return true;
}

QByteArray mediaBytes(const QString &id, int code, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    demosite::fillMedia(id.toStdString(), code, 0, bytes.data(), static_cast<std::size_t>(size));
    return bytes;
}

TransferValidators validatorsOf(const QString &address)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(address)};
    request.setRawHeader("Range", "bytes=0-0");
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    TransferValidators validators;
    validators.etag = reply->rawHeader("ETag");
    validators.lastModified = reply->rawHeader("Last-Modified");
    const QByteArray range = reply->rawHeader("Content-Range"); // "bytes 0-0/TOTAL"
    validators.total = range.mid(range.indexOf('/') + 1).toLongLong();
    delete reply;
    return validators;
}

QStringList hiddenFiles(const QString &folder)
{
    QDir dir(folder);
    QStringList hidden;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.startsWith(QLatin1Char('.')))
            hidden << name;
    return hidden;
}

int rowOf(const DownloadPanel &panel, const QString &key)
{
    return panel.records().indexOf(key);
}

int stateOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? 0 : panel.records().at(row).state;
}

QString statusCellText(const DownloadPanel &panel, int row)
{
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(panel.lvwDownloads);
    QAccessibleTableInterface *table = list ? list->tableInterface() : nullptr;
    QAccessibleInterface *cell = table ? table->cellAt(row, DownloadPanel::ColStatus) : nullptr;
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

QString captionOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    if (row < 0 || row >= panel.MainPB.size())
        return QString();
    const QString bar = panel.MainPB[row]->caption();
    const QString cell = statusCellText(panel, row);
    return bar == cell ? bar : QStringLiteral("<bar \"%1\", cell \"%2\">").arg(bar, cell);
}

void onFirstProgress(DownloadPanel &panel, const QString &key, const std::function<void()> &action)
{
    auto done = std::make_shared<bool>(false);
    QObject::connect(panel.DownloadVid, &Downloader::Progress, &panel,
                     [key, action, done](const QString &, const QString &k, qint64 bytes, qint64, int) {
                         if (*done || k != key || bytes <= 0)
                             return;
                         *done = true;
                         action();
                     });
}

void afterComplete(DownloadPanel &panel, const QString &key, const std::function<void()> &action)
{
    QObject::connect(panel.DownloadVid, &Downloader::Complete, &panel,
                     [key, action](const QString &, const QByteArray &, const QString &k, const TransferResult &) {
                         if (k == key)
                             action();
                     });
}

void typeName(DownloadPanel &panel, int row, const QString &typed)
{
    QTreeWidget *list = panel.lvwDownloads;
    list->setCurrentItem(list->topLevelItem(row));
    list->editItem(list->topLevelItem(row), DownloadPanel::ColVideo);
    auto *editor = list->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setText(typed);
    QTest::keyClick(editor, Qt::Key_Return);
}

QString nameOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? QString() : panel.lvwDownloads->topLevelItem(row)->text(DownloadPanel::ColVideo);
}

qint64 percentOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? 0 : panel.records().percent(row);
}

void selectOnly(DownloadPanel &panel, const QList<int> &rows)
{
    panel.lvwDownloads->clearSelection();
    for (int row : rows)
        panel.lvwDownloads->topLevelItem(row)->setSelected(true);
}

std::function<void(QDialog *)> answerWith(int option, bool ok)
{
    return [option, ok](QDialog *dialog) {
        if (option >= 0)
            dialog->findChild<QRadioButton *>(QStringLiteral("VideoOption_%1").arg(option))->click();
        if (ok)
            dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        else
            dialog->close();
    };
}

void Harness::setUp(int height)
{
    dir = std::make_unique<QTemporaryDir>();
    seam = std::make_unique<SeamRecorder>();
    panel = std::make_unique<DownloadPanel>();
    panel->setSavePath(folder());
    panel->resize(640, height);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    site().clear();
}

void Harness::tearDown()
{
    panel.reset();
    seam.reset();
    dir.reset();
}

QString Harness::folder() const
{
    return dir->path() + QLatin1Char('/');
}

} // namespace PanelFixture
