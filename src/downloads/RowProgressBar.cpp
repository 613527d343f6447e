#include "downloads/RowProgressBar.h"

#include "downloads/RowProgressBarAccessible.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int BusySteps = 40;      // positions of the moving block on one way along the bar
constexpr int BusyIntervalMs = 80;

} // namespace

RowProgressBar::RowProgressBar(int index, QWidget *parent)
    : QWidget(parent)
    , m_index(index)
{
    RowProgressBarAccessible::install();
    setObjectName(QStringLiteral("MainPB"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    m_busyTimer = new QTimer(this);
    m_busyTimer->setInterval(BusyIntervalMs);
    connect(m_busyTimer, &QTimer::timeout, this, &RowProgressBar::stepBusy);
}

RowProgressBar::~RowProgressBar() = default;

void RowProgressBar::draw(const QString &Caption, qint64 Max, qint64 &Value)
{
    if (Value > Max)
        return;
    if (Value > m_scaleWidth)
        Value = m_scaleWidth;
    m_scaleWidth = Max;
    const bool nameChanged = Caption != m_caption;
    const bool valueChanged = Value != m_value || Max != m_max;
    m_caption = Caption;
    m_max = Max;
    m_value = Value;
    if (isBusy())
        m_busyTimer->start();
    else
        m_busyTimer->stop();
    update();
    if (QAccessible::isActive()) {
        if (nameChanged) {
            QAccessibleEvent event(this, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
        if (valueChanged) {
            QAccessibleValueChangeEvent event(this, m_value < 0 ? 0 : m_value);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void RowProgressBar::stepBusy()
{
    m_busyStep = (m_busyStep + 1) % (2 * BusySteps);
    if (isVisible())
        update();
}

QRect RowProgressBar::filledRect() const
{
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    if (m_max <= 0 || inner.width() <= 0)
        return QRect();
    if (isBusy()) {
        const int block = std::max(8, inner.width() / 4);
        const int step = m_busyStep < BusySteps ? m_busyStep : 2 * BusySteps - m_busyStep;
        const int left = inner.left() + (inner.width() - block) * step / BusySteps;
        return QRect(left, inner.top(), block, inner.height());
    }
    const int width = static_cast<int>(inner.width() * m_value / m_max);
    return QRect(inner.left(), inner.top(), width, inner.height());
}

QString RowProgressBar::shownCaption() const
{
    const QFontMetrics fm(font());
    const int room = std::max(0, width() - 2);
    // A caption wider than the bar would lose both of its ends to the centring.
    return fm.horizontalAdvance(m_caption) <= room ? m_caption : fm.elidedText(m_caption, Qt::ElideRight, room);
}

bool RowProgressBar::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (shownCaption() != m_caption)
            QToolTip::showText(help->globalPos(), m_caption, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void RowProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette pal = palette();
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    p.fillRect(rect(), pal.color(QPalette::Mid));
    p.fillRect(inner, pal.color(QPalette::Base));

    // The caption first, centred: (room - text) rounded, then halved with the remainder dropped.
    const QFontMetrics fm(font());
    const QString caption = shownCaption();
    const int x = inner.left() + (inner.width() - fm.horizontalAdvance(caption)) / 2;
    const int y = inner.top() + (inner.height() - fm.height()) / 2 + fm.ascent();
    p.setPen(pal.color(QPalette::Text));
    p.drawText(x, y, caption);

    // The filled part over it; where it covers the caption the text is drawn again in the
    // colour meant for text on that fill.
    const QRect filled = filledRect();
    if (!filled.isEmpty()) {
        p.fillRect(filled, pal.color(QPalette::Highlight));
        p.setClipRect(filled);
        p.setPen(pal.color(QPalette::HighlightedText));
        p.drawText(x, y, caption);
    }
}

void RowProgressBar::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT mouseDown(m_index, event->button(), event->modifiers(), event->position().toPoint());
    event->accept();
}

void RowProgressBar::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT mouseUp(m_index, event->button(), event->modifiers(), event->position().toPoint());
    event->accept();
}
