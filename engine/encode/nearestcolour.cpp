#include "engine/encode/nearestcolour.h"

namespace quant {

namespace {

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
// A slot is the colour (high 24 bits) and its answer (low 8 bits), one load a pixel. Every slot
// starts as black with black's answer, which is true wherever it is found.
class CachedSearch {
public:
    explicit CachedSearch(const std::vector<Rgb> &palette)
        : m_search(palette), m_slots(size_t(1) << Bits, static_cast<uint32_t>(m_search.nearest(0, 0, 0)))
    {
    }
    int nearest(int r, int g, int b)
    {
        const uint32_t colour = static_cast<uint32_t>(r << 16 | g << 8 | b);
        uint32_t &slot = m_slots[(colour * 0x9E3779B1u) >> (32 - Bits)];
        if (slot >> 8 != colour)
            slot = colour << 8 | static_cast<uint32_t>(m_search.nearest(r, g, b));
        return slot & 0xff;
    }

private:
    static constexpr int Bits = 14;
    PaletteSearch m_search;
    std::vector<uint32_t> m_slots;
};

} // namespace

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

} // namespace quant
