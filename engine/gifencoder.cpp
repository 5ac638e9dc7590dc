#include "gifencoder.h"

#include <QIODevice>
#include <QImage>
#include <QString>

#include <gif_lib.h>
#include <libimagequant.h>

#include <memory>
#include <vector>

namespace {

int writeToDevice(GifFileType *gif, const GifByteType *data, int length)
{
    auto *device = static_cast<QIODevice *>(gif->UserData);
    return static_cast<int>(device->write(reinterpret_cast<const char *>(data), length));
}

} // namespace

bool writeGif(const QImage &source, QIODevice &device, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (source.isNull())
        return fail(QStringLiteral("no picture"));
    if (source.width() > 65535 || source.height() > 65535)
        return fail(QStringLiteral("picture too large for GIF (%1 x %2; at most 65535 a side)")
                        .arg(source.width()).arg(source.height()));

    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    const int w = rgba.width(), h = rgba.height();

    std::unique_ptr<liq_attr, decltype(&liq_attr_destroy)> attr(liq_attr_create(), liq_attr_destroy);
    liq_set_speed(attr.get(), 10);
    std::vector<const unsigned char *> rows(h);
    for (int y = 0; y < h; ++y)
        rows[y] = rgba.constScanLine(y);
    std::unique_ptr<liq_image, decltype(&liq_image_destroy)> image(
        liq_image_create_rgba_rows(attr.get(), reinterpret_cast<void **>(const_cast<unsigned char **>(rows.data())), w, h, 0),
        liq_image_destroy);
    if (!image)
        return fail(QStringLiteral("cannot prepare the picture for colour reduction"));
    liq_result *quantRaw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &quantRaw) != LIQ_OK)
        return fail(QStringLiteral("colour reduction failed"));
    std::unique_ptr<liq_result, decltype(&liq_result_destroy)> quant(quantRaw, liq_result_destroy);
    liq_set_dithering_level(quant.get(), 1.0f);
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h);
    if (liq_write_remapped_image(quant.get(), image.get(), pixels.data(), pixels.size()) != LIQ_OK)
        return fail(QStringLiteral("colour reduction failed"));
    const liq_palette *palette = liq_get_palette(quant.get());

    int bits = 1;
    while ((1 << bits) < static_cast<int>(palette->count))
        ++bits;
    ColorMapObject *map = GifMakeMapObject(1 << bits, nullptr);
    if (!map)
        return fail(QStringLiteral("out of memory"));
    for (int i = 0; i < (1 << bits); ++i) {
        const liq_color c = i < static_cast<int>(palette->count) ? palette->entries[i] : liq_color{0, 0, 0, 255};
        map->Colors[i] = {c.r, c.g, c.b};
    }

    int gifError = 0;
    GifFileType *gif = EGifOpen(&device, writeToDevice, &gifError);
    if (!gif) {
        GifFreeMapObject(map);
        return fail(QString::fromLatin1(GifErrorString(gifError)));
    }
    bool ok = EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_OK
              && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, pixels.data() + static_cast<size_t>(y) * w, w) == GIF_OK;
    const int lastError = gif->Error;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &gifError) != GIF_OK)
        ok = false;
    if (!ok)
        return fail(QStringLiteral("cannot write the GIF: %1")
                        .arg(QString::fromLatin1(GifErrorString(lastError ? lastError : gifError))));
    return true;
}
