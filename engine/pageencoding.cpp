#include "engine/pageencoding.h"

#include "engine/gifencoder.h"
#include "engine/imaging.h"
#include "engine/pageimage.h"

#include <QImage>

PageEncoding EncodePage(const QString &pageImageFile, const QString &gifPath)
{
    PageEncoding result;
    QImage picture;
    // A page that decodes only with complaints (truncated, corrupt) is undecodable too.
    if (!PageImage::read(pageImageFile, &picture, &result.error)) {
        result.outcome = PageEncoding::Outcome::Undecodable;
        return result;
    }
    const auto gif = [](const QImage &image, QIODevice &device, QString *error) {
        return writeGif(image, device, error);
    };
    result.outcome = SaveImageFile(picture, gifPath, gif, &result.error) ? PageEncoding::Outcome::Written
                                                                          : PageEncoding::Outcome::NotWritten;
    return result;
}
