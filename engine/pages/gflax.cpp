#include "engine/pages/gflax.h"

#include "engine/pages/pagerenderer.h"

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
    m_fault = PageFault::Unknown;
    try {
        load(path);
    } catch (const Failure &f) {
        if (m_fault == PageFault::Unknown) {
            switch (f.code()) {
            case CannotOpen: m_fault = PageFault::Damaged; break;
            case NoSuchPage:
            case PastEnd: m_fault = PageFault::OutsideDocument; break;
            case BadResolution: m_fault = PageFault::NoPixels; break;
            default: break;
            }
        }
        throw;
    }
}

void GflAx::load(const QString &path)
{
    m_bitmap.clear();
    dropPixels();
    if (Page < 1)
        throw Failure(QCoreApplication::translate("Engine", "Page %1 does not exist: pages are numbered from 1").arg(Page),
                      NoSuchPage);
    int pageCount = 0;
    try {
        pageCount = this->pageCount(path);
    } catch (const Failure &f) {
        throw Failure(QCoreApplication::translate("Engine", "Cannot load page %1: %2").arg(Page).arg(f.description()), CannotOpen);
    }
    if (Page > pageCount)
        throw Failure(QCoreApplication::translate("Engine", "Page %1 is past the end of %2, which has %3 page(s)")
                          .arg(Page).arg(path).arg(pageCount),
                      PastEnd);
    if (!std::isfinite(EpsDpi) || EpsDpi <= 0)
        throw Failure(QCoreApplication::translate("Engine", "The resolution %1 cannot be used: it must be a number of dots per "
                                     "inch above 0").arg(EpsDpi),
                      BadResolution);
    try {
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
        m_renderer->plan(planned, pagesToLoad.isEmpty() ? NextDocument : QString());
        Rendering::Page drawn = m_renderer->drawPlanned(Page, EpsDpi, false);
        m_bitmap = std::move(drawn.jpeg);
        m_pixels = drawn.pixels;
    } catch (const Failure &f) {
        m_fault = PageRenderer::faultOf(f.code());
        switch (f.code()) {
        case PageRenderer::TooLarge: throw Failure(f.description(), TooLarge);
        case PageRenderer::NoPixels: throw Failure(f.description(), BadResolution);
        case PageRenderer::MemoryCap:
        case PageRenderer::TimeCap:
        case PageRenderer::Crashed: throw Failure(f.description(), OverCap);
        default: throw Failure(f.description(), RenderFailed);
        }
    }
}

int GflAx::pageCount(const QString &path)
{
    if (!m_renderer || m_renderer->pdfPath() != path) {
        m_renderer = std::make_unique<PageRenderer>(path, m_limits, m_whileWaiting);
        if (HasPassword)
            m_renderer->setPassword(Password);
        m_renderer->setFitBox(FitBox);
    }
    m_renderer->keepPixelsIn(PixelFolder);
    try {
        return m_renderer->pageCount();
    } catch (const Failure &f) {
        m_renderer.reset();
        throw Failure(f.description(), CannotOpen);
    }
}

void GflAx::saveBitmap(const QString &path)
{
    if (m_bitmap.isEmpty())
        throw Failure(QCoreApplication::translate("Engine", "No page is loaded: nothing was written to %1").arg(path),
                      NothingLoaded);
    if (Saveformat != FormatJpeg)
        throw Failure(QCoreApplication::translate("Engine", "Save format %1 is not supported: only %2 (JPEG) is")
                          .arg(Saveformat).arg(FormatJpeg),
                      BadFormat);
    try {
        WriteFileWhole(m_bitmap, path);
    } catch (const Failure &f) {
        throw Failure(f.description(), CannotSave);
    }
}

