#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Decodes a page image for encoding. A JPEG must decode without a single complaint: libjpeg
// turns a truncated or corrupt file into a warning and fills the missing part with grey, and a
// page that is partly grey must not pass for the page. Other formats go through Qt's readers.
// Safe to call from any thread.
namespace PageImage {

// True and the image in `image` when the whole file decoded cleanly; false, a null image and
// the reason in `error` otherwise (the file is then an undecodable page).
bool read(const QString &path, QImage *image, QString *error);
bool decode(const QByteArray &bytes, QImage *image, QString *error);

// libjpeg's inverse DCT: the program's is exact; the bench tries the others.
enum class Dct { Exact, Fast, Float };
bool decode(const QByteArray &bytes, QImage *image, QString *error, Dct dct);

// The pixels the renderer drew for the page image `pageImage`, when it leaves them: 8-bit RGB
// rows without a header, beside it as NAME.rgb. They go wherever the page image goes and are
// removed with it.
QString drawnPixelsOf(const QString &pageImage);
// The drawn pixels at `path` of a page of `size`, as 32-bit RGB. False, with nothing read, when
// there are none, or the file is not a plain file of this user holding exactly that many.
bool readDrawnPixels(const QString &path, QSize size, QImage *image);

// Largest decoded page accepted, in bytes: a page at 1152 dpi is about 500 MB.
constexpr qint64 MaxDecodedBytes = qint64(2048) * 1024 * 1024;

} // namespace PageImage
