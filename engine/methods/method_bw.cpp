#include "engine/methods/methods.h"
#include "engine/methods/scriptmethod.h"

#include "sys/errortrap.h"

MethodResult PDF_To_GIF_BW(MethodContext &ctx, const QString &pdfPath)
{
    static const ScriptMethod method{QStringLiteral("bw"), QStringLiteral("convert.sh"),
                                       QStringLiteral("current"), QStringLiteral("*.jpg"),
                                       InfoOf(Method::BlackWhite).errorLocation, true, true};
    return runScriptMethod(ctx, pdfPath, method);
}
