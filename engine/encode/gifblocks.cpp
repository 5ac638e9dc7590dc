#include "engine/encode/gifblocks.h"

#include <QCoreApplication>

#include <cgif.h>

namespace GifBlocks {

namespace {

int appendTo(void *bytes, const uint8_t *data, size_t length)
{
    static_cast<QByteArray *>(bytes)->append(reinterpret_cast<const char *>(data), qsizetype(length));
    return 0;
}

// The image data of the first image in a whole GIF file: what follows its descriptor (and
// local table) up to and with the terminating empty sub-block. Empty when the file is cut short.
QByteArray firstImageData(const QByteArray &gif)
{
    const auto byte = [&gif](qsizetype at) { return at < gif.size() ? uint8_t(gif[at]) : uint8_t(0); };
    const auto tableLength = [](uint8_t packed) { return (packed & 0x80) ? qsizetype(3) << ((packed & 7) + 1) : 0; };
    qsizetype at = 13 + tableLength(byte(10));
    const auto skipSubBlocks = [&] {
        while (at < gif.size() && byte(at) != 0)
            at += byte(at) + 1;
        ++at;
    };
    while (at < gif.size()) {
        const uint8_t introducer = byte(at);
        if (introducer == 0x21) { // an extension: its label, then sub-blocks
            at += 2;
            skipSubBlocks();
        } else if (introducer == 0x2C) {
            at += 10 + tableLength(byte(at + 9));
            const qsizetype start = at;
            ++at; // the minimum code size
            skipSubBlocks();
            return at <= gif.size() ? gif.mid(start, at - start) : QByteArray();
        } else {
            break;
        }
    }
    return QByteArray();
}

} // namespace

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

QByteArray imageHead(const QRect &rect, int delayCentiseconds, const std::vector<PaletteColour> *local)
{
    QByteArray bytes("\x21\xF9\x04", 3);
    bytes += char(1 << 2); // disposal 1: do not dispose; no transparent colour
    bytes += littleEndian16(delayCentiseconds);
    bytes += char(0);
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

QByteArray imageData(const uint8_t *indices, int width, int height, int tableBits, QString *error)
{
    // The LZW writer makes a whole one-image GIF of the rectangle; its image data is taken out.
    std::vector<uint8_t> table(size_t(3) << tableBits, 0);
    QByteArray gif;
    CGIF_Config config{};
    config.pGlobalPalette = table.data();
    config.numGlobalPaletteEntries = uint16_t(1 << tableBits);
    config.width = uint16_t(width);
    config.height = uint16_t(height);
    config.pContext = &gif;
    config.pWriteFn = appendTo;
    CGIF *writer = cgif_newgif(&config);
    if (!writer) {
        if (error)
            *error = QCoreApplication::translate("Engine", "out of memory");
        return QByteArray();
    }
    CGIF_FrameConfig frame{};
    frame.pImageData = const_cast<uint8_t *>(indices);
    const int added = cgif_addframe(writer, &frame);
    const int closed = cgif_close(writer);
    const QByteArray data = added == CGIF_OK && closed == CGIF_OK ? firstImageData(gif) : QByteArray();
    if (data.isEmpty() && error)
        *error = QCoreApplication::translate("Engine", "the encoder failed");
    return data;
}

} // namespace GifBlocks
