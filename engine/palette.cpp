#include "engine/palette.h"

#include <QCoreApplication>
#include <QImage>

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <new>

// How a page becomes at most 256 colours; every choice was measured with bench/encoder
// (bench/README.md).
//
// 1. A page of at most 256 distinct colours is kept exactly. Every grey-only page is one: a
//    black-and-white page decodes from its JPEG to greys.
// 2. Otherwise the distinct colours of the page are counted, and every pixel is labelled with its
//    colour's number.
// 3. JPEG noise is folded back into the colours it came from (snapColours): a page image is a
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

namespace {

// A page goes the photograph way (step 4 above) when the sample has more distinct colours than
// SampleColourLimit, or when its labels (4 bytes a pixel) would pass LabelPixelLimit pixels;
// ColourLimit bounds the whole-page table.
constexpr size_t SampleColourLimit = size_t(1) << 15;
constexpr size_t LabelPixelLimit = size_t(1) << 25;
constexpr size_t ColourLimit = size_t(1) << 20;

struct Rgb {
    int r, g, b;
};

struct Indexed {
    std::vector<Rgb> palette;          // 1 to 256 entries
    std::vector<uint8_t> pixels;       // width * height indices, row after row
};

struct LiqFree {
    void operator()(liq_attr *p) const { liq_attr_destroy(p); }
    void operator()(liq_histogram *p) const { liq_histogram_destroy(p); }
    void operator()(liq_result *p) const { liq_result_destroy(p); }
};
template <typename T>
using LiqPtr = std::unique_ptr<T, LiqFree>;

inline int red(uint32_t p) { return (p >> 16) & 0xff; }
inline int green(uint32_t p) { return (p >> 8) & 0xff; }
inline int blue(uint32_t p) { return p & 0xff; }

// The one scan of a picture's pixels: calls visit(pixel, run) for every run of equal pixels,
// row by row from left to right, with the pixel as 0xffRRGGBB, and stops when visit gives false.
// Pages are mostly runs (margins, flat fills, the inside of glyphs), so the work per pixel is a
// comparison. Gives false when stopped.
template <typename Visit>
bool forEachRun(const QImage &image, Visit visit)
{
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const uint32_t *>(image.constScanLine(y));
        for (int x = 0; x < w;) {
            const uint32_t p = row[x];
            int run = 1;
            while (x + run < w && row[x + run] == p)
                ++run;
            if (!visit(p | 0xff000000u, run))
                return false;
            x += run;
        }
    }
    return true;
}

// Appends to `out` the entries of `from` that can be the nearest (squared RGB distance) to some
// point of the cube of `side` at (r0, g0, b0): an entry whose smallest distance to the cube
// exceeds the smallest largest-distance of any entry can never win there. Never none: the entry
// that sets that bound stays. Worked in doubled units, so that the cube's centre is whole.
void appendCandidates(const std::vector<Rgb> &palette, const uint8_t *from, size_t n, int r0, int g0, int b0, int side,
                      std::vector<uint8_t> &out)
{
    const int mr = 2 * r0 + side - 1, mg = 2 * g0 + side - 1, mb = 2 * b0 + side - 1, half = side - 1;
    std::array<int, 256> gap;
    int bound = INT32_MAX;
    for (size_t k = 0; k < n; ++k) {
        const Rgb &c = palette[from[k]];
        const int ar = std::abs(2 * c.r - mr), ag = std::abs(2 * c.g - mg), ab = std::abs(2 * c.b - mb);
        const int fr = ar + half, fg = ag + half, fb = ab + half;
        const int gr = std::max(ar - half, 0), gg = std::max(ag - half, 0), gb = std::max(ab - half, 0);
        bound = std::min(bound, fr * fr + fg * fg + fb * fb);
        gap[k] = gr * gr + gg * gg + gb * gb;
    }
    for (size_t k = 0; k < n; ++k)
        if (gap[k] <= bound)
            out.push_back(from[k]);
}

