#include "engine/encode/pageencoding.h"

#include "engine/encode/imaging.h"
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

// The mean squared distance of each palette entry from the pixels mapped to it.
std::vector<double> meanErrors(const QImage &source, const IndexedImage &picture)
{
    const QImage rgb = source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    std::vector<qint64> sum(picture.palette.size(), 0), count(picture.palette.size(), 0);
    for (int y = 0; y < picture.height; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        const uint8_t *index = picture.pixels.data() + size_t(y) * size_t(picture.width);
        for (int x = 0; x < picture.width; ++x) {
            const PaletteColour &c = picture.palette[index[x]];
            const int dr = qRed(line[x]) - c.r, dg = qGreen(line[x]) - c.g, db = qBlue(line[x]) - c.b;
            sum[index[x]] += dr * dr + dg * dg + db * db;
            ++count[index[x]];
        }
    }
    std::vector<double> mean(sum.size(), 0.0);
    for (size_t k = 0; k < sum.size(); ++k)
        mean[k] = count[k] > 0 ? double(sum[k]) / double(count[k]) : 0.0;
    return mean;
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
        frame.meanError = meanErrors(picture, frame.picture);
    } catch (const std::bad_alloc &) {
        result.error = QCoreApplication::translate("Engine", "out of memory (%1 x %2)").arg(picture.width()).arg(picture.height());
        return result;
    }
    result.outcome = PageEncoding::Outcome::Written;
    return result;
}
