#include "engine/encode/palette.h"

#include "engine/encode/colourhistogram.h"
#include "engine/encode/nearestcolour.h"
#include "engine/encode/paletterefine.h"

#include <QCoreApplication>
#include <QImage>

#include <algorithm>
#include <array>

// How a page becomes at most 256 colours; every choice was measured with bench/encoder
// (bench/README.md).
//
// 1. A page of at most 256 distinct colours is kept exactly. Every grey-only page is one: a
//    black-and-white page decodes from its JPEG to greys.
// 2. Otherwise the distinct colours of the page are counted, and every run of equal pixels is
//    labelled with its colour's number.
// 3. JPEG noise is folded back into the colours it came from (foldNoise): a page image is a
//    JPEG of a page that has a few hundred true colours, and each of them comes back as a cloud
//    of rare near-duplicates. Every colour that is close to a far more frequent one takes that
//    one's value. When at most 256 colours remain, they are the palette, exactly.
// 4. Otherwise libimagequant chooses a first palette from the remaining colours, coarsened to
//    6 bits a channel so that it has few entries to sort, and k-means steps polish it on the
//    exact histogram. libimagequant optimises in its own perceptual space; these steps reduce the
//    squared RGB error that PSNR measures, and they leave every distinct colour with its palette
//    index, so that the pixels are mapped through their labels without any per-pixel search.
//    libimagequant's own remapping took 100 to 440 ms of CPU per page here, beyond the budget.
// 5. A grainy photograph (many distinct colours in a sample of the page), a very large picture,
//    or dithering: the palette comes from the sample in the same way, and each pixel gets its
//    truly nearest colour (PaletteSearch) or is dithered.

using namespace quant;

namespace {

// A page goes the photograph way (step 4 above) when the sample has more distinct colours than
// SampleColourLimit, or when its runs (at most 4 bytes a pixel) could pass LabelPixelLimit pixels;
// ColourLimit bounds the whole-page table.
constexpr size_t SampleColourLimit = size_t(1) << 15;
constexpr size_t LabelPixelLimit = size_t(1) << 25;
constexpr size_t ColourLimit = size_t(1) << 20;

// Opaque 0xffRRGGBB pixels. A picture with transparency is laid on white, as a page would be
// shown; GIF's single transparent index would not keep soft edges anyway.
QImage opaquePixels(const QImage &source)
{
    if (!source.hasAlphaChannel())
        return source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            const int a = qAlpha(p);
            if (a == 255)
                continue;
            auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            row[x] = qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p)));
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

// Step 1. The scan gives up at the 257th colour, which on a photograph happens within a few rows.
bool exactPalette(const QImage &image, Indexed &out)
{
    constexpr uint32_t Slots = 1024; // a power of two, at most a quarter full
    std::array<uint32_t, Slots> keys{};  // 0 is empty: stored colours always have alpha 0xff
    std::array<uint8_t, Slots> index{};
    out.palette.clear();
    out.pixels.resize(static_cast<size_t>(image.width()) * image.height());
    uint8_t *dst = out.pixels.data();
    return forEachRun(image, [&](uint32_t p, int run) {
        uint32_t slot = (p * 0x9E3779B1u) >> 22;
        while (keys[slot] != 0 && keys[slot] != p)
            slot = (slot + 1) & (Slots - 1);
        if (keys[slot] == 0) {
            if (out.palette.size() == 256)
                return false;
            keys[slot] = p;
            index[slot] = static_cast<uint8_t>(out.palette.size());
            out.palette.push_back({red(p), green(p), blue(p)});
        }
        dst = std::fill_n(dst, run, index[slot]);
        return true;
    });
}