// Exact nearest palette colour (squared RGB distance, ties to the lower index), fast because the
// colour cube is cut into cells that each keep the short list of entries that can be nearest to
// some point inside them (appendCandidates). Lists are built when a cell is first used, in three
// levels of cells 16, 8 and 4 wide, each from its parent's list (a superset: a smaller cell only
// tightens the bound), so that no list is ever built from a long one.
class PaletteSearch {
public:
    explicit PaletteSearch(const std::vector<Rgb> &palette) : m_palette(palette)
    {
        for (int level = 0; level < Levels; ++level)
            m_lists[level].assign(size_t(1) << (3 * bits(level)), Unbuilt);
        m_pool.reserve(1 << 16);
        for (size_t i = 0; i < palette.size(); ++i)
            m_all[i] = static_cast<uint8_t>(i);
    }

    int nearest(int r, int g, int b)
    {
        const uint32_t list = cellList(Levels - 1, r, g, b);
        if (list == Overflow)
            return scan(m_all.data(), m_palette.size(), r, g, b);
        const uint8_t *candidates = m_pool.data() + (list & 0xffffff);
        const size_t count = (list >> 24) + 1;
        return count == 1 ? candidates[0] : scan(candidates, count, r, g, b);
    }

private:
    static constexpr int Levels = 3;
    static constexpr int bits(int level) { return 4 + level; } // cells 16, 8 and 4 wide
    // A list is its length less one (top 8 bits) and its start in m_pool (24 bits).
    static constexpr uint32_t Unbuilt = 0xffffffffu, Overflow = 0xfffffffeu;

    int scan(const uint8_t *candidates, size_t count, int r, int g, int b) const
    {
        int best = candidates[0], bestDistance = INT32_MAX;
        for (size_t i = 0; i < count; ++i) {
            const Rgb &c = m_palette[candidates[i]];
            const int dr = r - c.r, dg = g - c.g, db = b - c.b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = candidates[i];
            }
        }
        return best;
    }

    uint32_t cellList(int level, int r, int g, int b)
    {
        const int n = bits(level), shift = 8 - n;
        uint32_t &list = m_lists[level][(static_cast<uint32_t>(r >> shift) << (2 * n)) | ((g >> shift) << n) | (b >> shift)];
        if (list != Unbuilt)
            return list;
        const int mask = ~((1 << shift) - 1);
        if (level == 0)
            return list = select(m_all.data(), m_palette.size(), r & mask, g & mask, b & mask, 1 << shift);
        const uint32_t parent = cellList(level - 1, r, g, b);
        if (parent == Overflow)
            return list = Overflow;
        // Copied first: the pool may move while it grows.
        std::array<uint8_t, 256> from;
        const size_t count = (parent >> 24) + 1;
        std::copy_n(m_pool.data() + (parent & 0xffffff), count, from.data());
        return list = select(from.data(), count, r & mask, g & mask, b & mask, 1 << shift);
    }

    // The list of the entries of `from` that can be nearest in the cube, appended to the pool.
    uint32_t select(const uint8_t *from, size_t n, int r0, int g0, int b0, int side)
    {
        if (m_pool.size() + n > 0xffffff)
            return Overflow; // not met on real pages; the cell is then searched in full
        const size_t start = m_pool.size();
        appendCandidates(m_palette, from, n, r0, g0, b0, side, m_pool);
        return static_cast<uint32_t>(m_pool.size() - start - 1) << 24 | static_cast<uint32_t>(start);
    }

    const std::vector<Rgb> &m_palette;
    std::array<uint8_t, 256> m_all;
    std::array<std::vector<uint32_t>, Levels> m_lists;
    std::vector<uint8_t> m_pool;
};

// PaletteSearch for whole pictures: the same colours come back again and again (the near-white
// of JPEG noise, where the palette is dense and the lists long), so recent answers are kept.
class CachedSearch {
public:
    explicit CachedSearch(const std::vector<Rgb> &palette) : m_search(palette) {}
    int nearest(int r, int g, int b)
    {
        const uint32_t key = 0x1000000u | static_cast<uint32_t>(r << 16 | g << 8 | b); // never 0
        const uint32_t slot = (key * 0x9E3779B1u) >> (32 - Bits);
        if (m_key[slot] != key) {
            m_key[slot] = key;
            m_index[slot] = static_cast<uint8_t>(m_search.nearest(r, g, b));
        }
        return m_index[slot];
    }

private:
    static constexpr int Bits = 14;
    PaletteSearch m_search;
    std::vector<uint32_t> m_key = std::vector<uint32_t>(size_t(1) << Bits, 0);
    std::vector<uint8_t> m_index = std::vector<uint8_t>(size_t(1) << Bits);
};

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

