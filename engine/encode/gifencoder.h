#pragma once

#include "engine/encode/palette.h"

#include <QString>

class QImage;
class QIODevice;

// Writes `picture` as a GIF through libcgif: a global colour table of the palette (padded to a
// power of two) and one image. False, with the reason in `error`, when libcgif or the device
// fails; a picture wider or taller than GIF allows (65535) is refused before anything is written.
// With `maxError` (Lzw::maxErrorAt of a quality below 100), the pixels are written by lzwcoder,
// each within that squared distance of its colour.
bool writeIndexedGif(const IndexedImage &picture, QIODevice &device, QString *error, int maxError = 0);

// Reduces the picture to a palette of at most 256 colours (palette.h) and writes it as a GIF.
// Transparent parts are laid on white. False, with the reason in `error`, when nothing usable
// was written (the caller discards what went to `device`).
bool writeGif(const QImage &image, QIODevice &device, QString *error);
bool writeGif(const QImage &image, QIODevice &device, QString *error, const PaletteSettings &settings, int quality = 100);
