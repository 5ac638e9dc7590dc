#include "processes.h"

#include "engine/render/pdfpages.h"

#include <poppler-qt6.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <linux/kcmp.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char **environ;

namespace bench {

QStringList renderLossless(const QString &pdf, const QString &dir, QString *error, bool blackAndWhite)
{
    QDir().mkpath(dir);
    QStringList args{QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-r144")};
    if (blackAndWhite)
        args << QStringLiteral("-sDEVICE=pbmraw") << QStringLiteral("-sOutputFile=") + dir + QStringLiteral("/page-%03d.pbm")
             << QStringLiteral("-c") << QStringLiteral("{0.5 lt {0} {1} ifelse} settransfer");
    else
        args << QStringLiteral("-sDEVICE=png16m") << QStringLiteral("-dTextAlphaBits=4") << QStringLiteral("-dGraphicsAlphaBits=4")
             << QStringLiteral("-sOutputFile=") + dir + QStringLiteral("/page-%03d.png");
    args << QStringLiteral("-f") << pdf;
    const ChildRun run = runChild(findProgram({QStringLiteral("gs")}), args);
    QStringList pages;
    for (const QString &name : QDir(dir).entryList({QStringLiteral("page-*")}, QDir::Files, QDir::Name))
        pages << dir + QLatin1Char('/') + name;
    if (run.exitCode != 0 || pages.isEmpty()) {
        if (error)
            *error = QStringLiteral("gs failed (exit %1): %2").arg(run.exitCode).arg(QString::fromLocal8Bit(run.err).trimmed());
        return {};
    }
    return pages;
}

QStringList renderLosslessPoppler(const QString &pdf, const QString &dir, QString *error)
{
    QDir().mkpath(dir);
    const std::unique_ptr<Poppler::Document> document = PdfPages::open(pdf, error);
    if (!document)
        return {};
    QStringList pages;
    for (int i = 0; i < document->numPages(); ++i) {
        const QString path = QStringLiteral("%1/page-%2.png").arg(dir).arg(i + 1, 3, 10, QLatin1Char('0'));
        if (!PdfPages::render(*document, i, 144).save(path)) {
            if (error)
                *error = QStringLiteral("poppler could not render page %1").arg(i + 1);
            return {};
        }
        pages << path;
    }
    return pages;
}

QString projectScript()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ps/pdf2tiff.sh");
}

QStringList renderWithScript(const QString &script, const QString &pdf, const QString &workDir,
                             QString *error, double *wallMs)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return QStringList();
    };
    QDir().mkpath(workDir);
    // The whole script folder, as the method copies it: the script calls its neighbours.
    const QString from = QFileInfo(script).absolutePath();
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(workDir + QLatin1Char('/') + name);
        if (!QFile::copy(from + QLatin1Char('/') + name, workDir + QLatin1Char('/') + name))
            return fail(QStringLiteral("cannot copy %1 to %2").arg(from + QLatin1Char('/') + name, workDir));
    }
    const QString copy = workDir + QLatin1Char('/') + QFileInfo(script).fileName();
    if (!QFile::copy(pdf, workDir + QStringLiteral("/current.pdf")))
        return fail(QStringLiteral("cannot copy %1 to %2").arg(pdf, workDir));
    const ChildRun run = runChild(QStringLiteral("/bin/sh"), {copy}, workDir);
    if (wallMs)
        *wallMs = run.wallMs;
    if (!run.started || run.exitCode != 0)
        return fail(QStringLiteral("%1 failed (exit %2): %3").arg(script).arg(run.exitCode)
                        .arg(QString::fromLocal8Bit(run.err).trimmed()));
    if (QFile::exists(workDir + QStringLiteral("/current.pdf")))
        return fail(QStringLiteral("%1 left current.pdf behind").arg(script));
    QStringList pages;
    for (const QString &name : QDir(workDir).entryList({QStringLiteral("current*.jpg")}, QDir::Files, QDir::Name))
        pages << workDir + QLatin1Char('/') + name;
    if (pages.isEmpty())
        return fail(QStringLiteral("%1 produced no page image").arg(script));
    return pages;
}

namespace {

// The memory of `root` and all its descendants, in kB, from /proc: resident (RSS, each
// process's shared libraries counted again in every process) and proportional (PSS, shared
// pages divided among the processes that share them: what the tree really takes).
std::pair<long, long> treeMemoryKb(pid_t root)
{
    std::vector<std::pair<pid_t, pid_t>> parents; // (pid, parent)
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        bool number = false;
        const pid_t pid = it.fileName().toInt(&number);
        if (!number)
            continue;
        QFile status(it.filePath() + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("PPid:"))
                parents.push_back({pid, line.mid(5).trimmed().toInt()});
    }
    std::vector<pid_t> tree{root};
    for (size_t i = 0; i < tree.size(); ++i)
        for (const auto &[pid, parent] : parents)
            if (parent == tree[i])
                tree.push_back(pid);
    long total = 0, proportional = 0;
    for (const auto &[pid, parentPid] : parents) {
        if (std::find(tree.begin(), tree.end(), pid) == tree.end())
            continue;
        // A child between vfork and exec (Ghostscript starting a page's pipe, through popen)
        // runs in its parent's address space: /proc shows the parent's memory again under its
        // number. Counted once, with the parent. Asked before its memory is read: a child
        // can only stop sharing (by exec), so what is read after a "not shared" is its own.
        if (pid != root && ::syscall(SYS_kcmp, pid, parentPid, KCMP_VM, 0, 0) == 0)
            continue;
        long kb = 0;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:"))
                    kb = line.mid(6).trimmed().split(' ').value(0).toLong();
        total += kb;
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (rollup.open(QIODevice::ReadOnly))
            for (const QByteArray &line : rollup.readAll().split('\n'))
                if (line.startsWith("Pss:"))
                    proportional += line.mid(4).trimmed().split(' ').value(0).toLong();
    }
    return {total, proportional};
}