// Distinct colours numbered in order of appearance, with their pixel counts (a GIF has at most
// 65535 * 65535 pixels, which fits 32 bits).
class ColourTable {
public:
    struct Entry {
        uint32_t colour, count;
    };

    // The number of `colour` (0xffRRGGBB), which is added if new, counting `count` more pixels.
    uint32_t add(uint32_t colour, uint32_t count = 1)
    {
        // A small direct-mapped cache in front of the table: pages repeat a few colours a lot.
        Slot &cached = m_cache[(colour * 0x9E3779B1u) >> (32 - CacheBits)];
        if (cached.colour != colour)
            cached = {colour, find(colour)};
        m_entries[cached.id].count += count;
        return cached.id;
    }
    size_t size() const { return m_entries.size(); }
    // In order of number.
    const std::vector<Entry> &entries() const { return m_entries; }

private:
    struct Slot {
        uint32_t colour = 0, id = 0; // colour 0: empty (real colours have alpha 0xff)
    };
    static constexpr int CacheBits = 12;

    uint32_t hash(uint32_t colour) const { return (colour * 0x9E3779B1u) >> 7 & m_mask; }
    uint32_t find(uint32_t colour)
    {
        uint32_t slot = hash(colour);
        while (m_slots[slot].colour != colour) {
            if (m_slots[slot].colour == 0)
                return insert(slot, colour);
            slot = (slot + 1) & m_mask;
        }
        return m_slots[slot].id;
    }
    uint32_t insert(uint32_t slot, uint32_t colour)
    {
        const uint32_t id = static_cast<uint32_t>(m_entries.size());
        m_entries.push_back({colour, 0});
        m_slots[slot] = {colour, id};
        if (m_entries.size() * 2 > m_slots.size()) {
            m_slots.assign(m_slots.size() * 2, Slot());
            m_mask = static_cast<uint32_t>(m_slots.size() - 1);
            for (uint32_t i = 0; i < m_entries.size(); ++i) {
                uint32_t to = hash(m_entries[i].colour);
                while (m_slots[to].colour != 0)
                    to = (to + 1) & m_mask;
                m_slots[to] = {m_entries[i].colour, i};
            }
        }
        return id;
    }

    std::vector<Entry> m_entries;
    std::vector<Slot> m_slots = std::vector<Slot>(size_t(1) << 12);
    uint32_t m_mask = (1u << 12) - 1;
    std::vector<Slot> m_cache = std::vector<Slot>(size_t(1) << CacheBits);
};

// Step 2: the whole page, every pixel labelled with its colour's number. False beyond `limit`.
bool labelColours(const QImage &image, size_t limit, ColourTable &table, std::vector<uint32_t> &labels)
{
    labels.resize(static_cast<size_t>(image.width()) * image.height());
    uint32_t *label = labels.data();
    return forEachRun(image, [&](uint32_t p, int run) {
        label = std::fill_n(label, run, table.add(p, run));
        return table.size() <= limit;
    });
}

// Step 5: every step-th pixel of every step-th row.
void sampleColours(const QImage &image, int step, ColourTable &table)
{
    for (int y = 0; y < image.height(); y += step) {
        const auto *row = reinterpret_cast<const uint32_t *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); x += step)
            table.add(row[x] | 0xff000000u);
    }
}

