#include "controls/ucFormattedLabelAccessible.h"

#include "controls/ucFormattedLabel.h"

namespace {

QAccessibleInterface *labelFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("ucFormattedLabel") && object && object->isWidgetType())
        return new ucFormattedLabelAccessible(static_cast<ucFormattedLabel *>(object));
    return nullptr;
}

} // namespace

ucFormattedLabelAccessible::ucFormattedLabelAccessible(ucFormattedLabel *label)
    : QAccessibleWidget(label, QAccessible::StaticText)
{
}

QString ucFormattedLabelAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name)
        return static_cast<const ucFormattedLabel *>(widget())->PlainText();
    return QAccessibleWidget::text(t);
}

void ucFormattedLabelAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(labelFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
