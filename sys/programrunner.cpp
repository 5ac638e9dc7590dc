#include "sys/programrunner.h"
#include "sys/usertime.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <utility>
#include <csignal>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int DefaultErrorBase = -2147220456; // 0x80040418
constexpr int RefusalBase = -2147221504;      // 0x80040000
constexpr int StillActive = 259;

bool fileStartsWith(const QString &path, const QByteArray &magic)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(magic.size()) == magic;
}

} // namespace

ShellRefusal ShellRefusalTable(int code)
{
    const int defaultNumber = code + DefaultErrorBase;
    switch (code) {
    case 0:
    case 8:
        return {7, QCoreApplication::translate("Files", "Out of memory")};
    case 2:
        return {53, QCoreApplication::translate("Files", "File not found")};
    case 3:
        return {76, QCoreApplication::translate("Files", "Path not found")};
    case 5:
        return {75, QCoreApplication::translate("Files", "Path/file access error")};
    case 11:
        return {defaultNumber, QCoreApplication::translate("Files", "The executable file is invalid or corrupt")};
    case 26:
        return {75, QCoreApplication::translate("Files", "A sharing violation occurred.")};
    case 27:
        return {defaultNumber,
                QCoreApplication::translate("Files", "This file type does not have a valid file association.")};
    case 28:
        return {286, QCoreApplication::translate("Files", "The file could not be opened due to time out. Please try again in a moment.")};
    case 29:
        return {285, QCoreApplication::translate("Files", "The file could not be opened because the DDE transaction failed. Please try again in a moment.")};
    case 30:
        return {285, QCoreApplication::translate("Files", "The file could not be opened because the target application is busy. Please try again in a moment.")};
    case 31:
        return {defaultNumber, QCoreApplication::translate("Files", "No application is associated with this file type.")};
    case 32:
        return {48, QCoreApplication::translate("Files", "The specified dynamic-link library was not found.")};
    default:
        return {defaultNumber,
                QCoreApplication::translate("Files", "An error occurred occurred whilst trying to open or print the selected file.")};
    }
}

void ApplyChildLimits(const ChildLimits &limits)
{
    auto set = [](int resource, rlim_t value) {
        struct rlimit current;
        if (::getrlimit(resource, &current) != 0)
            return;
        // Never above the hard limit: that would fail, and the limit would not be set at all.
        if (current.rlim_max != RLIM_INFINITY && value > current.rlim_max)
            value = current.rlim_max;
        const struct rlimit wanted{value, current.rlim_max};
        ::setrlimit(resource, &wanted);
    };
    if (limits.memoryBytes > 0)
        set(RLIMIT_AS, rlim_t(limits.memoryBytes));
    if (limits.fileSizeBytes > 0)
        set(RLIMIT_FSIZE, rlim_t(limits.fileSizeBytes));
    if (limits.cpuSeconds > 0)
        set(RLIMIT_CPU, rlim_t(limits.cpuSeconds));
    // A renderer that dies of a hostile file must not leave a core file of its memory behind.
    const struct rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
}

int RefusalResult(int errorNumber)
{
    const long long sum = static_cast<long long>(errorNumber) + RefusalBase;
    if (sum < std::numeric_limits<int>::min() || sum > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(sum);
}

int ShellOpen(const QString &target, const QString &workingFolder, std::unique_ptr<QProcess> &process,
              const ChildLimits &limits)
{
    if (!workingFolder.isEmpty() && !IsExistingFolder(workingFolder))
        return 3;
    if (!PathExists(target))
        return IsExistingFolder(QFileInfo(target).absolutePath()) ? 2 : 3;
    if (!IsExistingFile(target))
        return 5;
    if (::access(QFile::encodeName(target).constData(), R_OK) != 0)
        return 5;

    QString program;
    QStringList args;
    const bool executable = ::access(QFile::encodeName(target).constData(), X_OK) == 0;
    const bool shebang = fileStartsWith(target, "#!");
    if (target.endsWith(QLatin1String(".sh"), Qt::CaseInsensitive) || (shebang && !executable)) {
        program = QStringLiteral("/bin/sh");
        if (!IsExistingFile(program))
            return 31;
        args << target;
    } else if (executable) {
        if (!shebang && !fileStartsWith(target, QByteArrayLiteral("\x7f" "ELF")))
            return 11;
        program = target;
    } else {
        return 31;
    }

    auto proc = std::make_unique<QProcess>();
    proc->setProgram(program);
    proc->setArguments(args);
    if (!workingFolder.isEmpty())
        proc->setWorkingDirectory(workingFolder);
    proc->setProcessChannelMode(QProcess::SeparateChannels);
    proc->setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so that a stop also reaches the programs the script started; the
    // limits are inherited by all of them. The program may ignore SIGPIPE; the script must not
    // inherit that.
    Interruption::PrepareLifeline();
    proc->setChildProcessModifier([limits] {
        ::setpgid(0, 0);
        Interruption::TieGroupToLifeline();
        ::signal(SIGPIPE, SIG_DFL);
        ApplyChildLimits(limits);
    });
    proc->start();
    if (!proc->waitForStarted(10000))
        return proc->error() == QProcess::FailedToStart ? 11 : 5;

    process = std::move(proc);
    return 0;
}

StartedProgram::StartedProgram() = default;
StartedProgram::StartedProgram(StartedProgram &&) noexcept = default;
StartedProgram &StartedProgram::operator=(StartedProgram &&) noexcept = default;
StartedProgram::~StartedProgram()
{
    stop();
}

void StartedProgram::stop()
{
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        if (const qint64 pid = process->processId(); pid > 0)
            ::kill(-static_cast<pid_t>(pid), SIGKILL);
        process->kill();
        process->waitForFinished(5000);
    }
    process.reset();
    group.reset();
}

