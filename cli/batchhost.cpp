#include "cli/batchhost.h"

#include "engine/run/conversionrun.h"
#include "sys/appfolder.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const Program = "lumenpage-batch";

void printTo(FILE *stream, const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QByteArray bytes = t.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// A box's text as one plain line.
QString oneLine(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t.simplified();
}

int terminalColumns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

Dialogs::Answer ConsoleDialogs::message(const QString &text, const QString &title, Icon, Buttons buttons)
{
    m_host.boxShown(text, title);
    return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
}

void ConsoleDialogs::errorBox(const QString &text)
{
    m_host.boxShown(text, QCoreApplication::translate("ErrorBox", "Application Error"), true);
}

bool ConsoleDialogs::inputBox(const QString &, const QString &, QString &)
{
    return false;
}

QString ConsoleDialogs::pickFolder(const QString &)
{
    return QString();
}

QStringList ConsoleDialogs::openFiles(const QString &, const QString &)
{
    return {};
}

int PrepareTargets(BatchOptions *options, const QString &givenOutput)
{
    const auto refuse = [](const QString &line) {
        printTo(stderr, QString::fromLatin1(Program) + QStringLiteral(": ") + line);
        return 2;
    };
    const QString output = options->run.outputFolder;
    if (const QString problem = FolderWriteProblem(output); !problem.isEmpty())
        return refuse(QCoreApplication::translate("Console", "%1: the folder cannot be written: %2").arg(givenOutput, problem));
    // A FIFO, a device or a socket where a page's file may go: named with the format's extension,
    // after a PDF of the list (every method names its pages so) or anyhow with --name. The
    // writer would refuse it too, after the drawing; this says so before.
    const QString extension = ImagingService().extensionOf(options->run.format.mimeType);
    QSet<QString> bases;
    for (const QString &pdf : std::as_const(options->files))
        bases.insert(BaseNameOf(pdf));
    if (DIR *folder = ::opendir(QFile::encodeName(output).constData())) {
        QString found;
        while (const dirent *entry = ::readdir(folder)) {
            if (entry->d_type == DT_REG || entry->d_type == DT_DIR || entry->d_type == DT_LNK)
                continue;
            const QString name = QFile::decodeName(entry->d_name);
            if (extension.isEmpty() || !name.endsWith(extension)
                || (!options->run.names.isSet()
                    && std::none_of(bases.cbegin(), bases.cend(), [&](const QString &base) { return name.startsWith(base); })))
                continue;
            const QString path = output + QLatin1Char('/') + name;
            struct stat st {};
            if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode))
                if (const QString problem = NodeProblem(st.st_mode); !problem.isEmpty()) {
                    found = ShellVisibleName(QFile::encodeName(path)) + QStringLiteral(": ") + problem;
                    break;
                }
        }
        ::closedir(folder);
        if (!found.isEmpty())
            return refuse(found);
    }
    if (options->report.isEmpty())
        return -1;
    // One run at a time on a record, and it is read only once it is this run's.
    const auto refuseRecord = [&](const QString &why) {
        return refuse(QStringLiteral("--report '%1': %2").arg(options->reportGiven, why));
    };
    // The record takes its name's place before the first page: never that of a file to convert.
    struct stat record {};
    if (::stat(QFile::encodeName(options->report).constData(), &record) == 0)
        for (const QString &pdf : std::as_const(options->files)) {
            struct stat input {};
            if (::stat(QFile::encodeName(pdf).constData(), &input) == 0 && input.st_dev == record.st_dev
                && input.st_ino == record.st_ino)
                return refuseRecord(QCoreApplication::translate("Console", "is one of the files to convert"));
        }
    options->recordFile = std::make_shared<RecordFile>();
    QString error;
    if (options->recordFile->take(options->report, &error) != RecordFile::Outcome::Taken)
        return refuseRecord(error);
    if (options->resume) {
        options->earlier.watch(options->files);
        if (!options->recordFile->readEarlier([&](const QByteArray &, const QJsonObject &line) { options->earlier.take(line); },
                                              &error))
            return refuseRecord(error);
    }
    return -1;
}

