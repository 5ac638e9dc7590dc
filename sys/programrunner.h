#pragma once

// The program runner: starts a script or a program (the methods' conversion scripts) in a
// process group of its own and under limits, and waits for it while the caller's events go on.
// The function names are the ones the methods were written against.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

class QProcess;

struct ShellRefusal {
    int number;
    QString description;
};

// Error number and description for a refusal code from 0 to 32.
ShellRefusal ShellRefusalTable(int code);

// The value RunAndWait returns for a refusal with this error number.
int RefusalResult(int errorNumber);

// Limits set on a started program (and on everything it starts) before it runs, so that a
// hostile input cannot take the machine's memory or fill its disk. 0 leaves a limit as it is.
struct ChildLimits {
    qint64 memoryBytes = 0;   // address space (RLIMIT_AS); an allocation beyond it fails
    qint64 fileSizeBytes = 0; // largest file it may write (RLIMIT_FSIZE)
    int cpuSeconds = 0;       // processor time (RLIMIT_CPU)
};

// Variables a started program is given besides the ones it inherits; a null value removes one.
// Set on the program alone: the caller's own environment is never changed, so threads that
// read it meanwhile are safe.
using ChildEnvironment = QList<QPair<const char *, QByteArray>>;

// Sets `limits` on the calling process and turns core dumps off. Only system calls: safe to
// call between fork and exec.
void ApplyChildLimits(const ChildLimits &limits);

// Starts `target`: an executable directly, a shell script (".sh" or "#!" first line) through
// /bin/sh, in `workingFolder` when one is given. No text ever goes through a shell command line.
// Gives 0 and the started process in `process`, or the refusal code (ShellRefusalTable) of a
// start that cannot be made: 2 no such file, 3 no such folder, 5 not permitted, 11 not a
// program, 31 nothing to run it with. The program runs in a process group of its own, under
// `limits`; its standard output and standard error stay apart. Where the system gave a reason
// for a refusal, it goes into `why`.
int ShellOpen(const QString &target, const QString &workingFolder, std::unique_ptr<QProcess> &process,
              const ChildLimits &limits = {}, QString *why = nullptr, const ChildEnvironment &environment = {});

struct WaitOptions {
    std::function<void()> yield;  // defaults to processing pending events
    int timeoutMs = 0;            // 0: no bound; otherwise the program is stopped and a Failure thrown
    QString *output = nullptr;    // receives the tail of the program's standard output
    QString *errors = nullptr;    // receives the tail of its standard error
    // Called with each line of the program's standard output (without its newline) as soon as
    // it is read, while the program runs and for what is left once it has ended. A program
    // that talks to its caller line by line is heard while it works, not only at its end.
    std::function<void(const QByteArray &line)> outputLine;
    ChildLimits limits;
    int pollMs = 100;             // how often the program is checked on and `yield` called

    // Watchdog: when `progressed` has not answered true for `stallMs`, the program's whole
    // process group is stopped and a Failure with the text of `stalled` is thrown. Asked about
    // once a second.
    std::function<bool()> progressed;
    int stallMs = 0;
    std::function<QString()> stalled;
};

namespace Interruption {
class ProcessGroupGuard;
}

// A program started by StartProgram, in its own process group, which ends with the program
// (Interruption) if it has to end first. Destroying it stops the group.
struct StartedProgram {
    StartedProgram();
    StartedProgram(StartedProgram &&) noexcept;
    StartedProgram &operator=(StartedProgram &&) noexcept;
    ~StartedProgram();
    // Kills the whole process group, if it still runs.
    void stop();

    QString target;
    QString refusal; // why it could not be started, in words
    std::unique_ptr<QProcess> process;
    std::unique_ptr<Interruption::ProcessGroupGuard> group;
};

// Starts the command (a path, optionally enclosed in double quotes) under `limits`, with
// `environment` added: 0, or RefusalResult() of the refusal's error number when it could not start.
int StartProgram(const QString &commandLine, const QString &workingFolder, const ChildLimits &limits, StartedProgram &program,
                 const ChildEnvironment &environment = {});

// Waits for a started program as RunAndWait does (`options.limits` are not used: it runs
// under the ones it was started with). Its standard output and error since the start are read.
int WaitFor(StartedProgram &program, const WaitOptions &options = {});

// Starts the command (a path, optionally enclosed in double quotes) and waits for its end,
// yielding every `pollMs` (100 ms). Returns its exit code, or RefusalResult() of the refusal's
// error number, at once, when it could not start.
int RunAndWait(const QString &commandLine, const QString &workingFolder, const WaitOptions &options = {});
