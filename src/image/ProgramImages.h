#pragma once

#include <QByteArray>

// The program's own pictures, shipped as Qt resources: 101 the 595 x 85 banner (PNG with alpha),
// 102 the 48 x 48 About icon (PNG with alpha), 103 the 120 x 90 placeholder thumbnail (JPEG).
namespace ProgramImages {

constexpr int Banner = 101;
constexpr int AboutIcon = 102;
constexpr int PlaceholderThumbnail = 103;

// The encoded bytes of resource id, empty when there is no such resource.
QByteArray Resource(int id);

} // namespace ProgramImages
