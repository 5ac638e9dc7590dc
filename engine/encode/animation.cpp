#include "engine/encode/animation.h"

#include "engine/encode/gifblocks.h"
#include "engine/encode/lzwcoder.h"

#include "sys/errortrap.h"
#include "sys/wholefile.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>

namespace {

constexpr int GifMaxSide = 65535;
constexpr uint32_t White = 0xFFFFFF;
uint32_t packed(const PaletteColour &c)
{
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

int distance(const PaletteColour &a, const PaletteColour &b)
{
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

int distance(uint32_t a, uint32_t b)
{
    return distance(PaletteColour{uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)}, PaletteColour{uint8_t(b >> 16), uint8_t(b >> 8), uint8_t(b)});
}

int nearest(const std::vector<PaletteColour> &palette, const PaletteColour &c)
{
    int best = 0;
    for (int k = 1; k < int(palette.size()); ++k)
        if (distance(palette[k], c) < distance(palette[best], c))
            best = k;
    return best;
}

// White's entry in `palette`, added when it has none and there is room; else the nearest.
int whiteEntry(std::vector<PaletteColour> &palette)
{
    const PaletteColour white{255, 255, 255};
    const auto found = std::find(palette.begin(), palette.end(), white);
    if (found != palette.end())
        return int(found - palette.begin());
    if (palette.size() < 256) {
        palette.push_back(white);
        return int(palette.size()) - 1;
    }
    return nearest(palette, white);
}

// A page's rectangle with its centre at the origin of the screen's centred coordinates.
QRect centred(int width, int height)
{
    return QRect(-(width / 2), -(height / 2), width, height);
}

Failure writeFailure(const QString &why)
{
    return Failure(why, ErrorCode::PathFileAccess);
}

} // namespace

// The changed rectangle of a page as the colours it needs: the page's palette and white around
// the page, and which of its pixels the screen already shows (within the leeway).
struct FrameArea {
    QRect rect;
    std::vector<PaletteColour> colours; // the page's palette, then white at WhiteEntry
    std::vector<uint16_t> pixels;       // an entry of `colours` a pixel
    std::vector<uint8_t> keep;          // 1 where the screen shows the pixel already
    std::array<bool, 257> needed{};     // a colour some pixel that is not kept has
    std::array<bool, 257> keptColour{}; // a colour some kept pixel has
    bool kept = false;                  // some pixel is
    static constexpr int WhiteEntry = 256;
};

// A rectangle compressed in one table: its image data and the indices as written.
struct AnimationWriter::Encoded {
    bool possible = false;
    std::vector<PaletteColour> local; // empty: the global table
    int transparent = -1;
    std::vector<uint8_t> indices;
    QByteArray data;
    qint64 bytes() const { return data.size() + (local.empty() ? 0 : qint64(3) << GifBlocks::tableBits(local.size())); }
};

AnimationWriter::AnimationWriter(const QString &path, int delayCentiseconds)
    : m_path(path), m_delay(delayCentiseconds), m_file(std::make_unique<WholeFile>(path))
{
}

AnimationWriter::~AnimationWriter() = default;

void AnimationWriter::discard()
{
    if (m_file)
        m_file->discard();
}

void AnimationWriter::add(const PageFrame &page)
{
    const IndexedImage &picture = page.picture;
    if (picture.width > GifMaxSide || picture.height > GifMaxSide)
        throw writeFailure(QCoreApplication::translate("Engine", "picture too large for GIF (%1 x %2; at most %3 a side)")
                               .arg(picture.width).arg(picture.height).arg(GifMaxSide));
    if (!m_file || picture.width < 1 || picture.height < 1 || picture.palette.empty())
        throw writeFailure(QCoreApplication::translate("Engine", "no picture"));
    const QRect rect = centred(picture.width, picture.height);
    m_screen = m_screen.expandedTo(rect.size());
    if (m_placed.empty()) {
        start(picture, rect);
        return;
    }
    const FrameArea area = frameArea(picture, rect, changedRect(picture, rect, page.maxError), page.maxError);
    // The global table where it holds every colour needed, and a local one: the fewer bytes.
    Encoded best = encode(area, m_global, m_globalTransparent, page.maxError);
    std::vector<PaletteColour> local;
    for (int k = 0; k <= FrameArea::WhiteEntry; ++k)
        if (area.needed[k])
            local.push_back(area.colours[k]);
    // A page of 256 colours with white around it: the margin takes the nearest colour.
    if (local.size() > 256)
        local.pop_back();
    const bool transparent = local.size() < 256 && area.kept;
    if (transparent)
        local.push_back(PaletteColour{0, 0, 0}); // the transparent entry
    if (Encoded own = encode(area, local, transparent ? int(local.size()) - 1 : -1, page.maxError);
        !best.possible || own.bytes() < best.bytes()) {
        own.local = std::move(local);
        best = std::move(own);
    }
    const std::vector<PaletteColour> &table = best.local.empty() ? m_global : best.local;
    writeImage(area.rect, best.data, best.local.empty() ? nullptr : &best.local, best.transparent);

    // What the screen shows now, over the new page's rectangle.
    std::vector<uint32_t> shown(size_t(rect.width()) * size_t(rect.height()));
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        uint32_t *row = shown.data() + size_t(y - rect.top()) * size_t(rect.width());
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (!area.rect.contains(x, y)) {
                row[x - rect.left()] = shownAt(x, y);
                continue;
            }
            const uint8_t written = best.indices[size_t(y - area.rect.top()) * size_t(area.rect.width()) + size_t(x - area.rect.left())];
            row[x - rect.left()] = written == best.transparent ? shownAt(x, y) : packed(table[written]);
        }
    }
    m_shownRect = rect;
    m_shown = std::move(shown);
}

