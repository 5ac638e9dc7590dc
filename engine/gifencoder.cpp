#include "engine/gifencoder.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QImage>

#include <gif_lib.h>

#include <new>

// The GIF side of the encoder: the palette work is palette.cpp's; this file only hands an
// indexed picture to giflib. giflib's LZW is 17 to 50 ms of every 144-dpi page, the largest
// fixed cost after decoding.

namespace {

constexpr int GifMaxSide = 65535;

int writeToDevice(GifFileType *gif, const GifByteType *data, int length)
{
    auto *device = static_cast<QIODevice *>(gif->UserData);
    return static_cast<int>(device->write(reinterpret_cast<const char *>(data), length));
}

QString tooLarge(int w, int h)
{
    return QCoreApplication::translate("Engine", "picture too large for GIF (%1 x %2; at most %3 a side)").arg(w).arg(h).arg(GifMaxSide);
}

} // namespace

bool writeIndexedGif(const IndexedImage &picture, QIODevice &device, QString *error)
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

    int bits = 1;
    while ((1u << bits) < picture.palette.size())
        ++bits;
    ColorMapObject *map = GifMakeMapObject(1 << bits, nullptr);
    if (!map)
        return fail(QCoreApplication::translate("Engine", "out of memory"));
    for (int i = 0; i < (1 << bits); ++i) {
        const PaletteColour c = i < static_cast<int>(picture.palette.size()) ? picture.palette[i] : PaletteColour{0, 0, 0};
        map->Colors[i] = {c.r, c.g, c.b};
    }

    int gifError = 0;
    GifFileType *gif = EGifOpen(&device, writeToDevice, &gifError);
    if (!gif) {
        GifFreeMapObject(map);
        return fail(QCoreApplication::translate("Engine", "cannot write the GIF: %1").arg(QString::fromLatin1(GifErrorString(gifError))));
    }
    bool ok = EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_OK
              && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, const_cast<GifByteType *>(picture.pixels.data()) + static_cast<size_t>(y) * w, w)
             == GIF_OK;
    const int lastError = gif->Error;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &gifError) != GIF_OK)
        ok = false;
    if (!ok)
        return fail(QCoreApplication::translate("Engine", "cannot write the GIF: %1")
                        .arg(QString::fromLatin1(GifErrorString(lastError ? lastError : gifError))));
    return true;
}

bool writeGif(const QImage &source, QIODevice &device, QString *error)
{
    return writeGif(source, device, error, PaletteSettings());
}

bool writeGif(const QImage &source, QIODevice &device, QString *error, const PaletteSettings &settings)
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
        return writeIndexedGif(picture, device, error);
    } catch (const std::bad_alloc &) {
        return fail(QCoreApplication::translate("Engine", "out of memory (%1 x %2)").arg(source.width()).arg(source.height()));
    }
}
