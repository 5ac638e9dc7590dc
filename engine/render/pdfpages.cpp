#include "pdfpages.h"

#include "engine/encode/jpegerrors.h"
#include "engine/render/renderprotocol.h"
#include "engine/base/pagechoice.h"
#include "sys/fileutil.h"


#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

// Poppler's own complaints about a damaged file would otherwise reach the console as debug
// lines; the user gets our description instead. QT_LOGGING_RULES="lumenpage.poppler.debug=true"
// shows them.
Q_LOGGING_CATEGORY(lcPoppler, "lumenpage.poppler", QtWarningMsg)

void popplerMessage(const QString &message, const QVariant &)
{
    qCDebug(lcPoppler).noquote() << message;
}

} // namespace

namespace PdfPages {

std::unique_ptr<Poppler::Document> open(const QString &path, QString *error, const QByteArray &password,
                                        bool hasPassword, int *kind)
{
    static const bool routed = (Poppler::setDebugErrorFunction(popplerMessage, QVariant()), true);
    Q_UNUSED(routed);
    auto fail = [&](const QString &why, RenderProtocol::Kind failure = RenderProtocol::Unreadable) {
        if (error)
            *error = why;
        if (kind)
            *kind = failure;
        return std::unique_ptr<Poppler::Document>();
    };
    // Missing, a folder, a pipe that would block the reader, unreadable: said in plain words.
    if (const QString problem = InputFileProblem(path); !problem.isEmpty())
        return fail(QStringLiteral("%1: %2").arg(path, problem), IsMissingFile(path) ? RenderProtocol::Missing : RenderProtocol::Unreadable);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    // Poppler looks for the header within the first kilobyte, as readers do.
    if (!file.read(1024).contains("%PDF-"))
        return fail(QStringLiteral("%1 is not a PDF file").arg(path), RenderProtocol::NotPdf);
    file.close();

    // The same password as owner and as user password: either opens the document. Only the
    // first 127 bytes of a password count (AES-256; the older schemes use 32), and poppler
    // overruns a buffer of its own on a longer one.
    constexpr qsizetype PasswordBytesThatCount = 127;
    const QByteArray counted = password.left(PasswordBytesThatCount);
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path, counted, counted);
    if (!document) {
        // Poppler answers nothing for an encrypted file whose password does not open it.
        std::unique_ptr<Poppler::Document> plain = Poppler::Document::load(path);
        if (plain && plain->isLocked())
            document = std::move(plain);
        else
            return fail(QStringLiteral("%1 is damaged or is not a PDF file that can be read").arg(path), RenderProtocol::Damaged);
    }
    if (document->isLocked())
        return hasPassword ? fail(QStringLiteral("%1 is password-protected, and the password given does not open it").arg(path),
                                  RenderProtocol::WrongPassword)
                           : fail(QStringLiteral("%1 is password-protected, and no password was given").arg(path),
                                  RenderProtocol::NeedsPassword);
    document->setRenderHint(Poppler::Document::Antialiasing, true);
    document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    return document;
}

QSizeF pixelSize(const Poppler::Document &document, int index, double dpi)
{
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    if (!page)
        return QSizeF();
    const QSizeF points = page->pageSizeF();
    return QSizeF(std::ceil(points.width() * dpi / 72.0), std::ceil(points.height() * dpi / 72.0));
}

QSizeF pointSize(const Poppler::Document &document, int index)
{
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    return page ? page->pageSizeF() : QSizeF();
}

bool tooLarge(const QSizeF &pixels)
{
    const double w = pixels.width(), h = pixels.height();
    if (!std::isfinite(w) || !std::isfinite(h))
        return true;
    return w > MaxSide || h > MaxSide || w * h > double(MaxPixels);
}

