#include "engine/run/fileconversion.h"

#include "engine/run/gifnames.h"
#include "engine/base/runsteps.h"

#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <exception>
#include <new>
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
    // Every format gains by them: a reducing encoder starts from the page without JPEG noise,
    // and an exact one (PNG, TIFF) then holds what the renderer drew, pixel for pixel.
    format.drawnPixels = true;
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
      m_settle([this] {
          m_stream.abandon();
          if (m_animation)
              m_animation->discard();
      })
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
        // The animated GIF is named after the document alone.
        if (animating())
            stems = QStringList{m_baseName};
        m_variant = FreeVariant(stems, m_baseName, m_host.options().outputFolder, m_extension, m_writtenEarlier, m_variant);
    });
}

void FileConversion::take(int page, const QString &name, int expected, const PageImage::DrawnPixels &pixels)
{
    if (!m_trap.test(RunStep::CheckOwnPage, [&] { return ownPage(name); })) {
        if (!pixels.isEmpty())
            QFile::remove(pixels.path);
        return;
    }
    m_expected = std::max(m_expected, expected);
    submit(name, page, PagePixels(m_workFolder + QLatin1Char('/') + name) > ParallelPagePixels, pixels);
    poll();
}

void FileConversion::submit(const QString &name, int page, bool large, const PageImage::DrawnPixels &pixels)
{
    ++m_taken;
    const QString gifPath = gifPathFor(name);
    m_inFlight << name;
    m_inFlightPages << page;
    m_claimed << QDir::cleanPath(gifPath);
    m_largePage = m_largePage || large;
    m_stream.submit(m_workFolder + QLatin1Char('/') + name, gifPath, pixels);
}

int FileConversion::poll()
{
    for (const PageStream::Page &page : m_stream.takeFinished()) {
        const QString name = m_inFlight.takeFirst();
        const int number = m_inFlightPages.takeFirst();
        ++m_done;
        account(name, number, page, m_done, std::max(m_expected, m_done + int(m_inFlight.size())));
    }
    return m_done;
}

void FileConversion::takeLeftovers(const QStringList &listed, const MethodInfo *method)
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
        submit(name, method ? PageOfImage(*method, m_pdf, name) : 0, alone);
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

void FileConversion::end(bool allDrawn)
{
    drain();
    if (animating())
        finishAnimation(allDrawn && !(m_taken > 0 && m_done < m_expected));
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
        const QString outputFolder = m_host.options().outputFolder;
        if (animating()) {
            if (m_animationPath.isEmpty()) {
                m_variant = FreeVariant({m_baseName}, m_baseName, outputFolder, m_extension, m_writtenEarlier, m_variant);
                m_animationPath = outputFolder + QLatin1Char('/') + DistinctGifName(m_baseName, m_baseName, m_variant) + m_extension;
            }
            gifPath = m_animationPath;
            return;
        }
        const QString stem = stemOf(name);
        m_variant = FreeVariant({stem}, m_baseName, outputFolder, m_extension, m_writtenEarlier, m_variant);
        gifPath = outputFolder + QLatin1Char('/') + DistinctGifName(stem, m_baseName, m_variant) + m_extension;
    });
    return gifPath;
}

void FileConversion::account(const QString &name, int number, const PageStream::Page &page, int j, int total)
{
    // The page was decoded and written in one plain call; only one page is held at a time.
    PageEncoding encoded;
    m_trap.step(RunStep::TakeEncodedPage, [&] {
        if (page.exception)
            std::rethrow_exception(page.exception);
        encoded = page.encoding;
    });
    if (animating())
        accountFrame(name, number, page, encoded);
    else
        accountGif(name, number, page.gifPath, encoded);
    m_trap.step(RunStep::DeletePageImage, [&] { DeleteFilesQuietly(m_workFolder + QLatin1Char('/') + name); });
    m_host.pageProgress(j, total);
}

void FileConversion::reportUndecodable(const QString &name, const QString &gifPath, const PageEncoding &encoded,
                                       PageOutcome &outcome)
{
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
}

void FileConversion::accountGif(const QString &name, int number, const QString &gifPath, const PageEncoding &encoded)
{
    PageOutcome outcome{number, name, gifPath, encoded.written(), encoded.error};
    if (encoded.outcome == PageEncoding::Outcome::Undecodable) {
        reportUndecodable(name, gifPath, encoded, outcome);
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
}

void FileConversion::accountFrame(const QString &name, int number, const PageStream::Page &page, PageEncoding encoded)
{
    if (encoded.written() && !m_animationFailed) {
        try {
            if (!m_animation)
                m_animation = std::make_unique<AnimationWriter>(m_animationPath, m_format.frameDelay);
            m_animation->add(*page.frame);
        } catch (const Failure &f) {
            failAnimation(f.description(), true);
        } catch (const std::bad_alloc &) {
            failAnimation(QCoreApplication::translate("Engine", "out of memory"), true);
        }
    }
    PageOutcome outcome{number, name, m_animationPath, false, QString()};
    if (!encoded.written()) {
        // The page fails under the name its own GIF would have had.
        m_trap.step(RunStep::NameGif, [&] {
            outcome.gif = m_host.options().outputFolder + QLatin1Char('/')
                          + DistinctGifName(NameWithoutExtension(name), m_baseName, m_variant) + m_extension;
        });
        if (encoded.outcome == PageEncoding::Outcome::Undecodable) {
            reportUndecodable(name, outcome.gif, encoded, outcome);
        } else {
            outcome.reason = m_lastError = encoded.error;
            m_host.inTurn([report = &m_report, gif = outcome.gif, error = encoded.error] { report->failedGifs.append({gif, error}); });
        }
        if (!m_animationFailed)
            failAnimation(QCoreApplication::translate("ConversionRun", "not written, as a page of the document failed"), false);
    }
    m_frameOutcomes << outcome;
}

void FileConversion::failAnimation(const QString &why, bool listed)
{
    m_animationFailed = true;
    m_animationError = why;
    if (m_animation)
        m_animation->discard();
    m_animation.reset();
    if (listed) {
        m_lastError = why;
        m_host.inTurn([report = &m_report, gif = m_animationPath, why] { report->failedGifs.append({gif, why}); });
    }
}

void FileConversion::finishAnimation(bool allDrawn)
{
    if (m_animation && !m_animationFailed && allDrawn) {
        try {
            m_animation->commit();
        } catch (const Failure &f) {
            failAnimation(f.description(), true);
        } catch (const std::bad_alloc &) {
            failAnimation(QCoreApplication::translate("Engine", "out of memory"), true);
        }
    } else if (!m_animationFailed) {
        failAnimation(QCoreApplication::translate("ConversionRun", "not written, as a page of the document failed"), false);
    }
    const bool written = m_animation && !m_animationFailed;
    m_animation.reset();
    if (written) {
        m_host.inTurn([report = &m_report] { ++report->gifsWritten; });
        ++m_written;
        m_writtenNow << QDir::cleanPath(m_animationPath);
        if (m_variant != 0)
            m_renamed << FileNameOf(m_animationPath);
    }
    // Each page is told now, in order, as written into the file or not.
    for (PageOutcome outcome : std::as_const(m_frameOutcomes)) {
        if (outcome.gif == m_animationPath) {
            outcome.written = written;
            outcome.reason = written ? QString() : m_animationError;
        }
        m_host.pageEnded(outcome);
    }
    m_frameOutcomes.clear();
}
