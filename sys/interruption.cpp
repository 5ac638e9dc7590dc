#include "sys/interruption.h"

#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<qint64> &groups()
{
    static std::vector<qint64> list;
    return list;
}

std::vector<Interruption::SettleGuard *> &settlers()
{
    static std::vector<Interruption::SettleGuard *> list;
    return list;
}

QStringList &folders()
{
    static QStringList list;
    return list;
}

QList<int> &folderLocks() // beside folders(), one a folder, -1 where none could be taken
{
    static QList<int> list;
    return list;
}

// The self-pipe: the handler only records the signal and writes one byte; the work is done on
// the user-interface thread when the notifier sees the byte.
int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_signal = 0;

void onSignal(int signal)
{
    const int savedErrno = errno;
    if (g_signal == 0)
        g_signal = signal;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

// Whether a process of `group` still runs (a zombie has ended; it only waits to be reaped).
bool groupRuns(qint64 group)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        if (pid.isEmpty() || !pid.at(0).isDigit())
            continue;
        QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid pgrp ...": the name may hold anything, so read after its ")".
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z" && fields[0] != "X")
            return true;
    }
    return false;
}

// Written by nobody: its write end is open in this program only (close-on-exec), so the read
// end sees the end of file exactly when the program is gone.
int g_lifeline[2] = {-1, -1};

// The lock file in a scratch folder; its descriptors stay open until the program ends.
const char *const LockName = Interruption::ScratchLockName;

} // namespace

