#include "cli/options.h"

#include "engine/base/pagechoice.h"
#include "inputlist/folderwalk.h"

#include "sys/fileutil.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {


// A value an option cannot take: one line naming the option and the value, before any work.
int badValue(const QString &option, const QString &value, const QString &why)
{
    std::fprintf(stderr, "lumenpage-batch: %s '%s': %s\n", option.toLocal8Bit().constData(),
                 value.toLocal8Bit().constData(), why.toLocal8Bit().constData());
    return 2;
}

// The first line of the password file, without its line end; false and the reason otherwise.
// The password itself is never put into a message.
bool readPassword(const QString &path, QByteArray *password, QString *error)
{
    // Opened without waiting (a pipe nobody writes to would hold the run before any message)
    // and taken only when it is a plain file: a device such as /dev/zero never ends.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *error = QCoreApplication::translate("Console", "cannot be read: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = QCoreApplication::translate("Console", "is not a regular file (a pipe or a device cannot hold the password)");
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = QCoreApplication::translate("Console", "cannot be read: ") + file.errorString();
        return false;
    }
    QByteArray line = file.readLine(4096);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        *error = QCoreApplication::translate("Console", "holds no password (its first line is empty)");
        return false;
    }
    *password = line;
    return true;
}

// The longest path the system takes; a longer line in a list cannot name a file.
constexpr qint64 MaxPathBytes = 4096;


void checkName(const QByteArray &raw, QStringList *names, QList<BadName> *bad)
{
    if (!IsValidUtf8(raw))
        bad->append({raw, QCoreApplication::translate("Console", "the name is not valid UTF-8, so the file cannot be opened")});
    else
        *names << QFile::decodeName(raw);
}

// The names in a list file: one a line, as they are (blanks included); empty lines skipped.
// "-" is standard input. Read a line at a time, never more than a path's length of it held.
bool readNameList(const QString &listFile, QStringList *names, QList<BadName> *bad, QString *error)
{
    QFile file;
    const bool standardInput = listFile == QLatin1String("-");
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(listFile), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = file.errorString();
        return false;
    }
    QByteArray line(MaxPathBytes + 2, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.readLine(line.data(), line.size());
        if (n <= 0)
            break;
        QByteArray name(line.constData(), n);
        bool whole = name.endsWith('\n');
        if (!whole && n == line.size() - 1) {
            // Longer than any path: the rest of the line is read and dropped.
            qint64 more;
            while ((more = file.readLine(line.data(), line.size())) > 0 && line.at(more - 1) != '\n') {
            }
            bad->append({name.left(60) + "...", QCoreApplication::translate("Console", "a line of the list is longer than %1 bytes, "
                                                                                        "so it names no file")
                                                    .arg(MaxPathBytes)});
            continue;
        }
        if (whole)
            name.chop(1);
        if (name.endsWith('\r'))
            name.chop(1); // a list written on another system
        if (!name.isEmpty())
            checkName(name, names, bad);
    }
    return true;
}

// --report and --resume, added after the other options.
QList<QCommandLineOption> RecordOptions()
{
    return {QCommandLineOption(QStringLiteral("report"),
                               QCoreApplication::translate("Console", "Write a record of the run to FILE, one JSON object a line: "
                                                                      "each page written or failed, each file that failed."),
                               QStringLiteral("FILE")),
            QCommandLineOption(QStringLiteral("resume"),
                               QCoreApplication::translate("Console", "Leave out the files whose GIFs the --report FILE of an earlier "
                                                                      "run into the same folder lists as written and that are still "
                                                                      "whole; FILE is then written anew."))};
}

