#pragma once

#include <QString>

#include <functional>

// What the program must not leave behind when it ends abruptly (a termination signal, or the
// window closed in the middle of a run, which ends the process at once): the process groups of
// the scripts it is running and the private folders of its runs. Their owners register them for
// as long as they exist; CleanUpNow() stops and deletes whatever is registered at that moment.
// Everything here is used from the user-interface thread only.
namespace Interruption {

// A running child's process group, registered for the guard's lifetime.
class ProcessGroupGuard {
public:
    explicit ProcessGroupGuard(qint64 processGroup);
    ~ProcessGroupGuard();
    ProcessGroupGuard(const ProcessGroupGuard &) = delete;
    ProcessGroupGuard &operator=(const ProcessGroupGuard &) = delete;

private:
    qint64 m_group;
};

// Work on another thread that must be let finish, not cut off, when the program ends (a GIF
// being written beside its final name would leave its temporary file in the output folder):
// `settle` drops what has not started and waits for what has. Registered for the guard's
// lifetime; CleanUpNow() settles first.
class SettleGuard {
public:
    explicit SettleGuard(std::function<void()> settle);
    ~SettleGuard();
    SettleGuard(const SettleGuard &) = delete;
    SettleGuard &operator=(const SettleGuard &) = delete;

private:
    std::function<void()> m_settle;
    friend void CleanUpNow();
};

// Children that die with the program, whatever ends it (SIGKILL and the OOM killer included):
// PrepareLifeline() in the program before a child is started, then TieGroupToLifeline() in the
// child between fork and exec, once it leads a process group of its own. The child then has a
// watcher in its group that kills the whole group (the script, its Ghostscripts, the renderer)
// when the program's end of a pipe closes; the watcher itself ends with the child.
void PrepareLifeline();
void TieGroupToLifeline(); // async-signal-safe: for the child between fork and exec

// A registered scratch folder holds a lock file for as long as it is registered; the system
// drops the lock however the program ends. RemoveAbandonedScratchFolders() removes the folders
// in `parent` whose names start with `prefix` that belong to this user, are no links, and hold
// a lock file whose lock nobody holds any more: the folders of runs that were killed.
void RemoveAbandonedScratchFolders(const QString &parent, const QString &prefix);
// The lock file's name in a scratch folder: whoever removes the folder removes it last.
inline constexpr const char *ScratchLockName = ".lock";

void addScratchFolder(const QString &folder);
void removeScratchFolder(const QString &folder);

// Settles the registered work, kills every registered process group, waits (a bounded while) until none of their processes
// runs any more, then deletes every registered folder without following links. Says nothing.
void CleanUpNow();

// From now on SIGINT, SIGTERM and SIGHUP end the program at the next point where it yields to
// the event loop: CleanUpNow(), then exit status 128 + the signal number. SIGPIPE is ignored, so
// a reader that went away makes writes fail instead of ending the program half-way. Needs a
// QCoreApplication.
void EndCleanlyOnSignals();

// For a signal that arrived while the program did not yield: ends it as above; otherwise returns.
void EndIfSignalled();

} // namespace Interruption
