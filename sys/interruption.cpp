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

} // namespace

namespace Interruption {

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
    folders() << folder;
}

void removeScratchFolder(const QString &folder)
{
    folders().removeOne(folder);
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
            RemoveTree(folder);
        } catch (...) {
            // Nothing can be shown any more; what could go went.
        }
    }
    folders().clear();
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