// The record's options into `options`; an exit status when they cannot be used, else -1.
int TakeRecordOptions(const QCommandLineParser &parser, BatchOptions *options)
{
    const QString report = parser.value(QStringLiteral("report"));
    if (parser.isSet(QStringLiteral("resume")) && report.isEmpty())
        return usageError(QCoreApplication::translate("Console", "--resume needs --report FILE, the record of the earlier run."));
    if (report.isEmpty())
        return -1;
    const QFileInfo info(report);
    if (info.isDir() || !IsExistingFolder(info.absolutePath()))
        return badValue(QStringLiteral("--report"), report,
                        info.isDir() ? QCoreApplication::translate("Console", "a folder, not a file")
                                     : QCoreApplication::translate("Console", "its folder does not exist"));
    // Never a FIFO or a device replaced, whoever runs this (root may write to /dev/null), and
    // a folder that cannot be written is told before any work, not after it.
    if (const QString problem = ReplaceableNameProblem(info.absoluteFilePath()); !problem.isEmpty())
        return badValue(QStringLiteral("--report"), report, problem);
    if (const QString problem = FolderWriteProblem(info.absolutePath()); !problem.isEmpty())
        return badValue(QStringLiteral("--report"), report,
                        QCoreApplication::translate("Console", "its folder cannot be written: ") + problem);
    options->report = info.absoluteFilePath();
    options->reportGiven = report;
    options->namePattern = parser.value(QStringLiteral("name"));
    options->resume = parser.isSet(QStringLiteral("resume"));
    return -1; // taken and read once the names are known (PrepareTargets)
}

// --format, --quality and --gray: what every page is saved as. 0 when they can be used,
// otherwise the exit status after the one line saying why.
int chooseFormat(const QCommandLineParser &parser, const ConsoleOptions &o, RunOptions *run)
{
    static const struct {
        const char *name, *mimeType;
    } formats[] = {{"gif", "image/gif"},   {"png", "image/png"},   {"tiff", "image/tiff"},
                   {"jpeg", "image/jpeg"}, {"jpg", "image/jpeg"}, {"webp", "image/webp"}};
    const QString name = parser.value(o.format).trimmed().toLower();
    const auto known = std::find_if(std::begin(formats), std::end(formats),
                                    [&](const auto &f) { return name == QLatin1String(f.name); });
    if (known == std::end(formats))
        return badValue(QStringLiteral("--format"), parser.value(o.format),
                        QCoreApplication::translate("Console", "not a format: give gif, png, tiff, jpeg or webp"));
    run->format.mimeType = QString::fromLatin1(known->mimeType);
    // Qt's TIFF and WebP writers are plugins of their own, which a machine may lack.
    const ImagingService imaging;
    if (imaging.extensionOf(run->format.mimeType).isEmpty())
        return badValue(QStringLiteral("--format"), parser.value(o.format),
                        QCoreApplication::translate("Console", "this system cannot write that format (is "
                                                               "qt6-image-formats-plugins installed?)"));
    if (parser.isSet(o.quality)) {
        // Only where the format has the setting: the lossless formats have none.
        if (imaging.defaultQualityOf(run->format.mimeType) == 0)
            return usageError(QCoreApplication::translate("Console", "--quality sets the quality of gif, jpeg and webp pages; "
                                                                     "%1 pages have none.")
                                  .arg(name));
        bool number = false;
        const int quality = parser.value(o.quality).trimmed().toInt(&number);
        if (!number || quality < 1 || quality > 100)
            return badValue(QStringLiteral("--quality"), parser.value(o.quality),
                            QCoreApplication::translate("Console", "not a quality: give a whole number from 1 to 100"));
        run->format.quality = quality;
    }
    run->format.grey = parser.isSet(o.gray);
    if (run->format.grey && run->method == Method::BlackWhite)
        return usageError(QCoreApplication::translate("Console", "--gray cannot be combined with the bw method: its pages "
                                                                 "are already black and white."));
    return 0;
}

// --animate: the centiseconds a page is shown, at most what GIF's 16-bit delay holds, and only
// as GIF. 0 when it can be used (or is not asked for), otherwise the exit status.
int chooseAnimation(const QCommandLineParser &parser, const ConsoleOptions &o, RunOptions *run)
{
    if (!parser.isSet(o.animate) && !parser.isSet(o.animateSeconds))
        return 0;
    constexpr int MaxCentiseconds = 65535;
    // "--animate 0.5" gives no seconds: they come with an "=". A number that names no file was
    // meant as them, and is not left to fail as a missing PDF after a run at one second a page.
    if (!parser.isSet(o.animateSeconds)) {
        for (const QString &argument : parser.positionalArguments()) {
            bool number = false;
            argument.toDouble(&number);
            if (number && !QFileInfo::exists(argument))
                return usageError(QCoreApplication::translate("Console", "--animate takes its seconds after an =, as in "
                                                                         "--animate=%1; there is no file '%1'.")
                                      .arg(argument));
        }
    }
    const QString given = parser.isSet(o.animateSeconds) ? parser.value(o.animateSeconds) : QStringLiteral("1");
    bool number = false;
    const double centiseconds = given.trimmed().toDouble(&number) * 100;
    if (!number || !(centiseconds >= 0.5 && centiseconds < MaxCentiseconds + 0.5))
        return badValue(QStringLiteral("--animate"), given,
                        QCoreApplication::translate("Console", "not a time: give the seconds a page is shown, from 0.01 to %1")
                            .arg(QLocale::c().toString(MaxCentiseconds / 100.0, 'f', 2)));
    if (run->format.mimeType != ImagingService::pageType())
        return usageError(QCoreApplication::translate("Console", "--animate writes GIF files only; it cannot be combined with --format %1.")
                              .arg(parser.value(o.format).trimmed().toLower()));
    if (parser.isSet(o.name))
        return usageError(QCoreApplication::translate("Console", "--animate names each GIF after its PDF; it cannot be combined with --name."));
    run->format.frameDelay = qRound(centiseconds);
    return 0;
}