BatchHost::BatchHost(BatchOptions options) : m_options(std::move(options)), m_dialogs(*this) {}

QString BatchHost::appFolder() const
{
    return AppFolder();
}

QString BatchHost::entryAt(int position) const
{
    if (position < 1 || position > m_options.files.size())
        throw Failure(QCoreApplication::translate("Console", "Index out of bounds"), ErrorCode::IndexOutOfBounds);
    return m_options.files.at(position - 1);
}

QString BatchHost::nameOf(int position) const
{
    if (position >= 1 && position <= m_options.givenNames.size())
        return m_options.givenNames.at(position - 1);
    return entryAt(position);
}

void BatchHost::printError(const QString &line)
{
    clearProgress();
    printTo(stderr, QString::fromLatin1(Program) + QStringLiteral(": ") + line);
    showProgress(QString(), true);
}

void BatchHost::boxShown(const QString &text, const QString &title, bool errorBox)
{
    // The run's last box comes after its end was told.
    if (m_ended)
        return;
    if (m_options.verbose) {
        clearProgress();
        printTo(stderr, title.isEmpty() ? text : title + QStringLiteral(": ") + text);
        showProgress(QString(), true);
    }
    const bool started = m_run && m_run->lastReport().started;
    if (!started) {
        // Why the run could not begin (no output folder, no imaging service).
        if (!m_options.verbose)
            printError(oneLine(errorBox ? text.section(QStringLiteral("\r\n"), 0, 0) : text));
        return;
    }
    // An unexpected failure outside a file is told at once; one inside a file comes with the
    // file's outcome, and the run's other boxes are told from its report.
    if (errorBox && !m_inFile && !m_options.verbose)
        printError(oneLine(text.section(QStringLiteral("\r\n"), 0, 0)));
}

void BatchHost::fileStarted(int position, const QString &pdf)
{
    if (m_record)
        m_record->fileStarted(pdf);
    m_position = position;
    m_inFile = true;
    m_progressStatus.clear(); // the previous file's count is not this one's
    m_pageTotalKnown = false;
    if (m_options.verbose) {
        clearProgress();
        printTo(stderr, m_progressText);
    }
    showProgress(QString(), true);
}

void BatchHost::pageEnded(const PageOutcome &page)
{
    if (m_record) {
        m_record->pageEnded(page);
        recordFailed();
    }
}

void BatchHost::fileEnded(const FileOutcome &outcome)
{
    m_inFile = false;
    if (m_record) {
        m_record->fileEnded(outcome);
        recordFailed();
    }
    QStringList reasons;
    for (const FileFailure &f : outcome.failures) {
        if (!f.cause.trimmed().isEmpty())
            reasons << oneLine(f.cause);
        // What the renderer itself said is for whoever asked for everything, in its own words.
        if (m_options.verbose && !f.detail.trimmed().isEmpty()) {
            clearProgress();
            printTo(stderr, oneLine(f.detail));
            showProgress(QString(), true);
        }
    }
    if (reasons.isEmpty())
        for (const QString &cause : outcome.unexpected)
            reasons << oneLine(cause);
    if (reasons.isEmpty() && !outcome.failures.isEmpty())
        reasons << QCoreApplication::translate("Console", "no page could be converted");
    if (reasons.isEmpty())
        return;
    reasons.removeDuplicates();
    ++m_failedFiles;
    printError(ShellVisibleName(QFile::encodeName(nameOf(outcome.position))) + QStringLiteral(": ")
               + reasons.join(QStringLiteral("; ")));
}

void BatchHost::pageProgress(int done, int total)
{
    m_pageTotalKnown = true;
    showProgress(QCoreApplication::translate("Console", "%1/%2 pages").arg(done).arg(total), done == total);
}

