#include "cli/runrecord.h"

#include "engine/methods/methods.h"
#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Written = QStringLiteral("written");
const QString Failed = QStringLiteral("failed");
const QString Done = QStringLiteral("done");

// A reason longer than this is cut: every line stays well below MaxRecordLineBytes.
constexpr qsizetype MaxReasonChars = 4096;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The record's word for a fault: stable, as scripts read it (a few faults share a word, as
// records written before they were told apart did).
QString faultWord(Fault fault)
{
    switch (fault) {
    case Fault::TimeCap: return QStringLiteral("time-cap");
    case Fault::MemoryCap: return QStringLiteral("memory-cap");
    case Fault::Crash: return QStringLiteral("crash");
    case Fault::NoPassword:
    case Fault::WrongPassword: return QStringLiteral("password");
    case Fault::Damaged:
    case Fault::Unreadable: return QStringLiteral("damaged");
    case Fault::NotPdf: return QStringLiteral("not-pdf");
    case Fault::Missing: return QStringLiteral("missing");
    case Fault::TooLarge:
    case Fault::NoFit: return QStringLiteral("too-large");
    case Fault::NoPixels: return QStringLiteral("no-pixels");
    case Fault::OutsideDocument: return QStringLiteral("outside-document");
    case Fault::PageTree: return QStringLiteral("page-tree");
    case Fault::Changed: return QStringLiteral("changed");
    case Fault::ScratchFull: return QStringLiteral("scratch-full");
    default: break;
    }
    return QStringLiteral("unknown");
}

// One line; a failure when `kind` is given.
QJsonObject lineOf(const QString &pdf, int page, const QString &gif, const char *kind, const QString &reason)
{
    QJsonObject line{{QStringLiteral("file"), pdf}};
    if (page > 0)
        line.insert(QStringLiteral("page"), page);
    if (!gif.isEmpty())
        line.insert(QStringLiteral("gif"), gif);
    line.insert(QStringLiteral("status"), kind ? Failed : Written);
    if (kind) {
        line.insert(QStringLiteral("kind"), QString::fromLatin1(kind));
        line.insert(QStringLiteral("reason"), reason.size() > MaxReasonChars ? reason.left(MaxReasonChars) + QChar(0x2026) : reason);
    }
    return line;
}

QByteArray textOf(const QJsonObject &line)
{
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

// The shape as the record holds it, to compare: the same options give the same bytes.
QByteArray canonical(const QJsonObject &shape)
{
    return QJsonDocument(shape).toJson(QJsonDocument::Compact);
}

// Writes all of `bytes`; errno when it could not.
bool writeAll(int fd, const char *bytes, qint64 size)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::write(fd, bytes + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

struct Identity {
    qulonglong device = 0, inode = 0;
    bool operator==(const Identity &) const = default;
};

Identity identityOf(const struct stat &st)
{
    return {qulonglong(st.st_dev), qulonglong(st.st_ino)};
}

} // namespace

QJsonObject OutputShape(const RunOptions &run, const QString &namePattern)
{
    QJsonObject shape{
        {QStringLiteral("method"), run.method ? InfoOf(*run.method).commandName : QString()},
        {QStringLiteral("first-page-only"), run.firstPageOnly},
        {QStringLiteral("page-range"), QString::fromLatin1(run.choice.scriptRanges())},
        {QStringLiteral("resolution"), run.resolution},
        {QStringLiteral("dpi"), run.choice.dpi},
        {QStringLiteral("fit"), run.choice.fits() ? QStringLiteral("%1x%2").arg(run.choice.fitBox.width()).arg(run.choice.fitBox.height())
                                                  : QString()},
        {QStringLiteral("pages"), run.pages.text()},
        {QStringLiteral("format"), run.format.mimeType},
        {QStringLiteral("grey"), run.format.grey},
        {QStringLiteral("quality"), run.format.quality},
        {QStringLiteral("animate"), run.format.frameDelay},
        {QStringLiteral("name"), namePattern},
    };
    return shape;
}

bool FileDigest(const QString &path, qint64 *size, QByteArray *digest)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Blake2b_256);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), n));
        total += n;
    }
    ::close(fd);
    *size = total;
    *digest = hash.result().toHex();
    return true;
}

// ---- RecordFile

