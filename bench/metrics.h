#pragma once

// Reading the pictures a bench compares, and the figures it reports.

#include <QImage>
#include <QList>
#include <QString>

namespace bench {

QImage readPicture(const QString &path);             // any Qt format, as RGB32; null on failure
QImage readGif(const QString &path, QString *error); // through giflib; transparent parts on white

// PSNR over R, G and B in dB; +inf for identical pictures, NaN when the sizes differ.
double psnr(const QImage &a, const QImage &b);
// The same after a 3x3 box blur of both pictures: roughly what the eye sees of a dithered
// picture at a normal distance, so it credits dithering that the plain PSNR penalises.
double blurredPsnr(const QImage &a, const QImage &b);

double median(QList<double> values);
double minimum(const QList<double> &values);
QString dB(double value);  // "41.23", "inf" or "n/a"

qint64 fileSize(const QString &path);

// One line on standard output, flushed at once so that progress shows while a bench runs.
void out(const QString &line);

} // namespace bench
