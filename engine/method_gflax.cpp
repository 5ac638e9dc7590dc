#include "methods.h"
#include "../sys/errortrap.h"
// placeholder until the GflAx stand-in lands
void PDF_To_GIF_GFAX(MethodContext &, const QString &) { throw Failure(QStringLiteral("The GflAx method is not available yet")); }
