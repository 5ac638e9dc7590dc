// Quantising to an indexed picture: exact palettes, JPEG noise folded back into a page's true
// colours, reduction of many colours to 256, and what must not be folded.
#include "tests/support/testsupport.h"
#include "engine/encode/colourhistogram.h"
#include "engine/encode/palette.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <random>
#include <set>

namespace {

QImage expand(const IndexedImage &picture)
{
    QImage out(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const PaletteColour c = picture.palette.at(picture.pixels.at(size_t(y) * picture.width + x));
            out.setPixel(x, y, qRgb(c.r, c.g, c.b));
        }
    return out;
}

using TestImages::psnr;

std::set<QRgb> coloursOf(const QImage &image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) | 0xff000000u);
    return colours;
}

// A page of `count` true colours: a white sheet with blocks of flat colour whose edges are
// drawn anti-aliased (so the edges have colours of their own, as text and lines do).
QImage trueColourPage(int count)
{
    QImage page(320, 240, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    for (int i = 0; i < count; ++i) {
        const QColor colour = QColor::fromHsv((i * 37) % 360, 120 + (i * 13) % 136, 90 + (i * 29) % 150);
        p.fillRect(QRect(4 + (i % 20) * 15, 4 + (i / 20) * 15, 12, 12), colour);
    }
    return page;
}

// What a quality-100 JPEG does to a page: about one pixel in six on an edge, or inside a block
// next to one, is off by a level in a channel; flat areas stay exact.
QImage withJpegNoise(const QImage &page, unsigned seed)
{
    QImage noisy = page.copy();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, 5), channel(0, 2), sign(0, 1);
    for (int y = 1; y + 1 < page.height(); ++y)
        for (int x = 1; x + 1 < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            const bool nearEdge = page.pixel(x - 1, y) != p || page.pixel(x + 1, y) != p || page.pixel(x, y - 1) != p
                                  || page.pixel(x, y + 1) != p;
            if (!nearEdge || pick(rng) != 0)
                continue;
            int c[3] = {qRed(p), qGreen(p), qBlue(p)};
            int &v = c[channel(rng)];
            v = std::clamp(v + (sign(rng) ? 1 : -1), 0, 255);
            noisy.setPixel(x, y, qRgb(c[0], c[1], c[2]));
        }
    return noisy;
}

} // namespace

class TestPalette : public QObject {
    Q_OBJECT

private slots:
    // At most 256 colours, each present on many pixels: palette and pixels exactly as given,
    // with noise folding on (the default) and off. The wide picture ends every row in a run of
    // one colour longer than a labelled run holds (2048 pixels), so it is stored in pieces.
    void fewColoursExactly_data()
    {
        QTest::addColumn<int>("snapDistance");
        QTest::addColumn<int>("width");
        QTest::newRow("folding on") << PaletteSettings().snapDistance << 64;
        QTest::newRow("folding off") << 0 << 64;
        QTest::newRow("folding on, runs of 4136 pixels") << PaletteSettings().snapDistance << 4200;
    }
    void fewColoursExactly()
    {
        QFETCH(int, snapDistance);
        QFETCH(int, width);
        QImage picture(width, 48, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, x < 64 ? qRgb((x / 8) * 36, (y / 6) * 36, ((x + y) % 4) * 80) : qRgb(0, (y / 6) * 36, 0));
        PaletteSettings settings;
        settings.snapDistance = snapDistance;
        IndexedImage out;
        QString why;
        QVERIFY2(quantise(picture, settings, out, why), qPrintable(why));
        QCOMPARE(out.width, width);
        QCOMPARE(out.height, 48);
        QCOMPARE(out.pixels.size(), size_t(width) * 48);
        QCOMPARE(out.palette.size(), coloursOf(picture).size());
        QCOMPARE(expand(out), picture);
    }

    // The noise fold as shipped: a colour one level off a frequent one is folded into it up to an
    // eighth of its pixels; with more, or two levels off, it is a colour of its own.
    void noiseFoldThreshold_data()
    {
        QTest::addColumn<uint>("pixels");
        QTest::addColumn<uint>("offset");
        QTest::addColumn<bool>("folded");
        QTest::newRow("a ninth") << 9u << 1u << true;
        QTest::newRow("an eighth") << 10u << 1u << true;
        QTest::newRow("over an eighth") << 11u << 1u << false;
        QTest::newRow("as many, as in an even ramp") << 80u << 1u << false;
        QTest::newRow("two levels off") << 1u << 2u << false;
    }
    void noiseFoldThreshold()
    {
        QFETCH(uint, pixels);
        QFETCH(uint, offset);
        QFETCH(bool, folded);
        const PaletteSettings shipped;
        const quant::FoldedColours fold = quant::foldNoise({{0xff808080u, 80}, {0xff808080u + offset, pixels}},
                                                           shipped.snapDistance, shipped.snapRatio);
        QCOMPARE(fold.kept.size(), folded ? 1u : 2u);
        QCOMPARE(fold.keptOf.back(), folded ? 0u : 1u);
        QCOMPARE(fold.kept.front().count, folded ? 80 + pixels : 80u);
    }

