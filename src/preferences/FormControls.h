#pragma once

#include <QString>

class QFormLayout;
class QLabel;
class QWidget;

// Controls of the Preferences window as a screen reader and the tests find them: an object name,
// an accessible name, and a caption whose buddy the control is.
namespace FormControls {

// Names the control: its object name, and the accessible name (without the '&' of a key).
void setNames(QWidget *control, const char *objectName, const QString &accessibleName);
template<typename Control>
Control *named(Control *control, const char *objectName, const QString &accessibleName)
{
    setNames(control, objectName, accessibleName);
    return control;
}

// A row of the form: "caption" (with '&' marking its key) as the buddy of control, which takes the
// caption without the '&' as its accessible name.
QLabel *addRow(QFormLayout *form, const char *labelName, const QString &caption, QWidget *control);

} // namespace FormControls