qint64 bytesBelow(const QString &dir)
{
    qint64 total = 0;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        // A link takes no space of its own (the scripts read the PDF through one).
        if (!it.fileInfo().isSymLink())
            total += it.fileInfo().size();
    }
    return total;
}

bool hasFileEnding(const QString &dir, const QString &suffix)
{
    for (const QString &name : QDir(dir).entryList(QDir::Files))
        if (name.endsWith(suffix))
            return true;
    return false;
}

} // namespace

ChildRun runChild(const QString &program, const QStringList &args, const QString &cwd,
                  const QStringList &env, const Watch &watch)
{
    ChildRun run;
    QTemporaryDir capture;
    const QByteArray outPath = QFile::encodeName(capture.filePath(QStringLiteral("out")));
    const QByteArray errPath = QFile::encodeName(capture.filePath(QStringLiteral("err")));

    QList<QByteArray> argStore{QFile::encodeName(program)};
    for (const QString &a : args)
        argStore << a.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    QList<QByteArray> envStore;
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('=') + 1);
        bool overridden = false;
        for (const QString &o : env)
            overridden |= o.toLocal8Bit().startsWith(name);
        if (!overridden)
            envStore << entry;
    }
    for (const QString &o : env)
        envStore << o.toLocal8Bit();
    std::vector<char *> envp;
    for (QByteArray &e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const QByteArray dir = QFile::encodeName(cwd);
    // posix_spawn_file_actions_addchdir_np is glibc 2.29+, which Debian 12 has.
    if (!cwd.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.constData());

    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        run.err = QByteArray("cannot start ") + argv[0] + ": " + strerror(rc);
        return run;
    }
    run.started = true;
    int status = 0;
    rusage usage{};
    const bool watching = watch.treeMemory || !watch.scratchDir.isEmpty() || !watch.outputDir.isEmpty();
    for (;;) {
        const pid_t done = wait4(pid, &status, watching ? WNOHANG : 0, &usage);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            break;
        if (done == 0) {
            if (watch.treeMemory)
            {
                const auto [rssKb, pssKb] = treeMemoryKb(pid);
                run.treePeakKb = std::max(run.treePeakKb, rssKb);
                run.treePssPeakKb = std::max(run.treePssPeakKb, pssKb);
            }
            if (!watch.scratchDir.isEmpty())
                run.scratchPeak = std::max(run.scratchPeak, bytesBelow(watch.scratchDir));
            if (!watch.outputDir.isEmpty() && run.firstOutputMs < 0 && hasFileEnding(watch.outputDir, watch.outputSuffix))
                run.firstOutputMs = clock.nsecsElapsed() / 1e6;
            usleep(10000);
        }
    }
    run.wallMs = clock.nsecsElapsed() / 1e6;
    run.maxRssKb = usage.ru_maxrss;
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile out(QString::fromLocal8Bit(outPath)), err(QString::fromLocal8Bit(errPath));
    if (out.open(QIODevice::ReadOnly))
        run.out = out.readAll();
    if (err.open(QIODevice::ReadOnly))
        run.err = err.readAll();
    return run;
}

QString findProgram(const QStringList &names)
{
    for (const QString &n : names) {
        if (QFileInfo(n).isAbsolute()) {
            if (QFileInfo(n).isExecutable())
                return n;
            continue;
        }
        const QString found = QStandardPaths::findExecutable(n);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

long selfMaxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

namespace {

const char *PermissivePolicy = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- Written by a bench: lets this benchmark's ImageMagick read PDF. -->
<policymap>
  <policy domain="coder" rights="read|write" pattern="PDF" />
</policymap>
)";

} // namespace

QStringList magickEnvironment(const QString &convert, const QString &root, const QString &probePdf, bool &allowed)
{
    const QString probeGif = root + QStringLiteral("/probe.gif");
    ChildRun run = runChild(convert, {QStringLiteral("-density"), QStringLiteral("36"), probePdf, probeGif});
    allowed = run.exitCode == 0 && QFileInfo::exists(probeGif);
    if (allowed)
        return {};
    const QString config = root + QStringLiteral("/magick-home/.config/ImageMagick");
    QDir().mkpath(config);
    for (const QString &dir : {config, root + QStringLiteral("/magick-home")}) {
        QFile policy(dir + QStringLiteral("/policy.xml"));
        if (policy.open(QIODevice::WriteOnly))
            policy.write(PermissivePolicy);
    }
    const QStringList env{QStringLiteral("MAGICK_CONFIGURE_PATH=") + root + QStringLiteral("/magick-home"),
                          QStringLiteral("HOME=") + root + QStringLiteral("/magick-home")};
    run = runChild(convert, {QStringLiteral("-density"), QStringLiteral("36"), probePdf, probeGif}, QString(), env);
    allowed = run.exitCode == 0 && QFileInfo::exists(probeGif);
    QFile::remove(probeGif);
    return env;
}

} // namespace bench
