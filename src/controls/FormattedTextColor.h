#pragma once

#include <QColor>
#include <QtGlobal>

class QPalette;

// 32-bit colour numbers as the label's properties and colour tags write them: &HBBGGRR with red
// in the low byte, or a system colour &H800000xx whose low bits name a colour of the desktop's
// scheme (taken from the palette here).
namespace OleColor {

constexpr quint32 SystemFlag = 0x80000000u;
constexpr quint32 ScrollBar = 0x80000000u;
constexpr quint32 WindowBackground = 0x80000005u;
constexpr quint32 WindowText = 0x80000008u;
constexpr quint32 ButtonFace = 0x8000000Fu;
constexpr quint32 ButtonText = 0x80000012u;
constexpr quint32 Highlight = 0x8000000Du;
constexpr quint32 HighlightText = 0x8000000Eu;

constexpr bool isSystem(quint32 color) { return (color & SystemFlag) != 0; }

// The colour that color stands for; system colours are looked up in palette.
QColor toQColor(quint32 color, const QPalette &palette);

// The &HBBGGRR number of an RGB colour (alpha is dropped).
quint32 fromQColor(const QColor &color);

// A system colour resolved to its current &HBBGGRR value; other colours unchanged (their high
// byte cleared).
quint32 resolve(quint32 color, const QPalette &palette);

} // namespace OleColor
