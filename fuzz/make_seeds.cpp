// fuzz_seeds DIR: writes the seed corpora of the fuzz targets, a folder each in DIR (pageimage,
// pdfpage, ppmstream, scriptlines, renderanswer, namepattern). Small inputs that reach the
// interesting paths: colour, grey and progressive JPEGs, a PNG; PDFs with text, vector art, an image, compressed and nested content, several
// pages; Ghostscript's pipe of raw pages, one or several, with a comment, cut short.
#include "tests/support/testpdfs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>

namespace {

QImage picture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x ^ y) & 0xff));
    QPainter p(&image);
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Pg"));
    return image;
}

void save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

QByteArray encoded(const QImage &image, const char *format, int quality = -1, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray rawPdf(const QList<QByteArray> &contents, bool compressed)
{
    QList<TestPdfs::Page> pages;
    for (const QByteArray &content : contents)
        pages << TestPdfs::Page{content, TestPdfs::box(200, 200),
                                "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>", compressed};
    return TestPdfs::withPages(pages);
}

// The picture as Ghostscript's ppmraw device writes a page: "P6\nW H\n255\n", then RGB rows.
QByteArray ppm(const QImage &image, const QByteArray &header = QByteArray())
{
    QByteArray bytes = header.isEmpty() ? "P6\n" + QByteArray::number(image.width()) + ' ' + QByteArray::number(image.height()) + "\n255\n"
                                        : header;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            bytes += char(qRed(p));
            bytes += char(qGreen(p));
            bytes += char(qBlue(p));
        }
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: fuzz_seeds DIR\n", stderr);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString images = root + QStringLiteral("/pageimage"), pdfs = root + QStringLiteral("/pdfpage");
    const QString streams = root + QStringLiteral("/ppmstream");
    QDir().mkpath(images);
    QDir().mkpath(pdfs);
    QDir().mkpath(streams);
    const QString lines = root + QStringLiteral("/scriptlines"), patterns = root + QStringLiteral("/namepattern");
    QDir().mkpath(lines);
    QDir().mkpath(patterns);
    // The first byte is the plan (see fuzz_scriptlines.cpp), then what a script says.
    save(lines + QStringLiteral("/colour.txt"), "\4count 2\ndrawn 1\npage 1 current1.jpg current1.jpg.rgb 36 1f2e\n"
                                                "drawn 2\nfailed 2 timecap\n");
    save(lines + QStringLiteral("/range.txt"), "\3pages 2 3 5\ncount 3\npage 2 current/page00002.jpg\n"
                                               "page 3 current/../x.jpg\n");
    save(lines + QStringLiteral("/document.txt"), "\4document missingtool gs cjpeg\ndocument norange 4\nhello\n");
    const QString answers = root + QStringLiteral("/renderanswer");
    QDir().mkpath(answers);
    // The first byte: a folder for the drawn pixels was named (see fuzz_renderanswer.cpp).
    save(answers + QStringLiteral("/pages.txt"), "\1pages 12\nimage 5120 612 792 72 render-1a2b.rgb 1455192 40764\nclosed\n");
    save(answers + QStringLiteral("/errors.txt"), "\0error 3 6800 8800 too large\nerror 8 locked\nerror 14 no such file\n"
                                                  "image 100 10 10 72\nimage 100 10 10 72 ../x.rgb 300 1\n");
    save(patterns + QStringLiteral("/plain.txt"), "{name}_p{page:04}");
    save(patterns + QStringLiteral("/position.txt"), "{n:03}-{page}-{name}");
    save(patterns + QStringLiteral("/bad.txt"), "../{page}{x}{");

    const QImage colour = picture(64, 48);
    save(images + QStringLiteral("/colour.jpg"), encoded(colour, "jpeg", 90));
    save(images + QStringLiteral("/colour100.jpg"), encoded(colour, "jpeg", 100));
    save(images + QStringLiteral("/grey.jpg"), encoded(colour.convertToFormat(QImage::Format_Grayscale8), "jpeg", 90));
    save(images + QStringLiteral("/progressive.jpg"), encoded(colour, "jpeg", 80, true));
    save(images + QStringLiteral("/page.png"), encoded(colour, "png"));
    QImage flat(40, 30, QImage::Format_RGB32);
    flat.fill(qRgb(250, 250, 250));
    save(images + QStringLiteral("/flat.jpg"), encoded(flat, "jpeg", 100));

    const QImage small = picture(16, 12);
    save(streams + QStringLiteral("/one.ppm"), ppm(small));
    save(streams + QStringLiteral("/three.ppm"), ppm(small) + ppm(picture(9, 20)) + ppm(flat.scaled(5, 4)));
    save(streams + QStringLiteral("/comment.ppm"), ppm(small, "P6 # drawn by Ghostscript\n16\t12\r255 "));
    save(streams + QStringLiteral("/cut.ppm"), (ppm(small) + ppm(small)).chopped(100));

    {
        QPdfWriter writer(pdfs + QStringLiteral("/written.pdf"));
        writer.setResolution(72);
        QPainter p(&writer);
        p.fillRect(QRect(10, 10, 200, 60), QColor(200, 60, 20));
        p.drawText(QPoint(20, 120), QStringLiteral("Lumenpage seed"));
        p.drawEllipse(QRect(50, 150, 100, 80));
        p.drawImage(QRect(300, 40, 128, 96), colour);
        writer.newPage();
        p.drawLine(0, 0, 400, 500);
    }
    const QByteArray art = "0 0 1 rg 10 10 100 50 re f 1 0 0 RG 2 w 0 0 m 200 200 l S "
                           "BT /F1 24 Tf 20 150 Td (Seed) Tj ET";
    save(pdfs + QStringLiteral("/plain.pdf"), rawPdf({art}, false));
    save(pdfs + QStringLiteral("/flate.pdf"), rawPdf({art, "q 0.5 0 0 0.5 0 0 cm " + art + " Q"}, true));
    save(pdfs + QStringLiteral("/nested.pdf"), rawPdf({QByteArray("q ").repeated(500) + art}, true));
    return 0;
}