// Step 4. The histogram handed over is coarsened to 6 bits a channel (each coarse colour being
// the mean of its members): libimagequant's time grows with the entries, and k-means does the
// fine work afterwards.
bool liqPalette(const std::vector<ColourTable::Entry> &colours, int speed, std::vector<Rgb> &palette, QString &why)
{
    ColourTable coarseTable;
    std::vector<std::array<uint64_t, 4>> sums; // r, g, b, pixels
    for (const ColourTable::Entry &e : colours) {
        const uint32_t id = coarseTable.add(e.colour & 0xfffcfcfcu);
        if (id == sums.size())
            sums.push_back({0, 0, 0, 0});
        sums[id][0] += uint64_t(red(e.colour)) * e.count;
        sums[id][1] += uint64_t(green(e.colour)) * e.count;
        sums[id][2] += uint64_t(blue(e.colour)) * e.count;
        sums[id][3] += e.count;
    }

    LiqPtr<liq_attr> attr(liq_attr_create());
    LiqPtr<liq_histogram> histogram(attr ? liq_histogram_create(attr.get()) : nullptr);
    if (!histogram || liq_set_speed(attr.get(), std::clamp(speed, 1, 10)) != LIQ_OK) {
        why = QStringLiteral("cannot set up colour reduction");
        return false;
    }
    // In pieces: libimagequant sizes its table from the square of the first piece's length,
    // which must stay within an int.
    constexpr size_t Piece = 46340;
    std::vector<liq_histogram_entry> entries;
    for (size_t start = 0; start < sums.size(); start += Piece) {
        entries.clear();
        for (size_t i = start; i < std::min(sums.size(), start + Piece); ++i) {
            const uint64_t n = sums[i][3];
            auto mean = [n](uint64_t sum) { return static_cast<unsigned char>((sum + n / 2) / n); };
            entries.push_back({{mean(sums[i][0]), mean(sums[i][1]), mean(sums[i][2]), 255},
                               static_cast<unsigned>(std::min<uint64_t>(n, UINT32_MAX))});
        }
        if (liq_histogram_add_colors(histogram.get(), attr.get(), entries.data(), static_cast<int>(entries.size()), 0)
            != LIQ_OK) {
            why = QStringLiteral("cannot prepare the picture for colour reduction");
            return false;
        }
    }
    liq_result *raw = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK) {
        why = QStringLiteral("colour reduction failed");
        return false;
    }
    LiqPtr<liq_result> result(raw);
    const liq_palette *p = liq_get_palette(result.get());
    palette.clear();
    for (unsigned i = 0; i < p->count; ++i)
        palette.push_back({p->entries[i].r, p->entries[i].g, p->entries[i].b});
    return !palette.empty();
}

// Per-entry sums of the colours mapped to it; moving each entry to its mean is a k-means step.
struct Centroids {
    std::vector<int64_t> r, g, b, n;
    explicit Centroids(size_t size) : r(size), g(size), b(size), n(size) {}
    void add(int i, uint32_t colour, int64_t count)
    {
        r[i] += red(colour) * count;
        g[i] += green(colour) * count;
        b[i] += blue(colour) * count;
        n[i] += count;
    }
    void apply(std::vector<Rgb> &palette) const
    {
        for (size_t i = 0; i < palette.size(); ++i)
            if (n[i])
                palette[i] = {static_cast<int>((r[i] + n[i] / 2) / n[i]), static_cast<int>((g[i] + n[i] / 2) / n[i]),
                              static_cast<int>((b[i] + n[i] / 2) / n[i])};
    }
};

// Step 4. The colours are visited cell by cell of the colour cube (8 wide, within 16-wide and
// 32-wide parents), so that each round builds every cell's short list of possible nearest
// entries (appendCandidates) once. run() gives each palette entry's pixel count and, with
// `assignment`, each colour's index from the last round, whose means the palette then holds.
class KMeans {
public:
    explicit KMeans(const std::vector<ColourTable::Entry> &colours) : m_sorted(colours.size())
    {
        // Counting sort by cell, in an order where the children of a parent are neighbours.
        std::vector<uint32_t> start(Cells + 1, 0);
        for (const ColourTable::Entry &e : colours)
            ++start[key(e.colour) + 1];
        for (size_t i = 0; i < Cells; ++i)
            start[i + 1] += start[i];
        std::vector<uint32_t> at(start.begin(), start.end() - 1);
        for (uint32_t i = 0; i < colours.size(); ++i)
            m_sorted[at[key(colours[i].colour)]++] = {colours[i].colour, colours[i].count, i};
        for (uint32_t cell = 0; cell < Cells; ++cell)
            if (start[cell + 1] > start[cell])
                m_cells.push_back({cell, start[cell], start[cell + 1]});
    }

