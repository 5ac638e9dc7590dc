#include "engine/encode/lzwcoder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace Lzw {

namespace {

constexpr int MaxCode = 4095;
constexpr uint32_t HashSize = 1 << 13; // at most half full with 4096 codes

// Codes packed least significant bit first into sub-blocks of at most 255 bytes.
class BitWriter {
public:
    explicit BitWriter(QByteArray &out) : m_out(out) {}

    void put(int code, int width)
    {
        m_bits |= uint32_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            byte(uint8_t(m_bits));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    void finish()
    {
        if (m_count > 0)
            byte(uint8_t(m_bits));
        m_bits = 0;
        m_count = 0;
        flush();
        m_out += char(0);
    }

private:
    void byte(uint8_t b)
    {
        m_block[m_fill++] = char(b);
        if (m_fill == 255)
            flush();
    }
    void flush()
    {
        if (m_fill == 0)
            return;
        m_out += char(m_fill);
        m_out.append(m_block.data(), m_fill);
        m_fill = 0;
    }

    QByteArray &m_out;
    std::array<char, 255> m_block{};
    int m_fill = 0;
    uint32_t m_bits = 0;
    int m_count = 0;
};

// The strings known so far: a string's extension by one index through a hash, and each
// string's extensions as a list, for the search of one within the leeway.
class Dictionary {
public:
    Dictionary() : m_keys(HashSize), m_codes(HashSize) { reset(); }

    void reset()
    {
        std::fill(m_keys.begin(), m_keys.end(), 0u);
        m_first.fill(-1);
    }
    int child(int code, int symbol) const
    {
        const uint32_t key = (uint32_t(code) << 8 | uint32_t(symbol)) + 1;
        for (uint32_t slot = (key * 0x9E3779B1u) >> 19;; slot = (slot + 1) & (HashSize - 1)) {
            if (m_keys[slot] == key)
                return m_codes[slot];
            if (m_keys[slot] == 0)
                return -1;
        }
    }
    void add(int code, int symbol, int newCode)
    {
        const uint32_t key = (uint32_t(code) << 8 | uint32_t(symbol)) + 1;
        uint32_t slot = (key * 0x9E3779B1u) >> 19;
        while (m_keys[slot] != 0)
            slot = (slot + 1) & (HashSize - 1);
        m_keys[slot] = key;
        m_codes[slot] = int16_t(newCode);
        m_symbol[newCode] = uint8_t(symbol);
        m_next[newCode] = m_first[code];
        m_first[code] = int16_t(newCode);
    }
    int firstChild(int code) const { return m_first[code]; }
    int nextSibling(int code) const { return m_next[code]; }
    int symbol(int code) const { return m_symbol[code]; }

private:
    std::vector<uint32_t> m_keys;
    std::vector<int16_t> m_codes;
    std::array<int16_t, MaxCode + 1> m_first{}, m_next{};
    std::array<uint8_t, MaxCode + 1> m_symbol{};
};

// Which index a pixel may be written as, beyond its own.
class Choice {
public:
    Choice(const Leeway &leeway, int tableBits, size_t count)
        : m_alternative(leeway.alternative), m_transparent(leeway.transparent), m_count(count)
    {
        if (leeway.maxError <= 0 || !leeway.palette)
            return;
        const std::vector<PaletteColour> &palette = *leeway.palette;
        const int size = std::min(int(palette.size()), 1 << tableBits);
        m_near.assign(size_t(1) << 16, INT_MAX);
        m_maxError = leeway.maxError;
        for (int a = 0; a < size; ++a)
            for (int b = 0; b < size; ++b) {
                if (a == m_transparent || b == m_transparent)
                    continue;
                const int dr = palette[a].r - palette[b].r, dg = palette[a].g - palette[b].g, db = palette[a].b - palette[b].b;
                m_near[size_t(a) << 8 | size_t(b)] = dr * dr + dg * dg + db * db;
            }
    }

    bool any() const { return m_alternative || m_maxError > 0; }

