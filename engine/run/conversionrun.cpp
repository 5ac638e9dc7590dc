#include "engine/run/conversionrun.h"

#include "engine/run/conversionhost.h"
#include "engine/run/deferredhost.h"
#include "engine/run/fileconversion.h"
#include "engine/pages/methods.h"
#include "engine/run/runsteps.h"
#include "engine/pages/scriptmethod.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <memory>

namespace {
constexpr int MaxListedFailures = 20;
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
    Answer detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail) override
    {
        return m_inner.detailedMessage(text, title, icon, detail);
    }
    void errorBox(const QString &text) override
    {
        ++m_errorBoxes;
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

private:
    Dialogs &m_inner;
    int &m_errorBoxes;
};

} // namespace

// One file of the list on its way through the run. What it shows goes through a host of its
// own, which holds it while the file before is still being finished.
struct ConversionRun::FileJob {
    FileJob(ConversionHost &runHost, Dialogs &dialogs, int position)
        : host(runHost, dialogs), trap(host.dialogs(), ErrorLocation), position(position)
    {
    }
    DeferredHost host;
    ErrorTrap trap;
    const int position;
    QString pdf;
    MethodResult result;
    std::unique_ptr<FileConversion> file;
    bool produced = false; // PagesProduced after its method
    bool finished = false; // its outcome is told (it may still be held)
};

void ConversionRun::finish(FileJob &f)
{
    f.finished = true;
    f.file->end();
    // What failed unexpectedly meanwhile, in the order it was reported.
    const auto unexpected = [&] { return f.trap.reported() + f.result.unexpected + f.file->unexpected(); };
    const auto ended = [&](const QList<FileFailure> &failures) {
        m_report.failures.append(failures);
        f.host.fileEnded({f.position, f.pdf, failures, unexpected(), f.result.failedPages});
    };
    // A file that gave no GIF failed, whatever the method said and however it came about.
    // Its cause: the method's own reason, else what went wrong while it was converted.
    const auto failed = [&](const QString &fallback) {
        QString cause = f.result.cause;
        if (cause.isEmpty())
            cause = unexpected().join(QStringLiteral("; "));
        if (cause.isEmpty())
            cause = fallback;
        f.trap.step(RunStep::ReportNoGif, [&] {
            f.host.dialogs().detailedMessage(QCoreApplication::translate("ConversionRun", "Could not create GIF on ") + f.pdf,
                                             QCoreApplication::translate("ConversionRun", "Could not create GIF"),
                                             Dialogs::Icon::Exclamation, cause);
        });
        ended({{f.pdf, cause}});
    };
    if (!f.produced)
        failed(QCoreApplication::translate("ConversionRun", "no page image was produced"));
    else if (f.file->written() == 0)
        failed(f.file->taken() == 0 ? QCoreApplication::translate("ConversionRun", "no page image was found")
                                    : QCoreApplication::translate("ConversionRun", "no GIF could be written")
                                          + (f.file->lastError().isEmpty() ? QString() : QStringLiteral(": ") + f.file->lastError()));
    else if (!f.result.cause.isEmpty())
        // Some pages could not be rendered: the file failed too, though its other pages
        // were converted, and the renderer's reason travels in the report.
        ended({{f.pdf, f.result.cause}});
    else
        ended({});
}

