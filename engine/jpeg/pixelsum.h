#pragma once
// The checksum that binds a page's drawn pixels to the page they were drawn for: lumenpage-jpeg
// computes it over the rows as it writes them and says it with the page; the reader computes it
// again over the rows it reads and takes the pixels only when both agree. It has to cost little
// beside the JPEG compression it rides along with (four independent lanes of a multiply-xor
// mix, several gigabytes a second), and to tell any other content of the same size from the
// page's; it is no defence against a collision built on purpose. Plain C++: the writer links
// nothing but libjpeg.
#include <cstddef>
#include <cstdint>
#include <cstring>

class PixelSum {
public:
    // One row of the picture, in order; both sides give the same rows.
    void addRow(const unsigned char *row, size_t bytes)
    {
        // In locals: the row's bytes may alias anything, the members would be stored each step.
        uint64_t lane[4] = {m_lane[0], m_lane[1], m_lane[2], m_lane[3]};
        size_t at = 0;
        for (; at + 32 <= bytes; at += 32) {
            lane[0] = mix(lane[0], word(row + at));
            lane[1] = mix(lane[1], word(row + at + 8));
            lane[2] = mix(lane[2], word(row + at + 16));
            lane[3] = mix(lane[3], word(row + at + 24));
        }
        for (int k = 0; at + 8 <= bytes; at += 8, ++k)
            lane[k] = mix(lane[k], word(row + at));
        if (at < bytes) {
            unsigned char tail[8] = {};
            std::memcpy(tail, row + at, bytes - at);
            lane[3] = mix(lane[3], word(tail));
        }
        for (int k = 0; k < 4; ++k)
            m_lane[k] = lane[k];
        m_bytes += bytes;
    }
    uint64_t value() const
    {
        uint64_t sum = mix(0x243f6a8885a308d3ULL, m_bytes);
        for (const uint64_t lane : m_lane)
            sum = mix(sum, lane);
        return sum;
    }

private:
    static uint64_t word(const unsigned char *at)
    {
        uint64_t w;
        std::memcpy(&w, at, 8);
        return w;
    }
    static uint64_t mix(uint64_t lane, uint64_t w)
    {
        lane = (lane ^ w) * 0xff51afd7ed558ccdULL;
        return lane ^ (lane >> 31);
    }

    uint64_t m_lane[4] = {0x9e3779b97f4a7c15ULL, 0xbf58476d1ce4e5b9ULL, 0x94d049bb133111ebULL, 0x2545f4914f6cdd1dULL};
    uint64_t m_bytes = 0;
};
