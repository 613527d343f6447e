#pragma once

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

} // namespace DetailLabels
