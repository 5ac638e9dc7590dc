#include "engine/base/fault.h"

#include <QCoreApplication>

QString DocumentFaultText(Fault fault, const QString &pdf)
{
    switch (fault) {
    case Fault::Missing:
        return QCoreApplication::translate("Engine", "%1 was not found").arg(pdf);
    case Fault::NotPdf:
        return QCoreApplication::translate("Engine", "%1 is not a PDF file").arg(pdf);
    case Fault::Damaged:
        return QCoreApplication::translate("Engine", "%1 is damaged or is not a PDF file that can be read").arg(pdf);
    default:
        return QString();
    }
}
