// The imaging service and its GIF encoder: encoder lookup, saving, failures that
// leave no file behind, and GIF files that a real decoder (giflib) reads back.

#include "tests/support/testsupport.h"
#include "engine/encode/gifencoder.h"
#include "engine/encode/imaging.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QString Gif = QStringLiteral("image/gif");

// Decodes the first image of a GIF with giflib, transparent pixels as white.
QImage decodeGif(GifFileType *gif)
{
    QImage out;
    if (gif && DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage &frame = gif->SavedImages[0];
        const ColorMapObject *map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        const GifImageDesc &d = frame.ImageDesc;
        if (map && d.Left == 0 && d.Top == 0 && d.Width == gif->SWidth && d.Height == gif->SHeight) {
            out = QImage(d.Width, d.Height, QImage::Format_RGB32);
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x) {
                    const GifColorType c = map->Colors[frame.RasterBits[y * d.Width + x] % map->ColorCount];
                    out.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
                }
        }
    }
    int error = 0;
    if (gif)
        DGifCloseFile(gif, &error);
    return out;
}

QImage decodeGifFile(const QString &path)
{
    int error = 0;
    return decodeGif(DGifOpenFileName(QFile::encodeName(path).constData(), &error));
}

int readFromBuffer(GifFileType *gif, GifByteType *to, int length)
{
    return static_cast<int>(static_cast<QBuffer *>(gif->UserData)->read(reinterpret_cast<char *>(to), length));
}

using TestImages::psnr;

// Smooth shading with far more than 256 colours, as in a photograph.
QImage photoLike(int w = 240, int h = 160)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128 + int(100 * std::sin((x + 2 * y) / 40.0))));
    return img;
}

