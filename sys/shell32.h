#pragma once

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

// Starts `target` the way the platform opens it: an executable directly, a shell script
// (".sh" or "#!" first line) through /bin/sh. No text ever goes through a shell command line:
// the target and each parameter are separate arguments. On success and when `process` is
// given, it receives the started process; otherwise the process runs on by itself.
ShellOpenResult ShellOpen(const QString &target, int windowStyle, const QString &parameters,
                          const QString &workingFolder, const QString &verb,
                          std::unique_ptr<QProcess> *process = nullptr);

struct RunOptions {
    std::function<void()> yield;  // defaults to processing pending events
    int timeoutMs = 0;            // 0: no bound; otherwise the program is stopped and a Failure thrown
    QString *output = nullptr;    // receives the tail of the program's output
};

// Starts the command (a path, optionally enclosed in double quotes) and waits for its end,
// yielding every 100 ms. Returns its exit code, or a refusal value when it could not start.
// A window style outside 0 to 6 becomes 6, also in the caller's variable.
int RunAndWait(const QString &commandLine, int &windowStyle, const QString &workingFolder,
               const RunOptions &options = {});

// The value RunAndWait returns for a refusal with this error number.
int RefusalResult(int errorNumber);
