#include "engine/methods/scriptmethod.h"

#include "engine/methods/scriptrun.h"

QString ScriptPageImageName(const QString &baseName, int page)
{
    return baseName + QLatin1Char('-') + QStringLiteral("%1").arg(page, 3, 10, QLatin1Char('0')) + QStringLiteral(".jpg");
}

MethodResult runScriptMethod(MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method)
{
    return ScriptRun(ctx, pdfPath, method).run();
}
