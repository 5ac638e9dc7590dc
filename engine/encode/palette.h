#pragma once

#include <QString>

#include <cstdint>
#include <vector>

class QImage;

// How a picture is reduced to at most 256 colours. The defaults were chosen with bench/encoder
// on 144-dpi pages against a lossless render of the same pages (see bench/README.md); the bench
// alone passes others.
struct PaletteSettings {
    int speed = 10;           // libimagequant speed, 1 (slow, best palette) to 10 (fastest)
    int sampleStep = 3;       // photographs: the palette comes from every n-th pixel of every n-th row
    int refineRounds = 3;     // k-means steps in RGB after libimagequant
    float dithering = 0.0f;   // Floyd-Steinberg level, 0 (nearest colour) to 1 (full diffusion)
    bool exactPalette = true; // a picture of at most 256 colours is kept exactly
    // A colour is taken for JPEG noise on a more frequent one, and given that one's value, when
    // no channel differs by more than snapDistance and the other colour has at least snapRatio
    // times its pixels. 0 turns this off.
    int snapDistance = 1;
    int snapRatio = 8;
};

struct PaletteColour {
    uint8_t r, g, b;
    bool operator==(const PaletteColour &) const = default;
};

// A picture as palette indices, row after row.
struct IndexedImage {
    int width = 0, height = 0;
    std::vector<PaletteColour> palette; // 1 to 256 entries
    std::vector<uint8_t> pixels;        // width * height indices
};

// Reduces `image` (any format; transparent parts are laid on white, as a page is shown) to at
// most 256 colours. False, with the reason in `why`, when that fails; std::bad_alloc passes
// through.
bool quantise(const QImage &image, const PaletteSettings &settings, IndexedImage &out, QString &why);

// `image` as an 8-bit indexed picture of exactly its own colours, when it is opaque and has at
// most 256 of them; a null image otherwise. What a lossless format stores in a byte a pixel.
QImage exactIndexedImage(const QImage &image);