    std::vector<int64_t> run(int rounds, std::vector<Rgb> &palette, std::vector<uint8_t> *assignment) const
    {
        std::vector<int64_t> counts;
        if (assignment)
            assignment->resize(m_sorted.size());
        std::vector<uint8_t> all(palette.size()), grand, parent, list;
        std::array<int, 256> lr, lg, lb; // the list's colours, side by side
        for (size_t i = 0; i < palette.size(); ++i)
            all[i] = static_cast<uint8_t>(i);
        for (int round = 0; round < rounds; ++round) {
            Centroids sums(palette.size());
            const bool last = round + 1 == rounds;
            uint32_t grandKey = UINT32_MAX, parentKey = UINT32_MAX;
            for (const Cell &cell : m_cells) {
                int r0, g0, b0;
                corner(cell.key, r0, g0, b0);
                if (cell.key >> 6 != grandKey) {
                    grandKey = cell.key >> 6;
                    candidates(palette, all, r0 & ~31, g0 & ~31, b0 & ~31, 32, grand);
                }
                if (cell.key >> 3 != parentKey) {
                    parentKey = cell.key >> 3;
                    candidates(palette, grand, r0 & ~15, g0 & ~15, b0 & ~15, 16, parent);
                }
                candidates(palette, parent, r0, g0, b0, 8, list);
                const size_t n = list.size();
                for (size_t i = 0; i < n; ++i) {
                    lr[i] = palette[list[i]].r;
                    lg[i] = palette[list[i]].g;
                    lb[i] = palette[list[i]].b;
                }
                for (uint32_t k = cell.begin; k < cell.end; ++k) {
                    const Sorted &e = m_sorted[k];
                    const int r = red(e.colour), g = green(e.colour), b = blue(e.colour);
                    size_t at = 0;
                    int bestDistance = INT32_MAX;
                    for (size_t i = 0; i < n; ++i) {
                        const int dr = r - lr[i], dg = g - lg[i], db = b - lb[i];
                        const int d = dr * dr + dg * dg + db * db;
                        if (d < bestDistance) {
                            bestDistance = d;
                            at = i;
                        }
                    }
                    const int best = list[at];
                    sums.add(best, e.colour, e.count);
                    if (last && assignment)
                        (*assignment)[e.id] = static_cast<uint8_t>(best);
                }
            }
            sums.apply(palette);
            counts = sums.n;
        }
        return counts;
    }

private:
    static constexpr uint32_t Cells = 32 * 32 * 32;
    struct Cell {
        uint32_t key, begin, end;
    };

    // The 8-wide cell of a colour: the 32-wide cell (3 bits a channel), then which half of it,
    // then which half of that.
    static uint32_t key(uint32_t c)
    {
        const uint32_t r = red(c) >> 3, g = green(c) >> 3, b = blue(c) >> 3;
        return (r >> 2) << 12 | (g >> 2) << 9 | (b >> 2) << 6 | (r >> 1 & 1) << 5 | (g >> 1 & 1) << 4
               | (b >> 1 & 1) << 3 | (r & 1) << 2 | (g & 1) << 1 | (b & 1);
    }
    static void corner(uint32_t key, int &r, int &g, int &b)
    {
        r = static_cast<int>((key >> 12) << 5 | (key >> 5 & 1) << 4 | (key >> 2 & 1) << 3);
        g = static_cast<int>((key >> 9 & 7) << 5 | (key >> 4 & 1) << 4 | (key >> 1 & 1) << 3);
        b = static_cast<int>((key >> 6 & 7) << 5 | (key >> 3 & 1) << 4 | (key & 1) << 3);
    }

    static void candidates(const std::vector<Rgb> &palette, const std::vector<uint8_t> &from, int r0, int g0, int b0,
                           int side, std::vector<uint8_t> &out)
    {
        out.clear();
        appendCandidates(palette, from.data(), from.size(), r0, g0, b0, side, out);
    }

