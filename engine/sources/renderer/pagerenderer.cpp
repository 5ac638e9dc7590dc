#include "engine/sources/renderer/pagerenderer.h"

#include "sys/fileutil.h"

#include <QCoreApplication>

PageRenderer::PageRenderer(QString pdfPath, RenderLimits limits, std::function<void()> whileWaiting)
    : m_path(std::move(pdfPath)), m_limits(limits), m_whileWaiting(std::move(whileWaiting))
{
}

PageRenderer::~PageRenderer()
{
    // A page drawn ahead that nobody took is dropped with its process; a process that is free
    // waits for the next document.
    for (std::unique_ptr<RendererProcess> &process : m_processes)
        park(std::move(process));
}

std::unique_ptr<RendererProcess> PageRenderer::freshProcess(const QString &path)
{
    if (!m_nextDocument)
        return std::make_unique<RendererProcess>(m_limits);
    const QString conditions = RendererProcess::startConditionsOf(m_limits);
    // The one that opened `path` ahead, only for the same version of the file: one renamed over
    // or rewritten since it was opened ahead is opened anew, so that all its pages come from the
    // version of now. (One moved away since has no other version: the renderer that has it open
    // draws it.) Whatever was prepared for another document, or under other limits, goes.
    if (std::unique_ptr<RendererProcess> ahead = m_nextDocument->take<RendererProcess>(path, conditions)) {
        const QString now = FileVersion(path);
        if ((now.isEmpty() || ahead->version() == now) && ahead->running()) {
            ahead->setLimits(m_limits);
            return ahead;
        }
    }
    // One that ended while it waited (killed from outside) is dropped.
    while (std::unique_ptr<RendererProcess> spare = m_nextDocument->takeSpare<RendererProcess>(conditions))
        if (spare->running()) {
            spare->setLimits(m_limits);
            return spare;
        }
    return std::make_unique<RendererProcess>(m_limits);
}

void PageRenderer::park(std::unique_ptr<RendererProcess> process)
{
    if (!process)
        return;
    process->setWhileWaiting({}); // what it called belongs to this document
    if (process->state() == RendererProcess::State::Idle)
        process->close();
    if (m_nextDocument && process->state() == RendererProcess::State::Parked) {
        const QString conditions = process->startConditions();
        m_nextDocument->keepSpare(conditions, std::move(process));
    }
    // Otherwise it stops as it goes.
}

int PageRenderer::pageCount()
{
    if (!m_pageCount)
        opened(m_processes[0]);
    return *m_pageCount;
}

RendererProcess &PageRenderer::opened(std::unique_ptr<RendererProcess> &slot)
{
    using State = RendererProcess::State;
    if (slot && (slot->state() == State::Idle || slot->state() == State::Drawing))
        return *slot;
    if (!slot || slot->state() == State::Gone)
        slot = freshProcess(m_password ? QString() : m_path);
    slot->setWhileWaiting(m_whileWaiting);
    if (slot->state() == State::Drawing) {
        // Opened, and drawing ahead, while the document before was converted.
        if (!m_pageCount)
            m_pageCount = slot->pageCount();
        return *slot;
    }
    const int count = slot->open(m_path, m_password);
    if (!m_pageCount)
        m_pageCount = count;
    // A second process that found another version of the file than the first one opened does
    // not draw: a document's pages all come from one version.
    for (const std::unique_ptr<RendererProcess> &other : m_processes)
        if (other && other != slot && other->state() != RendererProcess::State::Gone && !other->version().isEmpty()
            && other->version() != slot->version()) {
            park(std::move(slot));
            throw Failure(QCoreApplication::translate("Engine", "%1 changed while it was converted").arg(m_path), CodeOf(Fault::Changed));
        }
    return *slot;
}

PageRenderer::Page PageRenderer::render(int page, double dpi, bool fit)
{
    const Request wanted = request(page, dpi, fit);
    try {
        RendererProcess *process = lookAhead(Event::Asked, wanted);
        if (!process->drawing(wanted))
            process->send(wanted);
        startNext();
        Page drawn = process->receive();
        // Poppler reads the document as it draws: a page is the document's only when the file
        // it opened is still as it was (as the scripts' pages are, scriptrun.h).
        if (process->documentRewritten()) {
            Rendering::dropPixels(drawn);
            throw Failure(QCoreApplication::translate("Engine", "%1 changed while it was converted").arg(m_path), CodeOf(Fault::Changed));
        }
        return drawn;
    } catch (const Failure &f) {
        lookAhead(Event::Failed, wanted, FaultOf(f));
        throw;
    }
}

void PageRenderer::plan(QList<int> pages, bool thenNextDocument)
{
    m_plan = std::move(pages);
    m_planNext = thenNextDocument && m_nextDocument ? m_nextDocument->pdf() : QString();
    m_given = 0;
}

void PageRenderer::setPageFiles(std::function<QString(int)> fileOf, double dpi, bool fit)
{
    m_fileOf = std::move(fileOf);
    m_dpi = dpi;
    m_fit = fit;
}

std::optional<SourcePage> PageRenderer::next()
{
    if (m_given >= m_plan.size())
        return SourcePage::end();
    const int page = m_plan.at(m_given++);
    try {
        Page drawn = drawPlanned(page, m_dpi, m_fit);
        SourcePage given;
        given.page = page;
        given.pixels = drawn.pixels;
        if (!m_fileOf) {
            given.image = std::move(drawn.jpeg);
            return given;
        }
        given.file = m_fileOf(page);
        try {
            WriteFileWhole(drawn.jpeg, given.file);
        } catch (const Failure &) {
            Rendering::dropPixels(drawn);
            throw;
        }
        return given;
    } catch (const Failure &f) {
        return SourcePage::failed(page, FaultOf(f), f.description());
    }
}

