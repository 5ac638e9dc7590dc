#pragma once

// The program runner: starts a script or a program (the methods' conversion scripts) with
// separate arguments, in a process group of its own and under limits, and waits for it while
// the caller's events go on. The function names are the ones the methods were written against.

#include <QString>
#include <functional>
#include <memory>

class QProcess;

// The outcome of a start that the shell refused.
struct ShellError {
    int number = 0;
    QString source;
    QString description;
    bool isSet() const { return number != 0 || !description.isEmpty(); }
};

struct ShellRefusal {
    int number;
    QString description;
};

// Error number and description for a refusal code from 0 to 32.
ShellRefusal ShellRefusalTable(int code);

struct ShellOpenResult {
    int result = 0;        // above 32: started; 0 to 32: a refusal code
    ShellError error;      // filled when refused
    int windowStyle = 1;   // the show-window style the start was made with
};

// Limits set on a started program (and on everything it starts) before it runs, so that a
// hostile input cannot take the machine's memory or fill its disk. 0 leaves a limit as it is.
struct ChildLimits {
    qint64 memoryBytes = 0;   // address space (RLIMIT_AS); an allocation beyond it fails
    qint64 fileSizeBytes = 0; // largest file it may write (RLIMIT_FSIZE)
    int cpuSeconds = 0;       // processor time (RLIMIT_CPU)
};

// Sets `limits` on the calling process and turns core dumps off. Only system calls: safe to
// call between fork and exec.
void ApplyChildLimits(const ChildLimits &limits);

// Starts `target` the way the platform opens it: an executable directly, a shell script
// (".sh" or "#!" first line) through /bin/sh. No text ever goes through a shell command line:
// the target and each parameter are separate arguments. On success and when `process` is
// given, it receives the started process; otherwise the process runs on by itself.
// The program runs in a process group of its own, under `limits` when given; its standard output
// and standard error stay apart.
ShellOpenResult ShellOpen(const QString &target, int windowStyle, const QString &parameters,
                          const QString &workingFolder, const QString &verb,
                          std::unique_ptr<QProcess> *process = nullptr,
                          const ChildLimits &limits = {});

struct RunOptions {
    std::function<void()> yield;  // defaults to processing pending events
    int timeoutMs = 0;            // 0: no bound; otherwise the program is stopped and a Failure thrown
    QString *output = nullptr;    // receives the tail of the program's standard output
    QString *errors = nullptr;    // receives the tail of its standard error
    ChildLimits limits;
    int pollMs = 100;             // how often the program is checked on and `yield` called

    // Watchdog: when `progressed` has not answered true for `stallMs`, the program's whole
    // process group is stopped and a Failure with the text of `stalled` is thrown. Asked about
    // once a second.
    std::function<bool()> progressed;
    int stallMs = 0;
    std::function<QString()> stalled;
};

// Starts the command (a path, optionally enclosed in double quotes) and waits for its end,
// yielding every `pollMs` (100 ms). Returns its exit code, or a refusal value when it could not start.
// A window style outside 0 to 6 becomes 6, also in the caller's variable.
int RunAndWait(const QString &commandLine, int &windowStyle, const QString &workingFolder,
               const RunOptions &options = {});

// The value RunAndWait returns for a refusal with this error number.
int RefusalResult(int errorNumber);
