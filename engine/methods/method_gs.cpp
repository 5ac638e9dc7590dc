#include "engine/methods/methods.h"
#include "engine/methods/scriptmethod.h"

#include "sys/errortrap.h"

MethodResult PDF_To_GIF_GS(MethodContext &ctx, const QString &pdfPath)
{
    static const ScriptMethod method{QStringLiteral("ps"), QStringLiteral("pdf2tiff.sh"),
                                       QString(), QStringLiteral("current*.jpg"),
                                       InfoOf(Method::Ghostscript).errorLocation, false, true};
    return runScriptMethod(ctx, pdfPath, method);
}
