#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>

namespace Poppler {
class Document;
}

// PDF pages rendered with poppler. Only the page renderer (lumenpage-render) and the fuzz
// targets use this: the program itself never parses a PDF. Poppler is not thread-safe: a
// document is used from one thread at a time.
namespace PdfPages {

// GIF allows 65535 pixels a side, and a page is held whole in memory several times over
// (poppler's bitmap, the QImage, the JPEG and GIF encoders), so the pixel count is bounded
// too: a US Letter or A4 page at 1152 dpi still fits.
constexpr int MaxSide = 65535;
constexpr qint64 MaxPixels = qint64(1) << 27;

// Loads the document with anti-aliased text and graphics, with `password` (user or owner) when
// one is given (`hasPassword`). When poppler cannot open it, answers null and puts the reason in
// `error` (missing, not a PDF, damaged, password-protected: with or without a password given)
// and its RenderProtocol kind in `kind`.
std::unique_ptr<Poppler::Document> open(const QString &path, QString *error, const QByteArray &password = QByteArray(),
                                        bool hasPassword = false, int *kind = nullptr);

// Pixel size of page `index` (from 0) at `dpi`, computed in doubles so absurd resolutions do
// not overflow; unusable sizes come back as they are, for tooLarge() to judge.
QSizeF pixelSize(const Poppler::Document &document, int index, double dpi);
bool tooLarge(const QSizeF &pixels);

// The largest resolution up to `dpi` at which page `index` stays within the limits.
double fittingDpi(const Poppler::Document &document, int index, double dpi);

// The resolution at which page `index` fits `box` pixels, its shape kept (0 for a side:
// unbounded), a hair under the exact value so that the side that touches the box rounds to the
// box, not one above it; `dpi` when the page has no size.
double boxDpi(const Poppler::Document &document, int index, const QSize &box, double dpi);

// The size of page `index` in points, as it is drawn (rotation applied); empty when there is none.
QSizeF pointSize(const Poppler::Document &document, int index);

// Renders page `index` on white paper; a null image when poppler could not.
QImage render(const Poppler::Document &document, int index, double dpi);

// Encodes `image` as a baseline JPEG at quality 100 without chroma subsampling (4:4:4): the
// page image is only a step on the way to the GIF, so it should lose as little as JPEG can.
// An empty result and the reason in `error` when it cannot. `eachRow`, when given, sees every
// row as it is compressed, as 8-bit RGB on white: the page's own pixels, without a second copy
// of the page in memory.
QByteArray encodeJpeg(const QImage &image, QString *error = nullptr,
                      const std::function<void(const unsigned char *row, size_t bytes)> &eachRow = {});

} // namespace PdfPages
