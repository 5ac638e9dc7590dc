#include "engine/sources/renderer/rendererprocess.h"

#include "engine/render/renderprotocol.h"
#include "engine/sources/renderer/renderanswer.h"
#include "engine/sources/renderer/rendererwords.h"

#include "sys/appfolder.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"
#include "sys/sanitizers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace {

constexpr int TailBytes = 4096;
// An answer line is a few dozen bytes; an error line names a path (4096 bytes at most) and a
// reason. Anything longer is no answer: the renderer is stopped, never read as the next one.
constexpr qint64 MaxAnswerLine = 64 * 1024;
// How long an answer is waited for before the program looks at its events again.
constexpr int WaitSliceMs = 100;
// Closing a document frees memory and nothing else: a renderer that takes longer is stuck.
constexpr qint64 CloseMs = 5000;

} // namespace

RendererProcess::RendererProcess(RenderLimits limits) : m_limits(limits), m_startedWith(conditionsOf(limits))
{
    m_clock.start();
}

RendererProcess::~RendererProcess()
{
    stop();
}

bool RendererProcess::running() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QStringList RendererProcess::conditionsOf(const RenderLimits &limits)
{
    return QStringList{RendererProcess::helperPath(), QString::number(limits.memoryMB), QDir::currentPath()}
           + QProcess::systemEnvironment();
}

QString RendererProcess::helperPath()
{
    return HelperProgram(QStringLiteral("lumenpage-render"));
}

void RendererProcess::gone()
{
    m_state = State::Gone;
    m_process.reset();
    m_guard.reset();
}

void RendererProcess::stop()
{
    if (m_process) {
        if (m_state == State::Drawing) {
            // A page nobody will take: its answer would only fill the pipe.
            m_process->kill();
            m_process->waitForFinished(5000);
        } else if (m_process->state() != QProcess::NotRunning) {
            m_process->closeWriteChannel(); // end of requests: it ends by itself
            if (!m_process->waitForFinished(2000)) {
                m_process->kill();
                m_process->waitForFinished(5000);
            }
        }
    }
    gone();
}

void RendererProcess::start()
{
    const QString helper = m_startedWith.value(0);
    if (!IsExistingFile(helper)) {
        gone();
        throw Failure(QCoreApplication::translate("Engine", "The page renderer %1 is missing: the program is not installed completely")
                          .arg(helper), CodeOf(Fault::RendererMissing));
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(helper);
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
    environment.insert(QStringLiteral("LUMENPAGE_RSS_LIMIT_MB"), QString::number(m_limits.memoryMB));
    m_process->setProcessEnvironment(environment);
#endif
    Interruption::PrepareLifeline();
    m_process->setChildProcessModifier([limits] {
        ::setpgid(0, 0);
        Interruption::TieGroupToLifeline();
        ::signal(SIGPIPE, SIG_DFL);
        ApplyChildLimits(limits);
    });
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        const QString why = m_process->errorString();
        gone();
        throw Failure(QCoreApplication::translate("Engine", "The page renderer %1 could not be started: %2").arg(helper, why),
                      CodeOf(Fault::RendererMissing));
    }
    // Ended with the program if the program has to end first.
    m_guard = std::make_unique<Interruption::ProcessGroupGuard>(m_process->processId());
    m_state = State::Parked;
}

int RendererProcess::open(const QString &path, const std::optional<QByteArray> &password)
{
    m_path = path;
    m_version = FileVersion(path);
    m_held = HeldFile(path);
    if (m_state == State::NotStarted)
        start();
    Q_ASSERT(m_state == State::Parked);
    m_errors.clear();
    // Counted bytes, not lines: a path may hold any byte but NUL, a password any byte at all.
    const QByteArray name = QFile::encodeName(path);
    QByteArray request = "open " + QByteArray::number(name.size()) + ' '
                         + (password ? QByteArray::number(password->size()) : QByteArray("-1")) + '\n' + name
                         + password.value_or(QByteArray());
    write(request, 0);
    request.fill('\0');
    const QByteArray line = readLine(0, qint64(m_limits.pageSeconds) * 1000);
    const RenderAnswer answer = ReadRenderAnswer(line, false);
    if (answer.type == RenderAnswer::Type::Pages) {
        m_pageCount = answer.pages;
        m_state = State::Idle;
        return m_pageCount;
    }
    if (answer.type == RenderAnswer::Type::Error) // it has no document, and can open another
        throw Failure(OpenFailureText(answer, m_path), CodeOf(answer.fault));
    stop();
    throw Failure(QCoreApplication::translate("Engine", "%1 could not be opened: the page renderer answered \"%2\"")
                      .arg(m_path, QString::fromUtf8(line.left(200)).trimmed()), CodeOf(Fault::RendererFailed));
}

