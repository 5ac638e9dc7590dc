#include "engine/pages/scriptmethod.h"

#include "engine/run/conversionhost.h"
#include "engine/pages/methods.h"
#include "engine/pages/scriptfiles.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/programrunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QScopeGuard>
#include <QThread>

#include <cerrno>
#include <optional>
#include <vector>
#include <cstdio>

namespace {

// The copy is made synchronously, so when it is not there after a moment it failed.
constexpr int CopyWaitMs = 3000;

// Finished pages a script that hands over while rendering may leave waiting, and pages the run
// may hold in its encoder, at once: enough to keep both busy, few enough that scratch space
// stays a few megabytes.
constexpr int MaxPending = 2;

// How much longer than the time cap per page a script may make no progress before it is stopped
// as a whole: its own watch looks once a second.
constexpr int ScriptCapGraceSeconds = 5;

// Page names announced ahead for a document, at most (about 3 MB of names).
constexpr int MaxAnnouncedNames = 100000;

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

// Sets an environment variable of this process for as long as it lives, then puts back what was
// there: the script started meanwhile inherits it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

// What a script is told through its environment besides what it inherits, a null value for a
// variable left unset.
using ScriptEnvironment = QList<QPair<const char *, QByteArray>>;

ScriptEnvironment scriptEnvironment(bool firstPageOnly, const PageChoice &choice, bool handing, const RenderLimits &limits)
{
    return {
        // "Convert First Page Only" tells the script to draw page 1 alone, instead of drawing
        // every page only for the others to be deleted.
        {"LUMENPAGE_FIRST_PAGE_ONLY", firstPageOnly ? QByteArray("1") : QByteArray()},
        // The console's choices (the window's defaults leave them unset): which pages, at what
        // resolution or fitting what box.
        {"LUMENPAGE_PAGES", choice.allPages() ? QByteArray() : choice.scriptRanges()},
        {"LUMENPAGE_RESOLUTION", choice.dpi > 0 ? QByteArray::number(choice.dpi, 'g', 10) : QByteArray()},
        {"LUMENPAGE_FIT", choice.fits() ? QByteArray::number(choice.fitBox.width()) + ' ' + QByteArray::number(choice.fitBox.height())
                                        : QByteArray()},
        // The script waits while MaxPending of its pages are not yet taken.
        {"LUMENPAGE_MAX_PENDING", handing ? QByteArray::number(MaxPending) : QByteArray()},
        // The scripts hold the time cap per page themselves: they name the page that reached it
        // and draw on after it.
        {"LUMENPAGE_PAGE_SECONDS", QByteArray::number(limits.pageSeconds)},
    };
}

// Sets each variable of a ScriptEnvironment for as long as it lives.
class ScopedScriptEnvironment {
public:
    explicit ScopedScriptEnvironment(const ScriptEnvironment &environment)
    {
        for (const auto &[name, value] : environment)
            m_set.push_back(std::make_unique<ScopedEnvironment>(name, value));
    }

private:
    std::vector<std::unique_ptr<ScopedEnvironment>> m_set;
};

// The script of the next file of the run, started while the last pages of this one are drawn,
// so that two Ghostscripts work at once on a run of short documents. It works in a copy of the
// script folder of its own and holds at most MaxPending finished pages; the next file's turn
// takes it over when it is to be run on the same file, with the same environment and limits,
// and the file can still be read. Anything else stops it.
struct ScriptAhead {
    QString pdf;
    QString method; // the script folder's name in the AppFolder
    QString folder; // its copy in the WorkFolder, where it runs
    ScriptEnvironment environment;
    ChildLimits limits;
    StartedProgram program;
};

// Never destroyed: the run ends it (EndScriptsAhead) before it removes the WorkFolder, and a
// program that ends otherwise stops it through its process group.
std::unique_ptr<ScriptAhead> &scriptAhead()
{
    static auto *const ahead = new std::unique_ptr<ScriptAhead>;
    return *ahead;
}

bool sameLimits(const ChildLimits &a, const ChildLimits &b)
{
    return a.memoryBytes == b.memoryBytes && a.fileSizeBytes == b.fileSizeBytes && a.cpuSeconds == b.cpuSeconds;
}

// Starts the script for ctx.nextPdf in the script folder that `ownFolder` (this file's) is not.
// Nothing is said of a start that fails: the next file is converted in its turn as always.
void startAhead(const MethodContext &ctx, const ScriptMethod &method, const ScriptEnvironment &environment,
                const QString &ownFolder)
{
    EndScriptsAhead();
    if (ctx.nextPdf.isEmpty() || ctx.choice.hasPassword || !InputFileProblem(ctx.nextPdf).isEmpty())
        return;
    const QString base = ctx.workFolder + QLatin1Char('/') + method.folder;
    auto ahead = std::make_unique<ScriptAhead>();
    ahead->pdf = ctx.nextPdf;
    ahead->method = method.folder;
    ahead->folder = ownFolder == base ? base + QStringLiteral("-2") : base;
    ahead->environment = environment;
    ahead->limits = ctx.limits.child();
    const QString input = ahead->folder + QStringLiteral("/current.pdf");
    try {
        // A fresh folder: nothing an earlier script left there is read as this one's.
        RemoveTree(ahead->folder);
        CopyFolder(ctx.host.appFolder() + QLatin1Char('/') + method.folder, ahead->folder);
        LinkOrCopyFile(ahead->pdf, input);
    } catch (const Failure &) {
        return;
    }
    const ScopedScriptEnvironment set(environment);
    if (StartProgram(QLatin1Char('"') + ahead->folder + QLatin1Char('/') + method.script + QLatin1Char('"'),
                     ahead->folder + QLatin1Char('/'), ahead->limits, ahead->program) == 0)
        scriptAhead() = std::move(ahead);
}

// The script started ahead for this file, if everything it was started with still holds.
std::unique_ptr<ScriptAhead> adoptAhead(const MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method,
                                        const ScriptEnvironment &environment)
{
    std::unique_ptr<ScriptAhead> &ahead = scriptAhead();
    if (ahead && ahead->pdf == pdfPath && ahead->method == method.folder && !ctx.choice.hasPassword
        && ahead->environment == environment && sameLimits(ahead->limits, ctx.limits.child())
        && ahead->folder.startsWith(ctx.workFolder + QLatin1Char('/')))
        return std::move(ahead);
    EndScriptsAhead();
    return nullptr;
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

void EndScriptsAhead()
{
    std::unique_ptr<ScriptAhead> ahead = std::move(scriptAhead());
    if (!ahead)
        return;
    ahead->program.stop();
    // Stopped at once, it left its pages, page count and logs: the next script to work in that
    // folder must not read them as its own.
    try {
        RemoveTree(ahead->folder);
    } catch (const Failure &) {
        // What could not be removed goes with the WorkFolder.
    }
}

QString ScriptPageImageName(const QString &baseName, int page)
{
    return baseName + QLatin1Char('-') + QStringLiteral("%1").arg(page, 3, 10, QLatin1Char('0'))
           + QStringLiteral(".jpg");
}

MethodResult runScriptMethod(MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method)
{
    MethodResult result;
    ConversionHost &host = ctx.host;
    ErrorTrap trap(ctx.reportTo(), method.location);
    // What Ghostscript would only answer with a stack dump (or, for a pipe, by waiting for ever)
    // is said in plain words, and the script is not started on it.
    const QString inputProblem = InputFileProblem(pdfPath);
    // The script started for this file while the one before was drawn, if it still applies:
    // then its folder is the script folder, already copied and given the input.
    // "Convert First Page Only" as it is now; a failed read draws every page (the read is made
    // again, and trapped, where the pages are handed over).
    const auto firstPageOnlyNow = [&] {
        try {
            return host.options().firstPageOnly;
        } catch (...) {
            return false;
        }
    };
    const auto environment = [&](std::optional<bool> firstPageOnly = std::nullopt) {
        if (!firstPageOnly)
            firstPageOnly = firstPageOnlyNow();
        const bool handing = method.handsOverWhileRendering && !*firstPageOnly && ctx.pageSink;
        return scriptEnvironment(*firstPageOnly, ctx.choice, handing, ctx.limits);
    };
    std::unique_ptr<ScriptAhead> adopted = inputProblem.isEmpty() ? adoptAhead(ctx, pdfPath, method, environment()) : nullptr;
    if (!inputProblem.isEmpty())
        EndScriptsAhead();
    const QString scriptFolder = adopted ? adopted->folder : ctx.workFolder + QLatin1Char('/') + method.folder;
    const QString currentPdf = scriptFolder + QStringLiteral("/current.pdf");
    const QString pagesFolder = method.pagesFolder.isEmpty()
                                    ? scriptFolder + QLatin1Char('/')
                                    : scriptFolder + QLatin1Char('/') + method.pagesFolder + QLatin1Char('/');

    if (!adopted)
        trap.step(ScriptStep::CopyScriptFolder, [&] {
            CopyFolder(host.appFolder() + QLatin1Char('/') + method.folder, scriptFolder);
        });
    QString baseName;
    trap.step(ScriptStep::ReadBaseName, [&] { baseName = BaseNameOf(pdfPath); });
    trap.step(ScriptStep::ShowWaitPointerOnStart, [&] { host.setAppWaitPointer(true); });
    if (!adopted)
        trap.step(ScriptStep::RemoveOldInput, [&] { DeleteFilesQuietly(currentPdf); });
    trap.step(ScriptStep::ShowWaitPointerBeforeInput, [&] { host.setAppWaitPointer(true); });
    // The script only reads its input: a link, so that a large document is not copied into
    // scratch space (a tmpfs /tmp is memory).
    if (!adopted) {
        trap.step(ScriptStep::PlaceInput, [&] { LinkOrCopyFile(pdfPath, currentPdf); });
        trap.step(ScriptStep::WaitForInput, [&] {
            waitWhile(host, [&] { return !IsExistingFile(currentPdf); }, std::min(CopyWaitMs, ctx.fileWaitTimeoutMs),
                      QCoreApplication::translate("Engine", "%1 was not copied to %2").arg(pdfPath, currentPdf));
        });
    }
    // The script's verdict: its exit status and what it said on standard error.
    int exitCode = 0;
    QString errors, stopped;
    // Page numbers of the page images handed over while the script rendered.
    QList<int> handed;
    int expected = 0; // the pages the script announced
    trap.step(ScriptStep::RunScript, [&] {
        if (!inputProblem.isEmpty())
            return;
        // "Convert First Page Only" tells the script to draw page 1 alone; which pages are
        // handed over is still decided by the steps below.
        bool firstPageOnly = firstPageOnlyNow();
        // A script taken over runs as it was told when it started.
        if (adopted)
            firstPageOnly = adopted->environment == environment(true);
        const PageChoice &choice = ctx.choice;
        // The password reaches Ghostscript in a file in the script's folder, inside the run's
        // private WorkFolder, readable by this user alone and removed as soon as the script
        // ends: never on a command line or in an environment, which other users can read.
        const QString passwordFile = scriptFolder + QStringLiteral("/password.ps");
        const auto removePassword = qScopeGuard([&] { QFile::remove(passwordFile); });
        if (choice.hasPassword)
            WritePasswordFile(passwordFile, choice.password);
        // Pages are handed over as the script finishes them, a few at a time: the run encodes
        // each on the other core while the next is drawn, and scratch space holds only the
        // pages in flight. The script waits while MaxPending of its pages are not yet taken.
        PageSink *const sink = method.handsOverWhileRendering && !firstPageOnly ? ctx.pageSink : nullptr;
        const ScriptEnvironment told = scriptEnvironment(firstPageOnly, choice, sink != nullptr, ctx.limits);
        const ScopedScriptEnvironment set(told);
        bool announced = false; // "pagecount" was read
        bool aheadTried = false;
        const auto handOverReady = [&] {
            sink->poll();
            QFile count(scriptFolder + QStringLiteral("/pagecount"));
            if (!announced && count.open(QIODevice::ReadOnly)) {
                announced = true;
                expected = std::max(0, count.readAll().trimmed().toInt());
                // The count is the document's own claim: a hostile one may claim billions of
                // pages. Beyond a bound, names are chosen page by page instead.
                if (expected > 0 && expected <= MaxAnnouncedNames) {
                    // A page range: "pagelist" names the pages to come.
                    QList<int> numbers;
                    QFile list(scriptFolder + QStringLiteral("/pagelist"));
                    if (list.open(QIODevice::ReadOnly))
                        for (const QByteArray &word : list.readAll().simplified().split(' '))
                            if (const int n = word.toInt(); n > 0)
                                numbers << n;
                    if (numbers.size() != expected) {
                        numbers.clear();
                        for (int n = 1; n <= expected; ++n)
                            numbers << n;
                    }
                    QStringList names;
                    for (const int n : std::as_const(numbers))
                        names << ScriptPageImageName(baseName, n);
                    sink->expect(names);
                }
            }
            // Finished pages in page order (the script draws them in order).
            QMap<int, QString> ready;
            for (const QString &file : ListFiles(pagesFolder, method.pagePattern))
                if (const int n = PageNumberOf(file))
                    ready.insert(n, file);
            for (auto it = ready.cbegin(); it != ready.cend() && sink->backlog() < MaxPending; ++it) {
                const QString name = ScriptPageImageName(baseName, it.key());
                MoveFile(pagesFolder + it.value(), ctx.workFolder + QLatin1Char('/') + name);
                handed << it.key();
                sink->take(name, expected);
            }
            // Two pages or fewer left to draw: the next file's script starts on the other core.
            if (!aheadTried && announced && expected > 0 && expected - handed.size() <= MaxPending) {
                aheadTried = true;
                startAhead(ctx, method, told, scriptFolder);
            }
        };
        WaitOptions options;
        options.yield = [&] {
            host.yield();
            if (sink) {
                handOverReady();
            } else if (firstPageOnly && method.handsOverWhileRendering && !aheadTried) {
                // One page to draw: the next file's starts at once.
                aheadTried = true;
                startAhead(ctx, method, told, scriptFolder);
            }
        };
        if (sink)
            options.pollMs = 20;
        options.timeoutMs = ctx.scriptTimeoutMs;
        options.errors = &errors;
        options.limits = ctx.limits.child();
        // The time cap per page: stopped when no page was started or finished for that long.
        QSet<int> seen;
        qint64 seenBytes = -1;
        int seenConverted = 0;
        // A backstop for a script that does not hold the cap itself: it acts only after the
        // script's own watch would have.
        options.stallMs = (ctx.limits.pageSeconds + ScriptCapGraceSeconds) * 1000;
        // While pages are handed over, the script runs as long as the whole conversion of the
        // document, and a long document must not be cut off by a bound on the whole: the time
        // cap per page is the bound then (a script that stops making pages is stopped by it).
        if (sink && options.stallMs > 0)
            options.timeoutMs = 0;
        options.progressed = [&] {
            QSet<int> now = PagesIn(pagesFolder);
            now.unite(QSet<int>(handed.begin(), handed.end()));
            qint64 bytes = 0;
            for (const QFileInfo &f : QDir(pagesFolder).entryInfoList(QDir::Files))
                bytes += f.size();
            // A page being encoded is progress too: the script waits for it to be taken.
            const int converted = sink ? sink->poll() : 0;
            const bool moved = now != seen || bytes != seenBytes || converted != seenConverted;
            seen = now;
            seenBytes = bytes;
            seenConverted = converted;
            return moved;
        };
        options.stalled = [&] {
            stopped = QCoreApplication::translate("Engine", "%1 was reached on page %2 of %3; the renderer was stopped")
                          .arg(ctx.limits.timeCapText()).arg(FirstMissing(seen)).arg(pdfPath);
            return stopped;
        };
        const QString command = QLatin1Char('"') + scriptFolder + QLatin1Char('/') + method.script + QLatin1Char('"');
        try {
            exitCode = adopted ? WaitFor(adopted->program, options) : RunAndWait(command, scriptFolder + QLatin1Char('/'), options);
            // What the script finished after the last look stays for the hand-over below.
        } catch (const Failure &f) {
            if (stopped.isEmpty())
                stopped = f.description();
            throw;
        }
    });
    trap.step(ScriptStep::ShowWaitPointerAfterScript, [&] { host.setAppWaitPointer(true); });
    trap.step(ScriptStep::WaitForInputReleased, [&] {
        waitWhile(host, [&] { return IsExistingFile(currentPdf); }, ctx.fileWaitTimeoutMs,
                  QCoreApplication::translate("Engine", "%1 ended without removing current.pdf").arg(method.script));
    });
    // A script that never let go of its input must not leave it to the next file.
    if (IsExistingFile(currentPdf))
        QFile::remove(currentPdf);

    QStringList pages;
    trap.step(ScriptStep::ListPageImages, [&] { pages = ListFiles(pagesFolder, method.pagePattern); });
    trap.step(ScriptStep::ShowWaitPointerAfterListing, [&] { host.setAppWaitPointer(true); });

    // Page image n is PDF page n: the scripts name their page images by page number, and a page
    // they could not draw leaves its number out. Names without numbers are taken in listing order.
    QList<int> numbers;
    for (const QString &name : pages)
        numbers << PageNumberOf(name);
    if (handed.isEmpty() && (numbers.contains(0) || QSet<int>(numbers.begin(), numbers.end()).size() != numbers.size()))
        for (qsizetype i = 0; i < numbers.size(); ++i)
            numbers[i] = int(i + 1);
    // Every page the script gave, whether handed over while it rendered or left for below.
    const QSet<int> given = QSet<int>(numbers.begin(), numbers.end()).unite(QSet<int>(handed.begin(), handed.end()));
    QList<int> missing;
    const int highest = given.isEmpty() ? 0 : *std::max_element(given.begin(), given.end());
    for (int n = 1; n < highest; ++n)
        if (!given.contains(n) && ctx.choice.contains(n))
            missing << n;
    QMap<int, QString> whyNotDrawn; // what the script said of a page it could not draw
    static const QRegularExpression notDrawn(QStringLiteral("page (\\d+) could not be drawn(?:: ([^\\n]*))?"));
    for (auto it = notDrawn.globalMatch(errors); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const int n = match.captured(1).toInt();
        if (n > 0 && !given.contains(n) && !missing.contains(n))
            missing << n;
        if (n > 0)
            whyNotDrawn.insert(n, match.captured(2).trimmed());
    }
    std::sort(missing.begin(), missing.end());

    // Named in the report when the script failed, was stopped, or left pages out.
    QString cause;
    const QString reason = ReasonFrom(errors);
    const bool overMemory = errors.contains(QLatin1String("VMerror")) || errors.contains(QLatin1String("out of memory"), Qt::CaseInsensitive)
                            || errors.contains(QLatin1String("Cannot allocate"));
    if (!inputProblem.isEmpty())
        cause = inputProblem;
    else if (overMemory)
        cause = QCoreApplication::translate("Engine", "the renderer reached %1 on page %2 of %3")
                    .arg(ctx.limits.memoryCapText()).arg(missing.isEmpty() ? highest + 1 : missing.first()).arg(pdfPath);
    else if (!stopped.isEmpty())
        cause = stopped;
    else if (!missing.isEmpty())
        cause = QCoreApplication::translate("Engine", "page(s) %1 could not be rendered").arg(PageList(missing));
    else if (given.isEmpty() && (errors.contains(QLatin1String("requires a password"))
                                 || errors.contains(QLatin1String("Password did not work")))) {
        // Ghostscript's words, in the words every method uses.
        cause = ctx.choice.hasPassword
                    ? QCoreApplication::translate("Engine", "%1 is password-protected, and the password given does not open it").arg(pdfPath)
                    : QCoreApplication::translate("Engine", "%1 is password-protected, and no password was given").arg(pdfPath);
    } else if (given.isEmpty() && !ctx.choice.allPages() && errors.contains(QLatin1String("is in the page range"))) {
        static const QRegularExpression count(QStringLiteral("none of its (\\d+) page"));
        cause = QCoreApplication::translate("Engine", "no page of %1 is in the page range %2: it has %3 page(s)")
                    .arg(pdfPath, ctx.choice.rangeText, count.match(errors).captured(1));
    } else if (exitCode != 0 && !IsExistingFile(scriptFolder + QLatin1Char('/') + method.script))
        cause = QCoreApplication::translate("Engine", "the script %1 is missing: the program is not installed completely")
                    .arg(host.appFolder() + QLatin1Char('/') + method.folder + QLatin1Char('/') + method.script);
    else if (exitCode != 0)
        cause = QCoreApplication::translate("Engine", "the renderer failed (exit status %1)").arg(exitCode);
    else if (given.isEmpty())
        cause = QCoreApplication::translate("Engine", "the renderer gave no page");
    if (!cause.isEmpty() && !reason.isEmpty() && cause != stopped && cause != inputProblem
        && !cause.startsWith(QLatin1String("no page of ")) && !cause.contains(QLatin1String("password-protected")))
        cause += QStringLiteral(": ") + reason;
    result.cause = cause;

    auto handOver = [&](int index) {
        MoveFile(pagesFolder + pages.value(index - 1), ctx.workFolder + QLatin1Char('/')
                                                           + ScriptPageImageName(baseName, numbers.value(index - 1)));
    };
    if (!method.blackAndWhite) {
        trap.step(ScriptStep::Colour::ClearPagesProduced, [&] { result.pagesProduced = false; });
        if (trap.test(ScriptStep::Colour::CheckFirstPageOnly, [&] { return host.options().firstPageOnly; })) {
            if (trap.test(ScriptStep::Colour::CheckAnyPage, [&] { return !pages.isEmpty(); })) {
                result.pagesProduced = true;
                trap.step(ScriptStep::Colour::HandOverFirstPage, [&] { handOver(1); });
            }
        } else {
            const int count = pages.size();
            for (int n = 1; n <= count; ++n) {
                trap.step(ScriptStep::MarkPagesProduced, [&] { result.pagesProduced = true; });
                trap.step(ScriptStep::HandOverPage, [&] { handOver(n); });
            }
        }
    } else {
        if (trap.test(ScriptStep::BlackWhite::CheckFirstPageOnly, [&] { return host.options().firstPageOnly; })) {
            if (trap.test(ScriptStep::BlackWhite::CheckAnyPage, [&] { return !pages.isEmpty(); })) {
                result.pagesProduced = true;
                trap.step(ScriptStep::BlackWhite::HandOverFirstPage, [&] { handOver(1); });
            } else {
                result.pagesProduced = false;
            }
        } else {
            trap.step(ScriptStep::BlackWhite::ClearPagesProduced, [&] { result.pagesProduced = false; });
            const int count = pages.size();
            for (int n = 1; n <= count; ++n) {
                trap.step(ScriptStep::MarkPagesProduced, [&] { result.pagesProduced = true; });
                trap.step(ScriptStep::HandOverPage, [&] { handOver(n); });
            }
        }
    }

    if (!handed.isEmpty())
        result.pagesProduced = true;

    // Only page 1 was wanted: what happened to the others does not fail the file.
    if (host.options().firstPageOnly && numbers.value(0) == 1 && result.pagesProduced)
        result.cause.clear();
    // Pages were converted but not all: the user learns which are missing and why.
    if (result.pagesProduced && !result.cause.isEmpty())
        host.dialogs().message(QCoreApplication::translate("Engine", "Not every page of %1 could be converted: %2").arg(pdfPath, result.cause),
                               host.applicationTitle(), Dialogs::Icon::Exclamation);

    result.pagesExpected = expected;
    for (const int n : std::as_const(missing))
        result.failedPages.append({n, whyNotDrawn.value(n).isEmpty() ? result.cause : whyNotDrawn.value(n)});

    trap.step(ScriptStep::ShowWaitPointerBeforeCleanup, [&] { host.setAppWaitPointer(true); });
    QStringList leftovers;
    trap.step(ScriptStep::ListLeftovers, [&] { leftovers = ListFiles(pagesFolder, method.pagePattern); });
    for (const QString &name : leftovers)
        trap.step(ScriptStep::DeleteLeftover, [&] { DeleteFilesQuietly(pagesFolder + name); });

    if (method.blackAndWhite) {
        trap.step(ScriptStep::BlackWhite::RemovePagesFolder, [&] {
            // A document that gave no page leaves no sub-folder: that is an outcome (the run
            // reports the file), not a failure to report here.
            const QString folder = scriptFolder + QLatin1Char('/') + method.pagesFolder;
            if (!IsExistingFolder(folder))
                return;
            if (!QDir().rmdir(folder))
                throw Failure(QCoreApplication::translate("Engine", "Path/File access error: %1 is not empty").arg(folder), ErrorCode::PathFileAccess);
        });
        trap.step(ScriptStep::BlackWhite::RestorePointer, [&] { host.setAppWaitPointer(false); });
    } else {
        trap.step(ScriptStep::Colour::RestorePointer, [&] { host.setAppWaitPointer(false); });
    }
    result.unexpected = trap.reported();
    return result;
}