RecordFile::~RecordFile()
{
    if (m_earlier >= 0)
        ::close(m_earlier);
    if (m_fd >= 0)
        ::close(m_fd);
}

RecordFile::Outcome RecordFile::take(const QString &path, QString *error)
{
    m_path = path;
    const QByteArray name = QFile::encodeName(path);
    const QString busy = QCoreApplication::translate("Console", "another run is writing this record; one record has one run "
                                                                "at a time");
    // The name may change between a look and a lock (another run starting its record): looked
    // at again until what was locked is what is there.
    for (int attempt = 0; attempt < 20; ++attempt) {
        struct stat there {};
        if (::lstat(name.constData(), &there) != 0) {
            if (errno != ENOENT) {
                *error = QCoreApplication::translate("Console", "cannot be read: ") + systemError(errno);
                return Outcome::Unusable;
            }
            m_nameUsed = false;
            return Outcome::Taken; // nothing to lock: begin() makes the name only if it is still free
        }
        if (const QString problem = NodeProblem(there.st_mode); !problem.isEmpty()) {
            *error = problem;
            return Outcome::Unusable;
        }
        m_nameUsed = true;
        m_nameDevice = identityOf(there).device;
        m_nameInode = identityOf(there).inode;
        // A link is replaced, never written through; the record it points to, when it is a
        // regular file, is read and locked as the earlier record.
        const bool link = S_ISLNK(there.st_mode);
        struct stat target {};
        if (link && (::stat(name.constData(), &target) != 0 || !S_ISREG(target.st_mode)))
            return Outcome::Taken;
        const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (link ? 0 : O_NOFOLLOW));
        if (fd < 0) {
            if (errno == ENOENT || errno == ELOOP)
                continue;
            *error = QCoreApplication::translate("Console", "cannot be read: ") + systemError(errno);
            return Outcome::Unusable;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int why = errno;
            ::close(fd);
            if (why == EWOULDBLOCK) {
                *error = busy;
                return Outcome::Busy;
            }
            *error = QCoreApplication::translate("Console", "cannot be locked: ") + systemError(why);
            return Outcome::Unusable;
        }
        // Locked: still the file at the name (not one another run has just replaced)?
        struct stat now {}, nowTarget {};
        if (::lstat(name.constData(), &now) == 0 && identityOf(now) == identityOf(there)
            && (!link || (::stat(name.constData(), &nowTarget) == 0 && identityOf(nowTarget) == identityOf(opened)))
            && (link || identityOf(opened) == identityOf(there))) {
            m_earlier = fd;
            return Outcome::Taken;
        }
        ::close(fd);
    }
    *error = busy;
    return Outcome::Busy;
}

