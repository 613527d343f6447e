#pragma once

#include <QByteArray>
#include <QImage>

// Turns received bytes into a picture: any format the image readers know; empty data gives the
// built-in placeholder thumbnail (resource 103); bytes that are no picture give a null image.
QImage PictureFromBytes(const QByteArray &bytes);
