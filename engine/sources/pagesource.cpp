#include "engine/sources/pagesource.h"

#include "engine/encode/pageimage.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

// Both lie in the WorkFolder, so a rename: no second copy of every page in scratch. A copy
// only where the two lie on different file systems.
void MoveFile(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return;
    if (errno != EXDEV)
        throw Failure(QCoreApplication::translate("Engine", "%1 cannot be moved to %2: %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno))), ErrorCode::PathFileAccess);
    CopyFile(from, to);
    QFile::remove(from);
}

PageFeed::PageFeed(PageSink *sink, QString workFolder, std::function<QString(int)> imageName)
    : m_sink(sink), m_workFolder(std::move(workFolder)), m_imageName(std::move(imageName))
{
}

QString PageFeed::fileOf(int page) const
{
    return m_workFolder + QLatin1Char('/') + m_imageName(page);
}

QString PageFeed::pixelFolder() const
{
    return m_sink && m_sink->takesDrawnPixels() ? m_workFolder : QString();
}

void PageFeed::announce(const QList<int> &pages)
{
    if (m_announced)
        return;
    m_announced = true;
    m_expected = int(pages.size());
    if (!m_sink || pages.isEmpty() || pages.size() > MaxAnnouncedNames)
        return;
    QStringList names;
    for (const int page : pages)
        names << m_imageName(page);
    m_sink->expect(names);
}

void PageFeed::take(const SourcePage &page)
{
    if (page.kind == SourcePage::Kind::Failed) {
        m_failed.append({page.page, page.detail, page.fault});
        return;
    }
    m_handed << page.page;
    if (!m_sink) {
        if (!page.pixels.isEmpty())
            QFile::remove(page.pixels.path);
        return;
    }
    const QString file = fileOf(page.page);
    if (page.file != file)
        MoveFile(page.file, file);
    // Its drawn pixels, if the renderer said it kept them, go with it, still bound to it by
    // what the renderer said of them (the reader checks that); where they cannot, nowhere.
    PageImage::DrawnPixels pixels = page.pixels;
    if (!pixels.isEmpty() && !m_sink->takesDrawnPixels()) {
        QFile::remove(pixels.path);
        pixels = {};
    }
    if (!pixels.isEmpty()) {
        // Under a name nobody can guess, as the writer's own: a file planted or written over
        // under a name known ahead can neither be taken nor spoil the page's.
        const QByteArray from = QFile::encodeName(pixels.path);
        pixels.path = file + QLatin1Char('.') + QString::number(QRandomGenerator::system()->generate64(), 16) + QStringLiteral(".rgb");
        if (std::rename(from.constData(), QFile::encodeName(pixels.path).constData()) != 0) {
            std::remove(from.constData());
            pixels = {};
        }
    }
    m_sink->take(page.page, m_imageName(page.page), m_expected, pixels);
}

void PageFeed::announceFrom(PageSource &source, int count)
{
    // A count beyond the bound (a hostile document may claim billions of pages) is not spelled
    // out page by page: its pages are named as they come.
    announce(count > 0 && count <= MaxAnnouncedNames ? source.pages() : QList<int>());
    m_expected = std::max(count, 0);
}

bool PageFeed::drive(PageSource &source, bool keepUp)
{
    if (m_sink)
        m_sink->poll();
    if (!m_announced) {
        const int count = source.count();
        if (count < 0 && keepUp)
            return false; // its pages are named once it says how many
        announceFrom(source, count);
    }
    // The run's encoder keeps its own queue: a page drawn on request is handed over at once.
    while (!m_ended && (!keepUp || !m_sink || m_sink->backlog() < MaxPendingPages)) {
        tellAhead(source);
        const std::optional<SourcePage> page = source.next();
        if (!page)
            break;
        if (page->kind == SourcePage::Kind::End)
            m_ended = true;
        else
            take(*page);
    }
    tellAhead(source);
    return m_ended;
}

void PageFeed::tellAhead(PageSource &source)
{
    if (!m_aheadTold && m_expected > 0 && m_expected - m_handed.size() - m_failed.size() <= MaxPendingPages) {
        m_aheadTold = true;
        source.prepareNext();
    }
}
