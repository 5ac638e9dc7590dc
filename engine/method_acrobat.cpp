#include "engine/methods.h"

#include "engine/acrobat.h"
#include "engine/conversionhost.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>

#include <memory>

namespace {

template <typename T>
T &Need(const std::unique_ptr<T> &object)
{
    if (!object)
        throw Failure(QCoreApplication::translate("Engine", "Object variable not set: the Acrobat object was not created"), ErrorCode::ObjectNotSet);
    return *object;
}

} // namespace

void PDF_To_GIF_Acro(MethodContext &ctx, const QString &pdfPath)
{
    ErrorTrap trap(ctx.reportTo(), InfoOf(Method::Acrobat).errorLocation);
    ctx.pagesProduced = false;

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
    if (trap.test(106, [&] { return Need(doc).Open(pdfPath); })) {
        trap.step(108, [&] {
            jso = Need(doc).GetJSObject();
            // The console's page range and resolution; by default every page at JpegDpi.
            const PageChoice choice = ctx.choice;
            if (!choice.allPages())
                jso->wanted = [choice](int page) { return choice.contains(page); };
            jso->rangeText = choice.rangeText;
            if (choice.dpi > 0)
                jso->dpi = choice.dpi;
        });
        trap.step(110, [&] {
            Need(jso).SaveAs(ctx.workFolder + QLatin1Char('/') + baseName + QStringLiteral(".jpg"),
                             AcroJSObject::JpegConversion);
        });
        trap.step(112, [&] { Need(doc).Close(); });
        trap.step(114, [&] { ctx.pagesProduced = true; });
    }
    else if (doc && !doc->openError().isEmpty())
        ctx.failureCause = doc->openError();
    trap.step(116, [&] { Need(app).Exit(); });
    jso.reset();
    doc.reset();
    app.reset();
}
