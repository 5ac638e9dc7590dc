#include "engine/methods/methods.h"

#include "engine/base/conversionhost.h"
#include "engine/methods/gflax.h"
#include "engine/sources/pagesource.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>
#include <memory>

namespace {

// What the GflAx method's "Object variable not set" names.
QString gflaxComponent()
{
    return QCoreApplication::translate("Engine", "the GflAx component");
}

namespace GflAxStep {
constexpr int CreateComponent = 100;
constexpr int ReadBaseName = 102;
constexpr int ReadPagesBox = 106;
constexpr int ClampPageRange = 106;
constexpr int SetResolution = 108;
constexpr int SelectPage = 110;
constexpr int LoadPage = 112;
constexpr int SetJpegFormat = 114;
constexpr int SavePage = 116;
constexpr int ReleaseComponent = 118;
constexpr int SetPagesProduced = 120;
} // namespace GflAxStep

// The pages loaded, in order: 1 to the count of the pages box, or the page range's pages (the
// document's count clamps the range). `count` is their number, `documentPages` the document's
// when it was asked.
QList<int> plannedPages(ErrorTrap &trap, MethodContext &ctx, const QString &pdfPath, const std::unique_ptr<GflAx> &gfl,
                        int &count, int &documentPages)
{
    QList<int> pageList;
    if (ctx.choice.allPages()) {
        trap.step(GflAxStep::ReadPagesBox, [&] {
            count = ctx.host.options().pages.count();
            if (gfl)
                gfl->pagesWanted = count;
        });
        for (int p = 1; p <= count; ++p)
            pageList << p;
        return pageList;
    }
    trap.step(GflAxStep::ClampPageRange, [&] {
        documentPages = Need(gfl, gflaxComponent()).pageCount(pdfPath);
        pageList = ctx.choice.pagesOf(documentPages);
        count = int(pageList.size());
        Need(gfl, gflaxComponent()).pagesToLoad = pageList;
    });
    return pageList;
}

// The pages of `pageList` the document has (the pages box may ask for more): the names of those
// are told to the run before the first page, so that they share one GIF name variant.
QList<int> pagesTheDocumentHas(GflAx &gfl, const QString &pdfPath, const QList<int> &pageList)
{
    if (pageList.isEmpty())
        return {};
    int pages = 0;
    try {
        pages = gfl.pageCount(pdfPath);
    } catch (const Failure &) {
        // Then the first page fails to load, and says why.
    }
    QList<int> there;
    for (const int p : pageList)
        if (p <= pages)
            there << p;
    return there;
}

} // namespace

MethodResult PDF_To_GIF_GFAX(MethodContext &ctx, const QString &pdfPath)
{
    MethodResult result;
    ConversionHost &host = ctx.host;
    ErrorTrap trap(ctx.reportTo(), InfoOf(Method::GflAx).errorLocation);

    std::unique_ptr<GflAx> gfl;
    trap.step(GflAxStep::CreateComponent, [&] { gfl = std::make_unique<GflAx>(ctx.limits, [&host] { host.yield(); }); });
    QString baseName;
    trap.step(GflAxStep::ReadBaseName, [&] { baseName = BaseNameOf(pdfPath); });

    int count = 0;
    const PageChoice &choice = ctx.choice;
    if (gfl) {
        gfl->FitBox = choice.fitBox;
        gfl->HasPassword = choice.hasPassword;
        gfl->Password = choice.password;
        gfl->Ahead = ctx.next;
    }
    // Each page goes to the run as soon as it is written: it is encoded on the other core while
    // the next is drawn.
    const auto pageFile = [&](int p) { return InfoOf(Method::GflAx).pageImageName(baseName, p); };
    PageFeed feed(ctx.pageSink, ctx.workFolder, pageFile);
    if (gfl)
        gfl->PixelFolder = feed.pixelFolder();
    int documentPages = -1;
    const QList<int> pageList = plannedPages(trap, ctx, pdfPath, gfl, count, documentPages);
    if (ctx.pageSink && gfl)
        feed.announce(pagesTheDocumentHas(*gfl, pdfPath, pageList));
    for (const int p : std::as_const(pageList)) {
        trap.step(GflAxStep::SetResolution, [&] { Need(gfl, gflaxComponent()).EpsDpi = host.options().resolution; });
        trap.step(GflAxStep::SelectPage, [&] { Need(gfl, gflaxComponent()).Page = qint16(p); });
        Fault loadFault = Fault::None;
        const bool loaded = trap.step(GflAxStep::LoadPage, [&] {
            try {
                Need(gfl, gflaxComponent()).LoadBitmap(pdfPath);
            } catch (const Failure &f) {
                loadFault = FaultOf(f);
                feed.take(SourcePage::failed(p, loadFault, f.description()));
                throw;
            }
        });
        // A page that did not load has nothing to save: saving anyway would only report the
        // same page a second time. A document that cannot be read, a page past its end and an
        // unusable resolution would fail every later page the same way, so they end the loop.
        if (!loaded) {
            if ((gfl && !gfl->documentOpen()) || loadFault == Fault::OutsideDocument || loadFault == Fault::NoPixels)
                break;
            continue;
        }
        trap.step(GflAxStep::SetJpegFormat, [&] { Need(gfl, gflaxComponent()).Saveformat = GflAx::FormatJpeg; });
        trap.step(GflAxStep::SavePage, [&] {
            Need(gfl, gflaxComponent()).saveBitmap(feed.fileOf(p));
            SourcePage saved;
            saved.page = p;
            saved.file = feed.fileOf(p);
            saved.pixels = gfl->takePixels();
            feed.take(saved);
        });
    }
    trap.step(GflAxStep::ReleaseComponent, [&] { gfl.reset(); });
    // Produced means a page image was written: a count of 0, "" or "abc", or pages that all
    // failed, leave the run nothing to convert, and it says so.
    trap.step(GflAxStep::SetPagesProduced, [&] { result.pagesProduced = !feed.handed().isEmpty(); });
    result.failedPages = feed.failed();
    if (count < 1 && !trap.failures())
        result.cause = choice.allPages()
                               ? QCoreApplication::translate("Engine", "the number of pages \"%1\" renders no page").arg(host.options().pages.text())
                               : QCoreApplication::translate("Engine", "no page of %1 is in the page range %2: it has %3 page(s)")
                                     .arg(pdfPath, choice.rangeText).arg(documentPages);
    result.unexpected = trap.reported();
    return result;
}
