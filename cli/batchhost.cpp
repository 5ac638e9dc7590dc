#include "cli/batchhost.h"

#include "engine/run/conversionrun.h"
#include "sys/appfolder.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstdio>
#include <sys/ioctl.h>
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
        m_record->fileStarted(listNumberOf(position), pdf);
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
    if (m_record)
        m_record->pageEnded(page);
}

void BatchHost::fileEnded(const FileOutcome &outcome)
{
    m_inFile = false;
    if (m_record)
        m_record->fileEnded(outcome);
    QStringList reasons;
    for (const FileFailure &f : outcome.failures)
        if (!f.cause.trimmed().isEmpty())
            reasons << oneLine(f.cause);
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

// With --resume, the files whose GIFs the earlier run wrote whole are left out, and their lines go
// into the new record as they were: a batch of thousands goes on where it stopped.
void BatchHost::skipFinishedFiles()
{
    QStringList files, names;
    for (int i = 0; i < m_options.files.size(); ++i) {
        const QString &pdf = m_options.files.at(i);
        const QList<QByteArray> lines = m_options.resume ? m_options.earlier.finished(pdf, m_options.run.outputFolder)
                                                         : QList<QByteArray>();
        if (lines.isEmpty()) {
            files << pdf;
            names << nameOf(i + 1);
            m_wholePositions << i + 1;
            continue;
        }
        m_record->carry(i + 1, lines);
        m_keptGifs << EarlierRecord::gifsOf(lines);
        if (m_options.verbose)
            printTo(stderr, QCoreApplication::translate("Console", "Skipped, converted by the earlier run: %1").arg(nameOf(i + 1)));
        QCoreApplication::processEvents(); // reading back thousands of GIFs: a signal still ends it
    }
    m_options.files = files;
    m_options.givenNames = names;
}

// Once, whether the run ended or was interrupted; an earlier record stays as it was on failure.
bool BatchHost::saveRecord()
{
    if (!m_record || m_recordSaved)
        return !m_recordFailed;
    m_recordSaved = true;
    try {
        ReplaceFileWhole(m_options.report, m_record->text(), true);
    } catch (const Failure &failure) {
        m_recordFailed = true;
        printError(QCoreApplication::translate("Console", "%1: the report could not be written: %2")
                       .arg(ShellVisibleName(QFile::encodeName(m_options.report)), failure.description()));
    }
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
    if (!m_options.report.isEmpty()) {
        m_record = std::make_unique<RunRecord>(m_options.files.size());
        for (const auto &[name, why] : std::as_const(m_options.refusedNames))
            m_record->nameRefused(name, why);
    }
    skipFinishedFiles();
    if (m_options.files.isEmpty()) {
        // Nothing left to convert: every file was done before, or every name was refused.
        const bool saved = saveRecord();
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
    // Interrupted, the run still leaves its record: what was written, and the file it was in.
    const Interruption::SettleGuard recordEnd([this] { saveRecord(); });
    const Interruption::SettleGuard lineEnd([this] { endProgressLine(); });
    run.start();
    clearProgress();
    m_imaging.stop();
    m_run = nullptr;
    const RunReport &report = run.lastReport();
    return report.succeeded() && saveRecord() ? 0 : 1;
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
    saveRecord();
    m_ended = true;
    if (!m_options.verbose) {
        for (const FailedGif &gif : report.failedGifs)
            printError(ShellVisibleName(QFile::encodeName(gif.path)) + QCoreApplication::translate("Console", ": could not be written")
                       + (gif.reason.isEmpty() ? QString() : QStringLiteral(": ") + gif.reason));
        if (!m_options.quiet)
            printRenamedFiles(report);
    }
    if (!m_options.quiet)
        printFailureCount(report);
    clearProgress();
    if (!m_options.quiet)
        printTo(stdout, ConversionRun::doneText());
}
