#pragma once

#include "engine/pageencoding.h"

#include <QList>
#include <QString>

#include <exception>
#include <memory>

// Turns one file's page images into GIF files on a worker thread while the renderer draws the
// next pages, so that both cores work and only a few page images are on disk at a time.
// Pages are encoded in the order they are submitted and handed back in that order. Each page
// image is deleted as soon as its GIF is written (or could not be), keeping scratch space
// bounded by the pages in flight rather than by the length of the document.
class PageStream {
public:
    struct Page {
        QString pageImage;             // the page image file, gone once encoded
        QString gifPath;
        PageEncoding encoding;
        std::exception_ptr exception;  // what encoding threw, for the caller to report
    };

    // With no worker every page is encoded by submit() itself, on the calling thread: the
    // same results one after the other, for comparison and for machines with one core.
    explicit PageStream(bool worker = true);
    ~PageStream(); // waits for the pages submitted, then stops the worker

    PageStream(const PageStream &) = delete;
    PageStream &operator=(const PageStream &) = delete;

    void submit(const QString &pageImageFile, const QString &gifPath);
    int backlog() const;       // submitted and not yet encoded
    QList<Page> takeFinished(); // the encoded pages not taken before, in submission order
    void finish();             // waits until every submitted page is encoded
    // Drops the pages not yet started (their page images stay) and waits for the one being
    // encoded: for a program that must end now without cutting a GIF off half-written.
    void abandon();

private:
    struct State;
    std::unique_ptr<State> d;
};
