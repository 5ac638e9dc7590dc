#include "gflax.h"

#include "pagerenderer.h"

#include "../sys/errortrap.h"

#include <cmath>
#include <cstdlib>
#include <locale.h>

GflAx::GflAx(RenderLimits limits) : m_limits(limits) {}
GflAx::~GflAx() = default;

void GflAx::LoadBitmap(const QString &path)
{
    m_bitmap.clear();
    if (Page < 1)
        throw Failure(QStringLiteral("Page %1 does not exist: pages are numbered from 1").arg(Page),
                      NoSuchPage);
    if (!m_renderer || m_renderer->pdfPath() != path)
        m_renderer = std::make_unique<PageRenderer>(path, m_limits);
    int pageCount = 0;
    try {
        pageCount = m_renderer->pageCount();
    } catch (const Failure &f) {
        m_renderer.reset();
        throw Failure(QStringLiteral("Cannot load page %1: %2").arg(Page).arg(f.description()), CannotOpen);
    }
    if (Page > pageCount)
        throw Failure(QStringLiteral("Page %1 is past the end of %2, which has %3 page(s)")
                          .arg(Page).arg(path).arg(pageCount),
                      PastEnd);
    if (!std::isfinite(EpsDpi) || EpsDpi <= 0)
        throw Failure(QStringLiteral("The resolution %1 cannot be used: it must be a number of dots per "
                                     "inch above 0").arg(EpsDpi),
                      BadResolution);
    try {
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

void GflAx::saveBitmap(const QString &path)
{
    if (m_bitmap.isEmpty())
        throw Failure(QStringLiteral("No page is loaded: nothing was written to %1").arg(path),
                      NothingLoaded);
    if (Saveformat != FormatJpeg)
        throw Failure(QStringLiteral("Save format %1 is not supported: only %2 (JPEG) is")
                          .arg(Saveformat).arg(FormatJpeg),
                      BadFormat);
    try {
        WriteFileWhole(m_bitmap, path);
    } catch (const Failure &f) {
        throw Failure(f.description(), CannotSave);
    }
}

double LeadingNumber(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            s += c;

    const auto digitAt = [&s](qsizetype i) { return i < s.size() && s.at(i).unicode() >= '0' && s.at(i).unicode() <= '9'; };
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        ++i;
    const qsizetype mantissaStart = i;
    while (digitAt(i))
        ++i;
    bool digits = i > mantissaStart;
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        const qsizetype fraction = ++i;
        while (digitAt(i))
            ++i;
        digits = digits || i > fraction;
    }
    if (!digits)
        return 0;
    qsizetype end = i;
    // An exponent counts only when at least one digit follows: "2e" and "2 each" are 2.
    if (i < s.size() && QStringLiteral("eEdD").contains(s.at(i))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s.at(j) == QLatin1Char('+') || s.at(j) == QLatin1Char('-')))
            ++j;
        if (digitAt(j)) {
            while (digitAt(j))
                ++j;
            end = j;
        }
    }
    QString number = s.left(end);
    number.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    // In the C locale whatever the user's: the decimal point is always ".". Out of range
    // exponents give infinity or 0, which the callers refuse or treat as nothing.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(number.toLatin1().constData(), nullptr, cLocale);
}
