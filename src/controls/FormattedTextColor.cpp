#include "controls/FormattedTextColor.h"

#include <QPalette>

namespace OleColor {

namespace {

// The desktop scheme's colour index (the low bits of a system colour) as a palette colour.
QColor systemColor(quint32 index, const QPalette &palette)
{
    switch (index) {
    case 0: // scroll bar
    case 15: // button face
        return palette.color(QPalette::Button);
    case 1: // desktop
    case 12: // application workspace
    case 16: // button shadow
        return palette.color(QPalette::Dark);
    case 2: // active caption
    case 13: // highlight
    case 27: // gradient of the active caption
    case 29: // menu highlight
        return palette.color(QPalette::Highlight);
    case 3: // inactive caption
    case 28: // gradient of the inactive caption
        return palette.color(QPalette::Mid);
    case 4: // menu
    case 10: // active border
    case 11: // inactive border
    case 30: // menu bar
        return palette.color(QPalette::Window);
    case 5: // window background
        return palette.color(QPalette::Base);
    case 6: // window frame
    case 21: // dark 3-D shadow
        return palette.color(QPalette::Shadow);
    case 7: // menu text
    case 8: // window text
        return palette.color(QPalette::WindowText);
    case 9: // caption text
    case 14: // highlighted text
        return palette.color(QPalette::HighlightedText);
    case 17: // grey (disabled) text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 19: // inactive caption text
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 22: // 3-D light
        return palette.color(QPalette::Midlight);
    case 23: // tooltip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return palette.color(QPalette::ToolTipBase);
    case 26: // hot-tracked item
        return palette.color(QPalette::Link);
    default: // the scheme has no such colour
        return QColor(Qt::black);
    }
}

} // namespace

QColor toQColor(quint32 color, const QPalette &palette)
{
    if (isSystem(color))
        return systemColor(color & 0x00FFFFFFu, palette);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

quint32 fromQColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

quint32 resolve(quint32 color, const QPalette &palette)
{
    return fromQColor(toQColor(color, palette));
}

} // namespace OleColor
