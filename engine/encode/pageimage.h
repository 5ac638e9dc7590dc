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

// The pixels a renderer drew for one page, as the renderer itself said it left them: 8-bit RGB
// rows without a header at `path`, `bytes` long, with the checksum it computed while writing
// them (PixelSum). They travel with the page they were said for, never looked up by a name.
struct DrawnPixels {
    QString path; // empty: none
    qint64 bytes = 0;
    quint64 sum = 0;

    bool isEmpty() const { return path.isEmpty(); }
};

// The drawn pixels of a page of `size`, as 32-bit RGB. False, with nothing read, when there are
// none, or the file is not a plain file of this user holding exactly the bytes said, of that
// size, with the checksum said.
bool readDrawnPixels(const DrawnPixels &pixels, QSize size, QImage *image);

// Largest decoded page accepted, in bytes: a page at 1152 dpi is about 500 MB.
constexpr qint64 MaxDecodedBytes = qint64(2048) * 1024 * 1024;

} // namespace PageImage
