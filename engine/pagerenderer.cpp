#include "engine/pagerenderer.h"

#include "render/renderprotocol.h"

#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

#include <csignal>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define LP_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LP_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

constexpr int TailBytes = 4096;
// An answer line is a few dozen bytes; an error line names a path (4096 bytes at most) and a
// reason. Anything longer is no answer: the renderer is stopped, never read as the next one.
constexpr qint64 MaxAnswerLine = 64 * 1024;
// How long an answer is waited for before the program looks at its events again.
constexpr int WaitSliceMs = 100;

QString kindlessText(const QByteArray &line)
{
    // "error KIND TEXT"
    const QList<QByteArray> words = line.split(' ');
    return QString::fromUtf8(line.mid(words.value(0).size() + words.value(1).size() + 2)).trimmed();
}

PageRenderer::Kind kindOf(int protocolKind)
{
    switch (protocolKind) {
    case RenderProtocol::Unreadable: return PageRenderer::Unreadable;
    case RenderProtocol::NoSuchPage: return PageRenderer::NoSuchPage;
    case RenderProtocol::TooLarge: return PageRenderer::TooLarge;
    case RenderProtocol::NoPixels: return PageRenderer::NoPixels;
    case RenderProtocol::OutOfMemory: return PageRenderer::MemoryCap;
    default: return PageRenderer::RenderFailed;
    }
}

} // namespace

PageRenderer::PageRenderer(QString pdfPath, RenderLimits limits, std::function<void()> whileWaiting)
    : m_path(std::move(pdfPath)), m_limits(limits), m_whileWaiting(std::move(whileWaiting))
{
    m_clock.start();
}

PageRenderer::~PageRenderer()
{
    m_twin.reset();
    stop();
}

QString PageRenderer::helperPath()
{
    const QString name = QStringLiteral("lumenpage-render");
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                     : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString beside = dir + QLatin1Char('/') + name;
    if (IsExistingFile(beside))
        return beside;
    return QDir::cleanPath(dir + QStringLiteral("/../libexec/lumenpage/") + name);
}

void PageRenderer::resetProcess()
{
    m_request.reset();
    m_process.reset();
    m_guard.reset();
}

