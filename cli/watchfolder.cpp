#include "cli/watchfolder.h"

#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deeper than any sensible tree of folders; a deeper one (or a loop of bind mounts) is not walked.
constexpr int MaxDepth = 32;

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool isPdfName(const QByteArray &name)
{
    return name.size() > 4 && !name.startsWith('.') && name.right(4).toLower() == ".pdf";
}

// Whether a process holds the open file open for writing: a read lease is refused then. Where the
// system cannot tell (a file of another user, a file system without leases) the answer is no,
// and the file's settled size and time have to do.
bool openForWriting(int fd)
{
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN;
}

// The BLAKE2b-256 of what the open file holds, read from its start; empty when it cannot be read.
QByteArray digestOf(int fd)
{
    QCryptographicHash hash(QCryptographicHash::Blake2b_256);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (qint64 at = 0;;) {
        const ssize_t n = ::pread(fd, buffer.data(), size_t(buffer.size()), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return QByteArray();
        if (n == 0)
            return hash.result().toHex();
        hash.addData(QByteArrayView(buffer.constData(), n));
        at += n;
        QCoreApplication::processEvents(); // a signal still ends a long read
    }
}

} // namespace

WatchFolder::WatchFolder(BatchOptions options, Settings settings)
    : m_options(std::move(options)), m_settings(std::move(settings))
{
}

