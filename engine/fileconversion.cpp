#include "engine/fileconversion.h"

#include "engine/conversionrun.h"

#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <exception>
#include <utility>

namespace {

// Pages encoded at once when every page is already drawn: one per core, two at most, since each
// holds its decoded picture (about 24 MB at 144 dpi).
int LeftoverWorkers()
{
    return std::clamp(QThread::idealThreadCount(), 1, 2);
}

// A page image of more pixels than this is encoded alone: at the highest resolutions one
// decoded page is hundreds of megabytes.
constexpr qint64 ParallelPagePixels = qint64(4096) * 4096;

qint64 PagePixels(const QString &pageImage)
{
    const QSize size = QImageReader(pageImage).size();
    return size.isValid() ? qint64(size.width()) * size.height() : 0;
}

} // namespace

FileConversion::FileConversion(Dialogs &dialogs, ConversionHost &host, RunReport &report, const QString &workFolder,
               const QString &pdf, QSet<QString> &writtenEarlier, bool workers)
    : m_boxes(dialogs), m_trap(m_boxes, ConversionRun::ErrorLocation), m_host(host), m_report(report), m_workFolder(workFolder), m_pdf(pdf),
      m_baseName(BaseNameOf(pdf)), m_writtenEarlier(writtenEarlier),
      m_extension(host.imagingService().extensionOf(ImagingService::pageType())), m_leftoverWorkers(workers ? LeftoverWorkers() : 0),
      m_stream(workers ? 1 : 0, host.imagingService()), m_settle([this] {
          m_stream.abandon();
          if (m_leftovers)
              m_leftovers->abandon();
      })
{
}

bool FileConversion::ownPage(const QString &name) const
{
    return !name.startsWith(QLatin1Char('~')) || (!m_baseName.isEmpty() && name.startsWith(m_baseName));
}

void FileConversion::expect(const QStringList &names)
{
    m_trap.step(150, [&] {
        QStringList stems;
        for (const QString &name : names)
            if (ownPage(name))
                stems << NameWithoutExtension(name);
        m_variant = FreeVariant(stems, m_baseName, m_host.options().outputFolder, m_extension, m_writtenEarlier, m_variant);
    });
}

void FileConversion::take(const QString &name, int expected)
{
    if (!m_trap.test(152, [&] { return ownPage(name); }))
        return;
    m_expected = std::max(m_expected, expected);
    ++m_handed;
    const QString gifPath = gifPathFor(name);
    m_inFlight << name;
    m_stream.submit(m_workFolder + QLatin1Char('/') + name, gifPath);
    poll();
}

int FileConversion::poll()
{
    for (const PageStream::Page &page : m_stream.takeFinished()) {
        const QString name = m_inFlight.takeFirst();
        ++m_done;
        account(name, page.gifPath, [&] {
            if (page.exception)
                std::rethrow_exception(page.exception);
            return page.encoding;
        }, m_done, std::max(m_expected, m_done + int(m_inFlight.size())));
    }
    return m_done;
}

void FileConversion::convertLeftovers(const QStringList &pages)
{
    const int count = int(pages.size());
    PageStream pool(m_leftoverWorkers, m_host.imagingService());
    m_leftovers = &pool;
    const auto forget = qScopeGuard([this] { m_leftovers = nullptr; });
    QList<std::pair<QString, int>> pending; // name and j, submitted and not accounted for
    const auto accountFinished = [&] {
        for (const PageStream::Page &page : pool.takeFinished()) {
            const auto [name, j] = pending.takeFirst();
            account(name, page.gifPath, [&page] {
                if (page.exception)
                    std::rethrow_exception(page.exception);
                return page.encoding;
            }, m_handed + j, m_handed + count);
        }
    };
    const int inFlight = std::max(1, m_leftoverWorkers);
    for (int j = 1; j <= count; ++j) {
        const QString name = pages.value(j - 1);
        if (!m_trap.test(152, [&] { return ownPage(name); }))
            continue;
        const QString gifPath = gifPathFor(name);
        const QString pageImage = m_workFolder + QLatin1Char('/') + name;
        const bool alone = m_leftoverWorkers > 1 && PagePixels(pageImage) > ParallelPagePixels;
        pool.waitBelow(alone ? 1 : inFlight);
        accountFinished();
        pending.append({name, j});
        pool.submit(pageImage, gifPath);
        if (alone)
            pool.waitBelow(1);
        accountFinished();
        m_host.yield(); // a signal or a closed window is seen between pages
    }
    pool.finish();
    accountFinished();
}

void FileConversion::drain()
{
    m_stream.finish();
    poll();
}

void FileConversion::end()
{
    drain();
    // The renderer announced more pages than it gave: the count shown ends where it stopped.
    if (m_handed > 0 && m_accounted < m_expected)
        m_host.pageProgress(m_accounted, m_accounted);
    m_writtenEarlier.unite(m_writtenNow);
    if (!m_renamed.isEmpty())
        m_report.renamedFiles.append({m_pdf, m_renamed});
}

void FileConversion::methodReturned()
{
    drain();
    m_boxes.release();
}

QString FileConversion::gifPathFor(const QString &name)
{
    QString gifPath;
    m_trap.step(156, [&] {
        // The output folder may have been changed since the file's names were chosen, and
        // pages handed over while rendering are named one at a time.
        const QString stem = NameWithoutExtension(name);
        m_variant = FreeVariant({stem}, m_baseName, m_host.options().outputFolder, m_extension, m_writtenEarlier, m_variant);
        gifPath = m_host.options().outputFolder + QLatin1Char('/') + DistinctGifName(stem, m_baseName, m_variant)
                  + m_extension;
    });
    return gifPath;
}

// Reports how the page came out; its page image is deleted either way.
void FileConversion::account(const QString &name, const QString &gifPath, const std::function<PageEncoding()> &encode, int j,
                             int total)
{
    // The page is decoded and written in one plain call; only one page is held at a time.
    PageEncoding encoded;
    m_trap.step(158, [&] { encoded = encode(); });
    if (encoded.outcome == PageEncoding::Outcome::Undecodable) {
        lastError = encoded.error;
        m_trap.step(154, [&] {
            throw Failure(QCoreApplication::translate("ConversionRun", "Invalid picture: %1 (%2)").arg(name, encoded.error), ErrorCode::InvalidPicture);
        });
        // Its GIF is missing too, and is listed with the others at the end.
        m_report.failedGifs.append({gifPath, QCoreApplication::translate("ConversionRun", "no picture")});
    } else if (encoded.written()) {
        ++m_report.gifsWritten;
        ++written;
        m_writtenNow << QDir::cleanPath(gifPath);
        if (m_variant != 0)
            m_renamed << FileNameOf(gifPath);
    } else {
        lastError = encoded.error;
        m_report.failedGifs.append({gifPath, encoded.error});
    }
    m_trap.step(160, [&] { DeleteFilesQuietly(m_workFolder + QLatin1Char('/') + name); });
    ++m_accounted;
    m_host.pageProgress(j, total);
}
