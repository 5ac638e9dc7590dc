// The black-and-white method end to end: the shipped script, real Ghostscript, real PDFs.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "engine/run/conversionrun.h"
#include "engine/methods/methods.h"
#include "engine/render/pdfpages.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <gif_lib.h>
#include <poppler-qt6.h>

namespace {

struct Fixture : RunFixture {
    Fixture() : RunFixture(Method::BlackWhite) {}
};

// Pixels that are (near) pure black or white, out of all pixels.
double pureShare(const QImage &image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    qint64 pure = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            pure += line[x] <= 16 || line[x] >= 239;
    }
    return double(pure) / (qint64(grey.width()) * grey.height());
}

// The colours of a GIF's palettes (global and per image), read with giflib itself.
QList<QRgb> gifPalette(const QString &path)
{
    QList<QRgb> colours;
    int error = 0;
    GifFileType *gif = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!gif)
        return colours;
    if (DGifSlurp(gif) == GIF_OK) {
        auto add = [&colours](const ColorMapObject *map) {
            for (int i = 0; map && i < map->ColorCount; ++i)
                colours << qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
        };
        add(gif->SColorMap);
        for (int i = 0; i < gif->ImageCount; ++i)
            add(gif->SavedImages[i].ImageDesc.ColorMap);
    }
    DGifCloseFile(gif, &error);
    return colours;
}

// How many sampled pixels of the text line "Page N" in the middle of `gif` disagree, as ink or
// paper, with `reference`. (The coloured bands above may fall either side of the threshold.)
qint64 mismatch(const QImage &gif, const QImage &reference)
{
    qint64 n = 0;
    const int w = qMin(gif.width(), reference.width()), h = qMin(gif.height(), reference.height());
    for (int y = h * 3 / 10; y < h * 7 / 10; y += 3)
        for (int x = 0; x < w; x += 3)
            n += (qGray(gif.pixel(x, y)) < 128) != (qGray(reference.pixel(x, y)) < 128);
    return n;
}

} // namespace