bool RecordFile::readEarlier(const std::function<void(const QByteArray &, const QJsonObject &)> &take, QString *error) const
{
    if (m_earlier < 0)
        return true;
    if (::lseek(m_earlier, 0, SEEK_SET) != 0) {
        *error = QCoreApplication::translate("Console", "cannot be read: ") + systemError(errno);
        return false;
    }
    QFile file;
    if (!file.open(m_earlier, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        *error = QCoreApplication::translate("Console", "cannot be read: ") + file.errorString();
        return false;
    }
    // Never more than one line's worth held, however large the file.
    QByteArray buffer(MaxRecordLineBytes + 2, Qt::Uninitialized);
    for (int number = 1;; ++number) {
        const qint64 n = file.readLine(buffer.data(), buffer.size());
        if (n < 0) {
            if (file.error() != QFileDevice::NoError) {
                *error = QCoreApplication::translate("Console", "cannot be read: ") + file.errorString();
                return false;
            }
            return true;
        }
        const bool whole = n > 0 && buffer.at(n - 1) == '\n';
        if (!whole && n == buffer.size() - 1) {
            *error = QCoreApplication::translate("Console", "line %1 is longer than %2 KiB, so it is not a line of a report "
                                                            "of this program")
                         .arg(number)
                         .arg(MaxRecordLineBytes / 1024);
            return false;
        }
        const QByteArray line = QByteArray(buffer.constData(), n).trimmed();
        if (line.isEmpty())
            continue;
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const QString pdf = object.value(QStringLiteral("file")).toString();
        const QString status = object.value(QStringLiteral("status")).toString();
        if (pdf.isEmpty() || (status != Written && status != Failed && status != Done)) {
            // A last line cut short (the disk filled, the machine stopped) is left out: the
            // file it told of is not done, and is converted again.
            if (!whole && file.atEnd())
                return true;
            *error = QCoreApplication::translate("Console", "line %1 is not a line of a report of this program").arg(number);
            return false;
        }
        take(line, object);
    }
}

namespace {

// The new record given up: its file and its name go, and why is told.
RecordFile::Outcome Abandon(int fd, const QByteArray &temporary, QString *error, const QString &why,
                            RecordFile::Outcome outcome = RecordFile::Outcome::Unusable)
{
    ::close(fd);
    ::unlink(temporary.constData());
    *error = why;
    return outcome;
}

QString NotWritten(int why)
{
    return QCoreApplication::translate("Console", "cannot be written: ") + systemError(why);
}

} // namespace

RecordFile::Outcome RecordFile::begin(const std::function<bool(const QJsonObject &)> &keep, const QByteArray &first,
                                      QString *error)
{
    const QFileInfo info(m_path);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
                                      + QString::number(QRandomGenerator::global()->generate64(), 36));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_APPEND, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100)) {
            *error = NotWritten(errno);
            return Outcome::Unusable;
        }
    }
    // A new file nobody else has: the lock the next run meets once it has the name.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        return Abandon(fd, temporary, error, QCoreApplication::translate("Console", "cannot be locked: ") + systemError(why));
    }
    // The lines kept, a piece at a time.
    QByteArray piece;
    bool written = true;
    int writeError = 0;
    const auto flush = [&] {
        if (written && !piece.isEmpty() && !writeAll(fd, piece.constData(), piece.size())) {
            written = false;
            writeError = errno;
        }
        piece.clear();
    };
    if (keep) {
        QString readError;
        const bool read = readEarlier(
            [&](const QByteArray &line, const QJsonObject &object) {
                if (!keep(object))
                    return;
                piece += line + '\n';
                if (piece.size() > (1 << 20))
                    flush();
            },
            &readError);
        if (!read)
            return Abandon(fd, temporary, error, readError);
    }
    piece += first;
    flush();
    if (!written)
        return Abandon(fd, temporary, error, NotWritten(writeError));
    if (::fdatasync(fd) != 0) {
        const int why = errno;
        return Abandon(fd, temporary, error, NotWritten(why));
    }
    const Outcome placed = place(fd, temporary, error);
    if (placed != Outcome::Taken)
        return placed;
    // The earlier record is gone from the name: its lock is of no more use.
    if (m_earlier >= 0) {
        ::close(m_earlier);
        m_earlier = -1;
    }
    m_fd = fd;
    return Outcome::Taken;
}

// Into place. The name must still hold what take() saw: nothing (then it is made only if it is
// still free), or that file or link (exchanged with the new record, and put back if it was not
// it). So a second run, and a FIFO or a device put there meanwhile, never lose their place to
// this record.
RecordFile::Outcome RecordFile::place(int fd, const QByteArray &temporary, QString *error)
{
    const QByteArray name = QFile::encodeName(m_path);
    const QString busy = QCoreApplication::translate("Console", "another run is writing this record; one record has one run "
                                                                "at a time");
    if (!m_nameUsed) {
        int result = ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: a hard link is made only where no name is.
            result = ::link(temporary.constData(), name.constData());
            if (result == 0)
                ::unlink(temporary.constData());
        }
        if (result != 0) {
            const int why = errno;
            return why == EEXIST ? Abandon(fd, temporary, error, busy, Outcome::Busy) : Abandon(fd, temporary, error, NotWritten(why));
        }
        return Outcome::Taken;
    }
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, name.constData(), RENAME_EXCHANGE) == 0) {
        struct stat before {};
        const bool same = ::lstat(temporary.constData(), &before) == 0 && identityOf(before) == Identity{m_nameDevice, m_nameInode};
        if (!same) {
            ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, name.constData(), RENAME_EXCHANGE);
            return Abandon(fd, temporary, error, busy, Outcome::Busy);
        }
        ::unlink(temporary.constData());
        return Outcome::Taken;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        const int why = errno;
        return Abandon(fd, temporary, error, NotWritten(why));
    }
    struct stat before {};
    if (::lstat(name.constData(), &before) != 0 || identityOf(before) != Identity{m_nameDevice, m_nameInode})
        return Abandon(fd, temporary, error, busy, Outcome::Busy);
    if (::rename(temporary.constData(), name.constData()) != 0) {
        const int why = errno;
        return Abandon(fd, temporary, error, NotWritten(why));
    }
    return Outcome::Taken;
}