void RendererProcess::send(Request request)
{
    Q_ASSERT(m_state == State::Idle);
    if (request.page < 1 || request.page > m_pageCount)
        throw Failure(QCoreApplication::translate("Engine", "Page %1 is past the end of %2, which has %3 page(s)")
                          .arg(request.page).arg(m_path).arg(m_pageCount), CodeOf(Fault::OutsideDocument));
    const QSize &box = request.box;
    const QByteArray folder = QFile::encodeName(request.pixelFolder);
    const bool hasBox = box.width() > 0 || box.height() > 0;
    // QProcess only buffers what is written: write() hands the request to the renderer now, so
    // that it draws while the caller waits on the other one.
    write("render " + QByteArray::number(request.page) + ' ' + QByteArray::number(request.dpi, 'g', 17) + ' '
              + (request.fit ? '1' : '0')
              + (hasBox || !folder.isEmpty() ? ' ' + QByteArray::number(std::max(box.width(), 0)) + ' '
                                                   + QByteArray::number(std::max(box.height(), 0))
                                             : QByteArray())
              + (folder.isEmpty() ? QByteArray() : ' ' + QByteArray::number(folder.size()))
              + '\n' + folder,
          request.page);
    request.sentAt = m_clock.elapsed();
    m_request = request;
    m_state = State::Drawing;
}

Rendering::Page RendererProcess::receive()
{
    Q_ASSERT(m_state == State::Drawing);
    const int page = m_request.page;
    // The time cap counts from the request: a page drawn ahead has had part of its time.
    const qint64 budget = std::max<qint64>(1, qint64(m_limits.pageSeconds) * 1000 - (m_clock.elapsed() - m_request.sentAt));
    UserTime::WorkClock clock;
    clock.start();
    const QByteArray line = readLine(page, budget);
    const RenderAnswer answer = ReadRenderAnswer(line, !m_request.pixelFolder.isEmpty());
    if (answer.type == RenderAnswer::Type::Error) {
        const Fault kind = answer.fault;
        if (kind == Fault::MemoryCap)
            reachedMemoryCap(page);
        m_state = State::Idle;
        throw Failure(PageFailureText(answer, page, m_path, m_pageCount), CodeOf(kind));
    }
    Rendering::Page result;
    if (!answer.pixelsName.isEmpty())
        result.pixels = {m_request.pixelFolder + QLatin1Char('/') + answer.pixelsName, answer.pixelBytes, answer.pixelSum};
    if (answer.type != RenderAnswer::Type::Image) {
        stop();
        Rendering::dropPixels(result);
        throw Failure(QCoreApplication::translate("Engine", "Page %1 of %2 could not be rendered: the page renderer answered \"%3\"")
                          .arg(page).arg(m_path).arg(QString::fromUtf8(line.left(200)).trimmed()), CodeOf(Fault::RendererFailed));
    }
    result.size = answer.size;
    result.dpi = answer.dpi;
    const qint64 size = answer.bytes;
    try {
        result.jpeg = readBytes(size, page, budget - clock.elapsed());
    } catch (const Failure &) {
        Rendering::dropPixels(result);
        throw;
    }
    m_state = State::Idle;
    return result;
}

void Rendering::dropPixels(Page &page)
{
    if (!page.pixels.isEmpty())
        QFile::remove(page.pixels.path);
    page.pixels = {};
}

void RendererProcess::reachedMemoryCap(int page)
{
    // A renderer that reached the cap is not trusted with another page.
    stop();
    throw Failure(QCoreApplication::translate("Engine", "The page renderer reached %1 on page %2 of %3; the page was not converted")
                      .arg(m_limits.memoryCapText()).arg(page).arg(m_path), CodeOf(Fault::MemoryCap));
}

