#include "engine/encode/pageencoding.h"

#include "engine/encode/imaging.h"
#include "engine/encode/pageimage.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

PageEncoding EncodePage(const QString &pageImageFile, const QString &gifPath, const ImagingService &imaging,
                        const PageFormat &format)
{
    PageEncoding result;
    // Decoded as 32-bit pixels, labelled and mapped to the palette: about this many bytes a
    // pixel at the peak (measured on a 28800 x 28800 page).
    constexpr qint64 PeakBytesPerPixel = 6;
    const QSize size = QImageReader(pageImageFile).size();
    if (format.memoryMB > 0 && size.isValid()
        && qint64(size.width()) * size.height() * PeakBytesPerPixel > format.memoryMB * 1024 * 1024) {
        result.error = QCoreApplication::translate("Engine", "the page image of %1 x %2 pixels needs more than the memory cap of %3 MB")
                           .arg(size.width()).arg(size.height()).arg(format.memoryMB);
        return result;
    }
    QImage picture;
    // A page that decodes only with complaints (truncated, corrupt) is undecodable too.
    if (!PageImage::read(pageImageFile, &picture, &result.error)) {
        result.outcome = PageEncoding::Outcome::Undecodable;
        return result;
    }
    // Grey before any encoder sees it: the GIF palette then holds greys only, and PNG and TIFF
    // store one byte a pixel.
    if (format.grey && picture.format() != QImage::Format_Grayscale8)
        picture = picture.convertToFormat(QImage::Format_Grayscale8);
    result.outcome = imaging.SavePictureAs(picture, gifPath, format.mimeType, &result.error)
                         ? PageEncoding::Outcome::Written
                         : PageEncoding::Outcome::NotWritten;
    return result;
}