    // The case the folding is for: a page of 150 true colours whose JPEG added near-duplicates
    // (more than 256 colours in all) comes out as exactly the true page. Without folding the
    // noise survives into the palette.
    void jpegNoiseFoldedIntoTrueColours()
    {
        const QImage page = trueColourPage(150);
        const QImage noisy = withJpegNoise(page, 7);
        QVERIFY(coloursOf(page).size() <= 256);
        QVERIFY(coloursOf(noisy).size() > 256);

        IndexedImage out;
        QString why;
        QVERIFY2(quantise(noisy, PaletteSettings(), out, why), qPrintable(why));
        QCOMPARE(psnr(expand(out), page), double(INFINITY));

        PaletteSettings off;
        off.snapDistance = 0;
        QVERIFY(quantise(noisy, off, out, why));
        QVERIFY(std::isfinite(psnr(expand(out), page)));
    }

    // More true colours than a GIF can hold: the noise is still folded first, so the palette is
    // spent on the page's colours and the result is nearer the true page than without folding.
    void manyTrueColoursWithNoise()
    {
        const QImage page = trueColourPage(300);
        const QImage noisy = withJpegNoise(page, 11);
        IndexedImage folded, plain;
        QString why;
        QVERIFY(quantise(noisy, PaletteSettings(), folded, why));
        PaletteSettings off;
        off.snapDistance = 0;
        QVERIFY(quantise(noisy, off, plain, why));
        QVERIFY(folded.palette.size() <= 256);
        const double withFolding = psnr(expand(folded), page), without = psnr(expand(plain), page);
        QVERIFY2(withFolding > without, qPrintable(QStringLiteral("%1 vs %2 dB").arg(withFolding).arg(without)));
        QVERIFY(withFolding > 40);
    }

    // Smooth shading with tens of thousands of colours, through each of the palette's paths:
    // the labelled page, the sampled photograph (a large grainy picture) and dithering.
    void manyColoursReduced_data()
    {
        QTest::addColumn<int>("grain");
        QTest::addColumn<float>("dithering");
        QTest::addColumn<double>("minimumPsnr");
        QTest::newRow("shading") << 0 << 0.0f << 30.0;
        QTest::newRow("grainy photograph") << 24 << 0.0f << 25.0;
        QTest::newRow("dithered") << 0 << 1.0f << 28.0;
    }
    void manyColoursReduced()
    {
        QFETCH(int, grain);
        QFETCH(float, dithering);
        QFETCH(double, minimumPsnr);
        const int w = grain ? 900 : 240, h = grain ? 700 : 160;
        QImage picture(w, h, QImage::Format_RGB32);
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> noise(-grain, grain);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                auto c = [&](int v) { return std::clamp(v + (grain ? noise(rng) : 0), 0, 255); };
                picture.setPixel(x, y, qRgb(c(x * 255 / w), c(y * 255 / h), c(128 + int(100 * std::sin((x + 2 * y) / 40.0)))));
            }
        PaletteSettings settings;
        settings.dithering = dithering;
        IndexedImage out;
        QString why;
        QVERIFY2(quantise(picture, settings, out, why), qPrintable(why));
        QVERIFY(!out.palette.empty() && out.palette.size() <= 256);
        QCOMPARE(out.pixels.size(), size_t(w) * h);
        std::vector<bool> used(out.palette.size());
        for (uint8_t index : out.pixels) {
            QVERIFY(index < out.palette.size());
            used[index] = true;
        }
        if (dithering == 0)
            QVERIFY(std::all_of(used.begin(), used.end(), [](bool u) { return u; }));
        QVERIFY2(psnr(expand(out), picture) >= minimumPsnr, qPrintable(QString::number(psnr(expand(out), picture))));
    }

    // Transparency is laid on white, as a page is shown; a null picture is refused.
    void transparencyAndNull()
    {
        QImage picture(10, 4, QImage::Format_ARGB32);
        picture.fill(qRgba(0, 0, 0, 0));
        for (int x = 0; x < 10; ++x)
            picture.setPixel(x, 0, qRgba(255, 0, 0, 255));
        for (int x = 0; x < 10; ++x)
            picture.setPixel(x, 1, qRgba(0, 0, 255, 128));
        IndexedImage out;
        QString why;
        QVERIFY(quantise(picture, PaletteSettings(), out, why));
        const QImage back = expand(out);
        QCOMPARE(back.pixel(3, 0), qRgb(255, 0, 0));
        QCOMPARE(back.pixel(3, 1), qRgb(127, 127, 255));
        QCOMPARE(back.pixel(3, 3), qRgb(255, 255, 255));

        QVERIFY(!quantise(QImage(), PaletteSettings(), out, why));
        QVERIFY(!why.isEmpty());
    }
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