    // The extension of `code` that pixel `i` may take when its own index has none; -1 if none.
    int extension(const Dictionary &dictionary, int code, uint8_t *indices, size_t i) const
    {
        const int own = indices[i];
        if (m_alternative && m_alternative[i] != own) {
            if (const int next = dictionary.child(code, m_alternative[i]); next >= 0) {
                indices[i] = m_alternative[i];
                return next;
            }
        }
        if (m_maxError <= 0)
            return -1;
        // Of the extensions within the leeway, the one whose string goes on longest over the
        // pixels that follow (a bounded look ahead); the nearer colour between equals.
        int best = -1, bestLength = 0, bestError = 0;
        for (int next = dictionary.firstChild(code); next >= 0; next = dictionary.nextSibling(next)) {
            const int error = m_near[size_t(own) << 8 | size_t(dictionary.symbol(next))];
            if (error > m_maxError)
                continue;
            int budget = LookAhead;
            const int length = 1 + reach(dictionary, next, indices, i + 1, budget);
            if (length > bestLength || (length == bestLength && error < bestError)) {
                best = next;
                bestLength = length;
                bestError = error;
            }
        }
        if (best >= 0)
            indices[i] = uint8_t(dictionary.symbol(best));
        return best;
    }

    // The index a new string starts with at pixel `i`: the one written before it where that
    // is allowed, so that runs stay runs; else its own.
    int start(const uint8_t *indices, size_t i, int before) const
    {
        const int own = indices[i];
        if (own == before || before < 0)
            return own;
        if (m_alternative && m_alternative[i] == before)
            return before;
        if (m_maxError > 0 && before != m_transparent && m_near[size_t(own) << 8 | size_t(before)] <= m_maxError)
            return before;
        return own;
    }

private:
    static constexpr int LookAhead = 24; // strings looked at a branch

    // How many of the pixels from `i` on the strings below `code` can still take.
    int reach(const Dictionary &dictionary, int code, const uint8_t *indices, size_t i, int &budget) const
    {
        if (i >= m_count || --budget < 0)
            return 0;
        const int own = indices[i];
        int longest = 0;
        for (int next = dictionary.firstChild(code); next >= 0 && budget >= 0; next = dictionary.nextSibling(next)) {
            const int symbol = dictionary.symbol(next);
            const bool fits = symbol == own || (m_alternative && symbol == m_alternative[i])
                              || m_near[size_t(own) << 8 | size_t(symbol)] <= m_maxError;
            if (fits)
                longest = std::max(longest, 1 + reach(dictionary, next, indices, i + 1, budget));
        }
        return longest;
    }

    const uint8_t *m_alternative;
    int m_transparent;
    size_t m_count;
    int m_maxError = 0;
    std::vector<int> m_near; // squared distance of every two indices
};

} // namespace

QByteArray compress(uint8_t *indices, size_t count, int tableBits, const Leeway &leeway)
{
    const int minSize = std::max(2, tableBits);
    const int clear = 1 << minSize, end = clear + 1;
    QByteArray out;
    out.reserve(qsizetype(count / 4 + 64));
    out += char(minSize);
    BitWriter bits(out);
    Dictionary dictionary;
    const Choice choice(leeway, tableBits, count);
    const bool flexible = choice.any();
    int width = minSize + 1, last = end; // `last`: the code given to a string last
    bits.put(clear, width);
    if (count > 0) {
        indices[0] = uint8_t(choice.start(indices, 0, -1));
        int current = indices[0];
        for (size_t i = 1; i < count; ++i) {
            int next = dictionary.child(current, indices[i]);
            if (next < 0 && flexible)
                next = choice.extension(dictionary, current, indices, i);
            if (next >= 0) {
                current = next;
                continue;
            }
            bits.put(current, width);
            const int symbol = flexible ? choice.start(indices, i, indices[i - 1]) : indices[i];
            indices[i] = uint8_t(symbol);
            dictionary.add(current, symbol, ++last);
            if (last >= (1 << width))
                ++width;
            if (last == MaxCode) {
                bits.put(clear, width);
                dictionary.reset();
                width = minSize + 1;
                last = end;
            }
            current = symbol;
        }
        bits.put(current, width);
        // A reader adds a string after the last code too, and may widen the codes for the end.
        if (++last >= (1 << width) && width < 12)
            ++width;
    }
    bits.put(end, width);
    bits.finish();
    return out;
}

int maxErrorAt(int quality)
{
    if (quality >= 100)
        return 0;
    const int below = 100 - std::max(1, quality);
    return below * below * 3 / 8;
}

} // namespace Lzw