void PageRenderer::stop()
{
    if (!m_process)
        return;
    if (m_request) {
        // A page drawn ahead that nobody took: its answer would only fill the pipe.
        m_request.reset();
        m_process->kill();
        m_process->waitForFinished(5000);
    } else if (m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel(); // end of requests: it ends by itself
        if (!m_process->waitForFinished(2000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    resetProcess();
}

void PageRenderer::start()
{
    const QString helper = helperPath();
    if (!IsExistingFile(helper))
        throw Failure(QCoreApplication::translate("Engine", "The page renderer %1 is missing: the program is not installed completely")
                          .arg(helper), NoRenderer);
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(helper);
    m_process->setArguments(m_hasPassword ? QStringList{QStringLiteral("--password-stdin"), m_path} : QStringList{m_path});
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    ChildLimits limits = m_limits.child();
#ifdef LP_ADDRESS_SANITIZER
    // A sanitizer build reserves terabytes of address space for its shadow memory, so a cap on
    // the address space would stop the renderer before it starts: the sanitizer's own cap on
    // the resident memory stands in for it.
    limits.memoryBytes = 0;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS"))
                           + QStringLiteral(":hard_rss_limit_mb=%1").arg(m_limits.memoryMB));
    m_process->setProcessEnvironment(environment);
#endif
    Interruption::PrepareLifeline();
    m_process->setChildProcessModifier([limits] {
        ::setpgid(0, 0);
        Interruption::TieGroupToLifeline();
        ::signal(SIGPIPE, SIG_DFL);
        ApplyChildLimits(limits);
    });
    m_errors.clear();
    m_outOfMemory = false;
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        const QString why = m_process->errorString();
        resetProcess();
        throw Failure(QCoreApplication::translate("Engine", "The page renderer %1 could not be started: %2").arg(helper, why), NoRenderer);
    }
    // Ended with the program if the program has to end first.
    m_guard = std::make_unique<Interruption::ProcessGroupGuard>(m_process->processId());
    if (m_hasPassword) {
        const QByteArray line = m_password + '\n';
        if (m_process->write(line) != line.size() || !m_process->waitForBytesWritten(5000))
            died(0);
    }
    QElapsedTimer clock;
    clock.start();
    const QByteArray line = readLine(0, clock.elapsed() + qint64(m_limits.pageSeconds) * 1000);
    if (line.startsWith("pages ")) {
        m_pageCount = line.mid(6).trimmed().toInt();
        return;
    }
    stop();
    if (line.startsWith("error "))
        throw Failure(kindlessText(line), Unreadable);
    throw Failure(QCoreApplication::translate("Engine", "%1 could not be opened: the page renderer answered \"%2\"")
                      .arg(m_path, QString::fromUtf8(line.left(200)).trimmed()), Unreadable);
}

int PageRenderer::pageCount()
{
    if (!m_process)
        start();
    return m_pageCount;
}

void PageRenderer::drainErrors()
{
    // Its messages matter only as the reason of a crash: the tail is enough, and a chatty
    // renderer cannot fill the program's memory.
    const QByteArray chunk = m_process->readAllStandardError();
    if (chunk.isEmpty())
        return;
    // Under the address-space cap an allocation fails: poppler says "Out of memory" and aborts,
    // C++ code throws bad_alloc, our own handler says "out of memory" and exits with status 4; a
    // sanitizer build's cap says "rss limit exhausted" and then prints pages of memory map. The
    // sign is looked for as it arrives, across the seam with what came before.
    const QByteArray window = (m_errors.right(64) + chunk).toLower();
    if (window.contains("out of memory") || window.contains("bad_alloc") || window.contains("cannot allocate")
        || window.contains("rss limit exhausted") || window.contains("allocation-size-too-big"))
        m_outOfMemory = true;
    m_errors += chunk;
    if (m_errors.size() > TailBytes)
        m_errors = m_errors.right(TailBytes);
}

void PageRenderer::died(int page)
{
    m_process->waitForFinished(5000);
    drainErrors();
    const bool outOfMemory = m_outOfMemory;
    m_errors.clear();
    m_outOfMemory = false;
    const bool crashed = m_process->exitStatus() == QProcess::CrashExit;
    const int code = m_process->exitCode();
    resetProcess();
    const QString where = page > 0 ? QCoreApplication::translate("Engine", "page %1 of %2").arg(page).arg(m_path)
                                   : QCoreApplication::translate("Engine", "opening %1").arg(m_path);
    if ((!crashed && code == 4) || outOfMemory)
        throw Failure(QCoreApplication::translate("Engine", "The page renderer reached %1 on %2; the page was not converted")
                          .arg(m_limits.memoryCapText(), where), MemoryCap);
    throw Failure(QCoreApplication::translate("Engine", "The page renderer %1 on %2; the page was not converted")
                      .arg(crashed ? QCoreApplication::translate("Engine", "crashed") : QCoreApplication::translate("Engine", "ended with status %1").arg(code), where),
                  Crashed);
}

QByteArray PageRenderer::readLine(int page, qint64 deadline)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 budget = deadline;
    while (!m_process->canReadLine()) {
        if (m_process->state() == QProcess::NotRunning)
            died(page); // no answer
        if (m_process->bytesAvailable() > MaxAnswerLine) {
            stop();
            throw Failure(QCoreApplication::translate("Engine", "Page %1 of %2 could not be rendered: the page renderer's answer was no line")
                              .arg(page).arg(m_path), RenderFailed);
        }
        const qint64 left = budget - clock.elapsed();
        if (left <= 0) {
            m_process->kill();
            m_process->waitForFinished(5000);
            resetProcess();
            throw Failure(QCoreApplication::translate("Engine", "%1 was reached on %2; the page was not converted")
                              .arg(m_limits.timeCapText(),
                                   page > 0 ? QCoreApplication::translate("Engine", "page %1 of %2").arg(page).arg(m_path)
                                            : QCoreApplication::translate("Engine", "opening %1").arg(m_path)),
                          TimeCap);
        }
        m_process->waitForReadyRead(int(std::min<qint64>(left, WaitSliceMs)));
        drainErrors();
        waited();
    }
    return m_process->readLine(); // the whole line, whatever its length
}

