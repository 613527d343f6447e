#pragma once

#include <initializer_list>

class QGridLayout;
class QLabel;
class QString;
class QWidget;

// The caption and value labels of the video tab's details (a video's, a list's).
namespace DetailLabels {

// A caption ("Title:"), named for screen readers by its own text.
QLabel *caption(QWidget *parent, const char *name, const QString &text);
// A value label beside its caption: the caption is its buddy and its description, so a screen
// reader says the value itself and then what it is; long values are clipped rather than widening
// the window.
QLabel *value(QWidget *parent, const char *name, QLabel *caption);

// One line of details: its caption's and value's object names, the caption's text, and where the
// value label goes.
struct Row
{
    const char *captionName;
    const char *valueName;
    const char *caption;
    QLabel **value;
};
// The rows' captions and values in a grid, `pairs` caption-value pairs side by side on each line.
QGridLayout *grid(QWidget *parent, std::initializer_list<Row> rows, int pairs);

} // namespace DetailLabels
