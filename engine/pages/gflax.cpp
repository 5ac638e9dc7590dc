#include "engine/pages/gflax.h"

#include "engine/pages/pagerenderer.h"

#include "sys/errortrap.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <locale.h>

GflAx::GflAx(RenderLimits limits, std::function<void()> whileWaiting)
    : m_limits(limits), m_whileWaiting(std::move(whileWaiting))
{
}
GflAx::~GflAx() = default;

void GflAx::LoadBitmap(const QString &path)
{
    m_bitmap.clear();
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
        if (!pagesToLoad.isEmpty()) {
            const qsizetype at = pagesToLoad.indexOf(int(Page));
            if (at >= 0 && at + 1 < pagesToLoad.size() && pagesToLoad.at(at + 1) <= pageCount)
                m_renderer->renderAhead(pagesToLoad.at(at + 1), EpsDpi, false);
        } else if (Page < std::min(pagesWanted, pageCount)) {
            m_renderer->renderAhead(Page + 1, EpsDpi, false);
        } else if (Page == std::min(pagesWanted, pageCount) && !NextDocument.isEmpty()) {
            m_renderer->renderNextAhead(NextDocument, 1, EpsDpi, false);
        }
        m_bitmap = m_renderer->render(Page, EpsDpi, false).jpeg;
    } catch (const Failure &f) {
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

