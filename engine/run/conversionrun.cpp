#include "engine/run/conversionrun.h"

#include "engine/base/conversionhost.h"
#include "engine/run/fileconversion.h"
#include "engine/run/journal.h"
#include "engine/methods/methods.h"
#include "engine/base/runsteps.h"
#include "engine/sources/nextdocument.h"

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

// One file of the list on its way through the run. What it shows goes into its chapter of the
// run's journal.
struct ConversionRun::FileJob {
    FileJob(RunJournal::Chapter &chapter, int position) : host(chapter), trap(chapter.dialogs(), ErrorLocation), position(position) {}
    RunJournal::Chapter &host;
    ErrorTrap trap;
    const int position;
    QString pdf;
    MethodResult result;
    const MethodInfo *method = nullptr; // the method called, if one was
    std::unique_ptr<FileConversion> file;
    bool produced = false; // PagesProduced after its method
};

// One press of "Start Converting", from the checks before the files to the last box.
struct ConversionRun::Pass {
    explicit Pass(ConversionRun &run)
        : run(run), host(run.m_host), journal(host, run.m_report.errorBoxes), trap(journal.dialogs(), ErrorLocation),
          title(host.applicationTitle())
    {
        // The run gets a turn whenever a file's method yields: the file before may be done.
        journal.whileWaiting = [this] { settleEarlier(false); };
        for (const QString &gif : host.keptGifs())
            writtenEarlier << QDir::cleanPath(gif);
    }

    bool preconditionsHold();
    void makeWorkFolder();
    // Converts the file at list position `i`; false when the list ends before it.
    bool convert(int i);
    void callMethod(FileJob &f, MethodContext &ctx);
    // The file after position `i`, when it is a plain file a renderer may open ahead.
    QString nextPlainFile(int i) const;
    // Finishes the file before once its pages are all encoded (at once with `wait`). True when
    // nothing of it is left to account for.
    bool settleEarlier(bool wait);
    void end();

    ConversionRun &run;
    ConversionHost &host;
    RunJournal journal;
    ErrorTrap trap;
    const QString title;
    QString temp;
    bool haveWorkFolder = false;
    int count = 0;
    QSet<QString> writtenEarlier; // GIF files the earlier files of this run wrote
    // The file before, while its last pages are still encoded: the next file renders meanwhile.
    std::unique_ptr<FileJob> earlier;
    bool settling = false;
    NextDocument next; // the next file, and what a renderer prepared of it
};

