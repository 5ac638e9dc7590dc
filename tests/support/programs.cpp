#include "tests/support/programs.h"

#include <QHash>
#include <QStandardPaths>

namespace TestPrograms {

namespace {

// The Debian package of each program the tests run but the project does not build; setup.sh
// installs them.
QString packageOf(const QString &program)
{
    static const QHash<QString, QString> packages{
        {QStringLiteral("gs"), QStringLiteral("ghostscript")},
        {QStringLiteral("cjpeg"), QStringLiteral("libjpeg-turbo-progs")},
        {QStringLiteral("qpdf"), QStringLiteral("qpdf")},
        {QStringLiteral("script"), QStringLiteral("util-linux")},
        {QStringLiteral("desktop-file-validate"), QStringLiteral("desktop-file-utils")},
        {QStringLiteral("appstreamcli"), QStringLiteral("appstream")},
        {QStringLiteral("dpkg-shlibdeps"), QStringLiteral("dpkg-dev")},
        {QStringLiteral("dpkg-deb"), QStringLiteral("dpkg")},
        {QStringLiteral("ssh"), QStringLiteral("openssh-client")},
        {QStringLiteral("ssh-keygen"), QStringLiteral("openssh-client")},
        {QStringLiteral("sshd"), QStringLiteral("openssh-server")},
    };
    return packages.value(program, program);
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
        // Servers (sshd) live in sbin, which a user's PATH may leave out.
        if (QStandardPaths::findExecutable(program).isEmpty()
            && QStandardPaths::findExecutable(program, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}).isEmpty())
            absent << program + QStringLiteral(" (Debian package ") + packageOf(program) + QLatin1Char(')');
    }
    if (absent.isEmpty())
        return {};
    return QStringLiteral("not installed: ") + absent.join(QStringLiteral(", "))
           + (absent.size() == 1 ? QStringLiteral("; this test needs it") : QStringLiteral("; this test needs them"));
}

} // namespace TestPrograms
