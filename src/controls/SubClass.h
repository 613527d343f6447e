#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QEvent;
class QWidget;

// Lets a form see chosen messages of another window before (or instead of) that window's own
// handling, through the WndProc event. On this toolkit a "message" is an event of the hooked
// widget translated to its window-message number, or a change that the widget's parts report
// (its scroll bars move, a header section is resized), which arrive after the widget has acted.
//
// Messages and their parameters:
//   WM_KEYDOWN (256)  wParam = virtual key code (33..40 for page up/down, end, home and arrows)
//   WM_NOTIFY  (78)   wParam = header section, lParam = notification code (HDN_ITEMCHANGED -301)
//   WM_HSCROLL (276), WM_VSCROLL (277)   wParam = the scroll bar's new position
//   WM_NCDESTROY (0x82) when the widget is destroyed; the hook is removed afterwards.
class SubClass final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SubClass)

public:
    enum Message : long {
        WM_NOTIFY = 78,
        WM_NCDESTROY = 0x82,
        WM_KEYDOWN = 256,
        WM_HSCROLL = 276,
        WM_VSCROLL = 277,
    };
    enum Notification : long {
        HDN_ITEMCHANGINGW = -320,
        HDN_ITEMCHANGEDA = -301,
    };

    explicit SubClass(QObject *parent = nullptr);
    ~SubClass() override; // unhooks a window that is still set

    // Which messages are passed to the WndProc event: true adds nMessage, false removes it.
    void setMessages(long nMessage, bool bSubclass);
    bool Messages(long nMessage) const;
    QList<long> messageList() const { return m_messages; }

    // The window to be subclassed; nullptr unhooks.
    void sethWnd(QWidget *hWndNew);
    QWidget *hWnd() const { return m_hWnd.data(); }

    // Invokes the window's own handling of the message being dispatched and returns its result
    // (1 when the widget accepted the event). Messages that report a change which has already
    // happened (scrolls, header resizes) have nothing left to invoke and yield 0, as does a call
    // without a hooked window.
    long CallWndProc(long &Msg, long &wParam, long &lParam);

    // The virtual key code of a toolkit key (Qt::Key_PageUp gives 33 ... Qt::Key_Down gives 40).
    static long virtualKey(int qtKey);

Q_SIGNALS:
    // Raised for each listed message that reaches the hooked window; Result is preset to 0.
    void WndProc(long &Msg, long &wParam, long &lParam, long &Result);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Dispatch
    {
        QEvent *event = nullptr; // the widget's own event, nullptr for reported changes
        long msg = 0;
        bool delivered = false;
        long result = 0;
    };

    void hook(QWidget *window);
    void unhook();
    long dispatch(long msg, long wParam, long lParam, QEvent *event);

    QPointer<QWidget> m_hWnd;
    QList<long> m_messages;
    QList<QMetaObject::Connection> m_connections;
    QList<Dispatch *> m_dispatching;
};
