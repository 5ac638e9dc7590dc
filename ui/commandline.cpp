#include "ui/commandline.h"

#include <QDir>
#include <QUrl>

QStringList CommandLinePaths(const QStringList &names, const QString &currentFolder)
{
    QStringList paths;
    for (const QString &name : names) {
        if (name.isEmpty())
            continue;
        QString path = name;
        // A name cannot hold "://" (a folder would have an empty name), so it is an address.
        if (name.contains(QLatin1String("://"))) {
            const QUrl url(name);
            if (!url.isLocalFile())
                continue; // only local files can be converted
            path = url.toLocalFile();
        }
        // A drop delivers clean absolute paths without a trailing "/"; give the same.
        paths << QDir::cleanPath(QDir(currentFolder).absoluteFilePath(path));
    }
    return paths;
}
