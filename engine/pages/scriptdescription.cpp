#include "engine/pages/scriptdescription.h"

QString ScriptPageImageName(const QString &baseName, int page)
{
    return baseName + QLatin1Char('-') + QStringLiteral("%1").arg(page, 3, 10, QLatin1Char('0')) + QStringLiteral(".jpg");
}
