#include "preferences/FormControls.h"

#include <QFormLayout>
#include <QLabel>

namespace FormControls {

void setNames(QWidget *control, const char *objectName, const QString &accessibleName)
{
    control->setObjectName(QString::fromLatin1(objectName));
    control->setAccessibleName(QString(accessibleName).remove(QLatin1Char('&')));
}

QLabel *addRow(QFormLayout *form, const char *labelName, const QString &caption, QWidget *control)
{
    auto *label = new QLabel(caption, form->parentWidget());
    setNames(label, labelName, caption);
    label->setBuddy(control);
    if (control->accessibleName().isEmpty())
        control->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    form->addRow(label, control);
    return label;
}

} // namespace FormControls
