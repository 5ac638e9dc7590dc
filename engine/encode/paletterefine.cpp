#include "engine/encode/paletterefine.h"

#include "engine/encode/nearestcolour.h"

#include <libimagequant.h>

#include <memory>

namespace quant {

namespace {

struct LiqFree {
    void operator()(liq_attr *p) const { liq_attr_destroy(p); }
    void operator()(liq_histogram *p) const { liq_histogram_destroy(p); }
    void operator()(liq_result *p) const { liq_result_destroy(p); }
};
template <typename T>
using LiqPtr = std::unique_ptr<T, LiqFree>;

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

} // namespace

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

std::vector<int64_t> kMeans(const std::vector<ColourTable::Entry> &colours, int rounds, std::vector<Rgb> &palette,
                            std::vector<uint8_t> *assignment)
{
    return KMeans(colours).run(rounds, palette, assignment);
}

} // namespace quant
