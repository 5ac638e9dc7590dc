#pragma once

#include <QString>

class QImage;
class QIODevice;

// Reduces the picture to a palette of at most 256 colours and writes it as a GIF.
bool writeGif(const QImage &image, QIODevice &device, QString *error);
