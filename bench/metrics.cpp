#include "metrics.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

QImage readPicture(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    QImage img;
    if (!reader.read(&img))
        return QImage();
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage readGif(const QString &path, QString *error)
{
    int err = 0;
    GifFileType *gif = DGifOpenFileName(QFile::encodeName(path).constData(), &err);
    if (!gif) {
        if (error)
            *error = QString::fromLatin1(GifErrorString(err));
        return QImage();
    }
    QImage img;
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        if (error)
            *error = QString::fromLatin1(GifErrorString(gif->Error));
    } else {
        const SavedImage &frame = gif->SavedImages[0];
        const ColorMapObject *map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, 0, &gcb);
        img = QImage(gif->SWidth, gif->SHeight, QImage::Format_RGB32);
        img.fill(Qt::white);
        const GifImageDesc &d = frame.ImageDesc;
        for (int y = 0; y < d.Height && map; ++y) {
            if (d.Top + y >= img.height())
                break;
            auto *row = reinterpret_cast<QRgb *>(img.scanLine(d.Top + y));
            for (int x = 0; x < d.Width && d.Left + x < img.width(); ++x) {
                const int i = frame.RasterBits[static_cast<size_t>(y) * d.Width + x];
                if (i == gcb.TransparentColor || i >= map->ColorCount)
                    continue;
                const GifColorType c = map->Colors[i];
                row[d.Left + x] = qRgb(c.Red, c.Green, c.Blue);
            }
        }
    }
    DGifCloseFile(gif, &err);
    return img;
}

double psnr(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return std::numeric_limits<double>::quiet_NaN();
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        long long line = 0;
        for (int x = 0; x < a.width(); ++x) {
            const int dr = qRed(ra[x]) - qRed(rb[x]), dg = qGreen(ra[x]) - qGreen(rb[x]), db = qBlue(ra[x]) - qBlue(rb[x]);
            line += dr * dr + dg * dg + db * db;
        }
        sum += line;
    }
    if (sum == 0)
        return std::numeric_limits<double>::infinity();
    const double mse = sum / (3.0 * a.width() * a.height());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

namespace {
QImage boxBlur(const QImage &src)
{
    const int w = src.width(), h = src.height();
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *o = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int r = 0, g = 0, b = 0, n = 0;
            for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy) {
                const auto *row = reinterpret_cast<const QRgb *>(src.constScanLine(yy));
                for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx) {
                    r += qRed(row[xx]);
                    g += qGreen(row[xx]);
                    b += qBlue(row[xx]);
                    ++n;
                }
            }
            o[x] = qRgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n);
        }
    }
    return out;
}
} // namespace

double blurredPsnr(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return std::numeric_limits<double>::quiet_NaN();
    return psnr(boxBlur(a), boxBlur(b));
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double minimum(const QList<double> &values)
{
    if (values.isEmpty())
        return std::numeric_limits<double>::quiet_NaN();
    return *std::min_element(values.begin(), values.end());
}

QString dB(double value)
{
    if (std::isnan(value))
        return QStringLiteral("n/a");
    if (std::isinf(value))
        return QStringLiteral("inf");
    return QString::number(value, 'f', 2);
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

void out(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace bench
