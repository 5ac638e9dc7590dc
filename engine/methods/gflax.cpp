#include "engine/methods/gflax.h"

#include "engine/sources/renderer/pagerenderer.h"

#include "sys/errortrap.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <locale.h>

GflAx::GflAx(RenderLimits limits, std::function<void()> whileWaiting)
    : m_limits(limits), m_whileWaiting(std::move(whileWaiting))
{
}
GflAx::~GflAx()
{
    dropPixels();
}

void GflAx::dropPixels()
{
    if (!m_pixels.isEmpty())
        QFile::remove(m_pixels.path);
    m_pixels = {};
}

void GflAx::LoadBitmap(const QString &path)
{
    m_bitmap.clear();
    dropPixels();
    if (Page < 1)
        throw Failure(QCoreApplication::translate("Engine", "Page %1 does not exist: pages are numbered from 1").arg(Page),
                      CodeOf(Fault::OutsideDocument));
    int pageCount = 0;
    try {
        pageCount = this->pageCount(path);
    } catch (const Failure &f) {
        throw Failure(QCoreApplication::translate("Engine", "Cannot load page %1: %2").arg(Page).arg(f.description()), f.code());
    }
    if (Page > pageCount)
        throw Failure(QCoreApplication::translate("Engine", "Page %1 is past the end of %2, which has %3 page(s)")
                          .arg(Page).arg(path).arg(pageCount),
                      CodeOf(Fault::OutsideDocument));
    if (!std::isfinite(EpsDpi) || EpsDpi <= 0)
        throw Failure(QCoreApplication::translate("Engine", "The resolution %1 cannot be used: it must be a number of dots per "
                                     "inch above 0").arg(EpsDpi),
                      CodeOf(Fault::NoPixels));
    // The pages the caller loads, those the document has, in order; after the last of
    // `pagesWanted`, the next document.
    QList<int> planned;
    if (!pagesToLoad.isEmpty()) {
        for (const int p : std::as_const(pagesToLoad))
            if (p <= pageCount)
                planned << p;
    } else {
        for (int p = 1; p <= std::min(pagesWanted, pageCount); ++p)
            planned << p;
    }
    if (m_renderer->pages() != planned)
        m_renderer->plan(planned, pagesToLoad.isEmpty());
    // The pages are taken from the renderer as a page source, in the plan's order: while this
    // one is dealt with, the next is drawn on the other core.
    if (m_renderer->nextPlanned() == Page) {
        m_renderer->setPageFiles({}, EpsDpi, false);
        SourcePage loaded = *m_renderer->next();
        if (loaded.kind == SourcePage::Kind::Failed)
            throw Failure(loaded.detail, CodeOf(loaded.fault));
        m_bitmap = std::move(loaded.image);
        m_pixels = loaded.pixels;
        return;
    }
    // A page loaded again, or out of the plan's order, is drawn as asked.
    Rendering::Page drawn = m_renderer->drawPlanned(Page, EpsDpi, false);
    m_bitmap = std::move(drawn.jpeg);
    m_pixels = drawn.pixels;
}

int GflAx::pageCount(const QString &path)
{
    if (!m_renderer || m_renderer->pdfPath() != path) {
        m_renderer = std::make_unique<PageRenderer>(path, m_limits, m_whileWaiting);
        if (HasPassword)
            m_renderer->setPassword(Password);
        m_renderer->setFitBox(FitBox);
        m_renderer->setNextDocument(Ahead);
    }
    m_renderer->keepPixelsIn(PixelFolder);
    try {
        return m_renderer->pageCount();
    } catch (const Failure &) {
        m_renderer.reset();
        throw;
    }
}

void GflAx::saveBitmap(const QString &path)
{
    if (m_bitmap.isEmpty())
        throw Failure(QCoreApplication::translate("Engine", "No page is loaded: nothing was written to %1").arg(path),
                      CodeOf(Fault::NoPage));
    if (Saveformat != FormatJpeg)
        throw Failure(QCoreApplication::translate("Engine", "Save format %1 is not supported: only %2 (JPEG) is")
                          .arg(Saveformat).arg(FormatJpeg),
                      ErrorCode::InvalidPropertyValue);
    try {
        WriteFileWhole(m_bitmap, path);
    } catch (const Failure &f) {
        throw Failure(f.description(), CodeOf(Fault::CannotWrite));
    }
}

