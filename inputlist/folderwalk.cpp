#include "inputlist/folderwalk.h"

#include "sys/dialogs.h"
#include "sys/fileutil.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

bool HasUnusableChars(const QByteArray &name)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(name);
    if (utf8.hasError())
        return true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 32 || (u >= 127 && u <= 159))
            return true;
    }
    return false;
}

namespace {

enum class Listing { Read, Denied, Failed };

// The usable sub-folders of `folder` (which ends in "/"), sorted.
Listing subfoldersOf(const QString &folder, QStringList &children, const std::function<void()> &yield)
{
    const QByteArray dirBytes = QFile::encodeName(folder);
    DIR *d = ::opendir(dirBytes.constData());
    if (!d)
        return (errno == EACCES || errno == EPERM) ? Listing::Denied : Listing::Failed;
    QStringList names;
    while (dirent *e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st;
        // lstat: a link to a folder is not a folder here, so it is never entered.
        if (::lstat((dirBytes + name).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        if (yield)
            yield();
        if (name.startsWith('.') || HasUnusableChars(name))
            continue;
        names << QFile::decodeName(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end(), NameLess);
    for (const QString &n : names)
        children << folder + n + QLatin1Char('/');
    return Listing::Read;
}

} // namespace

void CollectSubfolders(FolderList &list, bool recurse, const std::function<void()> &yield)
{
    FolderList found;
    const FolderList visiting = list;
    for (const QString &folder : visiting) {
        if (yield)
            yield();
        QStringList children;
        switch (subfoldersOf(folder, children, yield)) {
        case Listing::Denied:
            list.removeOne(folder);
            break;
        case Listing::Read:
        case Listing::Failed:
            found += children;
            break;
        }
    }
    if (recurse && !found.isEmpty())
        CollectSubfolders(found, true, yield);
    for (const QString &folder : std::as_const(found)) {
        if (yield)
            yield();
        list << folder;
    }
}

QStringList FilesInFolders(const FolderList &list, const QString &pattern)
{
    QStringList paths;
    for (const QString &entry : list) {
        const QString folder = entry.chopped(1);
        for (const QString &name : ListFiles(folder, pattern)) {
            if (name.startsWith(QLatin1Char('~')) || name.startsWith(QLatin1Char('.')))
                continue;
            QString path = folder + QLatin1Char('/') + name;
            if (!IsExistingFile(path))
                continue;
            paths << path.replace(QStringLiteral("//"), QStringLiteral("/"));
        }
    }
    return paths;
}

QStringList FilesOfTree(const QString &folder, const QString &pattern, const std::function<void()> &yield)
{
    FolderList folders{folder + QLatin1Char('/')};
    CollectSubfolders(folders, true, yield);
    return FilesInFolders(folders, pattern);
}

QString PickFolder(Dialogs &dialogs, const QString &prompt)
{
    QString folder = dialogs.pickFolder(prompt);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}
