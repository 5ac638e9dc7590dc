#include "engine/methods/scriptrun.h"

#include "engine/base/conversionhost.h"
#include "engine/methods/methods.h"
#include "engine/methods/scriptahead.h"
#include "engine/sources/script/scriptcauses.h"
#include "engine/sources/script/scriptfiles.h"
#include "engine/sources/script/scriptprotocol.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/programrunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <optional>

// The scripts tell what happens line by line on their standard output (ScriptEvents, in
// scriptprotocol.h, lists the events): pages are handed over as they are said to be complete,
// and every failure arrives as a kind, put into words by ScriptFailureText alone.

namespace {

// The copy is made synchronously, so when it is not there after a moment it failed.
constexpr int CopyWaitMs = 3000;

// Polls every 100 ms, yielding in between, while `pending` holds; throws when the bound is reached.
template <typename Pred>
void waitWhile(ConversionHost &host, Pred pending, int boundMs, const QString &whatTimedOut)
{
    QElapsedTimer clock;
    clock.start();
    while (pending()) {
        if (clock.elapsed() >= boundMs)
            throw Failure(whatTimedOut);
        host.yield();
        QThread::msleep(100);
    }
}

// The steps of both script methods. The choice of the pages to hand over, and the end, are
// numbered one way for the colour scripts and another for the black-and-white one.
namespace ScriptStep {
constexpr int CopyScriptFolder = 102;
constexpr int ReadBaseName = 104;
constexpr int ShowWaitPointerOnStart = 106;
constexpr int RemoveOldInput = 110;
constexpr int ShowWaitPointerBeforeInput = 112;
constexpr int PlaceInput = 114;
constexpr int WaitForInput = 116;
constexpr int RunScript = 122;
constexpr int ShowWaitPointerAfterScript = 124;
constexpr int WaitForInputReleased = 126;
constexpr int ListPageImages = 132;
constexpr int ShowWaitPointerAfterListing = 134;
constexpr int MarkPagesProduced = 146;
constexpr int HandOverPage = 148;
constexpr int ShowWaitPointerBeforeCleanup = 152;
constexpr int ListLeftovers = 154;
constexpr int DeleteLeftover = 158;

namespace Colour {
constexpr int ClearPagesProduced = 136;
constexpr int CheckFirstPageOnly = 138;
constexpr int CheckAnyPage = 140;
constexpr int HandOverFirstPage = 142;
constexpr int RestorePointer = 162;
} // namespace Colour

namespace BlackWhite {
constexpr int CheckFirstPageOnly = 136;
constexpr int CheckAnyPage = 138;
constexpr int HandOverFirstPage = 140;
constexpr int ClearPagesProduced = 142;
constexpr int RemovePagesFolder = 162;
constexpr int RestorePointer = 164;
} // namespace BlackWhite
} // namespace ScriptStep

} // namespace

using namespace ScriptFiles;


// "Convert First Page Only" as it is now; a failed read draws every page (the read is made
// again, and trapped, where the pages are handed over).
bool ScriptRun::firstPageOnlyNow() const
{
    try {
        return m_host.options().firstPageOnly;
    } catch (...) {
        return false;
    }
}

ScriptEnvironment ScriptRun::environment(std::optional<bool> firstPageOnly) const
{
    if (!firstPageOnly)
        firstPageOnly = firstPageOnlyNow();
    return MakeScriptEnvironment(*firstPageOnly, m_ctx.choice, m_method.handsOverWhileRendering ? m_ctx.pageSink : nullptr,
                                 m_ctx.limits);
}

MethodResult ScriptRun::run()
{
    if (m_inputProblem.isEmpty())
        m_adopted = AdoptScriptAhead(m_ctx, m_pdf, m_method, environment());
    else if (m_ctx.next)
        m_ctx.next->drop();
    if (m_adopted)
        m_held = std::move(m_adopted->held);
    m_scriptFolder = m_adopted ? m_adopted->folder : m_ctx.workFolder + QLatin1Char('/') + m_method.folder;
    m_currentPdf = m_scriptFolder + QStringLiteral("/current.pdf");
    m_pagesFolder = m_method.pagesFolder.isEmpty() ? m_scriptFolder + QLatin1Char('/')
                                                   : m_scriptFolder + QLatin1Char('/') + m_method.pagesFolder + QLatin1Char('/');
    placeInput();
    m_trap.step(ScriptStep::RunScript, [&] {
        if (m_inputProblem.isEmpty())
            runScript();
    });
    // The pages the script said after the run last looked (its last one, often) are handed
    // over as every other was, with their drawn pixels: how they are encoded never depends on
    // when the script ended.
    if (m_feed)
        m_trap.step(ScriptStep::HandOverPage, [&] {
            m_source->scriptEnded();
            m_feed->drive(*m_source);
        });
    // A document that changed while it was drawn gives none of the pages left: they may be of
    // either version, or of both.
    if (m_started && !changed().isEmpty() && m_stopped.isEmpty())
        m_stopped = m_changed;
    if (m_stopped.isEmpty())
        m_stopped = breached();
    m_trap.step(ScriptStep::ShowWaitPointerAfterScript, [&] { m_host.setAppWaitPointer(true); });
    m_trap.step(ScriptStep::WaitForInputReleased, [&] {
        // Only a script that ran to its end may still let go of its input: one stopped with its
        // process group never will, and one never started never had it.
        waitWhile(m_host, [&] { return m_started && IsExistingFile(m_currentPdf); }, m_ranToEnd ? m_ctx.fileWaitTimeoutMs : 0,
                  QCoreApplication::translate("Engine", "%1 ended without removing current.pdf").arg(m_method.script));
    });
    // A script that never let go of its input must not leave it to the next file.
    if (IsExistingFile(m_currentPdf))
        QFile::remove(m_currentPdf);
    m_trap.step(ScriptStep::ListPageImages, [&] {
        m_pages = ListFiles(m_pagesFolder, m_method.pagePattern);
        if (!m_changed.isEmpty() || m_events.breach != Fault::None)
            m_pages.clear(); // removed with the leftovers
    });
    m_trap.step(ScriptStep::ShowWaitPointerAfterListing, [&] { m_host.setAppWaitPointer(true); });
    numberPages();
    judge();
    handOverLeft();
    cleanUp();
    m_result.unexpected = m_trap.reported();
    return m_result;
}