void BatchHost::yield()
{
    QCoreApplication::processEvents();
    // While a file renders, the pages it has so far; checked a few times a second.
    if (!m_options.progress || !m_run || m_position == 0 || m_run->workFolder().isEmpty()
        || (m_progressClock.isValid() && m_progressClock.elapsed() < 250))
        return;
    int rendered = 0;
    QDirIterator it(m_run->workFolder(), {QStringLiteral("*.jpg")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++rendered;
    }
    // Until the renderer tells how many pages there are, the count of those drawn so far in the
    // same words that follow.
    if (rendered > 0 && !m_pageTotalKnown)
        showProgress(QCoreApplication::translate("Console", "%1/%2 pages").arg(rendered).arg(QStringLiteral("?")));
}

void BatchHost::showProgress(const QString &status, bool force)
{
    if (!m_options.progress || m_position == 0)
        return;
    if (!force && m_progressClock.isValid() && m_progressClock.elapsed() < 100)
        return;
    m_progressClock.start();
    QString name = QFileInfo(entryAt(m_position)).fileName();
    QString counter = QStringLiteral("[%1/%2]").arg(m_position).arg(m_options.files.size());
    if (!status.isEmpty())
        m_progressStatus = status;
    const auto compose = [&] {
        return (counter + QLatin1Char(' ') + name + QStringLiteral("  ") + m_progressStatus).trimmed();
    };
    QString line = compose();
    const int room = terminalColumns() - 1;
    if (line.size() > room && room > counter.size() + 10) {
        // The name gives way, from its middle, so that the counts stay in view.
        const int keep = qMax(4, int(name.size() - (line.size() - room) - 1));
        name = name.left(keep / 2) + QChar(0x2026) + name.right(keep - keep / 2);
        line = compose();
    }
    m_progressLine = line;
    const QByteArray bytes = ("\r" + line + "\033[K").toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

// Ended by a signal, the program leaves the line where it stopped, but the shell's prompt must not
// be written over it.
void BatchHost::endProgressLine()
{
    if (m_progressLine.isEmpty())
        return;
    std::fputc('\n', stderr);
    std::fflush(stderr);
    m_progressLine.clear();
}

void BatchHost::clearProgress()
{
    if (m_progressLine.isEmpty())
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_progressLine.clear();
}

RunOptions BatchHost::options() const
{
    RunOptions options = m_options.run;
    options.imagingUnavailable = m_gdiplusUnavailable;
    return options;
}

// With --resume, the files the earlier run converted whole, with these options, are left out,
// and their lines stay in the record: a batch of thousands goes on where it stopped.
void BatchHost::skipFinishedFiles()
{
    const QJsonObject shape = OutputShape(m_options.run, m_options.namePattern);
    m_keptGifs = m_options.keptGifs;
    QStringList files, names;
    for (int i = 0; i < m_options.files.size(); ++i) {
        const QString &pdf = m_options.files.at(i);
        if (!m_options.resume || !m_options.earlier.finished(pdf, m_options.run.outputFolder, shape)) {
            files << pdf;
            names << nameOf(i + 1);
            m_wholePositions << i + 1;
            continue;
        }
        m_skipped.insert(QDir::cleanPath(pdf));
        m_keptGifs << m_options.earlier.gifsOf(pdf);
        if (m_options.verbose)
            printTo(stderr, QCoreApplication::translate("Console", "Skipped, converted by the earlier run: %1").arg(nameOf(i + 1)));
        QCoreApplication::processEvents(); // reading back thousands of GIFs: a signal still ends it
    }
    m_options.files = files;
    m_options.givenNames = names;
}

// The record of this run takes the place of the earlier one before the first page: with
// --resume it keeps the earlier lines of the files skipped and of the files not in this run's
// list; the lines of the files converted again go, as they are told anew. Without --resume it
// starts empty. False after one line saying why.
bool BatchHost::startRecord()
{
    QSet<QString> listed, refused;
    for (const QString &pdf : std::as_const(m_options.files))
        listed.insert(QDir::cleanPath(pdf));
    listed += m_skipped;
    QByteArray first;
    for (const auto &[name, why] : std::as_const(m_options.refusedNames)) {
        first += RunRecord::nameRefusedLine(name, why);
        refused.insert(name);
    }
    std::function<bool(const QJsonObject &)> keep;
    if (m_options.resume)
        keep = [&](const QJsonObject &line) {
            const QString file = line.value(QStringLiteral("file")).toString();
            if (line.value(QStringLiteral("kind")).toString() == QLatin1String(RecordKind::NameRefused))
                return !refused.contains(file); // told again below
            const QString clean = QDir::cleanPath(file);
            return !listed.contains(clean) || m_skipped.contains(clean);
        };
    QString error;
    if (m_options.recordFile->begin(keep, first, &error) != RecordFile::Outcome::Taken) {
        printError(QStringLiteral("--report '%1': %2").arg(m_options.reportGiven, error));
        return false;
    }
    m_record = std::make_unique<RunRecord>(*m_options.recordFile, OutputShape(m_options.run, m_options.namePattern));
    return true;
}

// A line the record could not take is told once; the run goes on, and ends with status 1.
void BatchHost::recordFailed()
{
    if (m_recordFailed || !m_record || m_record->error().isEmpty())
        return;
    m_recordFailed = true;
    printError(QCoreApplication::translate("Console", "%1: the report could not be written: %2")
                   .arg(ShellVisibleName(QFile::encodeName(m_options.report)), m_record->error()));
}

// The record's last lines on the disk; false when a line of it could not be written.
bool BatchHost::endRecord()
{
    if (!m_record)
        return true;
    QString error;
    if (!m_recordFailed && !m_options.recordFile->sync(&error)) {
        m_recordFailed = true;
        printError(QCoreApplication::translate("Console", "%1: the report could not be written: %2")
                       .arg(ShellVisibleName(QFile::encodeName(m_options.report)), error));
    }
    recordFailed();
    return !m_recordFailed;
}

// "-" is kept as stdin.pdf in a scratch folder of its own: every method reads its PDF by name,
// some more than once, and its pages are then called stdin-001.gif and so on. Standard input
// that cannot be kept fails alone, as a name that cannot be used does.
void BatchHost::takeStandardInput()
{
    const int at = m_options.standardInput;
    if (at < 1 || at > m_options.files.size())
        return;
    QString why;
    try {
        m_inputFolder = CreatePrivateFolder(TempFolder(), QStringLiteral("Lumenpage-"));
        Interruption::addScratchFolder(m_inputFolder);
        QFile in, out(m_inputFolder + QStringLiteral("/stdin.pdf"));
        if (!in.open(stdin, QIODevice::ReadOnly))
            throw Failure(in.errorString());
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw Failure(out.errorString());
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (;;) {
            const qint64 n = in.read(chunk.data(), chunk.size());
            if (n < 0)
                throw Failure(in.errorString());
            if (n == 0)
                break;
            if (out.write(chunk.constData(), n) != n)
                throw Failure(out.errorString());
            QCoreApplication::processEvents(); // a signal ends a long read
        }
        if (!out.flush())
            throw Failure(out.errorString());
        m_options.files[at - 1] = out.fileName();
        return;
    } catch (const Failure &failure) {
        why = failure.description();
    }
    const QString line = QCoreApplication::translate("Console", "standard input could not be kept as a file: %1").arg(why);
    printTo(stderr, QString::fromLatin1(Program) + QStringLiteral(": -: ") + line);
    m_options.refusedNames.append({QStringLiteral("-"), line});
    ++m_options.unusableNames;
    m_options.files.removeAt(at - 1);
    m_options.givenNames.removeAt(at - 1);
    dropStandardInput();
}

void BatchHost::dropStandardInput()
{
    if (m_inputFolder.isEmpty())
        return;
    try {
        RemoveTree(m_inputFolder, Interruption::ScratchLockName);
    } catch (const Failure &) {
        // Left locked by nobody: the next run removes it.
    }
    Interruption::removeScratchFolder(m_inputFolder);
    m_inputFolder.clear();
}

int BatchHost::run()
{
    takeStandardInput();
    const auto inputGone = qScopeGuard([this] { dropStandardInput(); });
    skipFinishedFiles();
    if (m_options.watchRecord)
        m_record = m_options.watchRecord;
    else if (m_options.recordFile && !startRecord())
        return 2;
    if (m_options.files.isEmpty()) {
        // Nothing left to convert: every file was done before, or every name was refused.
        const bool saved = endRecord();
        if (!m_options.quiet && m_options.unusableNames == 0)
            printTo(stdout, ConversionRun::doneText());
        return saved && m_options.unusableNames == 0 ? 0 : 1;
    }
    if (!m_imaging.start()) {
        m_gdiplusUnavailable = true;
        m_dialogs.message(QCoreApplication::translate("Console", "GDI+ Initialization Failed."), applicationTitle(),
                          Dialogs::Icon::Exclamation);
    }
    ConversionRun run(*this);
    m_run = &run;
    // Interrupted, the run tells in its record the file it was in.
    const Interruption::SettleGuard recordEnd([this] {
        if (m_record) {
            m_record->interrupted();
            endRecord();
        }
    });
    const Interruption::SettleGuard lineEnd([this] { endProgressLine(); });
    run.start();
    clearProgress();
    m_imaging.stop();
    m_run = nullptr;
    const RunReport &report = run.lastReport();
    return report.succeeded() && endRecord() ? 0 : 1;
}

void BatchHost::printRenamedFiles(const RunReport &report)
{
    for (const RenamedFile &file : report.renamedFiles)
        printError(file.pdf + QCoreApplication::translate("Console", ": its GIF files were given other names, as an earlier file had "
                                                                     "its name: ")
                   + (file.gifs.size() == 1
                          ? file.gifs.first()
                          : QCoreApplication::translate("Console", "%1 to %2").arg(file.gifs.first(), file.gifs.last())));
}

// After a failure, a last line counts them: what a script's log or a long scroll-back needs at a
// glance, and the same line however many failed. The pages' files go by their format's name.
void BatchHost::printFailureCount(const RunReport &report)
{
    const int files = m_options.files.size() + m_options.unusableNames;
    const int failedFiles = m_failedFiles + m_options.unusableNames;
    const int failedGifs = report.failedGifs.size();
    if (failedFiles + failedGifs < 1)
        return;
    const QString type = m_options.run.format.mimeType.section(QLatin1Char('/'), 1).toLower();
    const QString format = type == QLatin1String("webp") ? QStringLiteral("WebP") : type.toUpper();
    printError(QCoreApplication::translate("Console", "%1 of %2 files and %3 of %4 %5 files failed.")
                   .arg(failedFiles)
                   .arg(files)
                   .arg(failedGifs)
                   .arg(report.gifsWritten + failedGifs)
                   .arg(format));
}

void BatchHost::runEnded(const RunReport &report)
{
    endRecord();
    m_ended = true;
    if (!m_options.verbose) {
        for (const FailedGif &gif : report.failedGifs)
            printError(ShellVisibleName(QFile::encodeName(gif.path)) + QCoreApplication::translate("Console", ": could not be written")
                       + (gif.reason.isEmpty() ? QString() : QStringLiteral(": ") + gif.reason));
        if (!m_options.quiet)
            printRenamedFiles(report);
    }
    // A watched folder's batches have no end to count up to.
    if (!m_options.quiet && !m_options.watchRecord)
        printFailureCount(report);
    clearProgress();
    if (!m_options.quiet && !m_options.watchRecord)
        printTo(stdout, ConversionRun::doneText());
}
