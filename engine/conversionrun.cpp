#include "engine/conversionrun.h"

#include "engine/conversionhost.h"
#include "engine/methods.h"
#include "engine/pageencoding.h"
#include "engine/pagestream.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QDir>
#include <QImageReader>
#include <QScopeGuard>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <exception>
#include <functional>
#include <utility>

namespace {
constexpr int MaxListedFailures = 20;
}

QString DistinctGifName(const QString &pageStem, const QString &baseName, int variant)
{
    if (variant == 0)
        return pageStem;
    const QString mark = QStringLiteral(" (%1)").arg(variant);
    if (pageStem.startsWith(baseName))
        return baseName + mark + pageStem.mid(baseName.size());
    return pageStem + mark;
}

int FreeVariant(const QStringList &pageStems, const QString &baseName, const QString &outputFolder,
                const QSet<QString> &taken, int from)
{
    for (int variant = from;; variant = variant == 0 ? 2 : variant + 1) {
        const bool free = std::none_of(pageStems.begin(), pageStems.end(), [&](const QString &stem) {
            return taken.contains(QDir::cleanPath(outputFolder + QLatin1Char('/')
                                                  + DistinctGifName(stem, baseName, variant) + QStringLiteral(".gif")));
        });
        if (free)
            return variant;
    }
}

QString RenamedFilesText(const QList<RenamedFile> &files)
{
    QStringList lines;
    for (const RenamedFile &file : files.mid(0, MaxListedFailures)) {
        lines << file.pdf + QStringLiteral(": ")
                     + (file.gifs.size() == 1 ? file.gifs.first()
                                              : QStringLiteral("%1 to %2 (%3 GIF files)")
                                                    .arg(file.gifs.first(), file.gifs.last())
                                                    .arg(file.gifs.size()));
    }
    if (files.size() > MaxListedFailures)
        lines << QStringLiteral("... and %1 more.").arg(files.size() - MaxListedFailures);
    return QStringLiteral("%1 file(s) had the name of a file converted before them in this run. So that no "
                          "GIF file of this run was replaced, their GIF files have other names:\n")
               .arg(files.size())
           + lines.join(QLatin1Char('\n'));
}

QStringList RunReport::failedFiles() const
{
    QStringList files;
    for (const FileFailure &f : failures)
        files << f.file;
    return files;
}

bool RunReport::succeeded() const
{
    return started && failures.isEmpty() && failedGifs.isEmpty() && errorBoxes == 0;
}

namespace {

// The host's boxes, with the ErrorBoxes counted for the run's report.
class CountingDialogs : public Dialogs {
public:
    CountingDialogs(Dialogs &inner, int &errorBoxes) : m_inner(inner), m_errorBoxes(errorBoxes) {}
    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons = Buttons::Ok) override
    {
        return m_inner.message(text, title, icon, buttons);
    }
    void errorBox(const QString &text) override
    {
        ++m_errorBoxes;
        // The failure's description is the box's first line.
        descriptions << text.section(QStringLiteral("\r\n"), 0, 0);
        m_inner.errorBox(text);
    }
    bool inputBox(const QString &prompt, const QString &title, QString &text) override
    {
        return m_inner.inputBox(prompt, title, text);
    }
    QString pickFolder(const QString &prompt) override { return m_inner.pickFolder(prompt); }
    QStringList openFiles(const QString &title, const QString &filter) override
    {
        return m_inner.openFiles(title, filter);
    }

    QStringList descriptions; // of the ErrorBoxes shown, in order

private:
    Dialogs &m_inner;
    int &m_errorBoxes;
};

// The run's boxes about one file's pages, held while its method still runs and shown once it
// has returned: pages encoded while the method draws must not put their boxes before the
// method's own.
class HeldBoxes : public Dialogs {
public:
    explicit HeldBoxes(Dialogs &inner) : m_inner(inner) {}
    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons = Buttons::Ok) override
    {
        if (!m_holding || buttons != Buttons::Ok)
            return m_inner.message(text, title, icon, buttons);
        m_held.append([=, this] { m_inner.message(text, title, icon, buttons); });
        return Answer::Ok;
    }
    void errorBox(const QString &text) override
    {
        if (!m_holding)
            return m_inner.errorBox(text);
        m_held.append([=, this] { m_inner.errorBox(text); });
    }
    bool inputBox(const QString &prompt, const QString &title, QString &text) override
    {
        return m_inner.inputBox(prompt, title, text);
    }
    QString pickFolder(const QString &prompt) override { return m_inner.pickFolder(prompt); }
    QStringList openFiles(const QString &title, const QString &filter) override
    {
        return m_inner.openFiles(title, filter);
    }

    void hold() { m_holding = true; }
    void release()
    {
        m_holding = false;
        const auto held = std::exchange(m_held, {});
        for (const auto &show : held)
            show();
    }