void ScriptRun::placeInput()
{
    if (!m_adopted)
        m_trap.step(ScriptStep::CopyScriptFolder, [&] { CopyScriptFolder(m_host.appFolder(), m_method, m_scriptFolder); });
    m_trap.step(ScriptStep::ReadBaseName, [&] { m_baseName = BaseNameOf(m_pdf); });
    m_trap.step(ScriptStep::ShowWaitPointerOnStart, [&] { m_host.setAppWaitPointer(true); });
    if (!m_adopted)
        m_trap.step(ScriptStep::RemoveOldInput, [&] { DeleteFilesQuietly(m_currentPdf); });
    m_trap.step(ScriptStep::ShowWaitPointerBeforeInput, [&] { m_host.setAppWaitPointer(true); });
    if (m_adopted)
        return;
    // The script only reads its input: a link, so that a large document is not copied into
    // scratch space (a tmpfs /tmp is memory).
    const bool placed = m_trap.step(ScriptStep::PlaceInput, [&] {
        m_held = HeldFile(m_pdf);
        LinkOrCopyFile(m_pdf, m_currentPdf);
    });
    // An input that could not be placed never appears: it is not waited for, and its failure
    // was told where it happened, naming the user's file; the scripts' name for it would only
    // be a second box about the same thing.
    if (!placed)
        return;
    m_trap.step(ScriptStep::WaitForInput, [&] {
        waitWhile(m_host, [&] { return !IsExistingFile(m_currentPdf); }, std::min(CopyWaitMs, m_ctx.fileWaitTimeoutMs),
                  QCoreApplication::translate("Engine", "%1 was not copied to %2").arg(m_pdf, m_currentPdf));
    });
}

void ScriptRun::runScript()
{
    // "Convert First Page Only" tells the script to draw page 1 alone; which pages are handed
    // over is still decided by the steps after it. A script taken over runs as it was told when
    // it started.
    const bool firstPageOnly = m_adopted ? m_adopted->environment == environment(true) : firstPageOnlyNow();
    // The password reaches Ghostscript in a file in the script's folder, inside the run's
    // private WorkFolder, readable by this user alone and removed as soon as the script ends:
    // never on a command line or in an environment, which other users can read.
    const QString passwordFile = m_scriptFolder + QStringLiteral("/password.ps");
    const auto removePassword = qScopeGuard([&] { QFile::remove(passwordFile); });
    if (m_ctx.choice.hasPassword)
        WritePasswordFile(passwordFile, m_ctx.choice.password);
    // Pages are handed over as the script finishes them, a few at a time: the run encodes each
    // on the other core while the next is drawn, and scratch space holds only the pages in
    // flight. The script waits while MaxPendingPages of its pages are not yet taken. Page 1
    // alone goes the same way, so that it too is encoded from the pixels Ghostscript drew.
    PageSink *const sink = m_method.handsOverWhileRendering ? m_ctx.pageSink : nullptr;
    const ScriptEnvironment told = MakeScriptEnvironment(firstPageOnly, m_ctx.choice, sink, m_ctx.limits);
    // What the script may say: pages of the run's choice among those it said it draws, named
    // in its pages folder.
    m_events.asked = [this](int page) { return m_ctx.choice.contains(page); };
    m_events.rangeAsked = !m_ctx.choice.ranges.isEmpty();
    m_events.folder = m_method.pagesFolder.toUtf8();
    const WaitOptions options = waitOptions(sink, firstPageOnly, told);
    const QString command = QLatin1Char('"') + m_scriptFolder + QLatin1Char('/') + m_method.script + QLatin1Char('"');
    try {
        if (m_adopted) {
            m_started = true;
            m_exitCode = WaitFor(m_adopted->program, options);
            m_ranToEnd = true;
            return;
        }
        StartedProgram program;
        m_exitCode = StartProgram(command, m_scriptFolder + QLatin1Char('/'), options.limits, program, told);
        if (m_exitCode == 0) {
            m_started = true;
            m_exitCode = WaitFor(program, options);
            m_ranToEnd = true;
        }
        // A script that is there but could not be started (an environment too large for the
        // system, no process left to fork) fails the file with the system's reason; a missing
        // one is named as missing.
        else if (IsExistingFile(m_scriptFolder + QLatin1Char('/') + m_method.script))
            m_stopped = QCoreApplication::translate("Engine", "%1 could not be started: %2").arg(m_method.script, program.refusal);
        // What the script finished after the last look stays for the hand-over after it.
    } catch (const Failure &f) {
        if (m_stopped.isEmpty())
            m_stopped = f.description();
        throw;
    }
}

