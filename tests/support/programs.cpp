#include "tests/support/programs.h"

#include <QStandardPaths>

namespace TestPrograms {

namespace {

QString packageOf(const QString &program)
{
    if (program == QLatin1String("gs"))
        return QStringLiteral("ghostscript");
    if (program == QLatin1String("cjpeg"))
        return QStringLiteral("libjpeg-turbo-progs");
    if (program == QLatin1String("script"))
        return QStringLiteral("util-linux");
    return program;
}

} // namespace

QStringList of(Method method)
{
    switch (method) {
    case Method::Ghostscript:
        return {QStringLiteral("gs"), QStringLiteral("cjpeg")};
    case Method::BlackWhite:
        return {QStringLiteral("gs")};
    case Method::Acrobat:
    case Method::GflAx:
        break;
    }
    return {};
}

QString missing(const QStringList &programs)
{
    QStringList absent;
    QStringList wanted = programs;
    wanted.removeDuplicates();
    for (const QString &program : std::as_const(wanted)) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            absent << program + QStringLiteral(" (Debian package ") + packageOf(program) + QLatin1Char(')');
    }
    if (absent.isEmpty())
        return {};
    return QStringLiteral("not installed: ") + absent.join(QStringLiteral(", "))
           + (absent.size() == 1 ? QStringLiteral("; this test needs it") : QStringLiteral("; this test needs them"));
}

} // namespace TestPrograms
