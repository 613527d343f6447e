#pragma once

#include <QLabel>

// A label that is a link: the keyboard reaches it (Tab) and opens it (Enter, Return or Space) as a
// left click released over it does; it draws a focus frame while it has the focus, and screen
// readers meet it as a link, named by the text it shows, that can be pressed.
class LinkLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkLabel)

public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);
    ~LinkLabel() override;

    void activate() { Q_EMIT activated(); }

Q_SIGNALS:
    void activated();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
