#pragma once

#include <QAccessibleWidget>

class RowProgressBar;

// What screen readers learn of a download row's bar: a progress bar named by its caption, with
// its value out of its maximum.
class RowProgressBarAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit RowProgressBarAccessible(QWidget *widget);

    // Registers the interface for every RowProgressBar (once per program).
    static void install();

    QString text(QAccessible::Text t) const override;
    void *interface_cast(QAccessible::InterfaceType t) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    const RowProgressBar *bar() const;
};