// --name: the pattern of the pages' names. -1 when it can be used (or none is given), otherwise
// the exit status after the one line saying why.
int takeNamePattern(const QCommandLineParser &parser, const QCommandLineOption &option, RunOptions *run)
{
    if (!parser.isSet(option))
        return -1;
    const QString text = parser.value(option);
    NamePattern::Problem problem;
    QString field;
    run->names = NamePattern::parse(text, &problem, &field);
    QString why;
    switch (problem) {
    case NamePattern::Problem::None:
        return -1;
    case NamePattern::Problem::Empty:
        why = QCoreApplication::translate("Console", "an empty name");
        break;
    case NamePattern::Problem::NoPage:
        why = QCoreApplication::translate("Console", "no {page} in it, so the pages of a file would get one name");
        break;
    case NamePattern::Problem::LeavesFolder:
        why = QCoreApplication::translate("Console", "a name cannot hold / or ..");
        break;
    case NamePattern::Problem::UnknownField:
        why = QCoreApplication::translate("Console", "%1 is not a field: use {name}, {page}, {page:03} or {n}").arg(field);
        break;
    case NamePattern::Problem::UnbalancedBrace:
        why = QCoreApplication::translate("Console", "a { without its } or a } without its {");
        break;
    case NamePattern::Problem::Hidden:
        why = QCoreApplication::translate("Console", "a name starting with . would make hidden files");
        break;
    case NamePattern::Problem::Blank:
        why = QCoreApplication::translate("Console", "a name cannot start or end with a blank");
        break;
    case NamePattern::Problem::Wildcard:
        why = QCoreApplication::translate("Console", "a name cannot hold *, ? or [, which a shell takes for a pattern");
        break;
    }
    return badValue(QStringLiteral("--name"), text, why);
}

// The pages' names, the password, the caps and the run's record. The exit status when one cannot be
// used, else -1.
int takeCaps(const QCommandLineParser &parser, const ConsoleOptions &o, BatchOptions *options)
{
    if (const int status = takeNamePattern(parser, o.name, &options->run); status >= 0)
        return status;
    if (parser.isSet(o.passwordFile)) {
        QString error;
        if (!readPassword(parser.value(o.passwordFile), &options->run.choice.password, &error))
            return badValue(QStringLiteral("--password-file"), parser.value(o.passwordFile), error);
        options->run.choice.hasPassword = true;
    }
    if (parser.isSet(o.memoryLimit)
        && !RenderLimits::parseMemoryMB(parser.value(o.memoryLimit), &options->run.limits.memoryMB))
        return badValue(QStringLiteral("--memory-limit"), parser.value(o.memoryLimit),
                        QCoreApplication::translate("Console", "not a memory cap: give a whole number of megabytes, at least %1")
                            .arg(RenderLimits::MinimumMemoryMB));
    if (parser.isSet(o.timeLimit)
        && !RenderLimits::parsePageSeconds(parser.value(o.timeLimit), &options->run.limits.pageSeconds))
        return badValue(QStringLiteral("--time-limit"), parser.value(o.timeLimit),
                        QCoreApplication::translate("Console", "not a time cap: give a whole number of seconds from 1 to %1")
                            .arg(RenderLimits::MaximumPageSeconds));
    return TakeRecordOptions(parser, options);
}

} // namespace

int usageError(const QString &message)
{
    std::fprintf(stderr, "lumenpage-batch: %s\n%s\n", message.toLocal8Bit().constData(),
                 qPrintable(QCoreApplication::translate("Console", "Try '%1 --help'.").arg(QStringLiteral("lumenpage-batch"))));
    return 2;
}

