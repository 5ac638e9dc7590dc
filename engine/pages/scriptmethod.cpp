#include "engine/pages/scriptmethod.h"

#include "engine/pages/scriptrun.h"

MethodResult runScriptMethod(MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method)
{
    return ScriptRun(ctx, pdfPath, method).run();
}
