#pragma once

// Ghostscript's pipe as lumenpage-jpeg reads it: raw pages (PPM) one after another, under the
// time cap per page.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

// Ghostscript's pipe, read with a watch: when nothing comes for the time cap per page (while
// this program is reading, not while it waits for the reader or its compressor), Ghostscript
// is stopped and "timecap" said, as the script's own watch does for cjpeg.
class Input {
public:
    Input(int capSeconds, pid_t ghostscript) : m_capSeconds(capSeconds), m_ghostscript(ghostscript) { rest(); }
    int get()
    {
        if (m_pos == m_len && !fill())
            return EOF;
        return static_cast<unsigned char>(m_buffer[m_pos++]);
    }
    // Up to `n` bytes, fewer only at the end of the stream.
    size_t read(char *to, size_t n)
    {
        size_t done = 0;
        while (done < n && (m_pos < m_len || fill())) {
            const size_t take = std::min(n - done, m_len - m_pos);
            std::memcpy(to + done, m_buffer + m_pos, take);
            m_pos += take;
            done += take;
        }
        return done;
    }
    // Moves the next `n` bytes into the file `fd`: what is buffered, then the rest from the pipe
    // to the file in the kernel, without passing through this program. False when the stream
    // ends first or a write fails (a full disk, the file size cap).
    bool moveTo(int fd, size_t n)
    {
        const size_t buffered = std::min(n, m_len - m_pos);
        if (!writeAll(fd, m_buffer + m_pos, buffered))
            return false;
        m_pos += buffered;
        n -= buffered;
        while (n > 0) {
            if (!waitForData())
                return false;
            const ssize_t moved = ::splice(0, nullptr, fd, nullptr, n, SPLICE_F_MOVE | SPLICE_F_MORE);
            if (moved < 0 && errno == EINTR)
                continue;
            if (moved < 0 && errno == EINVAL) // not a pipe: through the buffer
                return copyTo(fd, n);
            if (moved <= 0)
                return false;
            n -= size_t(moved);
            rest();
        }
        return true;
    }
    // The time spent waiting elsewhere is not the page's.
    void rest() { m_last = std::chrono::steady_clock::now(); }

private:
    static bool writeAll(int fd, const char *from, size_t n)
    {
        while (n > 0) {
            const ssize_t put = ::write(fd, from, n);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            from += put;
            n -= size_t(put);
        }
        return true;
    }
    bool copyTo(int fd, size_t n)
    {
        while (n > 0) {
            if (m_pos == m_len && !fill())
                return false;
            const size_t take = std::min(n, m_len - m_pos);
            if (!writeAll(fd, m_buffer + m_pos, take))
                return false;
            m_pos += take;
            n -= take;
        }
        return true;
    }
    bool fill()
    {
        m_pos = m_len = 0;
        for (;;) {
            if (!waitForData())
                return false;
            const ssize_t got = ::read(0, m_buffer, sizeof m_buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            m_len = size_t(got);
            rest();
            return true;
        }
    }
    // Until the pipe has something to read (or is closed): false when it cannot be watched.
    bool waitForData()
    {
        for (;;) {
            pollfd in{0, POLLIN, 0};
            const int ready = ::poll(&in, 1, 1000);
            if (ready > 0)
                return true;
            if (ready < 0 && errno != EINTR)
                return false;
            if (m_capSeconds > 0 && m_ghostscript > 1
                && std::chrono::steady_clock::now() - m_last >= std::chrono::seconds(m_capSeconds)) {
                std::printf("timecap\n");
                std::fflush(stdout);
                ::kill(m_ghostscript, SIGKILL);
                m_ghostscript = 0; // its end comes as the end of the stream
            }
        }
    }

    const int m_capSeconds;
    pid_t m_ghostscript;
    std::chrono::steady_clock::time_point m_last;
    char m_buffer[1 << 16];
    size_t m_pos = 0, m_len = 0;
};

// The next header of the stream: false at its clean end, or for anything but an 8-bit P6.
inline bool readHeader(Input &in, int &width, int &height, bool &atEnd)
{
    int c = in.get();
    atEnd = c == EOF;
    if (atEnd || c != 'P' || in.get() != '6')
        return false;
    long fields[3] = {0, 0, 0};
    for (long &field : fields) {
        c = in.get();
        for (;;) {
            if (c == '#')
                while (c != '\n' && c != EOF)
                    c = in.get();
            else if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
                c = in.get();
            else
                break;
        }
        if (c < '0' || c > '9')
            return false;
        for (; c >= '0' && c <= '9'; c = in.get())
            if ((field = field * 10 + (c - '0')) > 1000000)
                return false;
    }
    // One whitespace character ends the header.
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
        return false;
    width = int(fields[0]);
    height = int(fields[1]);
    return fields[2] == 255 && width > 0 && height > 0;
}