ConsoleOptions::ConsoleOptions(QCommandLineParser &parser)
{
    parser.addOptions({output, method, firstPage, pageRange, resolution, fit, pages, passwordFile, memoryLimit, timeLimit,
                       filesFrom, quiet, verbose});
    parser.addOptions(RecordOptions());
    parser.addOptions({format, quality, gray, animate, animateSeconds, name, watch, recursive});
}

int takeWatchedFolder(const QCommandLineParser &parser, const ConsoleOptions &o, const BatchOptions &options, QString *folder)
{
    if (!parser.isSet(o.watch)) {
        if (parser.isSet(o.recursive))
            return usageError(QCoreApplication::translate("Console", "--recursive goes with --watch DIR."));
        return -1;
    }
    if (options.report.isEmpty())
        return usageError(QCoreApplication::translate("Console", "--watch needs --report FILE: the record keeps each PDF from "
                                                                 "being converted twice."));
    const QString given = parser.value(o.watch);
    if (!IsExistingFolder(given))
        return badValue(QStringLiteral("--watch"), given, QCoreApplication::translate("Console", "no such folder"));
    if (!parser.positionalArguments().isEmpty() || parser.isSet(o.filesFrom))
        return usageError(QCoreApplication::translate("Console", "--watch DIR converts what appears in DIR; give no FILE and no "
                                                                 "--files-from with it."));
    *folder = QDir(given).canonicalPath();
    return -1;
}

QStringList WithOptionalValues(const QStringList &arguments)
{
    QStringList taken;
    bool options = true;
    for (const QString &argument : arguments) {
        options = options && argument != QLatin1String("--");
        if (options && argument.startsWith(QLatin1String("--animate=")))
            taken << QStringLiteral("--animate") << QStringLiteral("--animate-seconds=") + argument.mid(10);
        else
            taken << argument;
    }
    return taken;
}

// The method, the pages and their size. Every value is checked here, once: a value no method can
// use is wrong usage (exit 2) before any file is touched, not a failure of every file. The exit
// status when one cannot be used, else -1.
int takeChoices(const QCommandLineParser &parser, const ConsoleOptions &o, BatchOptions *options)
{
    if (!parser.isSet(o.output))
        return usageError(QCoreApplication::translate("Console", "--output DIR is required."));
    options->run.outputFolder = QFileInfo(parser.value(o.output)).absoluteFilePath();
    const MethodInfo *chosen = MethodWithCommandName(parser.value(o.method));
    if (!chosen)
        return usageError(QCoreApplication::translate("Console", "unknown method '%1': use ghostscript, bw, gflax or acrobat.")
                              .arg(parser.value(o.method).toLower()));
    options->run.method = chosen->method;
    options->run.firstPageOnly = parser.isSet(o.firstPage);
    if (options->run.method == Method::Acrobat && options->run.firstPageOnly)
        return usageError(QCoreApplication::translate("Console", "the acrobat method always converts every page; "
                                         "--first-page-only cannot be combined with it."));
    if (const int status = chooseFormat(parser, o, &options->run))
        return status;
    if (const int status = chooseAnimation(parser, o, &options->run))
        return status;
    if (parser.isSet(o.pageRange)) {
        if (!PageChoice::parseRanges(parser.value(o.pageRange), &options->run.choice))
            return badValue(QStringLiteral("--page-range"), parser.value(o.pageRange),
                            QCoreApplication::translate("Console", "not a page range: give pages N, N-M or N- (from 1) separated by commas, "
                                           "as in 1-3,7,10-"));
        if (options->run.firstPageOnly)
            return usageError(QCoreApplication::translate("Console", "--page-range and --first-page-only both choose pages: give one of them."));
        if (parser.isSet(o.pages))
            return usageError(QCoreApplication::translate("Console", "--page-range and --pages both choose pages: give one of them "
                                             "(--page-range 1-N converts the first N pages with every method)."));
    }
    if (parser.isSet(o.resolution)) {
        bool number = false;
        const double asked = parser.value(o.resolution).trimmed().toDouble(&number);
        if (number && asked > 0 && asked < PageChoice::MinDpi)
            return badValue(QStringLiteral("--resolution"), parser.value(o.resolution),
                            QCoreApplication::translate("Console", "too low a resolution: give at least %1 dots per inch, at most %2")
                                .arg(PageChoice::MinDpi).arg(PageChoice::MaxDpi));
        if (!PageChoice::parseDpi(parser.value(o.resolution), &options->run.choice.dpi))
            return badValue(QStringLiteral("--resolution"), parser.value(o.resolution),
                            QCoreApplication::translate("Console", "not a resolution: give dots per inch, a number above 0 and at most %1")
                                .arg(PageChoice::MaxDpi));
        if (parser.isSet(o.fit))
            return usageError(QCoreApplication::translate("Console", "--fit and --resolution both set the size: give one of them."));
        options->run.resolution = options->run.choice.dpi;
    }
    if (parser.isSet(o.fit) && !PageChoice::parseFit(parser.value(o.fit), &options->run.choice.fitBox))
        return badValue(QStringLiteral("--fit"), parser.value(o.fit),
                        QCoreApplication::translate("Console", "not a size: give WxH, W or xH in pixels, each from 1 to %1")
                            .arg(PageChoice::MaxFitSide));
    if (parser.isSet(o.pages)) {
        bool ok = false;
        const int n = parser.value(o.pages).trimmed().toInt(&ok);
        if (!ok || n < 1 || n > MaxGflAxPages)
            return badValue(QStringLiteral("--pages"), parser.value(o.pages),
                            QCoreApplication::translate("Console", "not a number of pages: give a whole number from 1 to %1").arg(MaxGflAxPages));
        options->run.pages = PageCount(QString::number(n));
    }
    return takeCaps(parser, o, options);
}

