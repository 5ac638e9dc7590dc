#pragma once

// The colours of a picture: the scan of its pixels in runs, the table of its distinct colours
// with their pixel counts, and the fold of JPEG noise back into the colours it came from. Steps
// as numbered in palette.cpp.

#include <QImage>

#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quant {

struct Rgb {
    int r, g, b;
};

inline int red(uint32_t p) { return (p >> 16) & 0xff; }
inline int green(uint32_t p) { return (p >> 8) & 0xff; }
inline int blue(uint32_t p) { return p & 0xff; }

// The length of the run of pixels equal to row[x] that starts at x, at most w - x. Four pixels
// are compared at a time where SSE2 is there: the long runs of a page (margins, fills) cost a
// quarter of a comparison a pixel.
inline int runLength(const uint32_t *row, int x, int w)
{
    const uint32_t p = row[x];
    if (x + 1 == w || row[x + 1] != p)
        return 1; // most runs of a grainy photograph
    int run = 2;
#if defined(__SSE2__)
    const __m128i same = _mm_set1_epi32(static_cast<int>(p));
    while (x + run + 4 <= w) {
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x + run));
        const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi32(next, same)));
        if (equal != 0xffffu)
            return run + __builtin_ctz(~equal) / 4;
        run += 4;
    }
#endif
    while (x + run < w && row[x + run] == p)
        ++run;
    return run;
}

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
            const int run = runLength(row, x, w);
            if (!visit(row[x] | 0xff000000u, run))
                return false;
            x += run;
        }
    }
    return true;
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

// Step 2: the whole page as runs of one colour, row after row, each run as its colour's number
// (RunIdBits) and its length less one (RunLengthBits): a page is mostly runs, so this is a
// fraction of a number for every pixel, and never more. False beyond `limit` colours.
constexpr int RunLengthBits = 11, RunIdBits = 32 - RunLengthBits;
constexpr uint32_t RunLengthMask = (1u << RunLengthBits) - 1;
bool labelColours(const QImage &image, size_t limit, ColourTable &table, std::vector<uint32_t> &runs);

// Step 5: every step-th pixel of every step-th row.
void sampleColours(const QImage &image, int step, ColourTable &table);

// Step 3: `kept` holds the colours that stand for themselves, with the pixels of the colours
// folded into them added to theirs; `keptOf` gives each colour's number among them.
struct FoldedColours {
    std::vector<ColourTable::Entry> kept;
    std::vector<uint32_t> keptOf;
};

// A colour is folded into a far more frequent one when no channel differs by more than
// `distance` and the other has at least `ratio` times its pixels. A distance of 0 or a ratio of
// at most 1 folds nothing.
FoldedColours foldNoise(std::vector<ColourTable::Entry> colours, int distance, int ratio);

} // namespace quant
