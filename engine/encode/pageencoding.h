#pragma once

#include "engine/encode/imaging.h"
#include "engine/encode/pageimage.h"
#include "engine/encode/palette.h"

#include <QString>

// How one page image became one GIF file, or why it did not.
struct PageEncoding {
    enum class Outcome {
        Written,     // the GIF file is complete
        Undecodable, // the page image could not be read (whole); nothing was written
        NotWritten,  // the GIF could not be written; no partial file was left
    };
    Outcome outcome = Outcome::NotWritten;
    QString error; // the reason, for the two failures

    bool written() const { return outcome == Outcome::Written; }
};

// What a run saves its pages as: the MIME type of one of the imaging service's encoders, and
// whether the page is first made 8-bit grey (which every encoder then keeps grey).
struct PageFormat {
    QString mimeType = ImagingService::pageType();
    bool grey = false;
    // The encoder's quality setting, 1 to 100, for a format that has one (JPEG, WebP, GIF); 0:
    // its own default.
    int quality = 0;
    // What decoding and encoding one page may cost, in megabytes (the renderers' memory cap);
    // 0: no cap. A larger page fails with the cap as its reason instead of taking the machine.
    qint64 memoryMB = 0;
    // Centiseconds each page is shown in one animated GIF of the whole file; 0: a file a page.
    int frameDelay = 0;
    // Ask the renderer for the pixels it drew (PageImage::DrawnPixels): they are the page
    // without the page image's JPEG noise, exact for PNG and TIFF, and need no decoding.
    bool drawnPixels = false;
};

// Turns the page image file into the file at `gifPath` (a GIF unless `format` says otherwise),
// replacing a file of that name, saved through the imaging service. The page's drawn pixels,
// when the renderer handed them over with it and they are still what it said, stand in for
// the page image. No host, no widget, no
// shared state, so it can run on a worker thread, several pages at once. It holds the page's
// picture only while it runs.
PageEncoding EncodePage(const QString &pageImageFile, const QString &gifPath, const ImagingService &imaging,
                        const PageFormat &format = PageFormat(), const PageImage::DrawnPixels &pixels = {});

// A page made ready to be one image of an animated GIF: reduced to its own palette exactly as
// its single GIF would be.
struct PageFrame {
    IndexedImage picture;
    // How far (squared RGB distance) a pixel may move in the animation at the format's quality
    // (Lzw::maxErrorAt); 0 at 100, where every frame shows the page's single GIF.
    int maxError = 0;
};

// Decodes and reduces the page image into `frame`; nothing is written. Outcome Written when the
// frame is ready, otherwise as EncodePage says. Safe on a worker thread.
PageEncoding PreparePageFrame(const QString &pageImageFile, const PageFormat &format, PageFrame &frame,
                              const PageImage::DrawnPixels &pixels = {});
