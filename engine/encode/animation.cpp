#include "engine/encode/animation.h"

#include "engine/encode/gifblocks.h"

#include "sys/errortrap.h"
#include "sys/wholefile.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>

namespace {

constexpr int GifMaxSide = 65535;
constexpr uint32_t White = 0xFFFFFF;
// The global table serves a rectangle when its squared error stays within this factor of the
// page's own palette's: half a decibel of PSNR.
constexpr double GlobalLossFactor = 1.122;

uint32_t packed(const PaletteColour &c)
{
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

int distance(const PaletteColour &a, const PaletteColour &b)
{
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
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

// The colours a rectangle is written in: a local table (none: the global one) and the index
// each of the page's palette entries, and white around the page, gets there.
struct AnimationWriter::Choice {
    std::vector<PaletteColour> local;
    bool global = true;
    std::array<uint8_t, 256> index{};
    uint8_t white = 0;
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
    const QRect changed = changedRect(picture, rect);
    const Choice choice = choosePalette(page, rect, changed);
    const std::vector<PaletteColour> &colours = choice.global ? m_global : choice.local;
    std::vector<uint8_t> indices(size_t(changed.width()) * size_t(changed.height()));
    std::vector<uint32_t> shown(size_t(rect.width()) * size_t(rect.height()));
    std::array<uint32_t, 256> own{};
    for (size_t k = 0; k < picture.palette.size(); ++k)
        own[k] = packed(picture.palette[k]);
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const uint8_t *row = picture.pixels.data() + size_t(y - rect.top()) * size_t(rect.width());
        uint32_t *out = shown.data() + size_t(y - rect.top()) * size_t(rect.width());
        for (int x = 0; x < rect.width(); ++x)
            out[x] = own[row[x]];
    }
    // The rectangle in the colours chosen; where the page lies in it, that is what is shown now.
    std::fill(indices.begin(), indices.end(), choice.white);
    const QRect inside = changed.intersected(rect);
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const size_t at = size_t(y - rect.top()) * size_t(rect.width()) + size_t(inside.left() - rect.left());
        uint8_t *out = indices.data() + size_t(y - changed.top()) * size_t(changed.width()) + size_t(inside.left() - changed.left());
        for (int x = 0; x < inside.width(); ++x) {
            out[x] = choice.index[picture.pixels[at + x]];
            shown[at + x] = packed(colours[out[x]]);
        }
    }
    writeImage(changed, indices, choice.global ? nullptr : &choice.local);
    m_shownRect = rect;
    m_shown = std::move(shown);
}

void AnimationWriter::start(const IndexedImage &page, const QRect &rect)
{
    m_global = page.palette;
    m_globalWhite = whiteEntry(m_global);
    m_file->write(GifBlocks::header(rect.width(), rect.height(), m_global, m_globalWhite));
    writeImage(rect, page.pixels, nullptr);
    m_firstEnd = m_file->size();
    m_first = page;
    m_shownRect = rect;
    m_shown.resize(page.pixels.size());
    for (size_t i = 0; i < page.pixels.size(); ++i)
        m_shown[i] = packed(page.palette[page.pixels[i]]);
}

QRect AnimationWriter::changedRect(const IndexedImage &page, const QRect &rect) const
{
    std::array<uint32_t, 256> own{};
    for (size_t k = 0; k < page.palette.size(); ++k)
        own[k] = packed(page.palette[k]);
    const QRect area = rect.united(m_shownRect);
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
        while (first <= last && now[first] == before[first])
            ++first;
        if (first > last)
            continue;
        while (now[last] == before[last])
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

AnimationWriter::Choice AnimationWriter::choosePalette(const PageFrame &page, const QRect &rect, const QRect &changed) const
{
    const IndexedImage &picture = page.picture;
    // How often each of the page's colours occurs in the rectangle, and how much white around it.
    std::array<qint64, 256> uses{};
    const QRect inside = changed.intersected(rect);
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const uint8_t *row = picture.pixels.data() + size_t(y - rect.top()) * size_t(rect.width());
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++uses[row[x - rect.left()]];
    }
    const qint64 around = qint64(changed.width()) * changed.height() - qint64(inside.width()) * inside.height();

    Choice choice;
    double own = 0, global = 0;
    for (size_t k = 0; k < picture.palette.size(); ++k) {
        if (!uses[k])
            continue;
        choice.index[k] = uint8_t(nearest(m_global, picture.palette[k]));
        const double error = k < page.meanError.size() ? page.meanError[k] : 0.0;
        own += uses[k] * error;
        global += uses[k] * (error + distance(m_global[choice.index[k]], picture.palette[k]));
    }
    global += around * double(distance(m_global[m_globalWhite], PaletteColour{255, 255, 255}));
    choice.white = uint8_t(m_globalWhite);
    if (global <= own * GlobalLossFactor)
        return choice;

    // A table of the page's own colours that the rectangle uses, in their order.
    choice.global = false;
    for (size_t k = 0; k < picture.palette.size(); ++k) {
        if (uses[k]) {
            choice.index[k] = uint8_t(choice.local.size());
            choice.local.push_back(picture.palette[k]);
        }
    }
    // A full table of the page's colours without white gives the margin its nearest colour.
    if (around > 0)
        choice.white = uint8_t(whiteEntry(choice.local));
    return choice;
}

void AnimationWriter::writeImage(const QRect &rect, const std::vector<uint8_t> &indices, const std::vector<PaletteColour> *local)
{
    QString why;
    const int bits = GifBlocks::tableBits(local ? local->size() : m_global.size());
    const QByteArray data = GifBlocks::imageData(indices.data(), rect.width(), rect.height(), bits, &why);
    if (data.isEmpty())
        throw writeFailure(why);
    m_placed.push_back({m_file->size() + GifBlocks::DescriptorOffset, rect});
    // Placed at the corner for now: commit() knows the screen.
    m_file->write(GifBlocks::imageHead(QRect(QPoint(0, 0), rect.size()), m_delay, local) + data);
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
    QString why;
    const QByteArray data = GifBlocks::imageData(screen.data(), width, height, GifBlocks::tableBits(m_global.size()), &why);
    if (data.isEmpty())
        throw writeFailure(why);
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
