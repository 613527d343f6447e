#pragma once

#include <QtGlobal>

// Routines shared by the image loaders.
namespace modParsers {

// Alpha classes of a 32-bit picture.
enum AlphaClass : int {
    AlphaNone = 0,    // every pixel opaque (or every pixel transparent): the alpha byte means nothing
    AlphaSimple = 1,  // only fully transparent and fully opaque pixels
    AlphaComplex = 2, // partial transparency
};

// Classifies the alpha bytes of `pixelCount` BGRA pixels, scanned in memory order.
// With `repair`, a picture of class 0 is made fully opaque, and colours found not premultiplied
// are premultiplied (colour x alpha / 255). Returns the class.
int ValidateAlphaChannel(uchar *pixels, qsizetype pixelCount, bool repair);

} // namespace modParsers