bool RecordFile::append(const QByteArray &lines, QString *error)
{
    if (m_fd < 0) {
        *error = systemError(EBADF);
        return false;
    }
    if (!writeAll(m_fd, lines.constData(), lines.size())) {
        *error = systemError(errno);
        return false;
    }
    return true;
}

bool RecordFile::sync(QString *error)
{
    if (m_fd >= 0 && ::fsync(m_fd) != 0) {
        *error = systemError(errno);
        return false;
    }
    return true;
}

// ---- RunRecord

void RunRecord::write(const QByteArray &lines)
{
    if (!m_error.isEmpty())
        return;
    QString why;
    if (!m_file.append(lines, &why))
        m_error = why;
}

void RunRecord::fileStarted(const QString &pdf)
{
    m_inFile = true;
    m_pdf = pdf;
    m_written = 0;
    m_failed = false;
    m_sums.clear();
}

void RunRecord::pageEnded(const PageOutcome &page)
{
    if (!m_inFile)
        return;
    if (!page.written) {
        m_failed = true;
        write(textOf(lineOf(m_pdf, page.page, page.gif,
                            page.pictureUnreadable ? RecordKind::PageImageUnreadable : RecordKind::GifNotWritten, page.reason)));
        return;
    }
    // Read back once, just written: the animated GIF is told once for each of its pages.
    auto sum = m_sums.constFind(page.gif);
    if (sum == m_sums.constEnd()) {
        qint64 size = -1;
        QByteArray digest;
        if (!FileDigest(page.gif, &size, &digest))
            size = QFileInfo(page.gif).size();
        sum = m_sums.insert(page.gif, {size, digest});
    }
    QJsonObject line = lineOf(m_pdf, page.page, page.gif, nullptr, QString());
    line.insert(QStringLiteral("bytes"), sum->first);
    if (!sum->second.isEmpty())
        line.insert(QStringLiteral("blake2b256"), QString::fromLatin1(sum->second));
    ++m_written;
    write(textOf(line));
    if (written)
        written(m_pdf, page.gif, sum->first, sum->second);
}

void RunRecord::fileEnded(const FileOutcome &outcome)
{
    if (!m_inFile)
        return;
    m_inFile = false;
    QByteArray lines;
    for (const PageFailure &page : outcome.failedPages) {
        QJsonObject failed = lineOf(m_pdf, page.page, QString(), RecordKind::PageNotDrawn, page.reason);
        failed.insert(QStringLiteral("fault"), faultWord(page.fault));
        lines += textOf(failed);
    }
    QStringList reasons;
    QStringList details;
    for (const FileFailure &failure : outcome.failures) {
        reasons << failure.cause;
        details << failure.detail;
    }
    reasons << outcome.unexpected;
    reasons.removeAll(QString());
    details.removeAll(QString());
    // A failure the method reported in its box and again as the file's cause is said once.
    reasons.removeDuplicates();
    details.removeDuplicates();
    if (!outcome.failures.isEmpty() || !outcome.unexpected.isEmpty()) {
        QJsonObject failed = withSource(lineOf(m_pdf, 0, QString(), RecordKind::FileFailed, reasons.join(QStringLiteral("; "))));
        if (!details.isEmpty()) {
            const QString detail = details.join(QStringLiteral("; "));
            failed.insert(QStringLiteral("detail"), detail.size() > MaxReasonChars ? detail.left(MaxReasonChars) + QChar(0x2026) : detail);
        }
        lines += textOf(failed);
    }
    // Every page written and nothing failed: the file is done, with the options it was done with.
    const bool whole = lines.isEmpty() && !m_failed && m_written > 0;
    if (whole)
        lines += textOf(withSource(QJsonObject{{QStringLiteral("file"), m_pdf},
                                               {QStringLiteral("status"), Done},
                                               {QStringLiteral("gifs"), m_written},
                                               {QStringLiteral("options"), m_shape}}));
    write(lines);
    m_sums.clear();
    if (ended)
        ended(m_pdf, whole && m_error.isEmpty());
}

