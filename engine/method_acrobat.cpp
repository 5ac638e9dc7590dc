#include "engine/methods.h"

#include "engine/acrobat.h"
#include "engine/conversionhost.h"

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

} // namespace

MethodResult PDF_To_GIF_Acro(MethodContext &ctx, const QString &pdfPath)
{
    ErrorTrap trap(ctx.reportTo(), InfoOf(Method::Acrobat).errorLocation);
    MethodResult result;

    QString baseName;
    trap.step(100, [&] { baseName = BaseNameOf(pdfPath); });
    std::unique_ptr<AcroApp> app;
    trap.step(102, [&] { app = std::make_unique<AcroApp>(); });
    std::unique_ptr<AcroPDDoc> doc;
    trap.step(104, [&] {
        doc = std::make_unique<AcroPDDoc>(ctx.limits, [&ctx] { ctx.host.yield(); });
        doc->HasPassword = ctx.choice.hasPassword;
        doc->Password = ctx.choice.password;
        doc->FitBox = ctx.choice.fitBox;
    });
    std::unique_ptr<AcroJSObject> jso;
    if (trap.test(106, [&] { return Need(doc, acrobatObject()).Open(pdfPath); })) {
        trap.step(108, [&] {
            jso = Need(doc, acrobatObject()).GetJSObject();
            // The console's page range and resolution; by default every page at JpegDpi.
            const PageChoice choice = ctx.choice;
            if (!choice.allPages())
                jso->wanted = [choice](int page) { return choice.contains(page); };
            jso->rangeText = choice.rangeText;
            if (choice.dpi > 0)
                jso->dpi = choice.dpi;
            // Each page goes to the run as soon as it is written: it is encoded on the other core
            // while the next is drawn. The names of all of them first, so that they share one
            // GIF name variant.
            jso->pageSaved = [sink = ctx.pageSink, baseName, &result, announced = false](const QString &file,
                                                                                           const QList<int> &pages) mutable {
                result.pagesExpected = int(pages.size());
                if (!sink)
                    return;
                if (!announced) {
                    announced = true;
                    QStringList names;
                    for (const int page : pages)
                        names << baseName + QStringLiteral("_Page_") + QString::number(page) + QStringLiteral(".jpg");
                    sink->expect(names);
                }
                sink->take(FileNameOf(file), int(pages.size()));
            };
        });
        trap.step(110, [&] {
            Need(jso, acrobatObject()).SaveAs(ctx.workFolder + QLatin1Char('/') + baseName + QStringLiteral(".jpg"),
                             AcroJSObject::JpegConversion);
        });
        trap.step(112, [&] { Need(doc, acrobatObject()).Close(); });
        trap.step(114, [&] { result.pagesProduced = true; });
    }
    else if (doc && !doc->openError().isEmpty())
        result.cause = doc->openError();
    trap.step(116, [&] { Need(app, acrobatObject()).Exit(); });
    jso.reset();
    doc.reset();
    app.reset();
    result.unexpected = trap.reported();
    return result;
}
