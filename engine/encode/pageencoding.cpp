#include "engine/encode/pageencoding.h"

#include "engine/encode/imaging.h"
#include "engine/encode/pageimage.h"

#include <QImage>

PageEncoding EncodePage(const QString &pageImageFile, const QString &gifPath, const ImagingService &imaging,
                        const PageFormat &format)
{
    PageEncoding result;
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
