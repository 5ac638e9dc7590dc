#include "engine/encode/imaging.h"

#include "engine/encode/gifencoder.h"
#include "engine/encode/losslesswriter.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>

namespace {

QByteArray classId(const char *hex)
{
    return QByteArray::fromHex(hex);
}

ImageWriteFunction qtWriter(const QByteArray &format, int quality)
{
    return [format, quality](const QImage &image, QIODevice &device, QString *error) {
        QImageWriter writer(&device, format);
        if (quality > 0)
            writer.setQuality(quality);
        if (writer.write(image))
            return true;
        if (error)
            *error = writer.errorString();
        return false;
    };
}

// One of Qt's writers, for files named *.`extension`; `quality` > 0 for a lossy format, the
// quality it writes at by default.
ImageEncoder qtEncoder(const char *id, const char *mime, const char *format, const char *extension, int quality = 0)
{
    const QByteArray fmt(format);
    ImageEncoder encoder{classId(id), QString::fromLatin1(mime), QLatin1Char('.') + QString::fromLatin1(extension),
                         qtWriter(fmt, quality), quality <= 0};
    if (quality > 0) {
        encoder.quality = quality;
        encoder.writeAtQuality = [fmt](int q) { return qtWriter(fmt, q); };
    }
    return encoder;
}

} // namespace

ImagingService::ImagingService()
{
    // Class identifiers are fixed so that they can be stored and compared like the platform's.
    ImageEncoder gif{classId("557cf402d3c41a1184ba00005f6e7661"), QStringLiteral("image/gif"), QStringLiteral(".gif"),
                     [](const QImage &image, QIODevice &device, QString *error) { return writeGif(image, device, error); }, false};
    // 100 is the picture's own palette exactly as ever; below, pixels may move towards their
    // neighbours' colours where that shortens the LZW codes (lzwcoder).
    gif.quality = GifQuality;
    gif.writeAtQuality = [](int quality) -> ImageWriteFunction {
        return [quality](const QImage &image, QIODevice &device, QString *error) {
            return writeGif(image, device, error, PaletteSettings(), quality);
        };
    };
    m_encoders.push_back(gif);
    m_encoders.push_back({classId("557cf406d3c41a1184ba00005f6e7661"), QStringLiteral("image/png"), QStringLiteral(".png"),
                          writeLosslessPng});
    m_encoders.push_back(qtEncoder("557cf401d3c41a1184ba00005f6e7661", "image/jpeg", "jpeg", "jpg", LossyQuality));
    m_encoders.push_back(qtEncoder("557cf400d3c41a1184ba00005f6e7661", "image/bmp", "bmp", "bmp"));
    // TIFF and WebP are Qt plugins of their own (qt6-image-formats-plugins), which a machine may lack.
    const QList<QByteArray> plugins = QImageWriter::supportedImageFormats();
    if (plugins.contains("tiff"))
        m_encoders.push_back({classId("557cf405d3c41a1184ba00005f6e7661"), QStringLiteral("image/tiff"), QStringLiteral(".tiff"),
                              writeLosslessTiff});
    if (plugins.contains("webp"))
        m_encoders.push_back(qtEncoder("557cf408d3c41a1184ba00005f6e7661", "image/webp", "webp", "webp", LossyQuality));
}

bool ImagingService::start()
{
    m_started = true;
    return true;
}

void ImagingService::stop()
{
    m_started = false;
}

bool ImagingService::FindEncoder(const QString &mimeType, QByteArray &id) const
{
    for (const ImageEncoder &e : m_encoders) {
        if (e.mimeType.compare(mimeType, Qt::CaseInsensitive) == 0) {
            id = e.classId;
            return true;
        }
    }
    return false;
}

QString ImagingService::extensionOf(const QString &mimeType) const
{
    QByteArray id;
    return FindEncoder(mimeType, id) ? encoderById(id)->extension : QString();
}

bool ImagingService::storesExactly(const QString &mimeType) const
{
    QByteArray id;
    return !FindEncoder(mimeType, id) || encoderById(id)->exact;
}

int ImagingService::defaultQualityOf(const QString &mimeType) const
{
    QByteArray id;
    return FindEncoder(mimeType, id) ? encoderById(id)->quality : 0;
}

const ImageEncoder *ImagingService::encoderById(const QByteArray &id) const
{
    for (const ImageEncoder &e : m_encoders)
        if (e.classId == id)
            return &e;
    return nullptr;
}

bool ImagingService::SavePictureAs(const QImage &picture, const QString &path,
                                   const QString &mimeType, QString *error, int quality) const
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!m_started)
        return fail(QCoreApplication::translate("Engine", "the imaging service is not started"));
    if (picture.isNull())
        return fail(QCoreApplication::translate("Engine", "no picture"));
    QByteArray id;
    if (!FindEncoder(mimeType, id))
        return fail(QCoreApplication::translate("Engine", "no encoder for %1").arg(mimeType));
    const ImageEncoder &encoder = *encoderById(id);
    const bool other = quality > 0 && encoder.writeAtQuality && quality != encoder.quality;
    return SaveImageFile(picture, path, other ? encoder.writeAtQuality(quality) : encoder.write, error);
}

bool SaveImageFile(const QImage &picture, const QString &path, const ImageWriteFunction &write, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // Encoded in memory first: the file is then written in one checked piece, whole or not at all.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString why;
    if (!write(picture, buffer, &why))
        return fail(why.isEmpty() ? QCoreApplication::translate("Engine", "the encoder failed") : why);
    try {
        ReplaceFileWhole(path, bytes);
    } catch (const Failure &f) {
        return fail(f.description());
    }
    return true;
}