void WatchFolder::tell(const QString &line)
{
    std::fprintf(stderr, "lumenpage-batch: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// The versions the record holds as converted or failed, then the record started anew with every
// line but those of conversions a kill cut short (their file is converted again).
bool WatchFolder::startRecord()
{
    RecordFile &file = *m_options.recordFile;
    const QByteArray shape = QJsonDocument(OutputShape(m_options.run, m_options.namePattern)).toJson(QJsonDocument::Compact);
    QHash<QString, int> lines, lastEnd; // per file: its lines so far, and the count at its last end
    QString error;
    const bool read = file.readEarlier(
        [&](const QByteArray &, const QJsonObject &line) {
            const QString pdf = line.value(QStringLiteral("file")).toString();
            const int count = ++lines[pdf];
            const QString status = line.value(QStringLiteral("status")).toString();
            if (status == QLatin1String("written"))
                m_gifs[pdf] << Gif{line.value(QStringLiteral("gif")).toString(), line.value(QStringLiteral("bytes")).toInteger(-1),
                                   line.value(QStringLiteral("blake2b256")).toString().toLatin1()};
            const QJsonObject source = line.value(QStringLiteral("source")).toObject();
            if (status == QLatin1String("written") || line.value(QStringLiteral("page")).toInt() > 0)
                return;
            lastEnd[pdf] = count;
            // Done with other options: converted again with these.
            if (source.isEmpty() || (status == QLatin1String("done")
                                     && QJsonDocument(line.value(QStringLiteral("options")).toObject()).toJson(QJsonDocument::Compact) != shape))
                return;
            m_handled.insert(pdf, {source.value(QStringLiteral("bytes")).toInteger(-1),
                                   source.value(QStringLiteral("mtime")).toString().toLongLong(),
                                   source.value(QStringLiteral("inode")).toString().toULongLong(),
                                   source.value(QStringLiteral("blake2b256")).toString().toLatin1()});
        },
        &error);
    QHash<QString, int> kept;
    if (read && file.begin([&](const QJsonObject &line) {
            const QString pdf = line.value(QStringLiteral("file")).toString();
            return ++kept[pdf] <= lastEnd.value(pdf);
        }, QByteArray(), &error) == RecordFile::Outcome::Taken) {
        m_record = std::make_shared<RunRecord>(file, OutputShape(m_options.run, m_options.namePattern));
        m_record->written = [this](const QString &pdf, const QString &gif, qint64 bytes, const QByteArray &digest) {
            m_batchGifs[pdf] << Gif{gif, bytes, digest};
        };
        m_record->ended = [this](const QString &pdf, bool whole) {
            if (whole)
                m_batchWhole.insert(pdf);
        };
        return true;
    }
    tell(QStringLiteral("--report '%1': %2").arg(m_options.reportGiven, error));
    return false;
}

// Everything in the folder (and below it) that may be a PDF, as lstat() sees it.
void WatchFolder::walk(int folderFd, const QString &path, int depth, QHash<QString, Seen> *found)
{
    DIR *folder = ::fdopendir(folderFd);
    if (!folder) {
        ::close(folderFd);
        return;
    }
    while (const dirent *entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue; // ".", "..", hidden files and the temporary files of copies
        struct stat st {};
        if (::fstatat(::dirfd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone meanwhile
        const QString child = path + QLatin1Char('/') + QFile::decodeName(name);
        if (S_ISDIR(st.st_mode) && m_settings.recursive && depth < MaxDepth) {
            if (qulonglong(st.st_dev) == m_outputDevice && qulonglong(st.st_ino) == m_outputInode)
                continue; // the output folder, inside the watched one: only what this program wrote
            const int fd = ::openat(::dirfd(folder), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0)
                walk(fd, child, depth + 1, found); // one not readable (another user's) is left out
            continue;
        }
        if (!S_ISREG(st.st_mode) || !isPdfName(name))
            continue;
        if (!IsValidUtf8(name)) {
            if (!m_told.contains(child))
                tell(ShellVisibleName(QFile::encodeName(path) + '/' + name) + QStringLiteral(": ")
                     + QCoreApplication::translate("Console", "the name is not valid UTF-8, so the file cannot be opened"));
            m_told.insert(child);
            continue;
        }
        found->insert(child, {qulonglong(st.st_dev), qulonglong(st.st_ino), qint64(st.st_size), nanoseconds(st.st_mtim),
                              nanoseconds(st.st_ctim)});
    }
    ::closedir(folder);
}

// One look: what settled since the last one and is not converted yet, in name order.
// Empty with why when the folder itself cannot be read any more.
QStringList WatchFolder::look(QString *problem)
{
    QHash<QString, Seen> found;
    const int fd = ::open(QFile::encodeName(m_settings.folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *problem = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    walk(fd, m_settings.folder, 0, &found);
    QStringList batch;
    const qint64 now = m_clock.elapsed();
    m_nextDue = -1;
    for (auto it = found.begin(); it != found.end(); ++it) {
        if (m_handled.value(it.key()).sameFile(*it))
            continue;
        const auto before = m_seen.constFind(it.key());
        it->sinceMs = before != m_seen.cend() && before->same(*it) ? before->sinceMs : now;
        const bool seenLongEnough = now - it->sinceMs >= m_settings.intervalMs;
        if (seenLongEnough && takeIfSettled(it.key(), *it, &batch))
            continue;
        // Looked at again once it has been seen so a look's time, or a look later while written.
        const qint64 due = seenLongEnough ? now + m_settings.intervalMs : it->sinceMs + m_settings.intervalMs;
        m_nextDue = m_nextDue < 0 ? due : std::min(m_nextDue, due);
    }
    m_seen = found;
    std::sort(batch.begin(), batch.end(), NameLess);
    return batch;
}

// Reads (hashes) a file that looks settled once nobody writes it any more, and takes it when it
// is a version not converted yet. False when it has to wait.
bool WatchFolder::takeIfSettled(const QString &pdf, const Seen &now, QStringList *batch)
{
    // Changed within the last look's time: a file system with coarse times may not show a
    // change between the two looks. (A time in the future, from a skewed clock, proves nothing.)
    const qint64 age = QDateTime::currentMSecsSinceEpoch() * 1000000 - now.mtimeNs;
    if (age >= 0 && age < qint64(m_settings.intervalMs) * 1000000)
        return false;
    const int fd = ::open(QFile::encodeName(pdf).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const auto same = [&] {
        return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && qulonglong(st.st_ino) == now.inode
               && qint64(st.st_size) == now.size && nanoseconds(st.st_mtim) == now.mtimeNs;
    };
    QByteArray digest;
    if (same() && !openForWriting(fd))
        digest = digestOf(fd);
    const bool settled = !digest.isEmpty() && same();
    ::close(fd);
    if (!settled)
        return false;
    Version &handled = m_handled[pdf];
    if (handled.digest == digest) {
        // Touched or copied again, the same bytes: the same version.
        handled = {now.size, now.mtimeNs, now.inode, digest};
        return true;
    }
    m_batchSources.insert(pdf, {now.size, now.mtimeNs, now.inode, digest});
    *batch << pdf;
    return true;
}

// One conversion run over the files that settled. False when the watch cannot go on.
bool WatchFolder::convert(const QStringList &batch)
{
    BatchOptions options = m_options;
    options.watchRecord = m_record;
    options.files = batch;
    options.givenNames.clear();
    for (const QString &pdf : batch) {
        options.givenNames << m_settings.given + pdf.mid(m_settings.folder.size());
        const Version &v = m_batchSources[pdf];
        m_record->setSource(pdf, QJsonObject{{QStringLiteral("bytes"), v.size},
                                             {QStringLiteral("mtime"), QString::number(v.mtimeNs)},
                                             {QStringLiteral("inode"), QString::number(v.inode)},
                                             {QStringLiteral("blake2b256"), QString::fromLatin1(v.digest)}});
    }
    // The GIFs of other PDFs stay: a file with the same name gets " (2)" instead of replacing them.
    const QSet<QString> converted(batch.cbegin(), batch.cend());
    for (auto it = m_gifs.cbegin(); it != m_gifs.cend(); ++it)
        if (!converted.contains(it.key()))
            for (const Gif &gif : *it)
                options.keptGifs << gif.path;
    options.keptGifs.removeDuplicates();
    BatchHost host(options);
    host.run();
    Interruption::EndIfSignalled(); // one that came while the run did not yield

    // Tried once per version, however it came out: a failure is not tried again until it changes.
    for (const QString &pdf : batch) {
        m_handled.insert(pdf, m_batchSources.take(pdf));
        const QList<Gif> written = m_batchGifs.take(pdf);
        if (m_batchWhole.contains(pdf))
            dropEarlierGifs(pdf, written);
        else
            m_gifs[pdf] += written;
    }
    m_batchWhole.clear();
    m_record->clearSources();
    if (!m_record->error().isEmpty())
        return false; // told by the run: nothing more can be recorded
    if (!IsExistingFolder(m_options.run.outputFolder)) {
        tell(QCoreApplication::translate("Console", "%1: the output folder is gone").arg(m_options.run.outputFolder));
        return false;
    }
    return true;
}

// A new version came out whole: the files an earlier version wrote that it did not (it has fewer
// pages, or other names) go, so that the output folder holds one set of pages per PDF. Only a
// regular file in the output folder that is still as the record says it was written is removed,
// never one the user or another program put in its place.
void WatchFolder::dropEarlierGifs(const QString &pdf, const QList<Gif> &now)
{
    QSet<QString> kept;
    for (const Gif &gif : now)
        kept.insert(gif.path);
    const QString folder = QDir::cleanPath(m_options.run.outputFolder);
    for (const Gif &gif : m_gifs.value(pdf)) {
        qint64 bytes = -1;
        QByteArray digest;
        if (kept.contains(gif.path) || gif.digest.isEmpty() || QDir::cleanPath(QFileInfo(gif.path).path()) != folder
            || !FileDigest(gif.path, &bytes, &digest) || bytes != gif.bytes || digest != gif.digest)
            continue;
        kept.insert(gif.path);
        if (::unlink(QFile::encodeName(gif.path).constData()) == 0 || errno == ENOENT)
            continue;
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        tell(QCoreApplication::translate("Console", "%1: a page of the earlier version could not be removed: %2")
                 .arg(ShellVisibleName(QFile::encodeName(gif.path)), why));
    }
    m_gifs.insert(pdf, now);
}

// Until `ms` have passed, or something changed in the folder (but never less than a tenth of a
// look: a file written in small pieces does not make the looks run on). A signal ends the
// program from within.
void WatchFolder::wait(qint64 ms)
{
    const qint64 least = std::min<qint64>(ms, m_settings.intervalMs / 10);
    QEventLoop pause;
    QTimer::singleShot(int(least), &pause, &QEventLoop::quit);
    pause.exec();
    if (ms <= least)
        return;
    QEventLoop loop;
    bool woken = true;
    QTimer::singleShot(int(ms - least), &loop, [&] { woken = false; loop.quit(); });
    QObject::connect(&m_wakeUp, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
    loop.exec();
    if (!woken)
        return;
    // Woken by the first file of a burst (a move of many files, an unpacked archive): the rest
    // are given the same moment, to be seen by the same look and converted as one list.
    QEventLoop burst;
    QTimer::singleShot(int(least), &burst, &QEventLoop::quit);
    burst.exec();
}

int WatchFolder::run()
{
    struct stat output {};
    if (::stat(QFile::encodeName(m_options.run.outputFolder).constData(), &output) == 0) {
        m_outputDevice = qulonglong(output.st_dev);
        m_outputInode = qulonglong(output.st_ino);
    }
    if (!startRecord())
        return 2;
    m_clock.start();
    m_wakeUp.addPath(m_settings.folder); // where the system cannot tell, the looks alone do
    for (;;) {
        QString problem;
        const QStringList batch = look(&problem);
        if (!problem.isEmpty()) {
            tell(QCoreApplication::translate("Console", "%1: the folder cannot be read any more: %2").arg(m_settings.given, problem));
            return 1;
        }
        if (batch.isEmpty())
            wait(m_nextDue < 0 ? m_settings.intervalMs : std::max<qint64>(0, m_nextDue - m_clock.elapsed()));
        else if (!convert(batch))
            return 1;
    }
}
