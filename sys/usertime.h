#pragma once

#include <QElapsedTimer>

#include <atomic>

// The time the program spends with a box in front of the user. A child process keeps working
// meanwhile, but a wait for it (a time cap per page, a bound on a script) does not count that
// time: a user who reads a box for ten minutes has not seen a page take ten minutes.
namespace UserTime {

namespace Detail {
inline std::atomic<qint64> awayMs{0};
inline thread_local int depth = 0;
} // namespace Detail

// Milliseconds spent in boxes over the program's life (only the outermost box counts).
inline qint64 awayMs()
{
    return Detail::awayMs.load();
}

// Counts its own lifetime as time away.
class Away {
public:
    Away()
    {
        if (Detail::depth++ == 0)
            m_clock.start();
    }
    ~Away()
    {
        if (--Detail::depth == 0)
            Detail::awayMs += m_clock.elapsed();
    }
    Away(const Away &) = delete;
    Away &operator=(const Away &) = delete;

private:
    QElapsedTimer m_clock;
};

// A clock that stops while the user is away.
class WorkClock {
public:
    void start()
    {
        m_clock.start();
        m_away = awayMs();
    }
    qint64 elapsed() const { return m_clock.elapsed() - (awayMs() - m_away); }

private:
    QElapsedTimer m_clock;
    qint64 m_away = 0;
};

} // namespace UserTime
