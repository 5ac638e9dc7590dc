#include "engine/methods/methods.h"

#include "engine/methods/acrobat.h"
#include "engine/sources/pagesource.h"
#include "engine/base/conversionhost.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>

#include <memory>

namespace {

// What the Acrobat method's "Object variable not set" names.
QString acrobatObject()
{
    return QCoreApplication::translate("Engine", "the Acrobat object");
}

namespace AcrobatStep {
constexpr int ReadBaseName = 100;
constexpr int StartAcrobat = 102;
constexpr int CreateDocument = 104;
constexpr int OpenDocument = 106;
constexpr int PrepareJSObject = 108;
constexpr int SavePagesAsJpeg = 110;
constexpr int CloseDocument = 112;
constexpr int SetPagesProduced = 114;
constexpr int ExitAcrobat = 116;
} // namespace AcrobatStep

} // namespace

MethodResult PDF_To_GIF_Acro(MethodContext &ctx, const QString &pdfPath)
{
    ErrorTrap trap(ctx.reportTo(), InfoOf(Method::Acrobat).errorLocation);
    MethodResult result;

    QString baseName;
    trap.step(AcrobatStep::ReadBaseName, [&] { baseName = BaseNameOf(pdfPath); });
    std::unique_ptr<AcroApp> app;
    trap.step(AcrobatStep::StartAcrobat, [&] { app = std::make_unique<AcroApp>(); });
    std::unique_ptr<AcroPDDoc> doc;
    trap.step(AcrobatStep::CreateDocument, [&] {
        doc = std::make_unique<AcroPDDoc>(ctx.limits, [&ctx] { ctx.host.yield(); });
        doc->HasPassword = ctx.choice.hasPassword;
        doc->Password = ctx.choice.password;
        doc->FitBox = ctx.choice.fitBox;
        doc->Next = ctx.next;
    });
    std::unique_ptr<AcroJSObject> jso;
    PageFeed feed(ctx.pageSink, ctx.workFolder, [&baseName](int page) { return InfoOf(Method::Acrobat).pageImageName(baseName, page); });
    if (trap.test(AcrobatStep::OpenDocument, [&] { return Need(doc, acrobatObject()).Open(pdfPath); })) {
        trap.step(AcrobatStep::PrepareJSObject, [&] {
            jso = Need(doc, acrobatObject()).GetJSObject();
            // The console's page range and resolution; by default every page at JpegDpi.
            const PageChoice choice = ctx.choice;
            if (!choice.allPages())
                jso->wanted = [choice](int page) { return choice.contains(page); };
            jso->rangeText = choice.rangeText;
            jso->nextDocumentFollows = true;
            if (choice.dpi > 0) {
                jso->dpi = choice.dpi;
                jso->lowersToFit = false;
            }
            // Each page goes to the run as soon as it is written: it is encoded on the other core
            // while the next is drawn.
            jso->feed = &feed;
        });
        trap.step(AcrobatStep::SavePagesAsJpeg, [&] {
            Need(jso, acrobatObject()).SaveAs(ctx.workFolder + QLatin1Char('/') + baseName + QStringLiteral(".jpg"),
                             AcroJSObject::JpegConversion);
        });
        trap.step(AcrobatStep::CloseDocument, [&] { Need(doc, acrobatObject()).Close(); });
        trap.step(AcrobatStep::SetPagesProduced, [&] { result.pagesProduced = true; });
    }
    else if (doc && !doc->openError().isEmpty())
        result.cause = doc->openError();
    result.failedPages = feed.failed();
    trap.step(AcrobatStep::ExitAcrobat, [&] { Need(app, acrobatObject()).Exit(); });
    jso.reset();
    doc.reset();
    app.reset();
    result.unexpected = trap.reported();
    return result;
}
