// bench_pngwriter: PNG files decoded and written again, through the program's PNG writer (each
// row's filter chosen by a trial compression) and through Qt's own writer at zlib's highest
// level (libpng's filter choice), both given the same picture: the palette of a page of at most
// 256 colours, greys as greys, the rest as RGB. Prints the bytes and the CPU time of each, page
// by page with --verbose, and fails when a file does not decode to the pixels it was made of.
//
//   bench_pngwriter [--verbose] FILE.png...   (pdftoppm's pages, or lumenpage-batch --format png)

#include "engine/encode/losslesswriter.h"
#include "engine/encode/palette.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QStringList>

#include <cstdio>
#include <ctime>

namespace {

struct Written {
    qint64 bytes = 0;
    double seconds = 0; // CPU time of this process
    bool same = false;  // decodes to the picture it was made of
};

template <typename Write>
Written measure(const QImage &picture, Write write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const std::clock_t start = std::clock();
    const bool ok = write(picture, buffer);
    Written w;
    w.seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    w.bytes = buffer.size();
    const QImage back = QImage::fromData(buffer.data(), "png");
    w.same = ok && back.convertToFormat(QImage::Format_RGB32) == picture.convertToFormat(QImage::Format_RGB32);
    return w;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList files = app.arguments().mid(1);
    const bool verbose = files.removeAll(QStringLiteral("--verbose")) > 0;
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: bench_pngwriter [--verbose] FILE.png...\n");
        return 1;
    }
    QImageReader::setAllocationLimit(2048);
    Written ours, qts;
    bool allSame = true;
    for (const QString &file : files) {
        const QImage read = QImageReader(file).read();
        if (read.isNull()) {
            std::fprintf(stderr, "%s: cannot be read\n", qPrintable(file));
            return 1;
        }
        const QImage picture = read.format() == QImage::Format_Grayscale8 ? read : read.convertToFormat(QImage::Format_RGB32);
        const Written a = measure(picture, [](const QImage &p, QIODevice &d) { return writeLosslessPng(p, d, nullptr); });
        const Written b = measure(picture, [](const QImage &p, QIODevice &d) {
            const QImage indexed = p.format() == QImage::Format_Grayscale8 ? QImage() : exactIndexedImage(p);
            QImageWriter writer(&d, "png");
            writer.setCompression(100);
            return writer.write(indexed.isNull() ? p : indexed);
        });
        if (verbose)
            std::printf("%s: ours %lld bytes %.0f ms, Qt's %lld bytes %.0f ms\n", qPrintable(file), a.bytes, a.seconds * 1000,
                        b.bytes, b.seconds * 1000);
        allSame = allSame && a.same && b.same;
        ours.bytes += a.bytes, ours.seconds += a.seconds;
        qts.bytes += b.bytes, qts.seconds += b.seconds;
    }
    const double n = files.size();
    std::printf("%d pages\nours:  %lld bytes, %.0f ms a page\nQt's:  %lld bytes, %.0f ms a page (ours %+.1f %%)\n%s\n",
                int(n), ours.bytes, ours.seconds * 1000 / n, qts.bytes, qts.seconds * 1000 / n,
                100.0 * (double(ours.bytes) / double(qts.bytes) - 1), allSame ? "every file decodes to its pixels" : "PIXELS DIFFER");
    return allSame ? 0 : 3;
}