class TestMethodBw : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::BlackWhite));
    }

    // Twelve pages through the whole run: names, page order (page 10 after page 9, not after
    // page 1), greys only and nearly all pure black or white, nothing left in the scratch folder.
    void convertsEveryPageInBlackAndWhite()
    {
        Fixture f;
        const QString path = f.pdf(QStringLiteral("my.report.pdf"), 12);
        f.host.entries << path;
        ConversionRun run(f.host);
        run.start();
        QStringList expected;
        for (int i = 1; i <= 12; ++i)
            expected << QStringLiteral("my-%1.gif").arg(i, 3, 10, QLatin1Char('0'));
        QCOMPARE(f.gifs(), expected);
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(f.tempEntries(), QStringList());

        std::vector<QImage> reference;
        QString why;
        const auto document = PdfPages::open(path, &why);
        QVERIFY2(document, qPrintable(why));
        for (int i = 0; i < 12; ++i)
            reference.push_back(PdfPages::render(*document, i, 144));

        for (int page = 1; page <= 12; ++page) {
            QImage gif;
            QVERIFY(QImageReader(f.out + QLatin1Char('/') + expected[page - 1]).read(&gif));
            QCOMPARE(gif.size(), QSize(1224, 1584));
            const QList<QRgb> palette = gifPalette(f.out + QLatin1Char('/') + expected[page - 1]);
            QVERIFY(!palette.isEmpty());
            for (const QRgb entry : palette)
                QVERIFY2(qRed(entry) == qGreen(entry) && qGreen(entry) == qBlue(entry),
                         qPrintable(QStringLiteral("page %1 has colour %2").arg(page).arg(entry, 0, 16)));
            const double share = pureShare(gif);
            QVERIFY2(share > 0.99, qPrintable(QStringLiteral("page %1: %2 pure").arg(page).arg(share)));

            // Its own page matches best: the digits of "Page N" tell the pages apart.
            int best = 0;
            qint64 bestMismatch = std::numeric_limits<qint64>::max();
            for (int i = 0; i < 12; ++i) {
                const qint64 m = mismatch(gif, reference[i]);
                if (m < bestMismatch)
                    best = i + 1, bestMismatch = m;
            }
            QCOMPARE(best, page);
        }
    }

    void firstPageOnlyCleansUp()
    {
        Fixture f;
        f.host.check5Value = 1;
        QDir().mkpath(f.work);
        bool pagesProduced = false;
        MethodContext ctx{f.host, f.work};
        pagesProduced = PDF_To_GIF_BW(ctx, f.pdf(QStringLiteral("three.pdf"), 3)).pagesProduced;
        QVERIFY(pagesProduced);
        QCOMPARE(ListFiles(f.work, QStringLiteral("*.jpg")), QStringList{QStringLiteral("three-001.jpg")});
        QVERIFY(!PathExists(f.work + QStringLiteral("/bw/current")));
        QVERIFY(!PathExists(f.work + QStringLiteral("/bw/current.pdf")));
        QVERIFY(!f.host.appWaitPointer);
        QCOMPARE(f.host.shownPointer(), Qt::ArrowCursor);
        QVERIFY(f.host.fakeDialogs.boxes.isEmpty());
    }

    // A document the script cannot render gives no sub-folder, which is an outcome, not an
    // Application Error: the run says it could not create the GIFs, and the next file is not
    // affected.
    void nothingProducedIsReported()
    {
        Fixture f;
        const QString corrupt = f.docs + QStringLiteral("/corrupt.pdf");
        TestFiles::writeBytes(corrupt, TestPdfs::damaged());
        const QString good = f.pdf(QStringLiteral("good.pdf"), 2);
        f.host.entries << corrupt << good;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), (QStringList{"good-001.gif", "good-002.gif"}));
        QCOMPARE(f.host.fakeDialogs.texts(),
                 (QStringList{QStringLiteral("Could not create GIF on ") + corrupt, QStringLiteral("Done.")}));

        // A missing file is one Application Error where it could not be placed, naming the
        // user's file, never the scripts' name for it.
        f.host.fakeDialogs.boxes.clear();
        const QString missing = f.docs + QStringLiteral("/missing.pdf");
        f.host.entries = QStringList{missing};
        ConversionRun again(f.host);
        again.start();
        const QStringList texts = f.host.fakeDialogs.texts();
        QCOMPARE(f.host.fakeDialogs.countTitled(QStringLiteral("Application Error")), 1);
        for (const auto &box : std::as_const(f.host.fakeDialogs.boxes))
            QVERIFY2(box.title != QLatin1String("Application Error") || box.text.contains(missing), qPrintable(box.text));
        QCOMPARE(texts.filter(QStringLiteral("current.pdf")), QStringList());
        QCOMPARE(again.lastReport().failedFiles(), QStringList{missing});
    }

    // Any *.jpg name in the sub-folder counts, in listing order.
    void takesWhateverTheScriptNames()
    {
        Fixture f;
        QTemporaryDir app;
        QDir().mkpath(app.path() + QStringLiteral("/bw"));
        TestFiles::writeJpeg(app.path() + QStringLiteral("/bw/sample.jpg"), 40, 30, QStringLiteral("x"));
        TestFiles::writeScript(app.path() + QStringLiteral("/bw/convert.sh"),
                               "cd \"$(dirname \"$0\")\"\nmkdir -p current\n"
                               "cp sample.jpg current/zeta.jpg\ncp sample.jpg current/Alpha.JPG\n"
                               "rm -f current.pdf\n");
        f.host.appFolderPath = app.path();
        QDir().mkpath(f.work);
        bool pagesProduced = false;
        MethodContext ctx{f.host, f.work};
        pagesProduced = PDF_To_GIF_BW(ctx, f.pdf(QStringLiteral("n.pdf"), 1)).pagesProduced;
        QVERIFY(pagesProduced);
        QCOMPARE(ListFiles(f.work, QStringLiteral("*.jpg")), (QStringList{"n-001.jpg", "n-002.jpg"}));
        QVERIFY(!PathExists(f.work + QStringLiteral("/bw/current")));
        QVERIFY(f.host.fakeDialogs.boxes.isEmpty());
    }
};

QTEST_MAIN(TestMethodBw)
#include "tst_method_bw.moc"
