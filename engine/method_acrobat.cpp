#include "methods.h"
#include "../sys/errortrap.h"
// placeholder until the Acrobat stand-in lands
void PDF_To_GIF_Acro(MethodContext &, const QString &) { throw Failure(QStringLiteral("The Acrobat method is not available yet")); }
