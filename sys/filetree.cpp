#include "sys/fileutil.h"

// Whole folders: removed without following a link, copied for a script to work in.

#include "sys/errortrap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <locale.h>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
namespace KillFolderStep {
constexpr int TrimTrailingSlash = 102;
constexpr int CheckFolderExists = 104;
constexpr int RemoveFolderTree = 106;
} // namespace KillFolderStep
} // namespace

void KillFolder(Dialogs &dialogs, const QString &folder, const char *removedLast)
{
    ErrorTrap trap(dialogs, KillFolderLocation);
    QString path = folder;
    trap.step(KillFolderStep::TrimTrailingSlash, [&] {
        if (path.endsWith(QLatin1Char('/')) && path.size() > 1)
            path.chop(1);
    });
    // The root and the empty path are never deleted, whatever the caller passes.
    if (path.isEmpty() || QDir(path).isRoot())
        return;
    if (trap.test(KillFolderStep::CheckFolderExists, [&] { return IsExistingFolder(path); })) {
        trap.step(KillFolderStep::RemoveFolderTree, [&] { RemoveTree(path, removedLast); });
    }
}

namespace {

// Empties the folder open as `dirFd`, entry by entry relative to it, so that no name is ever
// resolved through a link. Goes on after a failure; `failed` tells whether any occurred. An
// entry named `last` goes only after all the others did.
void removeContents(int dirFd, bool &failed, const char *last = nullptr)
{
    const int listFd = ::dup(dirFd);
    DIR *d = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!d) {
        if (listFd >= 0)
            ::close(listFd);
        failed = true;
        return;
    }
    std::vector<std::string> names;
    while (const dirent *e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0
            && (last == nullptr || std::strcmp(e->d_name, last) != 0))
            names.emplace_back(e->d_name);
    }
    ::closedir(d);
    if (last != nullptr)
        names.emplace_back(last);

    for (const std::string &name : names) {
        if (last != nullptr && failed && name == last)
            break;
        struct stat st;
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            failed = failed || errno != ENOENT;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            // A read-only folder must become writable before its entries can go.
            if ((st.st_mode & S_IRWXU) != S_IRWXU)
                ::fchmodat(dirFd, name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0);
            const int sub = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) {
                removeContents(sub, failed);
                ::close(sub);
            }
            if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
                failed = true;
        } else if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT) {
            failed = true;
        }
    }
}

} // namespace

void RemoveTree(const QString &folder, const char *removedLast)
{
    QString path = folder;
    // A trailing "/" would make the system follow a link in the last component.
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty() || path == QLatin1String("/"))
        throw Failure(QCoreApplication::translate("Files", "Permission denied: %1 is not a folder that can be deleted").arg(folder), ErrorCode::PermissionDenied);
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return;
        if (errno == ELOOP || errno == ENOTDIR)
            throw Failure(QCoreApplication::translate("Files", "Permission denied: %1 is a link or a file, not a folder of its "
                                         "own; it was left alone").arg(path), 70);
        throw Failure(QCoreApplication::translate("Files", "Permission denied: %1 could not be deleted completely").arg(path), ErrorCode::PermissionDenied);
    }
    bool failed = false;
    removeContents(fd, failed, removedLast);
    ::close(fd);
    if (::rmdir(name.constData()) != 0 && errno != ENOENT)
        failed = true;
    if (failed)
        throw Failure(QCoreApplication::translate("Files", "Permission denied: %1 could not be deleted completely").arg(path), ErrorCode::PermissionDenied);
}

void CopyFile(const QString &source, const QString &destination)
{
    if (!IsExistingFile(source))
        throw Failure(QCoreApplication::translate("Files", "File not found: %1").arg(source), ErrorCode::FileNotFound);
    if (PathExists(destination) && !QFile::remove(destination))
        throw Failure(QCoreApplication::translate("Files", "Permission denied: %1").arg(destination), ErrorCode::PermissionDenied);
    QFile in(source);
    if (!in.copy(destination))
        throw Failure(QCoreApplication::translate("Files", "Cannot copy %1 to %2: %3")
                          .arg(source, destination, in.errorString()), ErrorCode::PathFileAccess);
}

void LinkOrCopyFile(const QString &source, const QString &destination)
{
    if (!IsExistingFile(source))
        throw Failure(QCoreApplication::translate("Files", "File not found: %1").arg(source), ErrorCode::FileNotFound);
    // Whatever is in the way goes, a dangling link too (never what a link points to).
    const QByteArray to = QFile::encodeName(destination);
    struct stat st;
    if (::lstat(to.constData(), &st) == 0 && ::unlink(to.constData()) != 0)
        throw Failure(QCoreApplication::translate("Files", "Permission denied: %1").arg(destination), ErrorCode::PermissionDenied);
    const QString target = QFileInfo(source).absoluteFilePath();
    if (::symlink(QFile::encodeName(target).constData(), to.constData()) == 0)
        return;
    CopyFile(source, destination);
}

void CopyFolder(const QString &source, const QString &destination)
{
    if (!IsExistingFolder(source))
        throw Failure(QCoreApplication::translate("Files", "Path not found: %1").arg(source), ErrorCode::PathNotFound);
    if (!QDir().mkpath(destination))
        throw Failure(QCoreApplication::translate("Files", "Cannot create folder %1").arg(destination), ErrorCode::PathFileAccess);
    const QDir src(source);
    const QFileInfoList entries =
        src.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        const QString target = destination + QLatin1Char('/') + fi.fileName();
        if (fi.isDir()) {
            CopyFolder(fi.filePath(), target);
        } else {
            CopyFile(fi.filePath(), target);
            // Keep the script's execute bits.
            QFile::setPermissions(target, fi.permissions() | QFile::WriteOwner | QFile::ReadOwner);
        }
    }
}
