#include "pdfpages.h"

#include "../sys/errortrap.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QSaveFile>

#include <poppler-qt6.h>

#include <cmath>

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

std::unique_ptr<Poppler::Document> open(const QString &path, QString *error)
{
    static const bool routed = (Poppler::setDebugErrorFunction(popplerMessage, QVariant()), true);
    Q_UNUSED(routed);
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return std::unique_ptr<Poppler::Document>();
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("%1 does not exist").arg(path));
    if (!info.isFile())
        return fail(QStringLiteral("%1 is not a file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    // Poppler looks for the header within the first kilobyte, as readers do.
    if (!file.read(1024).contains("%PDF-"))
        return fail(QStringLiteral("%1 is not a PDF file").arg(path));
    file.close();

    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return fail(QStringLiteral("%1 is damaged or is not a PDF file that can be read").arg(path));
    if (document->isLocked())
        return fail(QStringLiteral("%1 is protected by a password").arg(path));
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

bool tooLarge(const QSizeF &pixels)
{
    const double w = pixels.width(), h = pixels.height();
    if (!std::isfinite(w) || !std::isfinite(h))
        return true;
    return w > MaxSide || h > MaxSide || w * h > double(MaxPixels);
}

double fittingDpi(const Poppler::Document &document, int index, double dpi)
{
    const QSizeF at72 = pixelSize(document, index, 72.0);
    if (at72.isEmpty())
        return dpi;
    const double bySide = MaxSide * 72.0 / std::max(at72.width(), at72.height());
    const double byArea = 72.0 * std::sqrt(double(MaxPixels) / (at72.width() * at72.height()));
    // A hair under the exact bound, as the pixel size is rounded up.
    return std::min(dpi, std::min(bySide, byArea) * 0.999);
}

QImage render(const Poppler::Document &document, int index, double dpi)
{
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    if (!page)
        return QImage();
    return page->renderToImage(dpi, dpi);
}

void writeJpeg(const QImage &image, const QString &path, int quality)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Failure(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()), 75);
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(quality);
    // JPEG has no alpha; poppler paints on opaque white paper anyway.
    const QImage opaque = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image;
    if (!writer.write(opaque)) {
        file.cancelWriting();
        throw Failure(QStringLiteral("%1 cannot be written: %2").arg(path, writer.errorString()), 75);
    }
    if (!file.commit())
        throw Failure(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()), 75);
}

} // namespace PdfPages
