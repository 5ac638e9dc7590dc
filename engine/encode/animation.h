#pragma once

#include "engine/encode/pageencoding.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class WholeFile;
struct FrameArea;

// One looping GIF of a whole document, an image a page, written as the pages come: each image
// goes into the new file beside the GIF's name at once, and only the picture shown so far is
// kept, so that a document of any length costs about two pages of memory. The file takes the
// name only when commit() completes it (WholeFile); a writer that goes without commit() leaves
// nothing.
//
// Every page after the first stores only the rectangle in which it differs from what is shown,
// drawn over it ("do not dispose"); within it, a pixel the screen already shows may be written
// as the transparent index or as its own, whichever continues the LZW string (lzwcoder). The
// rectangle is written in the colours of the first page's table (the global one) when they hold
// every colour it needs, or with a local table of the colours it uses, whichever takes fewer
// bytes. At quality 100 every frame shows exactly the page's single GIF; below, the leeway of
// the page's quality (PageFrame::maxError) also lets pixels take nearby colours and pixels close
// to what is shown stay as they are.
//
// Pages of different sizes are centred on a white screen as large as the largest. The stream
// does not know the largest page before the end, so every image is placed around the centre
// while it is written, and commit() patches each image's position in the file (a fixed offset
// in its descriptor) once the screen is known. The screen is the first page's size, written in
// the header at the start, unless a later page is larger (in either direction): the first image
// must then cover the whole screen, and commit() writes the file once more, the header and the
// first image anew on the white screen, the others copied as they are. For that the first
// page's palette indices are kept (a byte a pixel).
class AnimationWriter {
public:
    // Makes the new file beside `path`. Throws Failure with the system's reason when it cannot.
    AnimationWriter(const QString &path, int delayCentiseconds);
    ~AnimationWriter();

    AnimationWriter(const AnimationWriter &) = delete;
    AnimationWriter &operator=(const AnimationWriter &) = delete;

    // Writes the page as the next image. Throws Failure when it cannot be written (a full
    // disk, a page larger than GIF allows); the writer is then of no further use.
    void add(const PageFrame &page);
    // Completes the file and gives it its name. Throws Failure when that fails; nothing is
    // left then.
    void commit();
    // Removes the new file.
    void discard();

    int frames() const { return int(m_placed.size()); }
    const QString &path() const { return m_path; }

private:
    struct Placed {
        qint64 descriptor; // where its image descriptor begins in the file
        QRect rect;        // around the centre of the screen
    };
    struct Encoded;

    void start(const IndexedImage &page, const QRect &rect);
    QRect changedRect(const IndexedImage &page, const QRect &rect, int maxError) const;
    uint32_t shownAt(int x, int y) const;
    FrameArea frameArea(const IndexedImage &page, const QRect &rect, const QRect &changed, int maxError) const;
    Encoded encode(const FrameArea &area, const std::vector<PaletteColour> &table, int transparent, int maxError) const;
    void writeImage(const QRect &rect, const QByteArray &data, const std::vector<PaletteColour> *local, int transparent);
    void rewriteOnWholeScreen(int width, int height);

    const QString m_path;
    const int m_delay;
    std::unique_ptr<WholeFile> m_file;
    std::vector<PaletteColour> m_global;
    int m_globalWhite = 0;
    int m_globalTransparent = -1;  // a free entry of the global table, if it has one
    IndexedImage m_first;          // the first page, for an image on a larger screen
    qint64 m_firstEnd = 0;         // where the second image begins
    QSize m_screen;                // the largest width and height so far
    std::vector<Placed> m_placed;
    QRect m_shownRect;             // the page shown now; white around it
    std::vector<uint32_t> m_shown; // its pixels as shown, 0xRRGGBB
};
