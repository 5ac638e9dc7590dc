#pragma once

// The nearest palette colour of every pixel, and the remapping of a picture through it: with
// the palette moved to the means of its pixels, or dithered. Steps as numbered in palette.cpp.

#include "engine/encode/colourhistogram.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace quant {

struct Indexed {
    std::vector<Rgb> palette;    // 1 to 256 entries
    std::vector<uint8_t> pixels; // width * height indices, row after row
};

// Appends to `out` the entries of `from` that can be the nearest (squared RGB distance) to some
// point of the cube of `side` at (r0, g0, b0): an entry whose smallest distance to the cube
// exceeds the smallest largest-distance of any entry can never win there. Never none: the entry
// that sets that bound stays. Worked in doubled units, so that the cube's centre is whole.
inline void appendCandidates(const std::vector<Rgb> &palette, const uint8_t *from, size_t n, int r0, int g0, int b0,
                             int side, std::vector<uint8_t> &out)
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

// Step 5 without dithering: the nearest colour of every pixel, then the entries move to the
// means of their pixels. Gives each palette entry's count.
std::vector<int64_t> remapNearest(const QImage &image, Indexed &out);

// Floyd-Steinberg error diffusion of `level` of the error, in serpentine order.
void remapDithered(const QImage &image, float level, Indexed &out);

// The new index of every palette entry once the unused ones are dropped.
std::vector<uint8_t> dropUnused(std::vector<Rgb> &palette, const std::vector<int64_t> &counts);

} // namespace quant
