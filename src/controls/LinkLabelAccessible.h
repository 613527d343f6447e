#pragma once

#include <QAccessibleWidget>

class LinkLabel;

// What screen readers see of a link label: a link named by the text it shows (unless it was
// given a name), described by where it leads, with a press action that opens it.
class LinkLabelAccessible final : public QAccessibleWidget
{
public:
    explicit LinkLabelAccessible(LinkLabel *label);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    // Registers the interface with the accessibility framework (once per process).
    static void install();
};
