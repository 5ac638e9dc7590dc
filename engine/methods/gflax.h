#pragma once

#include "engine/encode/pageimage.h"
#include "engine/base/renderlimits.h"
#include "engine/sources/nextdocument.h"
#include "engine/base/fault.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

class PageRenderer;

// Stand-in for the GflAx imaging component, with the members the GflAx method calls: set
// `EpsDpi` and `Page`, `LoadBitmap` a PDF, set `Saveformat`, `saveBitmap`. Pages are rendered
// by lumenpage-render, a child process under `limits`, so a hostile PDF costs at most what the
// caps allow and never parses inside the program. Members throw Failure with its Fault (FaultOf) and
// a description the user reads.
class GflAx {
public:
    // The only format this stand-in writes: JPEG, quality 100, colours not subsampled.
    static constexpr qint16 FormatJpeg = 1;

    // `whileWaiting`: see PageRenderer.
    explicit GflAx(RenderLimits limits = {}, std::function<void()> whileWaiting = {});
    ~GflAx();

    double EpsDpi = 72.0; // resolution of the next LoadBitmap of a PDF page
    qint16 Page = 1;      // which page the next LoadBitmap takes, from 1
    qint16 Saveformat = FormatJpeg;
    // The caller loads pages 1 to `pagesWanted` in order: while it deals with one page, the
    // next is drawn on the other core. 0: each page is drawn when asked for.
    int pagesWanted = 0;
    // Or the pages the caller loads, in this order (a page range): the one after `Page` is
    // drawn ahead. Empty: `pagesWanted` applies.
    QList<int> pagesToLoad;
    // The run's slot for its next document: once the caller has loaded the last of
    // `pagesWanted` here, that PDF's first page is drawn meanwhile, and renderers this document
    // no longer needs wait there for it. Null: none.
    NextDocument *Ahead = nullptr;
    // Each page drawn to fit this box of pixels instead of at EpsDpi (see PageRenderer::setFitBox).
    QSize FitBox;
    // The password the document is opened with, when it has one (see PageRenderer::setPassword).
    bool HasPassword = false;
    QByteArray Password;
    // Each page loaded also leaves the pixels it was drawn with in this folder (see
    // PageRenderer::keepPixelsIn); empty: none.
    QString PixelFolder;

    // The number of pages of the PDF at `path`, opening it as LoadBitmap would. Throws Failure
    // with the renderer's fault when it cannot be opened.
    int pageCount(const QString &path);

    // Loads page `Page` of the PDF at `path` as the current bitmap. On failure no bitmap is
    // current, so a later saveBitmap cannot write an earlier page under this page's name.
    void LoadBitmap(const QString &path);

    // Writes the current bitmap to `path` in `Saveformat`.
    void saveBitmap(const QString &path);

    // The drawn pixels of the current bitmap, if they were kept: the caller's from now on.
    PageImage::DrawnPixels takePixels() { return std::exchange(m_pixels, {}); }

    // A document is open: a page that failed to load failed alone, and the next can load.
    bool documentOpen() const { return m_renderer != nullptr; }

private:
    void dropPixels();

    // The document stays open in the renderer between pages of one file; one instance serves
    // one call. The current bitmap is held as the JPEG file the renderer made of it.
    RenderLimits m_limits;
    std::function<void()> m_whileWaiting;
    std::unique_ptr<PageRenderer> m_renderer;
    QByteArray m_bitmap;
    PageImage::DrawnPixels m_pixels; // removed with the bitmap unless taken
};

