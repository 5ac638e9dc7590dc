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
#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <csignal>
#include <limits>
#include <type_traits>
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
    // The table's own defaults are results already (0x80040418 + code): adding the base again
    // would leave int, and a refusal must never read as 0, a start that was made.
    if (errorNumber < 0)
        return errorNumber;
    return errorNumber + RefusalBase;
}

int ShellOpen(const QString &target, const QString &workingFolder, std::unique_ptr<QProcess> &process,
              const ChildLimits &limits, QString *why, const ChildEnvironment &environment)
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
        if (!IsExistingFile(program)) {
            if (why)
                *why = QCoreApplication::translate("Files", "%1 is missing").arg(program);
            return 31;
        }
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
    if (!environment.isEmpty()) {
        QProcessEnvironment told = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : environment) {
            if (value.isNull())
                told.remove(QString::fromLatin1(name));
            else
                told.insert(QString::fromLatin1(name), QString::fromLocal8Bit(value));
        }
        proc->setProcessEnvironment(told);
    }
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
    if (!proc->waitForStarted(10000)) {
        // The system's reason (an environment too large, no process left to fork) says more
        // than the table's.
        if (why)
            *why = proc->errorString().remove(QRegularExpression(QStringLiteral("^execv\\w*: ")));
        return proc->error() == QProcess::FailedToStart ? 11 : 5;
    }

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

int StartProgram(const QString &commandLine, const QString &workingFolder, const ChildLimits &limits, StartedProgram &program,
                 const ChildEnvironment &environment)
{
    QString target = commandLine.trimmed();
    if (target.size() >= 2 && target.startsWith(QLatin1Char('"')) && target.endsWith(QLatin1Char('"')))
        target = target.mid(1, target.size() - 2);
    program.stop();
    program.target = target;
    program.refusal.clear();
    QString why;
    if (const int refusal = ShellOpen(target, workingFolder, program.process, limits, &why, environment)) {
        program.process.reset();
        program.refusal = why.isEmpty() ? ShellRefusalTable(refusal).description : why;
        return RefusalResult(ShellRefusalTable(refusal).number);
    }
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

namespace {

// One wait for a started program: what it says is read as it comes, and the bounds are held.
class Waiter {
public:
    Waiter(StartedProgram &program, const WaitOptions &options)
        : m_process(*program.process), m_target(program.target), m_options(options)
    {
        m_clock.start();
        m_sinceProgress.start();
        m_sinceAsked.start();
    }

    int run()
    {
        const auto yield = m_options.yield ? m_options.yield : [] {
            if (QCoreApplication::instance())
                QCoreApplication::processEvents();
        };
        const int pollMs = std::max(1, m_options.pollMs);
        while (true) {
            const int exitCode = m_process.state() != QProcess::NotRunning ? StillActive
                                 : m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode()
                                                                                  : 1;
            // Whatever the caller does while it waits may fail; the program does not go on alone.
            stoppedOnThrow(yield);
            // A program that talks line by line is heard as soon as it says something.
            if (m_process.state() != QProcess::NotRunning)
                waitAWhile(pollMs);
            else if (exitCode == StillActive)
                ::usleep(pollMs * 1000);
            collect();
            if (exitCode != StillActive) {
                hand();
                return exitCode;
            }
            holdTimeBound();
            holdStallBound();
        }
    }

private:
    // Only the tails are kept: a chatty program cannot fill the memory through its output.
    static constexpr int TailBytes = 8192;

    static void keepTail(QByteArray &bytes)
    {
        if (bytes.size() > TailBytes)
            bytes = bytes.right(TailBytes);
    }

    // Up to `ms` for the program to end; a program that talks line by line is heard as soon as
    // it says something. (Its standard output closed, it is waited for as a silent one.)
    void waitAWhile(int ms)
    {
        QElapsedTimer waited;
        waited.start();
        if (m_options.outputLine && m_process.waitForReadyRead(ms))
            return;
        if (const qint64 left = ms - waited.elapsed(); left > 0 && m_process.state() != QProcess::NotRunning)
            m_process.waitForFinished(int(left));
    }

    void collect()
    {
        const QByteArray read = m_process.readAllStandardOutput();
        if (m_options.outputLine && !read.isEmpty()) {
            m_partLine += read;
            qsizetype from = 0;
            for (qsizetype end; (end = m_partLine.indexOf('\n', from)) >= 0; from = end + 1)
                m_options.outputLine(m_partLine.mid(from, end - from));
            m_partLine.remove(0, from);
        }
        m_output += read;
        keepTail(m_output);
        m_errors += m_process.readAllStandardError();
        keepTail(m_errors);
    }

    void hand()
    {
        if (m_options.outputLine && !m_partLine.isEmpty())
            m_options.outputLine(std::exchange(m_partLine, QByteArray()));
        if (m_options.output)
            *m_options.output = QString::fromLocal8Bit(m_output);
        if (m_options.errors)
            *m_options.errors = QString::fromLocal8Bit(m_errors);
    }

    void stop()
    {
        if (const qint64 pid = m_process.processId(); pid > 0)
            ::kill(-static_cast<pid_t>(pid), SIGKILL);
        m_process.kill();
        m_process.waitForFinished(5000);
        collect();
        hand();
    }

    template <typename Call>
    std::invoke_result_t<const Call &> stoppedOnThrow(const Call &call)
    {
        try {
            return call();
        } catch (...) {
            stop();
            throw;
        }
    }

    void holdTimeBound()
    {
        if (m_options.timeoutMs <= 0 || m_clock.elapsed() <= m_options.timeoutMs)
            return;
        stop();
        throw Failure(QCoreApplication::translate("Files", "%1 did not finish within %2 seconds and was stopped")
                          .arg(FileNameOf(m_target))
                          .arg(m_options.timeoutMs / 1000.0));
    }

    // Asked about once a second.
    void holdStallBound()
    {
        if (!m_options.progressed || m_options.stallMs <= 0 || m_sinceAsked.elapsed() < 1000)
            return;
        m_sinceAsked.restart();
        if (stoppedOnThrow(m_options.progressed)) {
            m_sinceProgress.start();
            return;
        }
        if (m_sinceProgress.elapsed() <= m_options.stallMs)
            return;
        stop();
        throw Failure(m_options.stalled ? m_options.stalled()
                                        : QCoreApplication::translate("Files", "%1 made no progress for %2 seconds and was stopped")
                                              .arg(FileNameOf(m_target)).arg(m_options.stallMs / 1000.0));
    }

    QProcess &m_process;
    const QString &m_target;
    const WaitOptions &m_options;
    QByteArray m_output, m_errors, m_partLine;
    // Time with a box in front of the user is not the program's time (see UserTime).
    UserTime::WorkClock m_clock, m_sinceProgress;
    QElapsedTimer m_sinceAsked;
};

} // namespace

int WaitFor(StartedProgram &program, const WaitOptions &options)
{
    // A program that was never started has nothing to wait for: a caller that missed the
    // refusal learns it here, not through a null process.
    if (!program.process)
        throw Failure(QCoreApplication::translate("Files", "%1 could not be started: %2")
                          .arg(FileNameOf(program.target), program.refusal));
    return Waiter(program, options).run();
}
