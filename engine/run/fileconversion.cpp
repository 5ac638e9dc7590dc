#include "engine/run/fileconversion.h"

#include "engine/run/gifnames.h"
#include "engine/run/runsteps.h"

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

// How the file's pages are saved, under the renderers' memory cap.
PageFormat formatOf(const RunOptions &options)
{
    PageFormat format = options.format;
    format.memoryMB = options.limits.memoryMB;
    return format;
}

const MethodInfo *methodOf(const RunOptions &options)
{
    return options.method ? &InfoOf(*options.method) : nullptr;
}

} // namespace

FileConversion::FileConversion(Dialogs &dialogs, RunJournal::Chapter &host, RunReport &report, const QString &workFolder,
               const QString &pdf, int position, QSet<QString> &writtenEarlier, bool workers)
    : m_trap(dialogs, RunStep::ErrorLocation), m_host(host), m_report(report), m_workFolder(workFolder), m_pdf(pdf),
      m_baseName(BaseNameOf(pdf)), m_writtenEarlier(writtenEarlier),
      m_format(formatOf(host.options())), m_extension(host.imagingService().extensionOf(m_format.mimeType)),
      m_names(host.options().names), m_method(methodOf(host.options())), m_position(position),
      m_workers(workers ? LeftoverWorkers() : 0), m_stream(workers ? 1 : 0, host.imagingService(), m_format),
      m_settle([this] { m_stream.abandon(); })
{
}

bool FileConversion::ownPage(const QString &name) const
{
    return !name.startsWith(QLatin1Char('~')) || (!m_baseName.isEmpty() && name.startsWith(m_baseName));
}

void FileConversion::expect(const QStringList &names)
{
    m_trap.step(RunStep::ChooseGifVariant, [&] {
        QStringList stems;
        for (const QString &name : names)
            if (ownPage(name))
                stems << stemOf(name);
        m_variant = FreeVariant(stems, m_baseName, m_host.options().outputFolder, m_extension, m_writtenEarlier, m_variant);
    });
}

void FileConversion::take(const QString &name, int expected)
{
    if (!m_trap.test(RunStep::CheckOwnPage, [&] { return ownPage(name); }))
        return;
    m_expected = std::max(m_expected, expected);
    submit(name, PagePixels(m_workFolder + QLatin1Char('/') + name) > ParallelPagePixels);
    poll();
}

void FileConversion::submit(const QString &name, bool large)
{
    ++m_taken;
    const QString gifPath = gifPathFor(name);
    m_inFlight << name;
    m_claimed << QDir::cleanPath(gifPath);
    m_largePage = m_largePage || large;
    m_stream.submit(m_workFolder + QLatin1Char('/') + name, gifPath);
}

int FileConversion::poll()
{
    for (const PageStream::Page &page : m_stream.takeFinished()) {
        const QString name = m_inFlight.takeFirst();
        ++m_done;
        account(name, page, m_done, std::max(m_expected, m_done + int(m_inFlight.size())));
    }
    return m_done;
}

void FileConversion::takeLeftovers(const QStringList &listed)
{
    // Pages handed over while the method rendered may still be encoded: they were taken.
    QStringList pages;
    for (const QString &name : listed)
        if (!m_inFlight.contains(name))
            pages << name;
    expect(pages);
    if (pages.isEmpty())
        return;
    drain();
    // The pages are all drawn: each core encodes one, and the count shown is of what is there.
    m_stream.addWorkers(m_workers);
    m_expected = m_done + int(pages.size());
    const int inFlight = std::max(1, m_workers);
    for (const QString &name : pages) {
        if (!m_trap.test(RunStep::CheckOwnPage, [&] { return ownPage(name); })) {
            --m_expected;
            continue;
        }
        const bool alone = PagePixels(m_workFolder + QLatin1Char('/') + name) > ParallelPagePixels;
        m_stream.waitBelow(alone && m_workers > 1 ? 1 : inFlight);
        poll();
        submit(name, alone);
        if (alone && m_workers > 1)
            m_stream.waitBelow(1);
        poll();
        m_host.yield(); // a signal or a closed window is seen between pages
    }
    poll();
}

bool FileConversion::encodingPageStartingWith(const QString &prefix) const
{
    return std::any_of(m_inFlight.begin(), m_inFlight.end(), [&](const QString &name) { return name.startsWith(prefix); });
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
    if (m_taken > 0 && m_done < m_expected)
        m_host.pageProgress(m_done, m_done);
    m_writtenEarlier.unite(m_writtenNow);
    if (!m_renamed.isEmpty())
        m_host.inTurn([report = &m_report, pdf = m_pdf, renamed = m_renamed] { report->renamedFiles.append({pdf, renamed}); });
}

QString FileConversion::stemOf(const QString &name) const
{
    // A page image off its method's rule (none is known) keeps its own name.
    const int page = m_names.isSet() && m_method ? PageOfImage(*m_method, m_pdf, name) : 0;
    return page > 0 ? m_names.apply(m_baseName, page, m_position) : NameWithoutExtension(name);
}

QString FileConversion::gifPathFor(const QString &name)
{
    QString gifPath;
    m_trap.step(RunStep::NameGif, [&] {
        // The output folder may have been changed since the file's names were chosen, and
        // pages handed over while rendering are named one at a time.
        const QString stem = stemOf(name);
        const QString outputFolder = m_host.options().outputFolder;
        m_variant = FreeVariant({stem}, m_baseName, outputFolder, m_extension, m_writtenEarlier, m_variant);
        gifPath = outputFolder + QLatin1Char('/') + DistinctGifName(stem, m_baseName, m_variant) + m_extension;
    });
    return gifPath;
}

void FileConversion::account(const QString &name, const PageStream::Page &page, int j, int total)
{
    // The page was decoded and written in one plain call; only one page is held at a time.
    PageEncoding encoded;
    m_trap.step(RunStep::TakeEncodedPage, [&] {
        if (page.exception)
            std::rethrow_exception(page.exception);
        encoded = page.encoding;
    });
    const QString &gifPath = page.gifPath;
    PageOutcome outcome{name, gifPath, encoded.written(), encoded.error};
    if (encoded.outcome == PageEncoding::Outcome::Undecodable) {
        outcome.reason = QCoreApplication::translate("ConversionRun", "no picture") + QStringLiteral(": ") + encoded.error;
        outcome.pictureUnreadable = true;
        m_lastError = encoded.error;
        m_trap.step(RunStep::ReportInvalidPicture, [&] {
            throw Failure(QCoreApplication::translate("ConversionRun", "Invalid picture: %1 (%2)").arg(name, encoded.error), ErrorCode::InvalidPicture);
        });
        // Its GIF is missing too, and is listed with the others at the end.
        m_host.inTurn([report = &m_report, gifPath] {
            report->failedGifs.append({gifPath, QCoreApplication::translate("ConversionRun", "no picture")});
        });
    } else if (encoded.written()) {
        m_host.inTurn([report = &m_report] { ++report->gifsWritten; });
        ++m_written;
        m_writtenNow << QDir::cleanPath(gifPath);
        if (m_variant != 0)
            m_renamed << FileNameOf(gifPath);
    } else {
        m_lastError = encoded.error;
        m_host.inTurn([report = &m_report, gifPath, error = encoded.error] { report->failedGifs.append({gifPath, error}); });
    }
    m_host.pageEnded(outcome);
    m_trap.step(RunStep::DeletePageImage, [&] { DeleteFilesQuietly(m_workFolder + QLatin1Char('/') + name); });
    m_host.pageProgress(j, total);
}
