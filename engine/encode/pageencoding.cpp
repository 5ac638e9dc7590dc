#include "engine/encode/pageencoding.h"

#include "engine/encode/imaging.h"
#include "engine/encode/pageimage.h"

#include <QImage>

PageEncoding EncodePage(const QString &pageImageFile, const QString &gifPath, const ImagingService &imaging)
{
    PageEncoding result;
    QImage picture;
    // A page that decodes only with complaints (truncated, corrupt) is undecodable too.
    if (!PageImage::read(pageImageFile, &picture, &result.error)) {
        result.outcome = PageEncoding::Outcome::Undecodable;
        return result;
    }
    result.outcome = imaging.SavePictureAs(picture, gifPath, ImagingService::pageType(), &result.error)
                         ? PageEncoding::Outcome::Written
                         : PageEncoding::Outcome::NotWritten;
    return result;
}
