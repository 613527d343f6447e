#include "controls/LinkLabelAccessible.h"

#include "controls/LinkLabel.h"

namespace {

QAccessibleInterface *linkFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("LinkLabel") && object && object->isWidgetType())
        return new LinkLabelAccessible(static_cast<LinkLabel *>(object));
    return nullptr;
}

} // namespace

LinkLabelAccessible::LinkLabelAccessible(LinkLabel *label)
    : QAccessibleWidget(label, QAccessible::Link)
{
}

QString LinkLabelAccessible::text(QAccessible::Text t) const
{
    const auto *label = static_cast<const LinkLabel *>(widget());
    if (t == QAccessible::Name && label->accessibleName().isEmpty())
        return label->text();
    if (t == QAccessible::Description && label->accessibleDescription().isEmpty())
        return label->toolTip();
    return QAccessibleWidget::text(t);
}

QStringList LinkLabelAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void LinkLabelAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction())
        static_cast<LinkLabel *>(widget())->activate();
    else
        QAccessibleWidget::doAction(actionName);
}

void LinkLabelAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(linkFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