private:
    Dialogs &m_inner;
    bool m_holding = false;
    QList<std::function<void()>> m_held;
};

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

// One file's page images on their way to GIF files: each is named, encoded, reported and
// deleted, in page order. Pages a method hands over while it renders (see PageSink) are
// encoded on the stream's worker meanwhile; the page images it leaves are converted after it
// returns, on a worker per core, and accounted for in their order.
class FileConversion final : public PageSink {
public:
    FileConversion(Dialogs &dialogs, ConversionHost &host, RunReport &report, const QString &workFolder,
                   const QString &pdf, QSet<QString> &writtenEarlier, bool workers)
        : m_boxes(dialogs), m_trap(m_boxes, ConversionRun::ErrorLocation), m_host(host), m_report(report), m_workFolder(workFolder), m_pdf(pdf),
          m_baseName(BaseNameOf(pdf)), m_writtenEarlier(writtenEarlier), m_leftoverWorkers(workers ? LeftoverWorkers() : 0),
          m_stream(workers ? 1 : 0), m_settle([this] {
              m_stream.abandon();
              if (m_leftovers)
                  m_leftovers->abandon();
          })
    {
    }

    // Names beginning with "~" are scratch files, except this file's own pages: a PDF named
    // "~draft.pdf" gives "~draft-001.jpg".
    bool ownPage(const QString &name) const
    {
        return !name.startsWith(QLatin1Char('~')) || (!m_baseName.isEmpty() && name.startsWith(m_baseName));
    }

    // Pages whose names are all known in advance (handed over later, or left in the
    // WorkFolder) share one variant for the whole file.
    void expect(const QStringList &names) override
    {
        m_trap.step(150, [&] {
            QStringList stems;
            for (const QString &name : names)
                if (ownPage(name))
                    stems << NameWithoutExtension(name);
            m_variant = FreeVariant(stems, m_baseName, m_host.outputFolderText(), m_writtenEarlier, m_variant);
        });
    }

    void take(const QString &name, int expected) override
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

    int backlog() const override { return m_stream.backlog(); }

    int poll() override
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

    // The page images the method left in the WorkFolder, in the order given: page `j` of them
    // shows as m_handed + j of m_handed + their count.
    void convertLeftovers(const QStringList &pages)
    {
        const int count = int(pages.size());
        PageStream pool(m_leftoverWorkers);
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

    // Waits for the pages still being encoded and accounts for them.
    void drain()
    {
        m_stream.finish();
        poll();
    }

    // Records what the file's GIFs were named. Called once, whatever the method did.
    void end()
    {
        drain();
        // The renderer announced more pages than it gave: the count shown ends where it stopped.
        if (m_handed > 0 && m_accounted < m_expected)
            m_host.pageProgress(m_accounted, m_accounted);
        m_writtenEarlier.unite(m_writtenNow);
        if (!m_renamed.isEmpty())
            m_report.renamedFiles.append({m_pdf, m_renamed});
    }

    int handedOver() const { return m_handed; }

    // While the method runs, the boxes about pages it handed over wait for its own.
    void methodStarts() { m_boxes.hold(); }
    void methodReturned()
    {
        drain();
        m_boxes.release();
    }

    int written = 0;
    QString lastError;

private:
    QString gifPathFor(const QString &name)
    {
        QString gifPath;
        m_trap.step(156, [&] {
            // The output folder may have been changed since the file's names were chosen, and
            // pages handed over while rendering are named one at a time.
            const QString stem = NameWithoutExtension(name);
            m_variant = FreeVariant({stem}, m_baseName, m_host.outputFolderText(), m_writtenEarlier, m_variant);
            gifPath = m_host.outputFolderText() + QLatin1Char('/') + DistinctGifName(stem, m_baseName, m_variant)
                      + QStringLiteral(".gif");
        });
        return gifPath;
    }

    // Reports how the page came out; its page image is deleted either way.
    void account(const QString &name, const QString &gifPath, const std::function<PageEncoding()> &encode, int j,
                 int total)
    {
        // The page is decoded and written in one plain call; only one page is held at a time.
        PageEncoding encoded;
        m_trap.step(158, [&] { encoded = encode(); });
        if (encoded.outcome == PageEncoding::Outcome::Undecodable) {
            lastError = encoded.error;
            m_trap.step(154, [&] {
                throw Failure(QStringLiteral("Invalid picture: %1 (%2)").arg(name, encoded.error), ErrorCode::InvalidPicture);
            });
            // Its GIF is missing too, and is listed with the others at the end.
            m_report.failedGifs << gifPath + QStringLiteral(" (no picture)");
        } else if (encoded.written()) {
            ++m_report.gifsWritten;
            ++written;
            m_writtenNow << QDir::cleanPath(gifPath);
            if (m_variant != 0)
                m_renamed << FileNameOf(gifPath);
        } else {
            lastError = encoded.error;
            m_report.failedGifs << (encoded.error.isEmpty() ? gifPath
                                                            : gifPath + QStringLiteral(" (") + encoded.error + QLatin1Char(')'));
        }
        m_trap.step(160, [&] { DeleteFilesQuietly(m_workFolder + QLatin1Char('/') + name); });
        ++m_accounted;
        m_host.pageProgress(j, total);
    }

    HeldBoxes m_boxes;
    ErrorTrap m_trap;
    ConversionHost &m_host;
    RunReport &m_report;
    const QString m_workFolder, m_pdf, m_baseName;
    QSet<QString> &m_writtenEarlier; // GIF files the earlier files of this run wrote
    QSet<QString> m_writtenNow;
    QStringList m_renamed;
    int m_variant = 0;
    int m_handed = 0;   // pages taken while the method rendered
    int m_done = 0;     // of those, accounted for
    int m_expected = 0; // pages the renderer announced
    int m_accounted = 0; // pages accounted for, handed over or left
    QStringList m_inFlight; // taken, not yet accounted, in order
    const int m_leftoverWorkers;
    PageStream m_stream;
    PageStream *m_leftovers = nullptr; // while the pages left in the WorkFolder are converted
    // A program ended by a signal or by closing the window lets the page being written finish.
    Interruption::SettleGuard m_settle;
};

} // namespace

