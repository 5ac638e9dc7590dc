#include "sys/wholefile.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why the name cannot be replaced: a FIFO, a device or a socket is there (a folder is left to
// rename(), which says "Is a directory"). Empty otherwise.
QString SpecialNodeAt(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return QString();
    return NodeProblem(st.st_mode);
}

} // namespace

WholeFile::WholeFile(const QString &path) : m_path(path)
{
    const QFileInfo target(path);
    if (const QString problem = SpecialNodeAt(path); !problem.isEmpty())
        throw Failure(problem, ErrorCode::PathFileAccess);
    // Hidden, so that a file browser showing the folder meanwhile does not offer it.
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temporary = QFile::encodeName(target.path() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.')
                                        + QString::number(QRandomGenerator::global()->generate64(), 36));
        m_fd = ::open(m_temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd < 0 && (errno != EEXIST || attempt > 100)) {
            const int error = errno;
            m_temporary.clear();
            throw Failure(QString::fromLocal8Bit(std::strerror(error)), ErrorCode::PathFileAccess);
        }
    }
}

WholeFile::~WholeFile()
{
    discard();
}

void WholeFile::fail(int error)
{
    discard();
    throw Failure(QString::fromLocal8Bit(std::strerror(error)), ErrorCode::PathFileAccess);
}

void WholeFile::write(const QByteArray &bytes)
{
    patch(m_size, bytes);
}

void WholeFile::patch(qint64 offset, const QByteArray &bytes)
{
    if (m_fd < 0)
        fail(EBADF);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(m_fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : ENOSPC);
        done += n;
    }
    m_size = std::max(m_size, offset + bytes.size());
}

QByteArray WholeFile::read(qint64 offset, qint64 length) const
{
    QByteArray bytes(qsizetype(std::max<qint64>(0, std::min(length, m_size - offset))), Qt::Uninitialized);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Failure(QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO)), ErrorCode::PathFileAccess);
        done += n;
    }
    return bytes;
}

void WholeFile::commit(bool sync)
{
    if (m_fd < 0)
        fail(EBADF);
    if (sync && ::fsync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(m_temporary.constData());
        m_temporary.clear();
        fail(error);
    }
    // A FIFO or a device put at the name meanwhile stays: only a file or a link is replaced.
    if (const QString problem = SpecialNodeAt(m_path); !problem.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
        throw Failure(problem, ErrorCode::PathFileAccess);
    }
    // rename() replaces the name itself: a link there goes, its target is never opened.
    if (::rename(m_temporary.constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int error = errno;
        ::unlink(m_temporary.constData());
        m_temporary.clear();
        fail(error);
    }
    m_temporary.clear();
}

void WholeFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
}