    struct Sorted {
        uint32_t colour, count, id;
    };
    std::vector<Sorted> m_sorted; // the colours, cell after cell
    std::vector<Cell> m_cells;
};

// Step 5 without dithering: the nearest colour of every pixel, then the entries move to the
// means of their pixels. Gives each palette entry's count.
std::vector<int64_t> remapNearest(const QImage &image, Indexed &out)
{
    out.pixels.resize(static_cast<size_t>(image.width()) * image.height());
    CachedSearch search(out.palette);
    Centroids sums(out.palette.size());
    uint8_t *dst = out.pixels.data();
    forEachRun(image, [&](uint32_t p, int run) {
        const int index = search.nearest(red(p), green(p), blue(p));
        // Most runs of a photograph are one pixel long: a store, not a call to memset.
        if (run == 1)
            *dst++ = static_cast<uint8_t>(index);
        else
            dst = std::fill_n(dst, run, static_cast<uint8_t>(index));
        sums.add(index, p, run);
        return true;
    });
    sums.apply(out.palette);
    return sums.n;
}

// Floyd-Steinberg error diffusion of `level` of the error, in serpentine order.
void remapDithered(const QImage &image, float level, Indexed &out)
{
    const int w = image.width(), h = image.height();
    out.pixels.resize(static_cast<size_t>(w) * h);
    CachedSearch search(out.palette);
    const int scale = static_cast<int>(std::clamp(level, 0.0f, 1.0f) * 256 + 0.5f);
    // Errors in 1/16 units of a level, with one spare cell at each end of the row.
    std::vector<int> here(3 * (w + 2)), next(3 * (w + 2));
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const uint32_t *>(image.constScanLine(y));
        uint8_t *dst = out.pixels.data() + static_cast<size_t>(y) * w;
        std::fill(next.begin(), next.end(), 0);
        const bool leftToRight = y % 2 == 0;
        const int dir = leftToRight ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = leftToRight ? i : w - 1 - i;
            const uint32_t p = row[x];
            const int *e = &here[3 * (x + 1)];
            const int want[3] = {std::clamp(red(p) + e[0] / 16, 0, 255), std::clamp(green(p) + e[1] / 16, 0, 255),
                                 std::clamp(blue(p) + e[2] / 16, 0, 255)};
            const int index = search.nearest(want[0], want[1], want[2]);
            dst[x] = static_cast<uint8_t>(index);
            const Rgb &c = out.palette[index];
            const int got[3] = {c.r, c.g, c.b};
            for (int k = 0; k < 3; ++k) {
                const int err = (want[k] - got[k]) * scale / 256;
                here[3 * (x + 1 + dir) + k] += err * 7;
                next[3 * (x + 1 - dir) + k] += err * 3;
                next[3 * (x + 1) + k] += err * 5;
                next[3 * (x + 1 + dir) + k] += err;
            }
        }
        std::swap(here, next);
    }
}

// The new index of every palette entry once the unused ones are dropped.
std::vector<uint8_t> dropUnused(std::vector<Rgb> &palette, const std::vector<int64_t> &counts)
{
    std::vector<uint8_t> to(palette.size());
    std::vector<Rgb> kept;
    for (size_t i = 0; i < palette.size(); ++i) {
        to[i] = static_cast<uint8_t>(kept.size());
        if (counts[i] > 0)
            kept.push_back(palette[i]);
    }
    if (kept.empty())
        kept.push_back(palette.front());
    palette = std::move(kept);
    return to;
}