// The files to convert: those named on the command line and in the lists of --files-from; names
// that cannot be used go to `badNames`. The exit status when none is given, else -1.
int takeNames(const QCommandLineParser &parser, const ConsoleOptions &o, int argc, char **argv, BatchOptions *options,
              QList<BadName> *badNames)
{
    // A name that is not UTF-8 reaches the parser with its bad bytes replaced: it is told by
    // the name as it was given.
    QStringList names;
    for (const QString &name : parser.positionalArguments()) {
        const auto raw = std::find_if(argv + 1, argv + argc, [&](const char *arg) {
            return !IsValidUtf8(arg) && QFile::decodeName(arg) == name;
        });
        if (name.contains(QChar(QChar::ReplacementCharacter)) && raw != argv + argc)
            checkName(*raw, &names, badNames);
        else
            names << name;
    }
    // "-" on the command line is one PDF read from standard input, which a list cannot share.
    const qsizetype standardInput = names.count(QStringLiteral("-"));
    if (standardInput > 1 || (standardInput == 1 && parser.values(o.filesFrom).contains(QStringLiteral("-"))))
        return usageError(QCoreApplication::translate("Console", "standard input can be read once: give - either as a "
                                                                 "FILE or as --files-from -, and once."));
    for (const QString &list : parser.values(o.filesFrom)) {
        QString error;
        if (!readNameList(list, &names, badNames, &error))
            return usageError(QStringLiteral("%1: %2").arg(list, error));
    }
    for (const QString &name : std::as_const(names)) {
        const QFileInfo info(name);
        if (name == QLatin1String("-") && standardInput == 1 && options->standardInput == 0) {
            options->files << name; // a file made of it when the run starts (BatchHost::run)
            options->givenNames << name;
            options->standardInput = int(options->files.size());
            continue;
        }
        if (!info.isDir()) {
            options->files << info.absoluteFilePath();
            options->givenNames << name;
            continue;
        }
        // A folder: its PDFs and those below it, as the window adds a folder.
        QString given = name;
        while (given.size() > 1 && given.endsWith(QLatin1Char('/')))
            given.chop(1);
        const QString folder = QFileInfo(given).absoluteFilePath();
        const QStringList found = FilesOfTree(folder, QStringLiteral("*.pdf"));
        if (found.isEmpty())
            badNames->append({QFile::encodeName(name), QCoreApplication::translate("Console", "a folder with no PDF file in "
                                                                                              "it or below it")});
        for (const QString &path : found) {
            options->files << path;
            options->givenNames << (given == QLatin1String("/") ? path : given + path.mid(folder.size()));
        }
    }
    if (options->files.isEmpty() && badNames->isEmpty())
        return usageError(QCoreApplication::translate("Console", "no FILE given."));
    return -1;
}
