#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

class QIODevice;

// Writes one picture into a device; false with the reason in `error` when it cannot encode.
using ImageWriteFunction = std::function<bool(const QImage &image, QIODevice &device, QString *error)>;

// One image encoder: its 16-byte class identifier, the MIME type it writes and the writer.
struct ImageEncoder {
    QByteArray classId;
    QString mimeType;
    QString extension; // of the files it writes, with its dot
    ImageWriteFunction write;
    // It stores the pixels it is given as they are; one that reduces them (GIF's palette) is
    // better given the pixels the renderer drew than the page image's, where there are any.
    bool exact = true;
    // A lossy format's quality setting, from 1 (smallest files) to 100 (closest to the picture):
    // the one `write` uses, and the writer at any other. 0 and none: the format has no such setting.
    int quality = 0;
    std::function<ImageWriteFunction(int quality)> writeAtQuality = nullptr;
};

// Writes `picture` to `path` with `write`, all or nothing: into a file beside the target that
// replaces it only when complete, so a failure leaves neither a partial file nor a damaged
// earlier one. False with the reason in `error` when nothing was written. Safe on any thread.
bool SaveImageFile(const QImage &picture, const QString &path, const ImageWriteFunction &write, QString *error);

// The imaging service the conversion run saves pictures through. Started once when a host
// comes up and stopped when it goes; saving is refused while it is not started. The encoder
// list is fixed when it is made, so saving is safe on any thread. A new output format is one
// writer and one row of that list.
class ImagingService {
public:
    ImagingService();

    bool start();
    void stop();
    bool isStarted() const { return m_started; }

    // The MIME type the run saves its pictures as unless told otherwise (RunOptions::format).
    static QString pageType() { return QStringLiteral("image/gif"); }
    // The quality JPEG and WebP pages are written at unless told otherwise. Pages are mostly
    // text: at 90 the ringing round letters stays below what the eye sees.
    static constexpr int LossyQuality = 90;
    // GIF's: every page in its own palette, nothing lost beyond it.
    static constexpr int GifQuality = 100;
    // The extension of the files the encoder of `mimeType` writes; empty when there is none.
    QString extensionOf(const QString &mimeType) const;
    // Whether the encoder of `mimeType` stores its pictures exactly (ImageEncoder::exact).
    bool storesExactly(const QString &mimeType) const;
    // The quality the encoder of `mimeType` writes at unless told otherwise; 0 when its format
    // has no quality setting (or there is no such encoder).
    int defaultQualityOf(const QString &mimeType) const;

    const std::vector<ImageEncoder> &encoders() const { return m_encoders; }

    // Looks the MIME type up without regard to letter case; fills `classId` only on success.
    bool FindEncoder(const QString &mimeType, QByteArray &classId) const;

    // Writes `picture` to `path` with the encoder of `mimeType`, replacing an existing file, at
    // `quality` (1 to 100) where its format has that setting; 0 is the encoder's own. False (with
    // the reason in `error`) when nothing could be written; a failed save never leaves a partial
    // file behind, nor destroys the file that was there.
    bool SavePictureAs(const QImage &picture, const QString &path, const QString &mimeType,
                       QString *error = nullptr, int quality = 0) const;

private:
    const ImageEncoder *encoderById(const QByteArray &classId) const;

    std::vector<ImageEncoder> m_encoders;
    bool m_started = false; // changed only while no run saves
};
