#pragma once

#include <QFrame>
#include <QImage>
#include <QString>

// An image box for a thumbnail: shows its picture scaled into the box (never enlarged beyond
// what fits), carries a tag (an address) and reports mouse presses and releases to its owner.
// Its tooltip is also its accessible description, so screen readers say what the picture shows.
class ThumbnailBox final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ThumbnailBox)

public:
    explicit ThumbnailBox(QWidget *parent = nullptr);

    void setPicture(const QImage &picture); // a null image empties the box
    QImage picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }

    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    void setToolTipText(const QString &text);

    // The inner area that the picture is drawn into.
    void setPictureSize(const QSize &size);
    QSize sizeHint() const override;

Q_SIGNALS:
    void mouseDown(Qt::MouseButton button, const QPoint &globalPos);
    void mouseUp(Qt::MouseButton button, const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    QString m_tag;
    QSize m_pictureSize{120, 90};
};