void ConversionRun::finish(FileJob &f)
{
    f.file->end(f.produced && f.result.cause.isEmpty());
    // What failed unexpectedly meanwhile, in the order it was reported.
    const auto unexpected = [&] { return f.trap.reported() + f.result.unexpected + f.file->unexpected(); };
    const auto ended = [&](const QList<FileFailure> &failures) {
        m_report.failures.append(failures);
        f.host.fileEnded({f.position, f.pdf, failures, unexpected(), f.result.failedPages});
        f.host.close();
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
        ended({{f.pdf, cause, f.result.detail}});
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
        ended({{f.pdf, f.result.cause, f.result.detail}});
    else
        ended({});
}

QString ConversionRun::doneText()
{
    return QCoreApplication::translate("ConversionRun", "Done.");
}

ConversionRun::ConversionRun(ConversionHost &host) : m_host(host) {}

bool ConversionRun::Pass::preconditionsHold()
{
    Dialogs &dialogs = journal.dialogs();
    if (trap.test(RunStep::CheckListEmpty, [&] { return host.entryCount() == 0; })) {
        trap.step(RunStep::ReportNoFiles, [&] {
            dialogs.message(QCoreApplication::translate("ConversionRun", "No files added."), title, Dialogs::Icon::None);
        });
        return false;
    }
    if (trap.test(RunStep::CheckOutputFolder, [&] { return !IsExistingFolder(host.options().outputFolder); })) {
        trap.step(RunStep::ReportNoOutputFolder, [&] {
            dialogs.message(QCoreApplication::translate("ConversionRun", "Folder does not exist. Please select another folder."),
                            title, Dialogs::Icon::None);
        });
        return false;
    }
    if (trap.test(RunStep::CheckImagingUnavailable, [&] { return host.options().imagingUnavailable; })) {
        trap.step(RunStep::ReportImagingFailed, [&] {
            dialogs.message(QCoreApplication::translate("ConversionRun", "GDI+ Initialization Failed."), title,
                            Dialogs::Icon::Exclamation);
        });
        return false;
    }
    return true;
}

void ConversionRun::Pass::makeWorkFolder()
{
    // Each run works in a new folder of its own that only this user can enter: nothing another
    // user plants in TEMP, and no other run (window or console), can reach into it.
    QString &workFolder = run.m_workFolder;
    workFolder.clear();
    trap.step(RunStep::FindTempFolder, [&] { temp = TempFolder(); });
    // Runs that were killed could not remove their folders; this user's are removed now.
    Interruption::RemoveAbandonedScratchFolders(temp, QStringLiteral("Lumenpage-"));
    trap.step(RunStep::CreateWorkFolder, [&] { workFolder = CreatePrivateFolder(temp, QStringLiteral("Lumenpage-")); });
    haveWorkFolder = !workFolder.isEmpty();
    if (haveWorkFolder)
        Interruption::addScratchFolder(workFolder);
}

bool ConversionRun::Pass::settleEarlier(bool wait)
{
    // Finishing shows boxes, and a box may yield: the file is finished once.
    if (!earlier || settling)
        return !earlier;
    if (!wait && earlier->file->backlog() > 0)
        return false;
    settling = true;
    run.finish(*earlier);
    earlier.reset();
    settling = false;
    return true;
}

QString ConversionRun::Pass::nextPlainFile(int i) const
{
    // Only a plain file is opened before its turn: anything else is met in its turn, with its
    // own checks and messages.
    if (i >= count)
        return {};
    try {
        if (const QString next = host.entryAt(i + 1); QFileInfo(next).isFile())
            return next;
    } catch (const Failure &) {
        // The list changed meanwhile: nothing is drawn ahead.
    }
    return {};
}

void ConversionRun::Pass::callMethod(FileJob &f, MethodContext &ctx)
{
    // Without its folder no method can work; each file then fails on its own.
    if (!haveWorkFolder) {
        run.m_pagesProduced = false;
        f.result.cause = QCoreApplication::translate("ConversionRun", "no scratch folder could be made in ") + temp;
        return;
    }
    // The first selected method in the table's order, each test and call with its own
    // StepNumber; a failing test counts as passed, so that method is called. A method that did
    // not return leaves PagesProduced as it was.
    for (const MethodInfo &method : MethodTable()) {
        if (f.trap.test(method.testStep, [&] { return host.options().method == method.method; })) {
            f.method = &method;
            f.trap.step(method.callStep, [&] {
                f.result = method.convert(ctx, f.pdf);
                run.m_pagesProduced = f.result.pagesProduced;
            });
            return;
        }
    }
}

bool ConversionRun::Pass::convert(int i)
{
    auto job = std::make_unique<FileJob>(journal.open(), i);
    FileJob &f = *job;
    // "Clear List" while the run yielded took the positions from here on: the loop ends there
    // rather than reporting each vanished position.
    bool vanished = false;
    f.trap.step(RunStep::CheckEntryVanished, [&] { vanished = i > host.entryCount(); });
    if (vanished) {
        settleEarlier(true);
        f.host.close();
        return false;
    }
    f.trap.step(RunStep::ReadEntry, [&] { f.pdf = host.entryAt(i); });
    // Its page images must not meet the last ones of the file before in the WorkFolder: when
    // its names could begin like theirs, those are done with first.
    if (earlier && earlier->file->encodingPageStartingWith(BaseNameOf(f.pdf)))
        settleEarlier(true);
    f.trap.step(RunStep::ShowFileProgress, [&] {
        f.host.setProgress(static_cast<double>(i) / host.entryCount() * 100.0);
        f.host.setProgressText(QCoreApplication::translate("ConversionRun", "Processing: ") + FileNameOf(f.pdf));
        f.host.yield();
    });
    f.host.fileStarted(i, f.pdf);
    f.trap.step(RunStep::ShowWaitPointerForFile, [&] { f.host.setWaitPointer(true); });

    const RunOptions chosen = host.options();
    const QString &workFolder = run.m_workFolder;
    MethodContext ctx{f.host, workFolder, run.scriptTimeoutMs, run.fileWaitTimeoutMs, chosen.limits, chosen.choice};
    ctx.dialogs = &f.host.dialogs();
    f.file = std::make_unique<FileConversion>(f.host.pageDialogs(), f.host, run.m_report, workFolder, f.pdf,
                                              host.listNumberOf(i),                                              writtenEarlier, run.encodeWhileRendering);
    if (run.encodeWhileRendering) {
        ctx.pageSink = f.file.get();
        f.host.methodStarts();
        next.setPdf(nextPlainFile(i));
        ctx.next = &next;
    }
    callMethod(f, ctx);
    settleEarlier(true);

    // The boxes of the pages handed over while the method rendered follow the method's.
    f.file->poll();
    f.host.methodReturned();
    f.produced = run.m_pagesProduced;
    if (f.produced) {
        // The last of the route: the page images still in the WorkFolder (all of them, when the
        // method handed none over while rendering).
        QStringList pages;
        f.trap.step(RunStep::ListPages, [&] { pages = ListFiles(workFolder, QStringLiteral("*.jpg")); });
        f.file->takeLeftovers(pages, f.method);
        // Its last pages are encoded while the next file renders, unless a page is so large that
        // two at once would hold too much memory.
        if (run.encodeWhileRendering && i < count && f.file->backlog() > 0 && !f.file->hasLargePage()) {
            writtenEarlier.unite(f.file->claimed());
            earlier = std::move(job);
            return true;
        }
    }
    run.finish(f);
    return true;
}

void ConversionRun::Pass::end()
{
    settleEarlier(true);
    // A script or renderer started for a file that was not converted by it after all: neither
    // writes into the WorkFolder once it goes.
    next.dropAll();
    journal.release();

    Dialogs &dialogs = journal.dialogs();
    const QString &workFolder = run.m_workFolder;
    RunReport &report = run.m_report;
    if (haveWorkFolder && trap.test(RunStep::CheckWorkFolderLeft, [&] { return IsExistingFolder(workFolder); }))
        trap.step(RunStep::RemoveWorkFolder, [&] { KillFolder(dialogs, workFolder, Interruption::ScratchLockName); });
    // Whatever a method left, the pointer is the default again when the run ends.
    trap.step(RunStep::RestorePointers, [&] {
        host.setAppWaitPointer(false);
        host.setWaitPointer(false);
    });
    trap.step(RunStep::ResetProgress, [&] { host.setProgress(0); });
    trap.step(RunStep::ResetProgressText, [&] { host.setProgressText(QCoreApplication::translate("ConversionRun", "Progress Bar")); });
    if (!report.failedGifs.isEmpty())
        trap.step(RunStep::ReportFailedGifs, [&] { dialogs.message(FailedGifsText(report.failedGifs), title, Dialogs::Icon::Exclamation); });
    if (!report.renamedFiles.isEmpty())
        trap.step(RunStep::ReportRenamedFiles, [&] { dialogs.message(RenamedFilesText(report.renamedFiles), title, Dialogs::Icon::Information); });
    host.runEnded(report);
    trap.step(RunStep::ReportDone, [&] { dialogs.message(doneText(), title, Dialogs::Icon::None); });
}

void ConversionRun::start()
{
    if (m_active)
        return;
    m_active = true;
    const auto inactive = qScopeGuard([this] { m_active = false; });
    m_report = RunReport();

    Pass pass(*this);
    if (!pass.preconditionsHold())
        return;
    m_report.started = true;
    // A page rendered at the highest offered resolution (1152 dpi, about 500 MB decoded) is
    // past Qt's default decoding limit; one page at a time is held, so allow it.
    if (QImageReader::allocationLimit() < 2048)
        QImageReader::setAllocationLimit(2048);

    pass.trap.step(RunStep::ShowWaitPointer, [&] { m_host.setWaitPointer(true); });
    pass.makeWorkFolder();
    const auto forget = qScopeGuard([this, &pass] {
        pass.next.dropAll();
        if (pass.haveWorkFolder)
            Interruption::removeScratchFolder(m_workFolder);
    });
    pass.trap.step(RunStep::CountEntries, [&] { pass.count = m_host.entryCount(); });
    for (int i = 1; i <= pass.count; ++i)
        if (!pass.convert(i))
            break;
    pass.end();
}
