#pragma once

#include "engine/pages/scriptdescription.h"

#include <QString>

struct MethodContext;
struct MethodResult;

MethodResult runScriptMethod(MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method);