bool quantize(const QImage &image, const PaletteSettings &settings, Indexed &out, QString &why)
{
    const int rounds = std::max(1, settings.refineRounds);
    // The sample tells a grainy photograph (many distinct colours, where labelling every pixel
    // costs more than searching its nearest colour) from a page of text and drawings.
    ColourTable sample;
    sampleColours(image, std::max(2, settings.sampleStep), sample);
    ColourTable table;
    std::vector<uint32_t> runs;
    if (settings.dithering <= 0 && sample.size() <= SampleColourLimit
        && size_t(image.width()) * size_t(image.height()) <= LabelPixelLimit
        && labelColours(image, ColourLimit, table, runs)) {
        sample = ColourTable();
        std::vector<ColourTable::Entry> colours = table.entries();
        table = ColourTable();

        // Step 3: the colours that stand for themselves, and each colour's number among them.
        const FoldedColours folded = foldNoise(std::move(colours), settings.snapDistance, settings.snapRatio);
        const std::vector<ColourTable::Entry> &kept = folded.kept;
        const std::vector<uint32_t> &keptOf = folded.keptOf;

        std::vector<uint8_t> assignment; // palette index of every kept colour
        if (settings.exactPalette && kept.size() <= 256) {
            out.palette.clear();
            for (const ColourTable::Entry &e : kept)
                out.palette.push_back({red(e.colour), green(e.colour), blue(e.colour)});
            assignment.resize(kept.size());
            for (size_t i = 0; i < kept.size(); ++i)
                assignment[i] = static_cast<uint8_t>(i);
        } else {
            if (!liqPalette(kept, settings.speed, out.palette, why))
                return false;
            const std::vector<int64_t> counts = kMeans(kept, rounds, out.palette, &assignment);
            const std::vector<uint8_t> to = dropUnused(out.palette, counts);
            for (uint8_t &index : assignment)
                index = to[index];
        }
        // Each colour's palette index, then the runs written out.
        std::vector<uint8_t> indexOf(keptOf.size());
        for (size_t i = 0; i < keptOf.size(); ++i)
            indexOf[i] = assignment[keptOf[i]];
        out.pixels.resize(static_cast<size_t>(image.width()) * image.height());
        uint8_t *dst = out.pixels.data();
        for (const uint32_t run : runs) {
            const uint8_t index = indexOf[run >> RunLengthBits];
            const uint32_t length = (run & RunLengthMask) + 1;
            if (length == 1)
                *dst++ = index;
            else
                dst = std::fill_n(dst, length, index);
        }
        return true;
    }

    runs = {};
    table = ColourTable();
    const std::vector<ColourTable::Entry> colours = sample.entries();
    sample = ColourTable();
    if (!liqPalette(colours, settings.speed, out.palette, why))
        return false;
    kMeans(colours, rounds - 1, out.palette, nullptr);
    if (settings.dithering > 0) {
        remapDithered(image, settings.dithering, out);
        return true;
    }
    const size_t before = out.palette.size();
    const std::vector<uint8_t> to = dropUnused(out.palette, remapNearest(image, out));
    if (out.palette.size() != before)
        for (uint8_t &index : out.pixels)
            index = to[index];
    return true;
}

} // namespace

bool quantise(const QImage &source, const PaletteSettings &settings, IndexedImage &out, QString &why)
{
    if (source.isNull()) {
        why = QCoreApplication::translate("Engine", "no picture");
        return false;
    }
    const QImage image = opaquePixels(source);
    if (image.isNull()) {
        why = QCoreApplication::translate("Engine", "out of memory");
        return false;
    }
    // With noise folding on, a picture of few colours still goes through step 3, so that a page
    // whose JPEG added near-duplicates to its true colours comes out as those colours.
    const bool folds = settings.snapDistance > 0 && settings.snapRatio > 1 && settings.dithering <= 0;
    Indexed picture;
    if (!(settings.exactPalette && !folds && exactPalette(image, picture)) && !quantize(image, settings, picture, why))
        return false;
    out.width = image.width();
    out.height = image.height();
    out.palette.clear();
    for (const Rgb &c : picture.palette)
        out.palette.push_back({static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g), static_cast<uint8_t>(c.b)});
    out.pixels = std::move(picture.pixels);
    return true;
}

QImage exactIndexedImage(const QImage &source)
{
    if (source.isNull() || source.hasAlphaChannel())
        return QImage();
    const QImage image = opaquePixels(source);
    Indexed picture;
    if (image.isNull() || !exactPalette(image, picture))
        return QImage();
    QImage out(image.size(), QImage::Format_Indexed8);
    if (out.isNull())
        return QImage();
    QList<QRgb> table;
    for (const Rgb &c : picture.palette)
        table << qRgb(c.r, c.g, c.b);
    out.setColorTable(table);
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(picture.pixels.data() + size_t(y) * w, w, out.scanLine(y));
    return out;
}
