#include "engine/methods/scriptahead.h"

#include "engine/methods/methods.h"
#include "engine/methods/scriptmethod.h"
#include "engine/base/conversionhost.h"

#include "sys/appfolder.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool sameLimits(const ChildLimits &a, const ChildLimits &b)
{
    return a.memoryBytes == b.memoryBytes && a.fileSizeBytes == b.fileSizeBytes && a.cpuSeconds == b.cpuSeconds;
}

// The parts both script methods share (common.sh, pages.ps), beside the method folders.
const QString SharedFolder = QStringLiteral("shared");

// Looked up once: the installed programs do not move while the program runs.
QByteArray jpegWriter()
{
    static const QByteArray path = [] {
        const QFileInfo writer(HelperProgram(QStringLiteral("lumenpage-jpeg")));
        return writer.isFile() && writer.isExecutable() ? QFile::encodeName(writer.filePath()) : QByteArray();
    }();
    return path;
}

} // namespace

ScriptEnvironment MakeScriptEnvironment(bool firstPageOnly, const PageChoice &choice, const PageSink *handingTo,
                                        const RenderLimits &limits)
{
    const bool handing = handingTo != nullptr;
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
        // The script waits while MaxPendingPages of its pages are not yet taken.
        {"LUMENPAGE_MAX_PENDING", handing ? QByteArray::number(MaxPendingPages) : QByteArray()},
        // The scripts hold the time cap per page themselves: they name the page that reached it
        // and draw on after it.
        {"LUMENPAGE_PAGE_SECONDS", QByteArray::number(limits.pageSeconds)},
        // The page image writer that keeps Ghostscript drawing while pages are compressed
        // (cjpeg's page images, byte for byte); without it the script runs cjpeg itself.
        {"LUMENPAGE_JPEG_WRITER", jpegWriter()},
        // ... which then leaves the pixels it compressed beside each page image, for a run
        // that turns them into a palette anyway.
        {"LUMENPAGE_KEEP_PIXELS", handing && handingTo->takesDrawnPixels() ? QByteArray("1") : QByteArray()},
    };
}

void CopyScriptFolder(const QString &appFolder, const ScriptMethod &method, const QString &destination)
{
    CopyFolder(appFolder + QLatin1Char('/') + method.folder, destination);
    // An AppFolder without the shared parts is caught by the script, which then says what it
    // is missing.
    const QString shared = appFolder + QLatin1Char('/') + SharedFolder;
    if (IsExistingFolder(shared))
        CopyFolder(shared, destination);
}

void StartScriptAhead(const MethodContext &ctx, const ScriptMethod &method, const ScriptEnvironment &environment,
                      const QString &ownFolder)
{
    if (!ctx.next)
        return;
    ctx.next->drop();
    const QString next = ctx.next->pdf();
    if (next.isEmpty() || ctx.choice.hasPassword || !InputFileProblem(next).isEmpty())
        return;
    const QString base = ctx.workFolder + QLatin1Char('/') + method.folder;
    auto ahead = std::make_unique<ScriptAhead>();
    ahead->pdf = next;
    ahead->method = method.folder;
    ahead->folder = ownFolder == base ? base + QStringLiteral("-2") : base;
    ahead->environment = environment;
    ahead->limits = ctx.limits.child();
    try {
        // A fresh folder: nothing an earlier script left there is read as this one's.
        RemoveTree(ahead->folder);
        CopyScriptFolder(ctx.host.appFolder(), method, ahead->folder);
        ahead->held = HeldFile(ahead->pdf);
        LinkOrCopyFile(ahead->pdf, ahead->folder + QStringLiteral("/current.pdf"));
    } catch (const Failure &) {
        return;
    }
    if (StartProgram(QLatin1Char('"') + ahead->folder + QLatin1Char('/') + method.script + QLatin1Char('"'),
                     ahead->folder + QLatin1Char('/'), ahead->limits, ahead->program, environment) == 0)
        ctx.next->fill(next, method.folder, std::move(ahead));
}

std::unique_ptr<ScriptAhead> AdoptScriptAhead(const MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method,
                                              const ScriptEnvironment &environment)
{
    if (!ctx.next)
        return nullptr;
    std::unique_ptr<ScriptAhead> ahead = ctx.next->take<ScriptAhead>(pdfPath, method.folder);
    if (ahead && !ctx.choice.hasPassword && ahead->environment == environment && sameLimits(ahead->limits, ctx.limits.child())
        && ahead->folder.startsWith(ctx.workFolder + QLatin1Char('/'))
        // Rewritten or replaced since it was started: drawn again, whole, from the file there now.
        && !ahead->held.rewritten() && !ahead->held.replacedAt(pdfPath)) {
        ahead->adopted = true;
        return ahead;
    }
    return nullptr; // stopped as it goes
}

ScriptAhead::~ScriptAhead()
{
    if (adopted)
        return;
    program.stop();
    // Stopped at once, it left its pages: the next script to work in that folder must not
    // read them as its own.
    try {
        RemoveTree(folder);
    } catch (const Failure &) {
        // What could not be removed goes with the WorkFolder.
    }
}