bool RendererProcess::close()
{
    Q_ASSERT(m_state == State::Idle);
    try {
        write("close\n", 0);
        if (readLine(0, CloseMs).trimmed() == "closed") {
            m_state = State::Parked;
            m_path.clear();
            m_pageCount = 0;
            return true;
        }
    } catch (const Failure &) {
        // Gone already.
    }
    stop();
    return false;
}

void RendererProcess::write(const QByteArray &bytes, int page)
{
    if (m_process->write(bytes) != bytes.size() || !m_process->waitForBytesWritten(5000))
        died(page);
}

void RendererProcess::drainErrors()
{
    // Its messages are for a person reading why it crashed, never a sign the program acts on:
    // the tail is enough, and a chatty renderer cannot fill the program's memory.
    const QByteArray chunk = m_process->readAllStandardError();
    if (chunk.isEmpty())
        return;
    m_errors += chunk;
    if (m_errors.size() > TailBytes)
        m_errors = m_errors.right(TailBytes);
}

QString RendererProcess::where(int page) const
{
    return page > 0 ? QCoreApplication::translate("Engine", "page %1 of %2").arg(page).arg(m_path)
                    : QCoreApplication::translate("Engine", "opening %1").arg(m_path);
}

void RendererProcess::died(int page)
{
    m_process->waitForFinished(5000);
    drainErrors();
    const bool crashed = m_process->exitStatus() == QProcess::CrashExit;
    const int code = m_process->exitCode();
    gone();
    if (!crashed && (code == RenderProtocol::OutOfMemoryExit || code == RenderProtocol::BadAllocExit))
        throw Failure(QCoreApplication::translate("Engine", "The page renderer reached %1 on %2; the page was not converted")
                          .arg(m_limits.memoryCapText(), where(page)), CodeOf(Fault::MemoryCap));
    throw Failure(QCoreApplication::translate("Engine", "The page renderer %1 on %2; the page was not converted")
                      .arg(crashed ? QCoreApplication::translate("Engine", "crashed") : QCoreApplication::translate("Engine", "ended with status %1").arg(code), where(page)),
                  CodeOf(Fault::Crash));
}

void RendererProcess::timedOut(int page)
{
    m_process->kill();
    m_process->waitForFinished(5000);
    gone();
    throw Failure(QCoreApplication::translate("Engine", "%1 was reached on %2; the page was not converted")
                      .arg(m_limits.timeCapText(), where(page)), CodeOf(Fault::TimeCap));
}

void RendererProcess::notALine(int page)
{
    stop();
    throw Failure(QCoreApplication::translate("Engine", "Page %1 of %2 could not be rendered: the page renderer's answer was no line")
                      .arg(page).arg(m_path), CodeOf(Fault::RendererFailed));
}

QByteArray RendererProcess::readLine(int page, qint64 budget)
{
    UserTime::WorkClock clock;
    clock.start();
    while (!m_process->canReadLine()) {
        if (m_process->state() == QProcess::NotRunning)
            died(page); // no answer
        if (m_process->bytesAvailable() > MaxAnswerLine)
            notALine(page);
        const qint64 left = budget - clock.elapsed();
        if (left <= 0)
            timedOut(page);
        m_process->waitForReadyRead(int(std::min<qint64>(left, WaitSliceMs)));
        drainErrors();
        if (m_whileWaiting)
            m_whileWaiting();
    }
    // A whole line, or no answer at all: the rest of a longer one would be read as the next.
    QByteArray line = m_process->readLine(MaxAnswerLine);
    if (!line.endsWith('\n'))
        notALine(page);
    return line;
}

QByteArray RendererProcess::readBytes(qint64 count, int page, qint64 budget)
{
    UserTime::WorkClock clock;
    clock.start();
    QByteArray bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        bytes += m_process->read(count - bytes.size());
        if (bytes.size() >= count)
            break;
        if (m_process->state() == QProcess::NotRunning && m_process->bytesAvailable() == 0)
            died(page);
        if (clock.elapsed() > budget)
            timedOut(page);
        m_process->waitForReadyRead(WaitSliceMs);
        drainErrors();
        if (m_whileWaiting)
            m_whileWaiting();
    }
    return bytes;
}