QByteArray PageRenderer::readBytes(qint64 count, int page, qint64 deadline)
{
    QElapsedTimer clock;
    clock.start();
    QByteArray bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        bytes += m_process->read(count - bytes.size());
        if (bytes.size() >= count)
            break;
        if (m_process->state() == QProcess::NotRunning && m_process->bytesAvailable() == 0)
            died(page);
        if (clock.elapsed() > deadline) {
            m_process->kill();
            m_process->waitForFinished(5000);
            resetProcess();
            throw Failure(QCoreApplication::translate("Engine", "%1 was reached on page %2 of %3; the page was not converted")
                              .arg(m_limits.timeCapText()).arg(page).arg(m_path),
                          TimeCap);
        }
        m_process->waitForReadyRead(WaitSliceMs);
        drainErrors();
        waited();
    }
    return bytes;
}

void PageRenderer::waited()
{
    if (m_whileWaiting)
        m_whileWaiting();
}

bool PageRenderer::pending(int page, double dpi, bool fit) const
{
    return m_request && m_request->page == page && m_request->dpi == dpi && m_request->fit == fit;
}

PageRenderer::Page PageRenderer::render(int page, double dpi, bool fit)
{
    try {
        return renderOnce(page, dpi, fit);
    } catch (const Failure &f) {
        // A document with a page that reaches a cap or crashes the renderer may hold more such
        // pages: from then on it is drawn by one process at a time, so that it costs at most
        // one renderer's caps at once.
        if (f.code() == MemoryCap || f.code() == TimeCap || f.code() == Crashed) {
            m_aheadOff = true;
            m_twin.reset();
            if (m_request)
                stop();
        }
        throw;
    }
}

PageRenderer::Page PageRenderer::renderOnce(int page, double dpi, bool fit)
{
    if (PageRenderer *drawing = drawingAhead(page, dpi, fit))
        return drawing->receive();
    // Pages drawn ahead at other settings (the resolution was changed meanwhile), or before
    // this page, will not be asked for.
    dropAheadUnlike(dpi, fit, page);
    // A free process draws it: this one, else the second one. When both are drawing pages
    // ahead that were not asked for, the second one's is dropped.
    if (m_request) {
        if (twin().m_request)
            m_twin->stop();
        bool sent = false;
        try {
            m_twin->send(page, dpi, fit);
            sent = true;
        } catch (const Failure &) {
            // No second process (it cannot be started, or the document can no longer be
            // opened): this process, which has it open, draws the page asked for once it has
            // finished the one drawn ahead, as without drawing ahead.
            m_twin.reset();
            m_aheadOff = true;
        }
        if (sent)
            return m_twin->receive();
        try {
            receive();
        } catch (const Failure &) {
            // That page is drawn again, or fails, when asked for.
        }
    }
    send(page, dpi, fit);
    return receive();
}

void PageRenderer::renderAhead(int page, double dpi, bool fit)
{
    if (m_aheadOff || drawingAhead(page, dpi, fit))
        return;
    dropAheadUnlike(dpi, fit, 0);
    try {
        // Whichever process is free: the one whose page was taken last.
        PageRenderer *free = m_request ? &twin() : this;
        if (free->m_request)
            return; // both are drawing
        free->send(page, dpi, fit);
    } catch (const Failure &) {
        // Then it is drawn, or fails, when asked for; a process that cannot be started is not
        // tried again for every page.
        m_aheadOff = true;
    }
}

