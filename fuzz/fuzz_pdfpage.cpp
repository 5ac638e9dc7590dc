// The page renderer behind the GflAx and Acrobat stand-ins (poppler, the pixel limits, the JPEG
// writer), on any bytes given as a PDF.
#include "pdfpages.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <poppler-qt6.h>

#include <cstdint>

namespace {

void quiet(const QString &, const QVariant &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Poppler's complaints about damaged input are expected by the thousand.
    Poppler::setDebugErrorFunction(quiet, QVariant());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
    if (!document || document->isLocked())
        return 0;
    document->setRenderHint(Poppler::Document::Antialiasing, true);
    document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    // A couple of pages, small: the search wants many runs, not big pictures.
    const int pages = std::min(document->numPages(), 2);
    for (int index = 0; index < pages; ++index) {
        const double dpi = PdfPages::fittingDpi(*document, index, 18.0);
        const QSizeF pixels = PdfPages::pixelSize(*document, index, dpi);
        if (PdfPages::tooLarge(pixels) || pixels.width() * pixels.height() > 1000000)
            continue;
        const QImage image = PdfPages::render(*document, index, dpi);
        if (!image.isNull())
            PdfPages::encodeJpeg(image);
    }
    return 0;
}
