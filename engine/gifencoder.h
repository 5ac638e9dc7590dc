#pragma once

#include <QString>

class QImage;
class QIODevice;

// How a picture with more than 256 colours is reduced. The defaults were chosen with
// bench/encoder on 144-dpi pages (see bench/README.md); the bench alone passes others.
struct GifEncoderSettings {
    int speed = 10;           // libimagequant speed, 1 (slow, best palette) to 10 (fastest)
    int sampleStep = 3;       // photographs: the palette comes from every n-th pixel of every n-th row
    int refineRounds = 3;     // k-means steps in RGB after libimagequant
    float dithering = 0.0f;   // Floyd-Steinberg level, 0 (nearest colour) to 1 (full diffusion)
    bool exactPalette = true; // a picture of at most 256 colours is written losslessly
};

// Reduces the picture to a palette of at most 256 colours and writes it as a GIF.
// Transparent parts are laid on white. False, with the reason in `error`, when nothing usable
// was written (the caller discards what went to `device`).
bool writeGif(const QImage &image, QIODevice &device, QString *error);
bool writeGif(const QImage &image, QIODevice &device, QString *error,
              const GifEncoderSettings &settings);