QImage plain(const QColor &colour, int w = 40, int h = 30)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// Makes `folder` refuse new entries even to root, through the immutable attribute, which needs
// the capability to set it and a file system that has it. False when that is not possible.
bool setImmutable(const QString &folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

class TestImaging : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_service = ImagingService();
        QVERIFY(m_service.start());
    }

    // GIF within its palette; PNG and TIFF every pixel, and in fewer bytes than the format's
    // plain writer gives the picture as RGB.
    void roundTrip_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<double>("minimumPsnr");
        QTest::addColumn<QString>("mime");
        QImage few(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < few.height(); ++y)
            for (int x = 0; x < few.width(); ++x)
                few.setPixel(x, y, qRgb((x / 8) * 36, (y / 6) * 36, ((x + y) % 4) * 80));
        QImage greys(50, 20, QImage::Format_Grayscale8);
        for (int y = 0; y < greys.height(); ++y)
            for (int x = 0; x < greys.width(); ++x)
                greys.setPixel(x, y, qRgb(x * 5, x * 5, x * 5));
        QImage translucent(20, 10, QImage::Format_ARGB32);
        translucent.fill(qRgba(0, 0, 0, 0)); // transparent: laid on white
        const double exact = INFINITY;
        QTest::newRow("photo-like, many colours") << photoLike() << 30.0 << Gif;
        QTest::newRow("at most 256 colours: exact") << few << exact << Gif;
        QTest::newRow("greys: exact") << greys << exact << Gif;
        QTest::newRow("one pixel") << plain(QColor(12, 34, 56), 1, 1) << exact << Gif;
        QTest::newRow("transparent on white") << translucent << exact << Gif;
        const QString png = QStringLiteral("image/png"), tiff = QStringLiteral("image/tiff");
        // A page of text and drawings: few colours, each in its palette once.
        QImage page = plain(Qt::white, 300, 400);
        for (int line = 0; line < 30; ++line)
            for (int word = 0; word < 8; ++word)
                page.setPixelColor(QPoint(20 + word * 33 + line % 7, 40 + line * 11), Qt::black);
        for (int y = 10; y < 30; ++y)
            for (int x = 0; x < 300; ++x)
                page.setPixel(x, y, qRgb(200, 40 + x / 10, 40));
        QTest::newRow("PNG, many colours") << photoLike(600, 400) << exact << png;
        QTest::newRow("PNG, a page of few colours") << page << exact << png;
        QTest::newRow("PNG, greys") << greys << exact << png;
        QTest::newRow("TIFF, many colours") << photoLike(600, 400) << exact << tiff;
        QTest::newRow("TIFF, a page of few colours") << page << exact << tiff;
    }
    void roundTrip()
    {
        QFETCH(QImage, picture);
        QFETCH(double, minimumPsnr);
        QFETCH(QString, mime);
        if (m_service.extensionOf(mime).isEmpty())
            QSKIP("Qt has no writer of this format here");
        const QString path = file(QStringLiteral("round") + m_service.extensionOf(mime));
        QString error;
        QVERIFY2(m_service.SavePictureAs(picture, path, mime, &error), qPrintable(error));
        const QImage back = mime == Gif ? decodeGifFile(path) : QImage(path);
        QCOMPARE(back.size(), picture.size());
        QImage expected = picture.convertToFormat(QImage::Format_ARGB32);
        if (picture.hasAlphaChannel())
            expected.fill(Qt::white);
        QVERIFY2(psnr(expected, back) >= minimumPsnr,
                 qPrintable(QStringLiteral("PSNR %1 dB").arg(psnr(expected, back))));
        if (mime == Gif)
            return;
        QBuffer plainFile;
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        QVERIFY(QImageWriter(&plainFile, mime.section(QLatin1Char('/'), 1).toLatin1()).write(expected.convertToFormat(QImage::Format_RGB32)));
        QVERIFY2(QFileInfo(path).size() < plainFile.size(),
                 qPrintable(QStringLiteral("%1 bytes, plain %2").arg(QFileInfo(path).size()).arg(plainFile.size())));
    }

    // The lossy formats: read back at the picture's size, close to it at the default quality,
    // smaller files at a lower one and closer pictures at a higher one; WebP at 100 is lossless.
    void lossyQuality_data()
    {
        QTest::addColumn<QString>("mime");
        QTest::addColumn<bool>("losslessAt100");
        QTest::newRow("JPEG") << QStringLiteral("image/jpeg") << false;
        QTest::newRow("WebP") << QStringLiteral("image/webp") << true;
    }
    void lossyQuality()
    {
        QFETCH(QString, mime);
        QFETCH(bool, losslessAt100);
        if (m_service.extensionOf(mime).isEmpty())
            QSKIP("Qt has no writer of this format here (qt6-image-formats-plugins)");
        QCOMPARE(m_service.defaultQualityOf(mime), ImagingService::LossyQuality);
        const QImage picture = photoLike(600, 400);
        qint64 bytes[3] = {};
        double quality[3] = {};
        const int settings[3] = {10, 0, 100}; // 0: the default
        for (int i = 0; i < 3; ++i) {
            const QString path = file(QStringLiteral("q%1").arg(settings[i]) + m_service.extensionOf(mime));
            QString error;
            QVERIFY2(m_service.SavePictureAs(picture, path, mime, &error, settings[i]), qPrintable(error));
            const QImage back(path);
            QCOMPARE(back.size(), picture.size());
            bytes[i] = QFileInfo(path).size();
            quality[i] = psnr(picture, back);
        }
        QVERIFY2(bytes[0] < bytes[1] && (losslessAt100 || bytes[1] < bytes[2]),
                 qPrintable(QStringLiteral("%1 %2 %3").arg(bytes[0]).arg(bytes[1]).arg(bytes[2])));
        QVERIFY2(quality[0] < quality[1] && quality[1] < quality[2] && quality[1] >= 35,
                 qPrintable(QStringLiteral("%1 %2 %3 dB").arg(quality[0]).arg(quality[1]).arg(quality[2])));
        QCOMPARE(std::isinf(quality[2]), losslessAt100);
        // GIF's setting keeps every page's own palette by default; png and tiff have none.
        QCOMPARE(m_service.defaultQualityOf(Gif), ImagingService::GifQuality);
        QCOMPARE(m_service.defaultQualityOf(QStringLiteral("image/png")), 0);
    }

    void findEncoderInAnyCase_data()
    {
        QTest::addColumn<QString>("mime");
        QTest::newRow("image/gif") << QStringLiteral("image/gif");
        QTest::newRow("IMAGE/GIF") << QStringLiteral("IMAGE/GIF");
        QTest::newRow("Image/Gif") << QStringLiteral("Image/Gif");
    }
    void findEncoderInAnyCase()
    {
        QFETCH(QString, mime);
        QByteArray gifId, id;
        QVERIFY(m_service.FindEncoder(Gif, gifId));
        QCOMPARE(gifId.size(), 16);
        QVERIFY(m_service.FindEncoder(mime, id));
        QCOMPARE(id, gifId);
    }

    void unknownTypeFindsNothingAndWritesNothing()
    {
        QByteArray id("untouched");
        QVERIFY(!m_service.FindEncoder(QStringLiteral("image/x-none"), id));
        QCOMPARE(id, QByteArray("untouched"));
        const QString path = file(QStringLiteral("none.gif"));
        QVERIFY(!m_service.SavePictureAs(photoLike(), path, QStringLiteral("image/x-none")));
        QVERIFY(files().isEmpty());
    }

    void nullPictureWritesNothing()
    {
        QString error;
        QVERIFY(!m_service.SavePictureAs(QImage(), file(QStringLiteral("null.gif")), Gif, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(files().isEmpty());
    }

    void savingTwiceLeavesTheSecondPicture()
    {
        const QString path = file(QStringLiteral("twice.gif"));
        QVERIFY(m_service.SavePictureAs(plain(Qt::red, 40, 30), path, Gif));
        QVERIFY(m_service.SavePictureAs(plain(Qt::blue, 20, 10), path, Gif));
        const QImage back = decodeGifFile(path);
        QCOMPARE(back.size(), QSize(20, 10));
        QCOMPARE(back.pixel(5, 5), qRgb(0, 0, 255));
        QCOMPARE(files(), QStringList{QStringLiteral("twice.gif")});
    }

    void unusualPaths_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("Cyrillic") << QStringLiteral("Документы");
        QTest::newRow("Japanese") << QStringLiteral("日本語のフォルダ");
        QTest::newRow("spaces and quotes") << QStringLiteral("my 'quoted' \"pages\" & more");
    }
    void unusualPaths()
    {
        QFETCH(QString, folder);
        const QString dir = file(folder);
        QVERIFY(QDir().mkpath(dir));
        const QString path = dir + QStringLiteral("/page 1 «ü».gif");
        QString error;
        QVERIFY2(m_service.SavePictureAs(photoLike(60, 40), path, Gif, &error), qPrintable(error));
        QCOMPARE(decodeGifFile(path).size(), QSize(60, 40));
    }

    void unwritablePlaceFailsCleanly_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("folder is a file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void unwritablePlaceFailsCleanly()
    {
        QFETCH(bool, readOnlyFolder);
        const QString folder = file(QStringLiteral("target"));
        bool immutable = false;
        const auto restore = qScopeGuard([&] {
            if (immutable)
                setImmutable(folder, false);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        if (readOnlyFolder) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(m_service.SavePictureAs(plain(Qt::green), folder + QStringLiteral("/old.gif"), Gif));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            // Permission bits do not stop root; the immutable attribute does.
            if (::access(QFile::encodeName(folder).constData(), W_OK) == 0 && !(immutable = setImmutable(folder, true)))
                QSKIP("permissions do not stop this user, and the folder cannot be made immutable here");
        } else {
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        QString error;
        const bool saved = m_service.SavePictureAs(photoLike(), folder + QStringLiteral("/old.gif"), Gif, &error);
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        if (readOnlyFolder) {
            QCOMPARE(left, QStringList{QStringLiteral("old.gif")}); // no temporary file either
            QCOMPARE(decodeGifFile(folder + QStringLiteral("/old.gif")).pixel(0, 0), qRgb(0, 255, 0));
        } else {
            QCOMPARE(files(), QStringList{QStringLiteral("target")});
        }
    }

    void tooWideOrTallIsRefusedAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("65536 x 1") << QImage(65536, 1, QImage::Format_Mono);
        QImage tall(1, 65536, QImage::Format_Indexed8);
        tall.setColorTable({qRgb(0, 0, 0)});
        tall.fill(0);
        QTest::newRow("1 x 65536") << tall;
    }
    void tooWideOrTallIsRefusedAndKeepsTheOldFile()
    {
        QFETCH(QImage, picture);
        QVERIFY(!picture.isNull());
        const QString path = file(QStringLiteral("big.gif"));
        QVERIFY(m_service.SavePictureAs(plain(Qt::green), path, Gif));
        QString error;
        QVERIFY(!m_service.SavePictureAs(picture, path, Gif, &error));
        QVERIFY2(error.contains(QStringLiteral("65535")), qPrintable(error));
        QCOMPARE(files(), QStringList{QStringLiteral("big.gif")});
        QCOMPARE(decodeGifFile(path).size(), QSize(40, 30));
    }

    void serviceNotStartedRefuses()
    {
        ImagingService service;
        const QString path = file(QStringLiteral("off.gif"));
        QVERIFY(!service.isStarted());
        QVERIFY(!service.SavePictureAs(photoLike(), path, Gif));
        QVERIFY(service.start());
        QVERIFY(service.SavePictureAs(photoLike(), path, Gif));
        service.stop();
        QVERIFY(!service.SavePictureAs(photoLike(), file(QStringLiteral("off2.gif")), Gif));
        QCOMPARE(files(), QStringList{QStringLiteral("off.gif")});
    }

    void encodesIntoABuffer()
    {
        QByteArray id;
        QVERIFY(m_service.FindEncoder(Gif, id));
        const auto encoder = std::find_if(m_service.encoders().begin(), m_service.encoders().end(),
                                          [&](const ImageEncoder &e) { return e.classId == id; });
        QVERIFY(encoder != m_service.encoders().end());
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::ReadWrite));
        const QImage picture = photoLike(300, 200);
        QString error;
        QVERIFY2(encoder->write(picture, buffer, &error), qPrintable(error));
        QVERIFY(buffer.data().startsWith("GIF8"));
        buffer.seek(0);
        int gifError = 0;
        const QImage back = decodeGif(DGifOpen(&buffer, readFromBuffer, &gifError));
        QCOMPARE(back.size(), picture.size());
        QVERIFY(psnr(picture, back) >= 30);
    }

private:
    QString file(const QString &name) const { return m_temp->filePath(name); }
    QStringList files() const { return QDir(m_temp->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

    std::unique_ptr<QTemporaryDir> m_temp;
    ImagingService m_service;
};

QTEST_GUILESS_MAIN(TestImaging)
#include "tst_imaging.moc"
