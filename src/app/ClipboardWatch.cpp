#include "app/ClipboardWatch.h"

#include "pages/WatchAddress.h"
#include "base/UiSeam.h"
#include "base/WebAddress.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

QString clipboardText()
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}

} // namespace

ClipboardWatch::ClipboardWatch(QObject *parent)
    : QObject(parent)
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &ClipboardWatch::clipboardChanged);
}

ClipboardWatch::~ClipboardWatch() = default;

void ClipboardWatch::setEnabled(bool on)
{
    if (on && !m_enabled)
        m_seen.insert(videoAddress(clipboardText())); // only what is copied from now on
    m_enabled = on;
}

QString ClipboardWatch::videoAddress(const QString &copied)
{
    const QUrl url = WebAddress::fromText(copied);
    if (!url.isValid())
        return QString();
    // The site's watch addresses are known by their http form; the https form is the same page.
    QUrl plain = url;
    plain.setScheme(QStringLiteral("http"));
    if (!WatchAddress::IsWatchAddress(url.toString()) && !WatchAddress::IsWatchAddress(plain.toString()))
        return QString();
    return url.toString();
}

void ClipboardWatch::clipboardChanged()
{
    if (!m_enabled)
        return;
    const QString text = clipboardText();
    const QString address = videoAddress(text);
    if (address.isEmpty() || m_seen.contains(address))
        return;
    m_seen.insert(address);
    if (text == UiSeam::ownClipboardText())
        return; // copied by the program itself, from its own lists
    Q_EMIT addressCopied(address);
}
