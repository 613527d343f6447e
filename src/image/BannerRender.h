#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

// Draws one of the program's own pictures (101 the banner, 102 the About icon) the way the
// windows show it: a box-sized surface filled with the window's background, the picture loaded
// through the image surface and drawn at its own size at the top-left corner with its alpha.
// iconCx / iconCy are the size hints of the load (810 x 85 for the banner, 48 x 48 for the icon).
// A transparent background keeps the alpha for the widget to blend. Null for an empty box.
QImage RenderProgramImage(int resId, QSize boxSize, const QColor &background, int iconCx = 0, int iconCy = 0);
