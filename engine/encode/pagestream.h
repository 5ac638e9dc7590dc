#pragma once

#include "engine/encode/pageencoding.h"

#include <QList>
#include <QString>

#include <exception>
#include <memory>

// Turns one file's page images into GIF files on worker threads: while the renderer draws the
// next pages, or several at once when every page is already drawn, so that both cores work and
// only a few page images are on disk at a time. Pages are handed back in the order they were
// submitted, whichever worker finished first. Each page image is deleted as soon as its GIF is
// written (or could not be), keeping scratch space bounded by the pages in flight rather than
// by the length of the document.
class PageStream {
public:
    struct Page {
        QString pageImage;             // the page image file, gone once encoded
        QString gifPath;
        PageImage::DrawnPixels pixels; // handed over with it, if any; gone with it
        PageEncoding encoding;
        // With a frame delay in the format: the page made ready to be an image of the file's
        // animated GIF, which the caller writes in order; nothing is written at gifPath.
        std::shared_ptr<PageFrame> frame;
        std::exception_ptr exception;  // what encoding threw, for the caller to report
    };

    // With no worker every page is encoded by submit() itself, on the calling thread: the
    // same results one after the other, for comparison and for machines with one core. Pages
    // are saved through `imaging`, which must outlive the stream, as `format`.
    PageStream(int workers, const ImagingService &imaging, const PageFormat &format = PageFormat());
    ~PageStream(); // waits for the pages submitted, then stops the workers

    PageStream(const PageStream &) = delete;
    PageStream &operator=(const PageStream &) = delete;

    // Starts more workers, up to `workers` in all: once every page is drawn, the cores the
    // renderer used encode too. A stream made without workers stays without.
    void addWorkers(int workers);

    void submit(const QString &pageImageFile, const QString &gifPath, const PageImage::DrawnPixels &pixels = {});
    int backlog() const;       // submitted and not yet handed back as finished
    QList<Page> takeFinished(); // the encoded pages not taken before, in submission order
    void finish();             // waits until every submitted page is encoded
    void waitBelow(int n);     // waits until fewer than `n` pages are in the backlog
    // Drops the pages not yet started (their page images stay) and waits for those being
    // encoded: for a program that must end now without cutting a GIF off half-written.
    void abandon();

private:
    struct State;
    std::unique_ptr<State> d;
};
