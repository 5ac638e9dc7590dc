#pragma once

#include <QString>

class QImage;
class QIODevice;

// PNG and TIFF pages that keep every pixel of the page image as decoded. A page of at most 256
// colours is stored as a palette of exactly those colours, a byte a pixel (a grey page as
// greys), the others as RGB; either way as tightly as the format's compression goes, so that
// a page costs less than a plain RGB file of it. False, with the reason in `error`, when the
// writer fails (the caller discards what went to `device`).
bool writeLosslessPng(const QImage &image, QIODevice &device, QString *error);
bool writeLosslessTiff(const QImage &image, QIODevice &device, QString *error);
