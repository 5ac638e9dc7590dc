#include "engine/encode/losslesswriter.h"

#include "engine/encode/palette.h"
#include "engine/encode/pngwriter.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>

#include <new>

namespace {

// What is written: a grey page stays 8-bit grey; a page of few colours becomes their palette,
// a third (or a quarter) of the bytes a pixel before compression, which zlib or LZW then find
// far more runs in. Transparency is kept as it is: no page image has any.
QImage compactPicture(const QImage &source)
{
    if (source.format() == QImage::Format_Grayscale8 || source.format() == QImage::Format_Mono
        || source.format() == QImage::Format_MonoLSB || source.hasAlphaChannel())
        return source;
    QImage indexed = exactIndexedImage(source);
    return indexed.isNull() ? source : indexed;
}

// `write()`, with running out of memory as a failure of the page.
template <typename Write>
bool Guarded(const QImage &source, QString *error, Write write)
{
    try {
        return write();
    } catch (const std::bad_alloc &) {
        if (error)
            *error = QCoreApplication::translate("Engine", "out of memory (%1 x %2)").arg(source.width()).arg(source.height());
    }
    return false;
}

// `compression` in QImageWriter's terms for the format: Qt's PNG writer maps 0..100 onto zlib's
// levels 0..9, its TIFF writer takes 1 for LZW (the only compression it has).
bool writeCompact(const QImage &source, QIODevice &device, const char *format, int compression, QString *error)
{
    return Guarded(source, error, [&] {
        QImageWriter writer(&device, format);
        writer.setCompression(compression);
        if (writer.write(compactPicture(source)))
            return true;
        if (error)
            *error = writer.errorString();
        return false;
    });
}

} // namespace

bool writeLosslessPng(const QImage &image, QIODevice &device, QString *error)
{
    // Qt's writer keeps what ours does not take (1-bit pictures, transparency) and words the
    // refusal of an empty picture.
    if (image.isNull() || image.hasAlphaChannel() || image.depth() == 1)
        return writeCompact(image, device, "png", 100, error);
    return Guarded(image, error, [&] { return writeFilteredPng(compactPicture(image), device, error); });
}

bool writeLosslessTiff(const QImage &image, QIODevice &device, QString *error)
{
    return writeCompact(image, device, "tiff", 1, error);
}