uint32_t AnimationWriter::shownAt(int x, int y) const
{
    if (!m_shownRect.contains(x, y))
        return White;
    return m_shown[size_t(y - m_shownRect.top()) * size_t(m_shownRect.width()) + size_t(x - m_shownRect.left())];
}

void AnimationWriter::start(const IndexedImage &page, const QRect &rect)
{
    m_global = page.palette;
    m_globalWhite = whiteEntry(m_global);
    // A transparent entry where the table has room for it without growing to the next power
    // of two, which would lengthen the codes of the first image.
    if (m_global.size() < (size_t(1) << GifBlocks::tableBits(m_global.size()))) {
        m_globalTransparent = int(m_global.size());
        m_global.push_back(PaletteColour{0, 0, 0});
    }
    m_file->write(GifBlocks::header(rect.width(), rect.height(), m_global, m_globalWhite));
    std::vector<uint8_t> indices = page.pixels;
    writeImage(rect, Lzw::compress(indices.data(), indices.size(), GifBlocks::tableBits(m_global.size())), nullptr, -1);
    m_firstEnd = m_file->size();
    m_first = page;
    m_shownRect = rect;
    m_shown.resize(page.pixels.size());
    for (size_t i = 0; i < page.pixels.size(); ++i)
        m_shown[i] = packed(page.palette[page.pixels[i]]);
}

QRect AnimationWriter::changedRect(const IndexedImage &page, const QRect &rect, int maxError) const
{
    std::array<uint32_t, 256> own{};
    for (size_t k = 0; k < page.palette.size(); ++k)
        own[k] = packed(page.palette[k]);
    const QRect area = rect.united(m_shownRect);
    const auto same = [maxError](uint32_t a, uint32_t b) { return a == b || (maxError > 0 && distance(a, b) <= maxError); };
    // A row of the area as it will be and as it is, white around the pages.
    std::vector<uint32_t> now(size_t(area.width())), before(size_t(area.width()));
    int left = area.right() + 1, right = area.left() - 1, top = area.bottom() + 1, bottom = area.top() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::fill(now.begin(), now.end(), White);
        std::fill(before.begin(), before.end(), White);
        if (y >= rect.top() && y <= rect.bottom()) {
            const uint8_t *row = page.pixels.data() + size_t(y - rect.top()) * size_t(rect.width());
            uint32_t *to = now.data() + (rect.left() - area.left());
            for (int x = 0; x < rect.width(); ++x)
                to[x] = own[row[x]];
        }
        if (y >= m_shownRect.top() && y <= m_shownRect.bottom())
            std::copy_n(m_shown.data() + size_t(y - m_shownRect.top()) * size_t(m_shownRect.width()), m_shownRect.width(),
                        before.data() + (m_shownRect.left() - area.left()));
        int first = 0, last = area.width() - 1;
        while (first <= last && same(now[first], before[first]))
            ++first;
        if (first > last)
            continue;
        while (same(now[last], before[last]))
            --last;
        left = std::min(left, area.left() + first);
        right = std::max(right, area.left() + last);
        top = std::min(top, y);
        bottom = y;
    }
    // A page that changes nothing is still an image of its own: one pixel, as it is.
    if (left > right)
        return QRect(rect.topLeft(), QSize(1, 1));
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

FrameArea AnimationWriter::frameArea(const IndexedImage &page, const QRect &rect, const QRect &changed, int maxError) const
{
    FrameArea area;
    area.rect = changed;
    area.colours = page.palette;
    area.colours.resize(FrameArea::WhiteEntry + 1);
    area.colours[FrameArea::WhiteEntry] = PaletteColour{255, 255, 255};
    std::array<uint32_t, FrameArea::WhiteEntry + 1> own{};
    for (size_t k = 0; k < area.colours.size(); ++k)
        own[k] = packed(area.colours[k]);
    const size_t size = size_t(changed.width()) * size_t(changed.height());
    area.pixels.resize(size);
    area.keep.resize(size);
    size_t at = 0;
    for (int y = changed.top(); y <= changed.bottom(); ++y) {
        for (int x = changed.left(); x <= changed.right(); ++x, ++at) {
            const uint16_t colour = rect.contains(x, y)
                                        ? page.pixels[size_t(y - rect.top()) * size_t(rect.width()) + size_t(x - rect.left())]
                                        : uint16_t(FrameArea::WhiteEntry);
            const uint32_t before = shownAt(x, y);
            const bool keep = own[colour] == before || (maxError > 0 && distance(own[colour], before) <= maxError);
            area.pixels[at] = colour;
            area.keep[at] = keep;
            area.kept = area.kept || keep;
            (keep ? area.keptColour : area.needed)[colour] = true;
        }
    }
    return area;
}

