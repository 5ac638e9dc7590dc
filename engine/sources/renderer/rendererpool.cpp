#include "engine/sources/renderer/rendererprocess.h"

#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <vector>

// The renderers that wait for the program's next document (see RendererProcess::take).

namespace {

// Renderers waiting for the next document: one for the page asked for, one for the page ahead.
constexpr size_t MaxParked = 2;
// A parked renderer nobody took for this long ends: between the files of a run it waits
// milliseconds, and after a run it would only hold memory.
constexpr int ParkedIdleMs = 10000;

struct Pool {
    std::vector<std::unique_ptr<RendererProcess>> parked;
    std::unique_ptr<RendererProcess> ahead; // see RendererProcess::keepAhead
    QTimer *idle = nullptr;
};

// Never destroyed: the parked renderers end before the application object goes (a post
// routine), or with the program's lifeline, never in a static destructor after it.
Pool &pool()
{
    static Pool *const instance = new Pool;
    return *instance;
}

} // namespace

std::unique_ptr<RendererProcess> RendererProcess::take(const RenderLimits &limits, const QString &path)
{
    const QStringList conditions = startConditionsOf(limits);
    if (std::unique_ptr<RendererProcess> ahead = std::move(pool().ahead)) {
        // Taken only for the same version of the file: one renamed over or rewritten since it
        // was opened ahead is opened anew, so that all its pages come from the version of now.
        // (One moved away since has no other version: the renderer that has it open draws it.)
        const QString now = FileVersion(path);
        if (!path.isEmpty() && ahead->m_path == path && (now.isEmpty() || ahead->m_version == now)
            && ahead->m_startedWith == conditions
            && ahead->m_process->state() == QProcess::Running) {
            ahead->m_limits = limits;
            return ahead;
        }
        ahead->stop(); // its page is for a document that is not converted next after all
    }
    auto &parked = pool().parked;
    // One that ended while it waited (killed from outside) is dropped.
    std::erase_if(parked, [](const auto &process) { return process->m_process->state() != QProcess::Running; });
    for (auto it = parked.begin(); it != parked.end(); ++it) {
        if ((*it)->m_startedWith != conditions)
            continue;
        std::unique_ptr<RendererProcess> process = std::move(*it);
        parked.erase(it);
        process->m_limits = limits; // the time cap may differ: the program keeps it, not the renderer
        return process;
    }
    return std::make_unique<RendererProcess>(limits);
}

void RendererProcess::park(std::unique_ptr<RendererProcess> process)
{
    if (!process)
        return;
    process->setWhileWaiting({}); // what it called belongs to its last owner
    if (process->m_state == State::Idle)
        process->close();
    Pool &p = pool();
    if (process->m_state != State::Parked || p.parked.size() >= MaxParked || !QCoreApplication::instance())
        return; // stopped as it goes
    p.parked.push_back(std::move(process));
    armIdleTimer();
}

void RendererProcess::keepAhead(std::unique_ptr<RendererProcess> process)
{
    if (!process || process->m_state != State::Drawing || !QCoreApplication::instance())
        return; // stopped as it goes
    process->setWhileWaiting({});
    pool().ahead = std::move(process);
    armIdleTimer();
}

void RendererProcess::armIdleTimer()
{
    Pool &p = pool();
    if (!p.idle) {
        qAddPostRoutine(endParked);
        p.idle = new QTimer;
        p.idle->setSingleShot(true);
        QObject::connect(p.idle, &QTimer::timeout, [] { endParked(); });
    }
    p.idle->start(ParkedIdleMs);
}

int RendererProcess::parkedCount()
{
    return int(pool().parked.size());
}

void RendererProcess::endAhead()
{
    pool().ahead.reset();
}

void RendererProcess::endParked()
{
    Pool &p = pool();
    // Told to end all at once, then waited for: no document to close, so they end at once.
    for (const auto &process : p.parked)
        process->m_process->closeWriteChannel();
    p.parked.clear();
    p.ahead.reset(); // killed: its page is not wanted any more
    if (p.idle && !QCoreApplication::closingDown())
        p.idle->stop();
}