// Step 3. For every colour, the colour it stands for: itself, or a far more frequent colour
// within `distance` in every channel (the nearest such, in squared RGB distance). Colours are
// taken from the most frequent down, and only those that stand for themselves can take others
// in, so nothing is folded twice. The kept colours are found through a grid of 8-wide cells of
// the colour cube.
std::vector<uint32_t> snapColours(const std::vector<ColourTable::Entry> &colours, int distance, int ratio)
{
    std::vector<uint32_t> order(colours.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return colours[a].count > colours[b].count; });
    std::vector<uint32_t> target(colours.size());
    std::vector<std::vector<uint32_t>> cells(32 * 32 * 32);
    auto cellOf = [](int r, int g, int b) { return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3); };
    for (const uint32_t i : order) {
        const uint32_t c = colours[i].colour;
        const int r = red(c), g = green(c), b = blue(c);
        const uint64_t needed = uint64_t(colours[i].count) * uint64_t(ratio);
        uint32_t best = i;
        int bestDistance = INT32_MAX;
        for (int cr = std::max(r - distance, 0) >> 3; cr <= std::min(r + distance, 255) >> 3; ++cr)
            for (int cg = std::max(g - distance, 0) >> 3; cg <= std::min(g + distance, 255) >> 3; ++cg)
                for (int cb = std::max(b - distance, 0) >> 3; cb <= std::min(b + distance, 255) >> 3; ++cb)
                    for (const uint32_t k : cells[cr << 10 | cg << 5 | cb]) {
                        if (colours[k].count < needed)
                            continue;
                        const uint32_t o = colours[k].colour;
                        const int dr = red(o) - r, dg = green(o) - g, db = blue(o) - b;
                        if (std::max({std::abs(dr), std::abs(dg), std::abs(db)}) > distance)
                            continue;
                        const int d = dr * dr + dg * dg + db * db;
                        if (d < bestDistance) {
                            bestDistance = d;
                            best = k;
                        }
                    }
        target[i] = best;
        if (best == i)
            cells[cellOf(r, g, b)].push_back(i);
    }
    return target;
}

bool quantize(const QImage &image, const PaletteSettings &settings, Indexed &out, QString &why)
{
    const int rounds = std::max(1, settings.refineRounds);
    // The sample tells a grainy photograph (many distinct colours, where labelling every pixel
    // costs more than searching its nearest colour) from a page of text and drawings.
    ColourTable sample;
    sampleColours(image, std::max(2, settings.sampleStep), sample);
    ColourTable table;
    std::vector<uint32_t> labels;
    if (settings.dithering <= 0 && sample.size() <= SampleColourLimit
        && size_t(image.width()) * size_t(image.height()) <= LabelPixelLimit
        && labelColours(image, ColourLimit, table, labels)) {
        sample = ColourTable();
        std::vector<ColourTable::Entry> colours = table.entries();
        table = ColourTable();

        // Step 3: `kept` holds the colours that stand for themselves, with the pixels of those
        // folded into them; `keptOf` gives each colour's number among them.
        std::vector<uint32_t> keptOf(colours.size());
        std::vector<ColourTable::Entry> kept;
        if (settings.snapDistance > 0 && settings.snapRatio > 1) {
            const std::vector<uint32_t> target = snapColours(colours, settings.snapDistance, settings.snapRatio);
            std::vector<uint32_t> number(colours.size(), UINT32_MAX);
            for (uint32_t i = 0; i < colours.size(); ++i)
                if (target[i] == i) {
                    number[i] = static_cast<uint32_t>(kept.size());
                    kept.push_back({colours[i].colour, 0});
                }
            for (uint32_t i = 0; i < colours.size(); ++i) {
                keptOf[i] = number[target[i]];
                kept[keptOf[i]].count += colours[i].count;
            }
        } else {
            for (uint32_t i = 0; i < colours.size(); ++i)
                keptOf[i] = i;
            kept = std::move(colours);
        }
        colours = {};

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
            const std::vector<int64_t> counts = KMeans(kept).run(rounds, out.palette, &assignment);
            const std::vector<uint8_t> to = dropUnused(out.palette, counts);
            for (uint8_t &index : assignment)
                index = to[index];
        }
        out.pixels.resize(labels.size());
        for (size_t i = 0; i < labels.size(); ++i)
            out.pixels[i] = assignment[keptOf[labels[i]]];
        return true;
    }

    labels = {};
    table = ColourTable();
    const std::vector<ColourTable::Entry> colours = sample.entries();
    sample = ColourTable();
    if (!liqPalette(colours, settings.speed, out.palette, why))
        return false;
    KMeans(colours).run(rounds - 1, out.palette, nullptr);
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
