#include "sys/appfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// Set by the build from the install layout: the data folder seen from the program folder.
#ifndef LUMENPAGE_INSTALLED_APPFOLDER
#define LUMENPAGE_INSTALLED_APPFOLDER "../share/lumenpage"
#endif

QString AppFolderFor(const QString &executableFolder)
{
    // A build tree has the script folders beside its executables. Checked first so that a
    // developer's build never picks up an older installed copy; a program folder such as
    // /usr/bin has no folder of that name.
    if (QFileInfo(executableFolder + QStringLiteral("/ps")).isDir())
        return executableFolder;
    const QString installed =
        QDir::cleanPath(executableFolder + QLatin1Char('/') + QStringLiteral(LUMENPAGE_INSTALLED_APPFOLDER));
    if (QFileInfo(installed).isDir())
        return installed;
    // Neither: the methods then report their missing folders against the program's own folder.
    return executableFolder;
}

QString AppFolder()
{
    return AppFolderFor(QCoreApplication::applicationDirPath());
}

QString HelperProgram(const QString &name)
{
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                     : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString beside = dir + QLatin1Char('/') + name;
    if (QFileInfo(beside).isFile())
        return beside;
    return QDir::cleanPath(dir + QStringLiteral("/../libexec/lumenpage/") + name);
}
