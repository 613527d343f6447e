#include "downloads/RowProgressBarAccessible.h"

#include "downloads/RowProgressBar.h"

namespace {

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("RowProgressBar") && object && object->isWidgetType())
        return new RowProgressBarAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

RowProgressBarAccessible::RowProgressBarAccessible(QWidget *widget)
    : QAccessibleWidget(widget, QAccessible::ProgressBar)
{
}

void RowProgressBarAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

const RowProgressBar *RowProgressBarAccessible::bar() const
{
    return static_cast<const RowProgressBar *>(widget());
}

QString RowProgressBarAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return bar()->caption();
    case QAccessible::Value:
        return bar()->isBusy() ? QString() : QString::number(bar()->value());
    default:
        return QAccessibleWidget::text(t);
    }
}

void *RowProgressBarAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QVariant RowProgressBarAccessible::currentValue() const
{
    return bar()->isBusy() ? 0 : bar()->value();
}

QVariant RowProgressBarAccessible::maximumValue() const
{
    return bar()->maximum();
}

QVariant RowProgressBarAccessible::minimumValue() const
{
    return 0;
}

QVariant RowProgressBarAccessible::minimumStepSize() const
{
    return 1;
}
