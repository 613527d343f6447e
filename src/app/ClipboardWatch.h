#pragma once

#include <QObject>
#include <QSet>
#include <QString>

// While switched on, watches the clipboard for video addresses copied anywhere: a copied text
// that is one web address and a watch address (over http or https) is handed on once; copying it
// again later does nothing. What the program itself put on the clipboard is left alone, and so is
// whatever the clipboard held when the watch was switched on.
class ClipboardWatch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipboardWatch)

public:
    explicit ClipboardWatch(QObject *parent = nullptr);
    ~ClipboardWatch() override;

    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }

    // The watch address a copied text stands for; empty when it is none.
    static QString videoAddress(const QString &copied);

Q_SIGNALS:
    void addressCopied(const QString &address);

private:
    void clipboardChanged();

    bool m_enabled = false;
    QSet<QString> m_seen;
};