double boxDpi(const Poppler::Document &document, int index, const QSize &box, double dpi)
{
    const QSizeF points = pointSize(document, index);
    double byBox = std::numeric_limits<double>::infinity();
    if (box.width() > 0 && points.width() > 0)
        byBox = std::min(byBox, box.width() * 72.0 / points.width());
    if (box.height() > 0 && points.height() > 0)
        byBox = std::min(byBox, box.height() * 72.0 / points.height());
    // Not bounded: a page the box asks too much or too little of fails (main.cpp), as in the
    // scripts (pages.ps), rather than be drawn at another size than asked.
    return std::isfinite(byBox) ? byBox * (1 - 1e-9) : dpi;
}

double fittingDpi(const Poppler::Document &document, int index, double dpi)
{
    const QSizeF at72 = pixelSize(document, index, 72.0);
    if (at72.isEmpty())
        return dpi;
    const double bySide = MaxSide * 72.0 / std::max(at72.width(), at72.height());
    const double byArea = 72.0 * std::sqrt(double(MaxPixels) / (at72.width() * at72.height()));
    // A hair under the exact bound, as the pixel size is rounded up. Never below the lowest
    // resolution: an absurd page box fails there, as it does in every method.
    return std::min(dpi, std::max(PageChoice::MinDpi, std::min(bySide, byArea) * 0.999));
}

QImage render(const Poppler::Document &document, int index, double dpi)
{
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    if (!page)
        return QImage();
    return page->renderToImage(dpi, dpi);
}

namespace {

// Everything that must survive the error manager's long jump lives in `job`, not in registers.
struct JpegJob {
    const QImage *image = nullptr;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    std::vector<JSAMPLE> row;
    QString error;
    const std::function<void(const unsigned char *, size_t)> *eachRow = nullptr;
};

bool compress(JpegJob &job)
{
    jpeg_compress_struct info;
    JpegErrors errors;
    info.err = errors.install(false);
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&info);
        job.error = QString::fromLocal8Bit(errors.message);
        return false;
    }
    const QImage &image = *job.image;
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    const bool alpha = image.hasAlphaChannel();
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &job.buffer, &job.size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    info.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(int(info.next_scanline)));
        JSAMPLE *out = job.row.data();
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = pixels[x];
            int r = qRed(p), g = qGreen(p), b = qBlue(p);
            if (alpha) {
                // On white paper, as the page would be printed.
                const int a = qAlpha(p);
                if (!premultiplied) {
                    r = r * a / 255;
                    g = g * a / 255;
                    b = b * a / 255;
                }
                r += 255 - a;
                g += 255 - a;
                b += 255 - a;
            }
            *out++ = JSAMPLE(r);
            *out++ = JSAMPLE(g);
            *out++ = JSAMPLE(b);
        }
        if (*job.eachRow)
            (*job.eachRow)(job.row.data(), job.row.size());
        JSAMPROW rows[1] = {job.row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

QByteArray encodeJpeg(const QImage &source, QString *error, const std::function<void(const unsigned char *, size_t)> &eachRow)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    if (source.isNull())
        return fail(QStringLiteral("there is no image to encode"));
    if (source.width() > JPEG_MAX_DIMENSION || source.height() > JPEG_MAX_DIMENSION)
        return fail(QStringLiteral("%1 x %2 pixels is more than a JPEG file can hold")
                        .arg(source.width()).arg(source.height()));
    // Poppler's formats are read as they are; anything else is converted once.
    QImage converted;
    JpegJob job;
    job.image = &source;
    job.eachRow = &eachRow;
    const QImage::Format f = source.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied) {
        converted = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (converted.isNull())
            return fail(QStringLiteral("the image cannot be converted for encoding"));
        job.image = &converted;
    }
    job.row.resize(size_t(source.width()) * 3);
    const bool ok = compress(job);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char *>(job.buffer), qsizetype(job.size));
    std::free(job.buffer);
    if (!ok)
        return fail(job.error);
    if (bytes.isEmpty())
        return fail(QStringLiteral("out of memory while encoding"));
    return bytes;
}

} // namespace PdfPages