AnimationWriter::Encoded AnimationWriter::encode(const FrameArea &area, const std::vector<PaletteColour> &table, int transparent,
                                                 int maxError) const
{
    // Each colour's entry of the table, exact; -1 where it has none.
    std::array<int, FrameArea::WhiteEntry + 1> entry;
    entry.fill(-1);
    for (int k = 0; k <= FrameArea::WhiteEntry; ++k) {
        const auto found = std::find(table.begin(), table.end(), area.colours[k]);
        if (found != table.end() && int(found - table.begin()) != transparent)
            entry[k] = int(found - table.begin());
        else if ((area.needed[k] || (transparent < 0 && area.keptColour[k])) && &table == &m_global)
            return Encoded(); // the global table would show this frame otherwise than its page
    }
    std::vector<uint8_t> colour(area.pixels.size());
    for (size_t i = 0; i < area.pixels.size(); ++i) {
        const int index = entry[area.pixels[i]];
        // A pixel already shown whose colour the table lacks stays as it is.
        colour[i] = uint8_t(index >= 0 ? index : transparent >= 0 ? transparent : nearest(table, area.colours[area.pixels[i]]));
    }
    if (transparent < 0) {
        Encoded encoded{true, {}, -1, colour, {}};
        const Lzw::Leeway leeway{nullptr, &table, maxError, -1};
        encoded.data = Lzw::compress(encoded.indices.data(), encoded.indices.size(), GifBlocks::tableBits(table.size()), leeway);
        return encoded;
    }
    // The pixels already shown given as transparent, their colour the other choice, and the
    // other way round: transparent areas compress best where what is shown repeats a page's
    // background, their own colours where the page's shapes run on across them.
    Encoded best;
    for (const bool asTransparent : {true, false}) {
        Encoded encoded{true, {}, transparent, colour, {}};
        std::vector<uint8_t> other = colour;
        for (size_t i = 0; i < colour.size(); ++i) {
            if (!area.keep[i])
                continue;
            (asTransparent ? encoded.indices[i] : other[i]) = uint8_t(transparent);
        }
        const Lzw::Leeway leeway{other.data(), &table, maxError, transparent};
        encoded.data = Lzw::compress(encoded.indices.data(), encoded.indices.size(), GifBlocks::tableBits(table.size()), leeway);
        if (!best.possible || encoded.data.size() < best.data.size())
            best = std::move(encoded);
    }
    return best;
}

void AnimationWriter::writeImage(const QRect &rect, const QByteArray &data, const std::vector<PaletteColour> *local, int transparent)
{
    m_placed.push_back({m_file->size() + GifBlocks::DescriptorOffset, rect});
    // Placed at the corner for now: commit() knows the screen.
    m_file->write(GifBlocks::imageHead(QRect(QPoint(0, 0), rect.size()), m_delay, local, transparent) + data);
}

void AnimationWriter::commit()
{
    if (!m_file || m_placed.empty())
        throw writeFailure(QCoreApplication::translate("Engine", "no picture"));
    const int width = m_screen.width(), height = m_screen.height();
    for (size_t i = 1; i < m_placed.size(); ++i) {
        const QRect &rect = m_placed[i].rect;
        m_file->patch(m_placed[i].descriptor + GifBlocks::PositionOffset,
                      GifBlocks::littleEndian16(rect.x() + width / 2) + GifBlocks::littleEndian16(rect.y() + height / 2));
    }
    m_file->write(QByteArray(1, char(GifBlocks::Trailer)));
    if (m_screen != m_placed.front().rect.size()) {
        rewriteOnWholeScreen(width, height);
        return;
    }
    m_file->commit();
    m_file.reset();
}

void AnimationWriter::rewriteOnWholeScreen(int width, int height)
{
    const QRect first = m_placed.front().rect.translated(width / 2, height / 2);
    std::vector<uint8_t> screen(size_t(width) * size_t(height), uint8_t(m_globalWhite));
    for (int y = 0; y < first.height(); ++y)
        std::copy_n(m_first.pixels.data() + size_t(y) * size_t(first.width()), first.width(),
                    screen.data() + size_t(first.y() + y) * size_t(width) + size_t(first.x()));
    const QByteArray data = Lzw::compress(screen.data(), screen.size(), GifBlocks::tableBits(m_global.size()));
    WholeFile whole(m_path);
    whole.write(GifBlocks::header(width, height, m_global, m_globalWhite));
    whole.write(GifBlocks::imageHead(QRect(0, 0, width, height), m_delay, nullptr) + data);
    // The other images as they are, a piece at a time.
    constexpr qint64 Piece = qint64(1) << 20;
    for (qint64 at = m_firstEnd; at < m_file->size(); at += Piece)
        whole.write(m_file->read(at, Piece));
    whole.commit();
    m_file->discard();
    m_file.reset();
}