PageRenderer *PageRenderer::drawingAhead(int page, double dpi, bool fit)
{
    for (PageRenderer *renderer : {this, m_twin.get()})
        if (renderer && renderer->pending(page, dpi, fit))
            return renderer;
    return nullptr;
}

PageRenderer &PageRenderer::twin()
{
    if (!m_twin) {
        m_twin = std::make_unique<PageRenderer>(m_path, m_limits, m_whileWaiting);
        m_twin->m_password = m_password;
        m_twin->m_hasPassword = m_hasPassword;
        m_twin->m_fitBox = m_fitBox;
    }
    return *m_twin;
}

void PageRenderer::dropAheadUnlike(double dpi, bool fit, int upToPage)
{
    for (PageRenderer *renderer : {this, m_twin.get()})
        if (renderer && renderer->m_request
            && (renderer->m_request->dpi != dpi || renderer->m_request->fit != fit
                || renderer->m_request->page <= upToPage))
            renderer->stop();
}

void PageRenderer::send(int page, double dpi, bool fit)
{
    if (!m_process)
        start();
    if (page < 1 || page > m_pageCount)
        throw Failure(QCoreApplication::translate("Engine", "Page %1 is past the end of %2, which has %3 page(s)")
                          .arg(page).arg(m_path).arg(m_pageCount), NoSuchPage);
    const QByteArray request = "render " + QByteArray::number(page) + ' ' + QByteArray::number(dpi, 'g', 17)
                               + ' ' + (fit ? '1' : '0')
                               + (m_fitBox.width() > 0 || m_fitBox.height() > 0
                                      ? ' ' + QByteArray::number(m_fitBox.width()) + ' ' + QByteArray::number(m_fitBox.height())
                                      : QByteArray())
                               + '\n';
    // QProcess only buffers what is written: the request reaches the renderer now, so that it
    // draws while the caller waits on the other one.
    if (m_process->write(request) != request.size() || !m_process->waitForBytesWritten(5000))
        died(page);
    m_request = Request{page, dpi, fit, m_clock.elapsed()};
}

PageRenderer::Page PageRenderer::receive()
{
    const int page = m_request->page;
    // The time cap counts from the request: a page drawn ahead has had part of its time.
    const qint64 budget = std::max<qint64>(1, qint64(m_limits.pageSeconds) * 1000 - (m_clock.elapsed() - m_request->sentAt));
    const auto answered = qScopeGuard([this] { m_request.reset(); });
    QElapsedTimer clock;
    clock.start();
    const QByteArray line = readLine(page, budget);
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.value(0) == "error") {
        const Kind kind = kindOf(words.value(1).toInt());
        QString text = kindlessText(line);
        if (kind == MemoryCap)
            text = QCoreApplication::translate("Engine", "The page renderer reached %1 on page %2 of %3; the page was not converted")
                       .arg(m_limits.memoryCapText()).arg(page).arg(m_path);
        throw Failure(text, kind);
    }
    bool sizeOk = false;
    const qint64 size = words.value(1).toLongLong(&sizeOk);
    if (words.value(0) != "image" || words.size() != 5 || !sizeOk || size <= 0 || size > (qint64(1) << 34)) {
        stop();
        throw Failure(QCoreApplication::translate("Engine", "Page %1 of %2 could not be rendered: the page renderer answered \"%3\"")
                          .arg(page).arg(m_path).arg(QString::fromUtf8(line.left(200)).trimmed()), RenderFailed);
    }
    Page result;
    result.size = QSize(words[2].toInt(), words[3].toInt());
    result.dpi = words[4].toDouble();
    result.jpeg = readBytes(size, page, budget - clock.elapsed());
    return result;
}

void WriteFileWhole(const QByteArray &bytes, const QString &path)
{
    try {
        ReplaceFileWhole(path, bytes);
    } catch (const Failure &f) {
        throw Failure(QCoreApplication::translate("Engine", "%1 cannot be written: %2").arg(path, f.description()), ErrorCode::PathFileAccess);
    }
}