ConversionRun::ConversionRun(ConversionHost &host) : m_host(host) {}

void ConversionRun::start()
{
    if (m_active)
        return;
    m_active = true;
    const auto inactive = qScopeGuard([this] { m_active = false; });
    m_report = RunReport();

    CountingDialogs dialogs(m_host.dialogs(), m_report.errorBoxes);
    const QString title = m_host.applicationTitle();
    ErrorTrap trap(dialogs, ErrorLocation);

    if (trap.test(100, [&] { return m_host.entryCount() == 0; })) {
        trap.step(100, [&] {
            dialogs.message(QStringLiteral("No files added."), title, Dialogs::Icon::None);
        });
        return;
    }
    if (trap.test(102, [&] { return !IsExistingFolder(m_host.outputFolderText()); })) {
        trap.step(102, [&] {
            dialogs.message(QStringLiteral("Folder does not exist. Please select another folder."),
                            title, Dialogs::Icon::None);
        });
        return;
    }
    if (trap.test(104, [&] { return m_host.gdiplusUnavailable(); })) {
        trap.step(176, [&] {
            dialogs.message(QStringLiteral("GDI+ Initialization Failed."), title,
                            Dialogs::Icon::Exclamation);
        });
        return;
    }
    m_report.started = true;
    // A page rendered at the highest offered resolution (1152 dpi, about 500 MB decoded) is
    // past Qt's default decoding limit; one page at a time is held, so allow it.
    if (QImageReader::allocationLimit() < 2048)
        QImageReader::setAllocationLimit(2048);

    trap.step(106, [&] { m_host.setWaitPointer(true); });
    // Each run works in a new folder of its own that only this user can enter: nothing another
    // user plants in TEMP, and no other run (window or console), can reach into it.
    m_workFolder.clear();
    QString temp;
    trap.step(108, [&] { temp = TempFolder(); });
    // Runs that were killed could not remove their folders; this user's are removed now.
    Interruption::RemoveAbandonedScratchFolders(temp, QStringLiteral("Lumenpage-"));
    trap.step(112, [&] { m_workFolder = CreatePrivateFolder(temp, QStringLiteral("Lumenpage-")); });
    const bool haveWorkFolder = !m_workFolder.isEmpty();
    if (haveWorkFolder)
        Interruption::addScratchFolder(m_workFolder);
    const auto forget = qScopeGuard([this, haveWorkFolder] {
        if (haveWorkFolder)
            Interruption::removeScratchFolder(m_workFolder);
    });

    int count = 0;
    trap.step(118, [&] { count = m_host.entryCount(); });
    QSet<QString> writtenEarlier; // GIF files the earlier files of this run wrote
    for (int i = 1; i <= count; ++i) {
        // "Clear List" while the run yielded took the positions from here on: the loop ends
        // there rather than reporting each vanished position.
        bool vanished = false;
        trap.step(124, [&] { vanished = i > m_host.entryCount(); });
        if (vanished)
            break;
        const qsizetype boxesBefore = dialogs.descriptions.size();
        QString pdf;
        trap.step(124, [&] { pdf = m_host.entryAt(i); });
        trap.step(120, [&] {
            m_host.setProgress(static_cast<double>(i) / m_host.entryCount() * 100.0);
            m_host.setProgressText(QStringLiteral("Processing: ") + FileNameOf(pdf));
            m_host.yield();
        });
        trap.step(122, [&] { m_host.setWaitPointer(true); });

        MethodContext ctx{m_host, m_workFolder, m_pagesProduced, scriptTimeoutMs, fileWaitTimeoutMs, limits};
        ctx.dialogs = &dialogs;
        ctx.choice = pageChoice;
        FileConversion file(dialogs, m_host, m_report, m_workFolder, pdf, writtenEarlier, encodeWhileRendering);
        if (encodeWhileRendering) {
            ctx.pageSink = &file;
            file.methodStarts();
        }
        // Without its folder no method can work; each file then fails on its own.
        if (!haveWorkFolder) {
            m_pagesProduced = false;
            ctx.failureCause = QStringLiteral("no scratch folder could be made in ") + temp;
        } else {
            // The first selected method in the table's order, each test and call with its own
            // StepNumber; a failing test counts as passed, so that method is called.
            for (const MethodInfo &method : MethodTable()) {
                if (trap.test(method.testStep, [&] { return m_host.isSelected(method.method); })) {
                    trap.step(method.callStep, [&] { method.convert(ctx, pdf); });
                    break;
                }
            }
        }

        // The pages handed over while the method rendered are all converted before the ones
        // it left are looked at, and their boxes follow the method's.
        file.methodReturned();

        // A file that gave no GIF failed, whatever the method said and however it came about.
        // Its cause: the method's own reason, else what went wrong while it was converted.
        const auto failed = [&](const QString &fallback) {
            QString cause = ctx.failureCause;
            if (cause.isEmpty())
                cause = dialogs.descriptions.mid(boxesBefore).join(QStringLiteral("; "));
            m_report.failures.append({pdf, cause.isEmpty() ? fallback : cause});
            trap.step(144, [&] {
                dialogs.message(QStringLiteral("Could not create GIF on ") + pdf,
                                QStringLiteral("Could not create GIF"), Dialogs::Icon::Exclamation);
            });
        };
        if (!m_pagesProduced) {
            file.end();
            failed(QStringLiteral("no page image was produced"));
            continue;
        }

        // The page images the method left in the WorkFolder (all of them, when it handed none
        // over while rendering).
        QStringList pages;
        trap.step(146, [&] { pages = ListFiles(m_workFolder, QStringLiteral("*.jpg")); });
        const int pageCount = int(pages.size());
        file.expect(pages);
        file.convertLeftovers(pages);
        file.end();
        if (file.written == 0) {
            failed(pageCount == 0 && file.handedOver() == 0
                       ? QStringLiteral("no page image was found")
                       : QStringLiteral("no GIF could be written")
                             + (file.lastError.isEmpty() ? QString() : QStringLiteral(": ") + file.lastError));
        } else if (!ctx.failureCause.isEmpty()) {
            // Some pages could not be rendered: the file failed too, though its other pages
            // were converted, and the renderer's reason travels in the report.
            m_report.failures.append({pdf, ctx.failureCause});
        }
    }

    if (haveWorkFolder && trap.test(166, [&] { return IsExistingFolder(m_workFolder); }))
        trap.step(166, [&] { KillFolder(dialogs, m_workFolder); });
    // Whatever a method left, the pointer is the default again when the run ends.
    trap.step(170, [&] {
        m_host.setAppWaitPointer(false);
        m_host.setWaitPointer(false);
    });
    trap.step(172, [&] { m_host.setProgress(0); });
    trap.step(174, [&] { m_host.setProgressText(QStringLiteral("Progress Bar")); });
    if (!m_report.failedGifs.isEmpty()) {
        trap.step(174, [&] {
            QStringList shown = m_report.failedGifs.mid(0, MaxListedFailures);
            if (m_report.failedGifs.size() > MaxListedFailures)
                shown << QStringLiteral("... and %1 more.").arg(m_report.failedGifs.size() - MaxListedFailures);
            dialogs.message(QStringLiteral("%1 GIF file(s) could not be written:\n").arg(m_report.failedGifs.size())
                                + shown.join(QLatin1Char('\n')),
                            title, Dialogs::Icon::Exclamation);
        });
    }
    if (!m_report.renamedFiles.isEmpty())
        trap.step(174, [&] { dialogs.message(RenamedFilesText(m_report.renamedFiles), title, Dialogs::Icon::Information); });
    trap.step(174, [&] { dialogs.message(QStringLiteral("Done."), title, Dialogs::Icon::None); });
}
