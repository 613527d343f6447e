#include "analysis/DetailLabels.h"

#include <QGridLayout>
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

QGridLayout *grid(QWidget *parent, std::initializer_list<Row> rows, int pairs)
{
    auto *details = new QGridLayout;
    details->setHorizontalSpacing(6);
    details->setVerticalSpacing(2);
    int at = 0;
    for (const Row &r : rows) {
        QLabel *label = caption(parent, r.captionName, QString::fromLatin1(r.caption));
        *r.value = value(parent, r.valueName, label);
        details->addWidget(label, at / pairs, (at % pairs) * 2, Qt::AlignLeft | Qt::AlignVCenter);
        details->addWidget(*r.value, at / pairs, (at % pairs) * 2 + 1);
        ++at;
    }
    return details;
}

} // namespace DetailLabels
