#pragma once

// Palette choice for many colours: a first palette from libimagequant, polished by k-means
// steps in RGB on the exact histogram. Steps as numbered in palette.cpp.

#include "engine/encode/colourhistogram.h"

#include <QString>

namespace quant {

// Step 4. The histogram handed over is coarsened to 6 bits a channel (each coarse colour being
// the mean of its members): libimagequant's time grows with the entries, and k-means does the
// fine work afterwards.
bool liqPalette(const std::vector<ColourTable::Entry> &colours, int speed, std::vector<Rgb> &palette, QString &why);

// Step 4: `rounds` k-means steps over `colours`, starting from `palette`. Gives each palette
// entry's pixel count and, with `assignment`, each colour's index from the last round, whose
// means the palette then holds.
std::vector<int64_t> kMeans(const std::vector<ColourTable::Entry> &colours, int rounds, std::vector<Rgb> &palette,
                            std::vector<uint8_t> *assignment);

} // namespace quant
