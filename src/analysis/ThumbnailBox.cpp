#include "analysis/ThumbnailBox.h"

#include <QMouseEvent>
#include <QPainter>

ThumbnailBox::ThumbnailBox(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setPictureSize(m_pictureSize);
}

void ThumbnailBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void ThumbnailBox::setToolTipText(const QString &text)
{
    setToolTip(text);
    setAccessibleDescription(text);
}

void ThumbnailBox::setPictureSize(const QSize &size)
{
    m_pictureSize = size;
    const int frame = 2 * frameWidth();
    setFixedSize(size.width() + frame, size.height() + frame);
    updateGeometry();
}

QSize ThumbnailBox::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return m_pictureSize + QSize(frame, frame);
}

void ThumbnailBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    QPainter painter(this);
    painter.fillRect(area, palette().color(QPalette::Base));
    if (m_picture.isNull())
        return;
    QSize size = m_picture.size();
    if (size.width() > area.width() || size.height() > area.height())
        size.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), size);
    target.moveCenter(area.center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

void ThumbnailBox::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT mouseDown(event->button(), event->globalPosition().toPoint());
    event->accept();
}

void ThumbnailBox::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT mouseUp(event->button(), event->globalPosition().toPoint());
    event->accept();
}
