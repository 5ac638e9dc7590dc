#include "engine/encode/pageencoding.h"

#include "engine/encode/imaging.h"
#include "engine/encode/lzwcoder.h"
#include "engine/encode/pageimage.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <new>

namespace {

// Reads the page image within the memory cap, grey when asked. False with `result` telling why.
bool decodePage(const QString &pageImageFile, const PageFormat &format, const PageImage::DrawnPixels &pixels,
                QImage &picture, PageEncoding &result)
{
    // Decoded as 32-bit pixels, labelled and mapped to the palette: about this many bytes a
    // pixel at the peak (measured on a 28800 x 28800 page).
    constexpr qint64 PeakBytesPerPixel = 6;
    const QSize size = QImageReader(pageImageFile).size();
    if (format.memoryMB > 0 && size.isValid()
        && qint64(size.width()) * size.height() * PeakBytesPerPixel > format.memoryMB * 1024 * 1024) {
        result.error = QCoreApplication::translate("Engine", "the page image of %1 x %2 pixels needs more than the memory cap of %3 MB")
                           .arg(size.width()).arg(size.height()).arg(format.memoryMB);
        return false;
    }
    // A page that decodes only with complaints (truncated, corrupt) is undecodable too.
    const bool drawn = size.isValid() && PageImage::readDrawnPixels(pixels, size, &picture);
    if (!drawn && !PageImage::read(pageImageFile, &picture, &result.error)) {
        result.outcome = PageEncoding::Outcome::Undecodable;
        return false;
    }
    // Grey before any encoder sees it: the GIF palette then holds greys only, and PNG and TIFF
    // store one byte a pixel.
    if (format.grey && picture.format() != QImage::Format_Grayscale8)
        picture = picture.convertToFormat(QImage::Format_Grayscale8);
    return true;
}

} // namespace

PageEncoding EncodePage(const QString &pageImageFile, const QString &gifPath, const ImagingService &imaging,
                        const PageFormat &format, const PageImage::DrawnPixels &pixels)
{
    PageEncoding result;
    QImage picture;
    if (!decodePage(pageImageFile, format, pixels, picture, result))
        return result;
    result.outcome = imaging.SavePictureAs(picture, gifPath, format.mimeType, &result.error, format.quality)
                         ? PageEncoding::Outcome::Written
                         : PageEncoding::Outcome::NotWritten;
    return result;
}

PageEncoding PreparePageFrame(const QString &pageImageFile, const PageFormat &format, PageFrame &frame,
                              const PageImage::DrawnPixels &pixels)
{
    PageEncoding result;
    QImage picture;
    if (!decodePage(pageImageFile, format, pixels, picture, result))
        return result;
    try {
        if (!quantise(picture, PaletteSettings(), frame.picture, result.error))
            return result;
        frame.maxError = format.quality > 0 ? Lzw::maxErrorAt(format.quality) : 0;
    } catch (const std::bad_alloc &) {
        result.error = QCoreApplication::translate("Engine", "out of memory (%1 x %2)").arg(picture.width()).arg(picture.height());
        return result;
    }
    result.outcome = PageEncoding::Outcome::Written;
    return result;
}
