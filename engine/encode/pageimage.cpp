#include "engine/encode/pageimage.h"

#include <QCoreApplication>
#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include "engine/encode/jpegerrors.h"
#include "engine/jpeg/pixelsum.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Job {
    const QByteArray *bytes = nullptr;
    PageImage::Dct dct = PageImage::Dct::Exact;
    QImage image;
    QString error;
};

bool decodeJpeg(Job &job)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = errors.install(true);
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        job.image = QImage();
        job.error = QString::fromLocal8Bit(errors.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(job.bytes->constData()),
                 static_cast<unsigned long>(job.bytes->size()));
    jpeg_read_header(&info, TRUE);
    // The formats Qt's own reader gives: 8-bit grey, or 32-bit RGB.
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    if (!grey && info.num_components != 3) {
        jpeg_destroy_decompress(&info);
        job.error = QStringLiteral("unsupported");
        return false;
    }
    info.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    info.dct_method = job.dct == PageImage::Dct::Fast ? JDCT_IFAST : job.dct == PageImage::Dct::Float ? JDCT_FLOAT : JDCT_ISLOW;
    const qint64 bytes = qint64(info.image_width) * info.image_height * (grey ? 1 : 4);
    if (bytes > PageImage::MaxDecodedBytes) {
        jpeg_destroy_decompress(&info);
        job.error = QCoreApplication::translate("Engine", "%1 x %2 pixels is larger than a page image may be")
                        .arg(info.image_width).arg(info.image_height);
        return false;
    }
    job.image = QImage(int(info.image_width), int(info.image_height),
                       grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (job.image.isNull()) {
        jpeg_destroy_decompress(&info);
        job.error = QCoreApplication::translate("Engine", "out of memory");
        return false;
    }
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = job.image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

namespace PageImage {

bool decode(const QByteArray &bytes, QImage *image, QString *error)
{
    return decode(bytes, image, error, Dct::Exact);
}

bool decode(const QByteArray &bytes, QImage *image, QString *error, Dct dct)
{
    *image = QImage();
    const bool jpeg = bytes.startsWith("\xFF\xD8\xFF");
    if (jpeg) {
        // A file cut short after its last complete scan decodes without a complaint; the end
        // marker tells it from a whole one.
        if (!bytes.endsWith("\xFF\xD9")) {
            if (error)
                *error = QCoreApplication::translate("Engine", "the file is truncated: it has no end-of-image marker");
            return false;
        }
        Job job;
        job.bytes = &bytes;
        job.dct = dct;
        if (decodeJpeg(job)) {
            *image = std::move(job.image);
            return true;
        }
        if (job.error != QLatin1String("unsupported")) {
            if (error)
                *error = job.error;
            return false;
        }
        // CMYK and other rare JPEGs: Qt's reader, which knows them.
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    if (reader.size().isValid()
        && qint64(reader.size().width()) * reader.size().height() * 4 > MaxDecodedBytes) {
        if (error)
            *error = QCoreApplication::translate("Engine", "%1 x %2 pixels is larger than a page image may be")
                         .arg(reader.size().width()).arg(reader.size().height());
        return false;
    }
    if (!reader.read(image)) {
        *image = QImage();
        if (error)
            *error = reader.errorString();
        return false;
    }
    return true;
}

bool readDrawnPixels(const DrawnPixels &pixels, QSize size, QImage *image)
{
    if (pixels.isEmpty() || size.isEmpty() || qint64(size.width()) * size.height() * 4 > MaxDecodedBytes)
        return false;
    const size_t rowBytes = size_t(size.width()) * 3;
    if (quint64(pixels.bytes) != quint64(rowBytes) * quint64(size.height()))
        return false;
    // Not through a link, and never waiting on a pipe put in its place.
    const int fd = ::open(QFile::encodeName(pixels.path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
              && qint64(info.st_size) == pixels.bytes;
    QImage picture;
    if (ok) {
        picture = QImage(size, QImage::Format_RGB32);
        ok = !picture.isNull();
    }
    // A few hundred kilobytes of rows at a time.
    const int rowsAtOnce = int(std::max<size_t>(1, (size_t(1) << 18) / rowBytes));
    std::vector<uchar> rows(ok ? rowBytes * size_t(rowsAtOnce) : 0);
    PixelSum sum;
    for (int y = 0; ok && y < size.height(); y += rowsAtOnce) {
        const int n = std::min(rowsAtOnce, size.height() - y);
        size_t got = 0;
        while (got < rowBytes * size_t(n)) {
            const ssize_t r = ::read(fd, rows.data() + got, rowBytes * size_t(n) - got);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            got += size_t(r);
        }
        ok = got == rowBytes * size_t(n);
        for (int k = 0; ok && k < n; ++k) {
            const uchar *from = rows.data() + rowBytes * size_t(k);
            sum.addRow(from, rowBytes);
            QRgb *to = reinterpret_cast<QRgb *>(picture.scanLine(y + k));
            for (int x = 0; x < size.width(); ++x, from += 3)
                to[x] = qRgb(from[0], from[1], from[2]);
        }
    }
    ::close(fd);
    // Anything but what the renderer said it wrote (another file put in its place, or its own
    // changed since) is not the page.
    ok = ok && sum.value() == pixels.sum;
    if (ok)
        *image = std::move(picture);
    return ok;
}

bool read(const QString &path, QImage *image, QString *error)
{
    *image = QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return decode(file.readAll(), image, error);
}

} // namespace PageImage