QString ConversionRun::doneText()
{
    return QCoreApplication::translate("ConversionRun", "Done.");
}

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

    if (trap.test(RunStep::CheckListEmpty, [&] { return m_host.entryCount() == 0; })) {
        trap.step(RunStep::ReportNoFiles, [&] {
            dialogs.message(QCoreApplication::translate("ConversionRun", "No files added."), title, Dialogs::Icon::None);
        });
        return;
    }
    if (trap.test(RunStep::CheckOutputFolder, [&] { return !IsExistingFolder(m_host.options().outputFolder); })) {
        trap.step(RunStep::ReportNoOutputFolder, [&] {
            dialogs.message(QCoreApplication::translate("ConversionRun", "Folder does not exist. Please select another folder."),
                            title, Dialogs::Icon::None);
        });
        return;
    }
    if (trap.test(RunStep::CheckImagingUnavailable, [&] { return m_host.options().imagingUnavailable; })) {
        trap.step(RunStep::ReportImagingFailed, [&] {
            dialogs.message(QCoreApplication::translate("ConversionRun", "GDI+ Initialization Failed."), title,
                            Dialogs::Icon::Exclamation);
        });
        return;
    }
    m_report.started = true;
    // A page rendered at the highest offered resolution (1152 dpi, about 500 MB decoded) is
    // past Qt's default decoding limit; one page at a time is held, so allow it.
    if (QImageReader::allocationLimit() < 2048)
        QImageReader::setAllocationLimit(2048);

    trap.step(RunStep::ShowWaitPointer, [&] { m_host.setWaitPointer(true); });
    // Each run works in a new folder of its own that only this user can enter: nothing another
    // user plants in TEMP, and no other run (window or console), can reach into it.
    m_workFolder.clear();
    QString temp;
    trap.step(RunStep::FindTempFolder, [&] { temp = TempFolder(); });
    // Runs that were killed could not remove their folders; this user's are removed now.
    Interruption::RemoveAbandonedScratchFolders(temp, QStringLiteral("Lumenpage-"));
    trap.step(RunStep::CreateWorkFolder, [&] { m_workFolder = CreatePrivateFolder(temp, QStringLiteral("Lumenpage-")); });
    const bool haveWorkFolder = !m_workFolder.isEmpty();
    if (haveWorkFolder)
        Interruption::addScratchFolder(m_workFolder);
    const auto forget = qScopeGuard([this, haveWorkFolder] {
        EndScriptsAhead();
        if (haveWorkFolder)
            Interruption::removeScratchFolder(m_workFolder);
    });

    int count = 0;
    trap.step(RunStep::CountEntries, [&] { count = m_host.entryCount(); });
    QSet<QString> writtenEarlier; // GIF files the earlier files of this run wrote
    // The file before, while its last pages are still encoded: the next file renders meanwhile.
    std::unique_ptr<FileJob> earlier;
    // Finishes the file before once its pages are all encoded (at once with `wait`). Within a
    // file's rendering, what it shows then waits with what `current` held, and is shown there
    // only when none of it is a box. True when nothing of it is left to account for.
    const auto settleEarlier = [&](FileJob *current, bool wait) {
        if (!earlier)
            return true;
        if (!earlier->finished) {
            if (!wait && earlier->file->backlog() > 0)
                return false;
            if (!wait)
                earlier->host.hold();
            finish(*earlier);
        }
        if (wait || (!earlier->host.holdsBox() && !(current && current->host.holdsBox()))) {
            earlier->host.release();
            earlier.reset();
            if (current)
                current->host.release();
        }
        return true;
    };
    for (int i = 1; i <= count; ++i) {
        auto job = std::make_unique<FileJob>(m_host, dialogs, i);
        FileJob &f = *job;
        if (earlier)
            f.host.hold();
        // "Clear List" while the run yielded took the positions from here on: the loop ends
        // there rather than reporting each vanished position.
        bool vanished = false;
        f.trap.step(RunStep::CheckEntryVanished, [&] { vanished = i > m_host.entryCount(); });
        if (vanished) {
            settleEarlier(&f, true);
            break;
        }
        f.host.afterYield = [&] { settleEarlier(&f, false); };
        f.trap.step(RunStep::ReadEntry, [&] { f.pdf = m_host.entryAt(i); });
        // Its page images must not meet the last ones of the file before in the WorkFolder:
        // when its names could begin like theirs, those are done with first.
        if (earlier && earlier->file->encodingPageStartingWith(BaseNameOf(f.pdf)))
            settleEarlier(&f, true);
        f.trap.step(RunStep::ShowFileProgress, [&] {
            f.host.setProgress(static_cast<double>(i) / m_host.entryCount() * 100.0);
            f.host.setProgressText(QCoreApplication::translate("ConversionRun", "Processing: ") + FileNameOf(f.pdf));
            f.host.yield();
        });
        f.host.fileStarted(i, f.pdf);
        f.trap.step(RunStep::ShowWaitPointerForFile, [&] { f.host.setWaitPointer(true); });

        const RunOptions chosen = m_host.options();
        MethodContext ctx{f.host, m_workFolder, scriptTimeoutMs, fileWaitTimeoutMs, chosen.limits, chosen.choice};
        ctx.dialogs = &f.host.dialogs();
        f.file = std::make_unique<FileConversion>(f.host.dialogs(), f.host, m_report, m_workFolder, f.pdf, writtenEarlier,
                                                  encodeWhileRendering);
        // Its pages are accounted for after those of the file before.
        f.file->accountAfter = [&] { return settleEarlier(&f, false); };
        if (encodeWhileRendering) {
            ctx.pageSink = f.file.get();
            f.file->methodStarts();
            // Only a plain file is opened before its turn: anything else is met in its turn,
            // with its own checks and messages.
            if (i < count) {
                try {
                    if (const QString next = m_host.entryAt(i + 1); QFileInfo(next).isFile())
                        ctx.nextPdf = next;
                } catch (const Failure &) {
                    // The list changed meanwhile: nothing is drawn ahead.
                }
            }
        }
        // Without its folder no method can work; each file then fails on its own.
        if (!haveWorkFolder) {
            m_pagesProduced = false;
            f.result.cause = QCoreApplication::translate("ConversionRun", "no scratch folder could be made in ") + temp;
        } else {
            // The first selected method in the table's order, each test and call with its own
            // StepNumber; a failing test counts as passed, so that method is called. A method
            // that did not return leaves PagesProduced as it was.
            for (const MethodInfo &method : MethodTable()) {
                if (f.trap.test(method.testStep, [&] { return m_host.options().method == method.method; })) {
                    f.trap.step(method.callStep, [&] {
                        f.result = method.convert(ctx, f.pdf);
                        m_pagesProduced = f.result.pagesProduced;
                    });
                    break;
                }
            }
        }
        // All of the file before is shown, then what this one held meanwhile.
        settleEarlier(&f, true);
        f.host.afterYield = nullptr;
        f.file->accountAfter = nullptr;

        // The boxes of the pages handed over while the method rendered follow the method's.
        f.file->methodReturned();
        f.produced = m_pagesProduced;
        if (f.produced) {
            // The last of the route: the page images still in the WorkFolder (all of them, when
            // the method handed none over while rendering).
            QStringList pages;
            f.trap.step(RunStep::ListPages, [&] { pages = ListFiles(m_workFolder, QStringLiteral("*.jpg")); });
            f.file->takeLeftovers(pages);
            // Its last pages are encoded while the next file renders, unless a page is so large
            // that two at once would hold too much memory.
            if (encodeWhileRendering && i < count && f.file->backlog() > 0 && !f.file->hasLargePage()) {
                writtenEarlier.unite(f.file->claimed());
                earlier = std::move(job);
                continue;
            }
        }
        finish(f);
    }
    settleEarlier(nullptr, true);
    // A script started for a file that was not converted by it after all.
    EndScriptsAhead();

    if (haveWorkFolder && trap.test(RunStep::CheckWorkFolderLeft, [&] { return IsExistingFolder(m_workFolder); }))
        trap.step(RunStep::RemoveWorkFolder, [&] { KillFolder(dialogs, m_workFolder); });
    // Whatever a method left, the pointer is the default again when the run ends.
    trap.step(RunStep::RestorePointers, [&] {
        m_host.setAppWaitPointer(false);
        m_host.setWaitPointer(false);
    });
    trap.step(RunStep::ResetProgress, [&] { m_host.setProgress(0); });
    trap.step(RunStep::ResetProgressText, [&] { m_host.setProgressText(QCoreApplication::translate("ConversionRun", "Progress Bar")); });
    if (!m_report.failedGifs.isEmpty()) {
        trap.step(RunStep::ReportFailedGifs, [&] {
            QStringList shown;
            for (const FailedGif &gif : m_report.failedGifs.mid(0, MaxListedFailures))
                shown << (gif.reason.isEmpty() ? gif.path : gif.path + QStringLiteral(" (") + gif.reason + QLatin1Char(')'));
            if (m_report.failedGifs.size() > MaxListedFailures)
                shown << QCoreApplication::translate("ConversionRun", "... and %1 more.").arg(m_report.failedGifs.size() - MaxListedFailures);
            dialogs.message(QCoreApplication::translate("ConversionRun", "%1 GIF file(s) could not be written:\n").arg(m_report.failedGifs.size())
                                + shown.join(QLatin1Char('\n')),
                            title, Dialogs::Icon::Exclamation);
        });
    }
    if (!m_report.renamedFiles.isEmpty())
        trap.step(RunStep::ReportRenamedFiles, [&] { dialogs.message(RenamedFilesText(m_report.renamedFiles), title, Dialogs::Icon::Information); });
    m_host.runEnded(m_report);
    trap.step(RunStep::ReportDone, [&] { dialogs.message(doneText(), title, Dialogs::Icon::None); });
}