void ScriptRun::moveToWorkFolder(const QString &file, int page) const
{
    MoveFile(file, m_ctx.workFolder + QLatin1Char('/') + ScriptPageImageName(m_baseName, page));
}

void ScriptRun::handOverLeft()
{
    const auto handOver = [&](int index) { moveToWorkFolder(m_pagesFolder + m_pages.value(index - 1), m_numbers.value(index - 1)); };
    const auto handOverEach = [&] {
        for (int n = 1; n <= int(m_pages.size()); ++n) {
            m_trap.step(ScriptStep::MarkPagesProduced, [&] { m_result.pagesProduced = true; });
            m_trap.step(ScriptStep::HandOverPage, [&] { handOver(n); });
        }
    };
    if (!m_method.blackAndWhite) {
        m_trap.step(ScriptStep::Colour::ClearPagesProduced, [&] { m_result.pagesProduced = false; });
        if (m_trap.test(ScriptStep::Colour::CheckFirstPageOnly, [&] { return m_host.options().firstPageOnly; })) {
            if (m_trap.test(ScriptStep::Colour::CheckAnyPage, [&] { return !m_pages.isEmpty(); })) {
                m_result.pagesProduced = true;
                m_trap.step(ScriptStep::Colour::HandOverFirstPage, [&] { handOver(1); });
            }
        } else {
            handOverEach();
        }
    } else if (m_trap.test(ScriptStep::BlackWhite::CheckFirstPageOnly, [&] { return m_host.options().firstPageOnly; })) {
        if (m_trap.test(ScriptStep::BlackWhite::CheckAnyPage, [&] { return !m_pages.isEmpty(); })) {
            m_result.pagesProduced = true;
            m_trap.step(ScriptStep::BlackWhite::HandOverFirstPage, [&] { handOver(1); });
        } else {
            m_result.pagesProduced = false;
        }
    } else {
        m_trap.step(ScriptStep::BlackWhite::ClearPagesProduced, [&] { m_result.pagesProduced = false; });
        handOverEach();
    }
    if (!handed().isEmpty())
        m_result.pagesProduced = true;

    // Only page 1 was wanted: what happened to the others does not fail the file.
    const int firstGiven = !handed().isEmpty() ? handed().first() : m_numbers.value(0);
    if (m_host.options().firstPageOnly && firstGiven == 1 && m_result.pagesProduced)
        m_result.cause.clear();
    // Pages were converted but not all: the user learns which are missing and why.
    if (m_result.pagesProduced && !m_result.cause.isEmpty())
        m_host.dialogs().message(QCoreApplication::translate("Engine", "Not every page of %1 could be converted: %2").arg(m_pdf, m_result.cause),
                                 m_host.applicationTitle(), Dialogs::Icon::Exclamation);
    // A page without a reason of its own fails for the file's.
    for (PageFailure &failure : m_result.failedPages)
        if (failure.reason.isEmpty())
            failure.reason = m_result.cause;
}

void ScriptRun::cleanUp()
{
    m_trap.step(ScriptStep::ShowWaitPointerBeforeCleanup, [&] { m_host.setAppWaitPointer(true); });
    QStringList leftovers;
    m_trap.step(ScriptStep::ListLeftovers, [&] { leftovers = ListFiles(m_pagesFolder, m_method.pagePattern); });
    for (const QString &name : std::as_const(leftovers))
        m_trap.step(ScriptStep::DeleteLeftover, [&] { DeleteFilesQuietly(m_pagesFolder + name); });
    if (!m_method.blackAndWhite) {
        m_trap.step(ScriptStep::Colour::RestorePointer, [&] { m_host.setAppWaitPointer(false); });
        return;
    }
    m_trap.step(ScriptStep::BlackWhite::RemovePagesFolder, [&] {
        // A document that gave no page leaves no sub-folder: that is an outcome (the run reports
        // the file), not a failure to report here.
        const QString folder = m_scriptFolder + QLatin1Char('/') + m_method.pagesFolder;
        if (!IsExistingFolder(folder))
            return;
        if (!QDir().rmdir(folder))
            throw Failure(QCoreApplication::translate("Engine", "Path/File access error: %1 is not empty").arg(folder), ErrorCode::PathFileAccess);
    });
    m_trap.step(ScriptStep::BlackWhite::RestorePointer, [&] { m_host.setAppWaitPointer(false); });
}
