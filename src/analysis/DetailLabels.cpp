#include "analysis/DetailLabels.h"

#include <QLabel>

namespace DetailLabels {

QLabel *caption(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(text);
    return label;
}

QLabel *value(QWidget *parent, const char *name, QLabel *caption)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setAccessibleDescription(caption->text());
    caption->setBuddy(label);
    return label;
}

} // namespace DetailLabels
