#include "engine/sources/heldfile.h"

#include <QFile>

#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

HeldFile::HeldFile(const QString &path)
{
    // Never waiting on a pipe put in its place (the renderers refuse those with a reason).
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd >= 0 && ::fstat(m_fd, &m_taken) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

HeldFile::~HeldFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

HeldFile::HeldFile(HeldFile &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_taken(other.m_taken) {}

HeldFile &HeldFile::operator=(HeldFile &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_taken = other.m_taken;
    }
    return *this;
}

bool HeldFile::rewritten() const
{
    struct stat now {};
    if (m_fd < 0 || ::fstat(m_fd, &now) != 0)
        return false;
    return now.st_size != m_taken.st_size || !sameTime(now.st_mtim, m_taken.st_mtim);
}

bool HeldFile::replacedAt(const QString &path) const
{
    struct stat now {};
    if (m_fd < 0 || ::stat(QFile::encodeName(path).constData(), &now) != 0)
        return false;
    return now.st_dev != m_taken.st_dev || now.st_ino != m_taken.st_ino;
}
