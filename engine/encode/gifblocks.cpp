#include "engine/encode/gifblocks.h"

#include "engine/encode/lzwcoder.h"

namespace GifBlocks {


int tableBits(size_t colours)
{
    int bits = 1;
    while ((size_t(1) << bits) < colours)
        ++bits;
    return bits;
}

QByteArray colourTable(const std::vector<PaletteColour> &palette, int bits)
{
    QByteArray table(qsizetype(3) << bits, '\0');
    for (size_t i = 0; i < palette.size() && i < (size_t(1) << bits); ++i) {
        table[3 * i] = char(palette[i].r);
        table[3 * i + 1] = char(palette[i].g);
        table[3 * i + 2] = char(palette[i].b);
    }
    return table;
}

QByteArray littleEndian16(int value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(value & 0xFF);
    bytes[1] = char((value >> 8) & 0xFF);
    return bytes;
}

QByteArray header(int width, int height, const std::vector<PaletteColour> &global, int backgroundIndex)
{
    const int bits = tableBits(global.size());
    QByteArray bytes("GIF89a");
    bytes += littleEndian16(width) + littleEndian16(height);
    // A global table, 8 bits of colour resolution.
    bytes += char(0x80 | 0x70 | (bits - 1));
    bytes += char(backgroundIndex);
    bytes += char(0); // square pixels
    bytes += colourTable(global, bits);
    // Repeat for ever: a loop count of 0.
    bytes += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    return bytes;
}

QByteArray imageHead(const QRect &rect, int delayCentiseconds, const std::vector<PaletteColour> *local, int transparent)
{
    QByteArray bytes("\x21\xF9\x04", 3);
    // Disposal 1, do not dispose, for every image: each page is drawn over the one before, and
    // a page restored to the background would show the screen's transparency in browsers.
    bytes += char(1 << 2 | (transparent >= 0 ? 1 : 0));
    bytes += littleEndian16(delayCentiseconds);
    bytes += char(transparent >= 0 ? transparent : 0);
    bytes += char(0);
    bytes += char(0x2C);
    bytes += littleEndian16(rect.x()) + littleEndian16(rect.y());
    bytes += littleEndian16(rect.width()) + littleEndian16(rect.height());
    if (local) {
        const int bits = tableBits(local->size());
        bytes += char(0x80 | (bits - 1));
        bytes += colourTable(*local, bits);
    } else {
        bytes += char(0);
    }
    return bytes;
}

QByteArray singleImage(const IndexedImage &picture, int maxError)
{
    const int bits = tableBits(picture.palette.size());
    QByteArray bytes("GIF89a");
    bytes += littleEndian16(picture.width) + littleEndian16(picture.height);
    bytes += char(0x80 | 0x70 | (bits - 1));
    bytes += char(0);
    bytes += char(0);
    bytes += colourTable(picture.palette, bits);
    bytes += char(0x2C);
    bytes += littleEndian16(0) + littleEndian16(0) + littleEndian16(picture.width) + littleEndian16(picture.height);
    bytes += char(0);
    std::vector<uint8_t> indices = picture.pixels;
    const Lzw::Leeway leeway{nullptr, &picture.palette, maxError};
    bytes += Lzw::compress(indices.data(), indices.size(), bits, leeway);
    bytes += char(Trailer);
    return bytes;
}

} // namespace GifBlocks
