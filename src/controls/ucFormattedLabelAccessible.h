#pragma once

#include <QAccessibleWidget>

class ucFormattedLabel;

// What screen readers see of a formatted label: static text whose name is the caption without
// its tags.
class ucFormattedLabelAccessible final : public QAccessibleWidget
{
public:
    explicit ucFormattedLabelAccessible(ucFormattedLabel *label);

    QString text(QAccessible::Text t) const override;

    // Registers the interface with the accessibility framework (once per process).
    static void install();
};