namespace Interruption {

void PrepareLifeline()
{
    if (g_lifeline[0] < 0 && ::pipe2(g_lifeline, O_CLOEXEC) != 0)
        g_lifeline[0] = g_lifeline[1] = -1;
}

void TieGroupToLifeline()
{
    const int readEnd = g_lifeline[0];
    if (readEnd < 0)
        return;
    const pid_t leader = ::getpid();
    const pid_t watcher = ::fork();
    if (watcher != 0)
        return; // the child goes on to exec; a watcher that could not be made is no reason to fail
    ::prctl(PR_SET_PDEATHSIG, SIGKILL); // ends with the child, also across the exec below
    if (::getppid() != leader)
        ::_exit(0);
    // Nothing of the child's: not its pipes to the program, not the lifeline's write end. The
    // lifeline becomes descriptor 3, the standard ones /dev/null.
    // dup2 leaves the copy open across exec; a read end that is already descriptor 3 keeps its
    // close-on-exec flag and must lose it by hand, or the shell below finds no lifeline and
    // ends the group at once.
    if (readEnd != 3 ? ::dup2(readEnd, 3) < 0 : ::fcntl(3, F_SETFD, 0) < 0)
        ::_exit(0);
    ::syscall(SYS_close_range, 4u, ~0u, 0u);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        if (null != fd)
            ::dup2(null, fd);
    if (null > 2)
        ::close(null);
    // A shell waits on the lifeline, not a copy of this program: a fork keeps the program's
    // memory mapped, and every measure of the program's memory would count it once more.
    char group[24];
    char *end = group + sizeof group;
    *--end = '\0';
    for (unsigned long n = static_cast<unsigned long>(leader); n != 0 || end == group + sizeof group - 1; n /= 10)
        *--end = char('0' + n % 10);
    char shell[] = "sh", option[] = "-c", script[] = "read -r line <&3; kill -s KILL -- -\"$0\"";
    char *const arguments[] = {shell, option, script, end, nullptr};
    char *const environment[] = {nullptr};
    ::execve("/bin/sh", arguments, environment);
    // No shell: this process waits itself.
    char byte;
    while (::read(3, &byte, 1) < 0 && errno == EINTR) {
    }
    ::kill(-leader, SIGKILL);
    ::_exit(0);
}

void RemoveAbandonedScratchFolders(const QString &parent, const QString &prefix)
{
    const QByteArray parentPath = QFile::encodeName(parent);
    const int dirFd = ::open(parentPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    const QStringList names = QDir(parent).entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden
                                                                                     | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &name : names) {
        const QByteArray bytes = QFile::encodeName(name);
        struct stat info;
        if (::fstatat(dirFd, bytes.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode)
            || info.st_uid != ::geteuid())
            continue;
        // The folder is opened without following a link, and its lock through that descriptor.
        const int folderFd = ::openat(dirFd, bytes.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folderFd < 0)
            continue;
        const int lockFd = ::openat(folderFd, LockName, O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        ::close(folderFd);
        if (lockFd < 0)
            continue; // not made by a run that locks (an older program may still use it)
        const bool gone = ::flock(lockFd, LOCK_EX | LOCK_NB) == 0;
        if (gone) {
            try {
                // The lock last: a folder that could not be emptied, or whose removal was cut
                // short, keeps it and is tried again by the next run.
                RemoveTree(parent + QLatin1Char('/') + name, LockName);
            } catch (...) {
                // What could go went; the rest is tried again by the next run.
            }
        }
        ::close(lockFd);
    }
    ::close(dirFd);
}

ProcessGroupGuard::ProcessGroupGuard(qint64 processGroup) : m_group(processGroup)
{
    if (m_group > 0)
        groups().push_back(m_group);
}

ProcessGroupGuard::~ProcessGroupGuard()
{
    auto &list = groups();
    const auto it = std::find(list.begin(), list.end(), m_group);
    if (it != list.end())
        list.erase(it);
}

SettleGuard::SettleGuard(std::function<void()> settle) : m_settle(std::move(settle))
{
    settlers().push_back(this);
}

SettleGuard::~SettleGuard()
{
    auto &list = settlers();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void addScratchFolder(const QString &folder)
{
    // Made under another name and renamed once locked, so that a run cleaning up never finds the
    // lock file of a live run unlocked.
    const QByteArray draft = QFile::encodeName(folder + QStringLiteral("/.lock-new"));
    int fd = ::open(draft.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 && (::flock(fd, LOCK_EX | LOCK_NB) != 0
                    || ::rename(draft.constData(), QFile::encodeName(folder + QLatin1Char('/') + QLatin1String(LockName)).constData()) != 0)) {
        ::close(fd);
        fd = -1;
    }
    folders() << folder;
    folderLocks() << fd;
}

void removeScratchFolder(const QString &folder)
{
    const qsizetype at = folders().indexOf(folder);
    if (at < 0)
        return;
    if (folderLocks().at(at) >= 0)
        ::close(folderLocks().at(at));
    folders().removeAt(at);
    folderLocks().removeAt(at);
}

void CleanUpNow()
{
    for (SettleGuard *guard : settlers())
        if (guard->m_settle)
            guard->m_settle();
    settlers().clear();
    for (const qint64 group : groups())
        ::kill(-pid_t(group), SIGKILL);
    // A killed process may still be finishing a write; the folders go once nothing runs.
    QElapsedTimer clock;
    clock.start();
    for (const qint64 group : groups()) {
        while (groupRuns(group) && clock.elapsed() < 5000)
            QThread::msleep(10);
    }
    groups().clear();
    for (const QString &folder : folders()) {
        try {
            RemoveTree(folder, LockName);
        } catch (...) {
            // Nothing can be shown any more; what could go went.
        }
    }
    folders().clear();
    for (const int fd : std::as_const(folderLocks()))
        if (fd >= 0)
            ::close(fd);
    folderLocks().clear();
}

void EndIfSignalled()
{
    const int signal = g_signal;
    if (signal == 0)
        return;
    CleanUpNow();
    std::fflush(nullptr);
    std::_Exit(128 + signal);
}

void EndCleanlyOnSignals()
{
    std::signal(SIGPIPE, SIG_IGN);
    if (g_pipe[0] >= 0)
        return;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        EndIfSignalled();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace Interruption
