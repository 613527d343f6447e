#pragma once

#include <QString>
#include <QWidget>

class QTimer;

// The bar laid over a download row's "Status" cell: the caption centred over the whole width and
// a filled part from the left edge, drawn over the caption, whose text stays readable where it is
// covered. A value below 0 stands for a transfer of unknown size: a block then moves along the bar.
// Screen readers see a progress bar with the caption as its name and the value.
class RowProgressBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowProgressBar)

public:
    RowProgressBar(int index, QWidget *parent);
    ~RowProgressBar() override;

    int index() const { return m_index; }

    // Draws the bar: nothing when Value exceeds Max; Value is lowered to the scale of the previous
    // drawing when it exceeds it (the caller's variable with it).
    void draw(const QString &Caption, qint64 Max, qint64 &Value);

    QString caption() const { return m_caption; }
    qint64 value() const { return m_value; }
    qint64 maximum() const { return m_max; }
    bool isBusy() const { return m_value < 0; }
    int busyStep() const { return m_busyStep; }

    // The filled part in pixels of the inner width; for a busy bar, the moving block.
    QRect filledRect() const;
    // The caption as the bar shows it: whole when it fits, else cut at the end with an ellipsis
    // (the whole caption is in the row's Status cell and in the bar's tool tip).
    QString shownCaption() const;

Q_SIGNALS:
    void mouseDown(int index, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void mouseUp(int index, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void stepBusy();

    int m_index;
    QString m_caption;
    qint64 m_max = 100;
    qint64 m_value = 0;
    qint64 m_scaleWidth = 100; // the scale set by the previous drawing
    int m_busyStep = 0;
    QTimer *m_busyTimer = nullptr;
};
