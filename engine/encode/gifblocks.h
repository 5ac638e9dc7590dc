#pragma once

#include "engine/encode/palette.h"

#include <QByteArray>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

// The pieces of a GIF file with several images, for a writer that lays them out itself: the
// header, the loop, and each image's own rectangle, delay, colour table and transparent index.
// The compressed pixels come from lzwcoder.
namespace GifBlocks {

// Bits of a colour table for `colours` entries: 1 to 8 (the table is padded to 2^bits).
int tableBits(size_t colours);

// The colour table padded to 2^bits entries, as it is stored.
QByteArray colourTable(const std::vector<PaletteColour> &palette, int bits);

// "GIF89a", the screen of `width` x `height` with the global table, and the block that makes
// the images repeat for ever.
QByteArray header(int width, int height, const std::vector<PaletteColour> &global, int backgroundIndex);

// The image's shown time and disposal ("leave it in place": the next image is drawn over it),
// its transparent index (none when negative), then its descriptor at `rect` with a local table
// when `local` is given. Its position is the 4 bytes at PositionOffset from the descriptor,
// which begins DescriptorOffset bytes in.
QByteArray imageHead(const QRect &rect, int delayCentiseconds, const std::vector<PaletteColour> *local, int transparent = -1);
constexpr qint64 DescriptorOffset = 8;
constexpr qint64 PositionOffset = 1;

// Two bytes, least significant first, as every number in a GIF.
QByteArray littleEndian16(int value);

// A whole GIF of one image: the header with `picture`'s palette as the global table, the
// image, and the trailer, its pixels compressed by lzwcoder with `maxError` of leeway.
QByteArray singleImage(const IndexedImage &picture, int maxError);

constexpr uint8_t Trailer = 0x3B;

} // namespace GifBlocks