int PageRenderer::nextPlanned() const
{
    return m_given < m_plan.size() ? m_plan.at(m_given) : 0;
}

PageRenderer::Page PageRenderer::drawPlanned(int page, double dpi, bool fit)
{
    const qsizetype at = m_plan.indexOf(page);
    if (at >= 0 && at + 1 < m_plan.size())
        renderAhead(m_plan.at(at + 1), dpi, fit);
    else if (at >= 0 && !m_planNext.isEmpty())
        renderNextAhead(m_planNext, 1, dpi, fit);
    return render(page, dpi, fit);
}

void PageRenderer::renderAhead(int page, double dpi, bool fit)
{
    const Request ahead = request(page, dpi, fit);
    try {
        RendererProcess *process = lookAhead(Event::Ahead, ahead);
        if (process && !process->drawing(ahead))
            process->send(ahead);
    } catch (const Failure &) {
        // Then it is drawn, or fails, when asked for; a process that cannot be started is not
        // tried again for every page.
        m_aheadOff = true;
    }
}

void PageRenderer::renderNextAhead(const QString &path, int page, double dpi, bool fit)
{
    if (!m_password && !m_aheadOff && m_nextDocument && !path.isEmpty())
        m_next.emplace(path, request(page, dpi, fit));
}

void PageRenderer::startNext()
{
    if (!m_next)
        return;
    const auto [path, first] = *std::exchange(m_next, std::nullopt);
    using State = RendererProcess::State;
    std::unique_ptr<RendererProcess> process;
    for (std::unique_ptr<RendererProcess> &slot : m_processes)
        if (slot && slot->state() == State::Idle) {
            process = std::move(slot);
            break;
        }
    try {
        if (process && !process->close())
            return;
        if (!process)
            process = freshProcess(QString());
        process->setWhileWaiting(m_whileWaiting);
        process->open(path, std::nullopt);
        process->send(first);
    } catch (const Failure &) {
        // That document fails, or not, in its own turn, and says why then.
        park(std::move(process));
        return;
    }
    process->setWhileWaiting({});
    const QString conditions = process->startConditions();
    m_nextDocument->fill(path, conditions, std::move(process));
}

RendererProcess *PageRenderer::lookAhead(Event event, const Request &next, Fault failure)
{
    using State = RendererProcess::State;
    const auto in = [this](int slot, State state) { return m_processes[slot] && m_processes[slot]->state() == state; };
    if (event == Event::Failed) {
        // A document with a page that reaches a cap or crashes the renderer may hold more such
        // pages: from then on it is drawn by one process at a time, so that it costs at most
        // one renderer's caps at once.
        if (failure == Fault::MemoryCap || failure == Fault::TimeCap || failure == Fault::Crash) {
            m_aheadOff = true;
            for (std::unique_ptr<RendererProcess> &process : m_processes)
                if (process && process->state() == State::Drawing)
                    process->stop();
        }
        return nullptr;
    }
    for (std::unique_ptr<RendererProcess> &process : m_processes)
        if (process && process->drawing(next))
            return process.get();
    if (event == Event::Ahead && m_aheadOff)
        return nullptr;
    // Pages drawn ahead at other settings (the resolution was changed meanwhile), or before the
    // page asked for, will not be asked for.
    for (std::unique_ptr<RendererProcess> &process : m_processes)
        if (const Request *drawn = process ? process->request() : nullptr;
            drawn && (!drawn->sameSettings(next) || (event == Event::Asked && drawn->page <= next.page)))
            process->stop();
    if (in(0, State::Drawing) && in(1, State::Drawing)) {
        if (event == Event::Ahead)
            return nullptr;
        m_processes[1]->stop(); // both draw pages ahead not asked for yet: the second one's goes
    }
    // A free process: one with the document open, else the first free one, which opens it.
    int free = in(0, State::Drawing) || (!in(0, State::Idle) && in(1, State::Idle)) ? 1 : 0;
    if (in(free, State::Idle))
        return m_processes[free].get();
    const int other = 1 - free;
    try {
        RendererProcess &process = opened(m_processes[free]);
        // One that opened the document ahead draws its first page at the settings of then.
        if (process.state() == State::Drawing && !process.drawing(next)) {
            process.stop();
            return &opened(m_processes[free]);
        }
        return &process;
    } catch (const Failure &) {
        if (event == Event::Ahead || !in(other, State::Drawing))
            throw;
        // No second process (it cannot be started, or the document can no longer be opened):
        // the one that has it open draws the page asked for once it has finished the one drawn
        // ahead, as without drawing ahead.
        m_aheadOff = true;
        park(std::move(m_processes[free]));
        try {
            Page dropped = m_processes[other]->receive();
            Rendering::dropPixels(dropped);
        } catch (const Failure &) {
            // That page is drawn again, or fails, when asked for.
        }
        return &opened(m_processes[other]);
    }
}

void WriteFileWhole(const QByteArray &bytes, const QString &path)
{
    try {
        ReplaceFileWhole(path, bytes);
    } catch (const Failure &f) {
        throw Failure(QCoreApplication::translate("Engine", "%1 cannot be written: %2").arg(path, f.description()), ErrorCode::PathFileAccess);
    }
}