// The line with the version read, when the file is still that version: the same size,
// modification time and inode as when it was hashed (the run itself fails a file rewritten meanwhile).
QJsonObject RunRecord::withSource(QJsonObject line) const
{
    const QJsonObject source = m_sources.value(m_pdf);
    struct stat now {};
    if (source.isEmpty() || ::lstat(QFile::encodeName(m_pdf).constData(), &now) != 0 || !S_ISREG(now.st_mode)
        || qint64(now.st_size) != source.value(QStringLiteral("bytes")).toInteger(-1)
        || QString::number(qint64(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec) != source.value(QStringLiteral("mtime")).toString()
        || QString::number(qulonglong(now.st_ino)) != source.value(QStringLiteral("inode")).toString(QString::number(qulonglong(now.st_ino))))
        return line;
    line.insert(QStringLiteral("source"), source);
    return line;
}

void RunRecord::interrupted()
{
    if (!m_inFile)
        return;
    m_inFile = false;
    write(textOf(lineOf(m_pdf, 0, QString(), RecordKind::Interrupted,
                        QCoreApplication::translate("Console", "the run was interrupted before this file was done"))));
}

QByteArray RunRecord::nameRefusedLine(const QString &name, const QString &why)
{
    return textOf(lineOf(name, 0, QString(), RecordKind::NameRefused, why));
}

// ---- EarlierRecord

void EarlierRecord::watch(const QStringList &files)
{
    for (const QString &file : files)
        m_watched.insert(QDir::cleanPath(file));
}

void EarlierRecord::take(const QJsonObject &object)
{
    const QString pdf = QDir::cleanPath(object.value(QStringLiteral("file")).toString());
    if (!m_watched.contains(pdf))
        return;
    File &entry = m_files[pdf];
    const QString status = object.value(QStringLiteral("status")).toString();
    if (status == Failed) {
        entry.failed = true;
    } else if (status == Done) {
        const QJsonObject shape = object.value(QStringLiteral("options")).toObject();
        if (entry.done == 0)
            entry.shape = shape;
        else if (canonical(shape) != canonical(entry.shape))
            entry.sameShape = false;
        ++entry.done;
        entry.doneGifs += object.value(QStringLiteral("gifs")).toInt(-1);
    } else {
        entry.written.append({object.value(QStringLiteral("gif")).toString(),
                              qint64(object.value(QStringLiteral("bytes")).toDouble(-1)),
                              object.value(QStringLiteral("blake2b256")).toString().toLatin1()});
    }
}

bool EarlierRecord::finished(const QString &pdf, const QString &outputFolder, const QJsonObject &shape) const
{
    const auto found = m_files.constFind(QDir::cleanPath(pdf));
    if (found == m_files.constEnd() || found->failed || found->written.isEmpty() || found->done == 0 || !found->sameShape
        || found->doneGifs != found->written.size() || canonical(found->shape) != canonical(shape))
        return false;
    const QString folder = QDir::cleanPath(outputFolder);
    QHash<QString, QPair<qint64, QByteArray>> read; // the animated GIF is named by each of its pages
    for (const Written &written : found->written) {
        const QFileInfo info(written.gif);
        // Only a file this user's run left there, as it was written: not one another run or
        // user put in its place, nor one cut short or changed since.
        if (written.digest.isEmpty() || QDir::cleanPath(info.path()) != folder || info.isSymLink() || !info.isFile()
            || info.size() != written.bytes)
            return false;
        auto sum = read.constFind(written.gif);
        if (sum == read.constEnd()) {
            qint64 size = -1;
            QByteArray digest;
            if (!FileDigest(written.gif, &size, &digest))
                return false;
            sum = read.insert(written.gif, {size, digest});
        }
        if (sum->first != written.bytes || sum->second != written.digest)
            return false;
    }
    return true;
}

QStringList EarlierRecord::gifsOf(const QString &pdf) const
{
    QStringList gifs;
    const auto found = m_files.constFind(QDir::cleanPath(pdf));
    if (found != m_files.constEnd())
        for (const Written &written : found->written)
            if (!gifs.contains(written.gif))
                gifs << written.gif;
    return gifs;
}
