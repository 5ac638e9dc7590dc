#include "engine/encode/colourhistogram.h"

#include <algorithm>
#include <cstdlib>

namespace quant {

bool labelColours(const QImage &image, size_t limit, ColourTable &table, std::vector<uint32_t> &runs)
{
    limit = std::min(limit, size_t(1) << RunIdBits);
    runs.clear();
    // Room for the worst case, one run a pixel: pages never written stay unmapped.
    runs.reserve(static_cast<size_t>(image.width()) * image.height());
    return forEachRun(image, [&](uint32_t p, int run) {
        const uint32_t id = table.add(p, run) << RunLengthBits;
        for (; run > int(RunLengthMask) + 1; run -= int(RunLengthMask) + 1)
            runs.push_back(id | RunLengthMask);
        runs.push_back(id | uint32_t(run - 1));
        return table.size() <= limit;
    });
}

// Step 5: every step-th pixel of every step-th row. A sample equal to the one before counts
// on that one's number: pages repeat their background along a row.
void sampleColours(const QImage &image, int step, ColourTable &table)
{
    for (int y = 0; y < image.height(); y += step) {
        const auto *row = reinterpret_cast<const uint32_t *>(image.constScanLine(y));
        uint32_t last = 0, repeats = 0; // colour 0: none yet (real colours have alpha 0xff)
        for (int x = 0; x < image.width(); x += step) {
            const uint32_t p = row[x] | 0xff000000u;
            if (p == last) {
                ++repeats;
                continue;
            }
            if (repeats)
                table.add(last, repeats);
            repeats = 0;
            last = p;
            table.add(p);
        }
        if (repeats)
            table.add(last, repeats);
    }
}

namespace {

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

} // namespace

FoldedColours foldNoise(std::vector<ColourTable::Entry> colours, int distance, int ratio)
{
    FoldedColours out;
    out.keptOf.resize(colours.size());
    if (distance > 0 && ratio > 1) {
        const std::vector<uint32_t> target = snapColours(colours, distance, ratio);
        std::vector<uint32_t> number(colours.size(), UINT32_MAX);
        for (uint32_t i = 0; i < colours.size(); ++i)
            if (target[i] == i) {
                number[i] = static_cast<uint32_t>(out.kept.size());
                out.kept.push_back({colours[i].colour, 0});
            }
        for (uint32_t i = 0; i < colours.size(); ++i) {
            out.keptOf[i] = number[target[i]];
            out.kept[out.keptOf[i]].count += colours[i].count;
        }
    } else {
        for (uint32_t i = 0; i < colours.size(); ++i)
            out.keptOf[i] = i;
        out.kept = std::move(colours);
    }
    return out;
}

} // namespace quant
