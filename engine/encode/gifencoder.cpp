#include "engine/encode/gifencoder.h"

#include "engine/encode/gifblocks.h"
#include "engine/encode/lzwcoder.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QImage>

#include <cgif.h>

#include <new>

// The GIF side of the encoder: the palette work is palette.cpp's; this file only hands an
// indexed picture to libcgif, or at a quality below 100 to lzwcoder, whose leeway libcgif lacks.
// libcgif's LZW took a fifth less time than giflib's on the same indexed pages, for the same
// pixels (bench_encoder --writers), and is the largest fixed cost after decoding; it keeps the
// bytes of quality 100 what they always were.

namespace {

constexpr int GifMaxSide = 65535;

// libcgif wants 0 for a write that went through, -1 otherwise.
int writeToDevice(void *device, const uint8_t *data, size_t length)
{
    return static_cast<QIODevice *>(device)->write(reinterpret_cast<const char *>(data), static_cast<qint64>(length))
                   == static_cast<qint64>(length)
               ? 0
               : -1;
}

QString tooLarge(int w, int h)
{
    return QCoreApplication::translate("Engine", "picture too large for GIF (%1 x %2; at most %3 a side)").arg(w).arg(h).arg(GifMaxSide);
}

QString cgifError(int code)
{
    switch (code) {
    case CGIF_EWRITE:
        return QCoreApplication::translate("Engine", "Write failed");
    case CGIF_EALLOC:
        return QCoreApplication::translate("Engine", "out of memory");
    case CGIF_EINDEX:
        return QCoreApplication::translate("Engine", "an index beyond the colour table");
    default:
        return QCoreApplication::translate("Engine", "error %1").arg(code);
    }
}

} // namespace

bool writeIndexedGif(const IndexedImage &picture, QIODevice &device, QString *error, int maxError)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const int w = picture.width, h = picture.height;
    if (w < 1 || h < 1 || picture.palette.empty() || picture.palette.size() > 256
        || picture.pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
        return fail(QCoreApplication::translate("Engine", "no picture"));
    if (w > GifMaxSide || h > GifMaxSide)
        return fail(tooLarge(w, h));
    if (maxError > 0) {
        const QByteArray bytes = GifBlocks::singleImage(picture, maxError);
        if (device.write(bytes) != bytes.size())
            return fail(QCoreApplication::translate("Engine", "cannot write the GIF: %1").arg(cgifError(CGIF_EWRITE)));
        return true;
    }

    // The table padded to a power of two (at least 2 entries), as every reader expects.
    int bits = 1;
    while ((1u << bits) < picture.palette.size())
        ++bits;
    std::vector<uint8_t> table(size_t(3) << bits, 0);
    for (size_t i = 0; i < picture.palette.size(); ++i) {
        table[3 * i] = picture.palette[i].r;
        table[3 * i + 1] = picture.palette[i].g;
        table[3 * i + 2] = picture.palette[i].b;
    }
    CGIF_Config config{};
    config.pGlobalPalette = table.data();
    config.numGlobalPaletteEntries = static_cast<uint16_t>(1 << bits);
    config.width = static_cast<uint16_t>(w);
    config.height = static_cast<uint16_t>(h);
    config.pContext = &device;
    config.pWriteFn = writeToDevice;
    CGIF *gif = cgif_newgif(&config);
    if (!gif)
        return fail(QCoreApplication::translate("Engine", "cannot write the GIF: %1").arg(cgifError(CGIF_EWRITE)));
    CGIF_FrameConfig frame{};
    frame.pImageData = const_cast<uint8_t *>(picture.pixels.data());
    const int added = cgif_addframe(gif, &frame);
    const int closed = cgif_close(gif);
    if (added != CGIF_OK || closed != CGIF_OK)
        return fail(QCoreApplication::translate("Engine", "cannot write the GIF: %1").arg(cgifError(added != CGIF_OK ? added : closed)));
    return true;
}

bool writeGif(const QImage &source, QIODevice &device, QString *error)
{
    return writeGif(source, device, error, PaletteSettings());
}

bool writeGif(const QImage &source, QIODevice &device, QString *error, const PaletteSettings &settings, int quality)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (source.isNull())
        return fail(QCoreApplication::translate("Engine", "no picture"));
    // Checked before any work: a page rendered at a very high resolution is refused at once.
    if (source.width() > GifMaxSide || source.height() > GifMaxSide)
        return fail(tooLarge(source.width(), source.height()));
    try {
        IndexedImage picture;
        QString why;
        if (!quantise(source, settings, picture, why))
            return fail(why);
        return writeIndexedGif(picture, device, error, Lzw::maxErrorAt(quality));
    } catch (const std::bad_alloc &) {
        return fail(QCoreApplication::translate("Engine", "out of memory (%1 x %2)").arg(source.width()).arg(source.height()));
    }
}