int StartProgram(const QString &commandLine, const QString &workingFolder, const ChildLimits &limits, StartedProgram &program)
{
    QString target = commandLine.trimmed();
    if (target.size() >= 2 && target.startsWith(QLatin1Char('"')) && target.endsWith(QLatin1Char('"')))
        target = target.mid(1, target.size() - 2);
    program.stop();
    program.target = target;
    if (const int refusal = ShellOpen(target, workingFolder, program.process, limits))
        return RefusalResult(ShellRefusalTable(refusal).number);
    // Stopped with everything it started if the program has to end before it does.
    program.group = std::make_unique<Interruption::ProcessGroupGuard>(program.process->processId());
    return 0;
}

int RunAndWait(const QString &commandLine, const QString &workingFolder, const WaitOptions &options)
{
    StartedProgram program;
    if (const int refusal = StartProgram(commandLine, workingFolder, options.limits, program))
        return refusal;
    return WaitFor(program, options);
}

int WaitFor(StartedProgram &program, const WaitOptions &options)
{
    const std::unique_ptr<QProcess> &process = program.process;
    const QString &target = program.target;
    const auto yield = options.yield ? options.yield : [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
    // Only the tails are kept: a chatty program cannot fill the memory through its output.
    constexpr int TailBytes = 8192;
    QByteArray output, errors, partLine;
    auto collect = [&] {
        const QByteArray read = process->readAllStandardOutput();
        if (options.outputLine && !read.isEmpty()) {
            partLine += read;
            qsizetype from = 0;
            for (qsizetype end; (end = partLine.indexOf('\n', from)) >= 0; from = end + 1)
                options.outputLine(partLine.mid(from, end - from));
            partLine.remove(0, from);
        }
        output += read;
        if (output.size() > TailBytes)
            output = output.right(TailBytes);
        errors += process->readAllStandardError();
        if (errors.size() > TailBytes)
            errors = errors.right(TailBytes);
    };
    auto hand = [&] {
        if (options.outputLine && !partLine.isEmpty())
            options.outputLine(std::exchange(partLine, QByteArray()));
        if (options.output)
            *options.output = QString::fromLocal8Bit(output);
        if (options.errors)
            *options.errors = QString::fromLocal8Bit(errors);
    };
    auto stop = [&] {
        const qint64 pid = process->processId();
        if (pid > 0)
            ::kill(-static_cast<pid_t>(pid), SIGKILL);
        process->kill();
        process->waitForFinished(5000);
        collect();
        hand();
    };

    // Time with a box in front of the user is not the program's time (see UserTime).
    UserTime::WorkClock clock, sinceProgress;
    QElapsedTimer sinceAsked;
    clock.start();
    sinceProgress.start();
    sinceAsked.start();
    int exitCode = 0;
    do {
        if (process->state() != QProcess::NotRunning)
            exitCode = StillActive;
        else
            exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : 1;
        try {
            yield();
        } catch (...) {
            // Whatever the caller does while it waits may fail; the program does not go on alone.
            stop();
            throw;
        }
        if (process->state() != QProcess::NotRunning)
            process->waitForFinished(std::max(1, options.pollMs));
        else if (exitCode == StillActive)
            ::usleep(std::max(1, options.pollMs) * 1000);
        collect();
        if (exitCode != StillActive)
            break;
        if (options.timeoutMs > 0 && clock.elapsed() > options.timeoutMs) {
            stop();
            throw Failure(QCoreApplication::translate("Files", "%1 did not finish within %2 seconds and was stopped")
                              .arg(FileNameOf(target))
                              .arg(options.timeoutMs / 1000.0));
        }
        if (options.progressed && options.stallMs > 0 && sinceAsked.elapsed() >= 1000) {
            sinceAsked.restart();
            bool progressed = false;
            try {
                progressed = options.progressed();
            } catch (...) {
                stop();
                throw;
            }
            if (progressed)
                sinceProgress.start();
            else if (sinceProgress.elapsed() > options.stallMs) {
                stop();
                throw Failure(options.stalled ? options.stalled()
                                              : QCoreApplication::translate("Files", "%1 made no progress for %2 seconds and was stopped")
                                                    .arg(FileNameOf(target)).arg(options.stallMs / 1000.0));
            }
        }
    } while (true);
    hand();
    return exitCode;
}
