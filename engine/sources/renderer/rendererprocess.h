#pragma once

#include "engine/encode/pageimage.h"
#include "engine/sources/heldfile.h"
#include "engine/sources/nextdocument.h"
#include "engine/base/fault.h"
#include "engine/base/renderlimits.h"

#include <QByteArray>
#include "sys/usertime.h"

#include <QElapsedTimer>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QProcess;
namespace Interruption {
class ProcessGroupGuard;
}

namespace Rendering {

struct Page {
    QByteArray jpeg; // a complete JPEG file
    QSize size;
    double dpi = 0;
    // The pixels the JPEG was made of, when they were asked for and written: the caller's to
    // hand over or remove.
    PageImage::DrawnPixels pixels;
};

// Removes the page's drawn pixels, when it has any: a page that goes nowhere leaves none behind.
void dropPixels(Page &page);

} // namespace Rendering

// One lumenpage-render process and the conversation with it (render/renderprotocol.h):
//
//   NotStarted --open--> Idle --send--> Drawing --receive--> Idle --close--> Parked --open--> Idle
//
// An open that the renderer refuses (a damaged file, a wrong password) leaves it Parked: it has
// no document, and can open another. A cap reached, a crash, a time cap, an answer that makes no
// sense, or stop() leave it Gone for good: a Gone process is never started again.
//
// Renderers with no document wait, at most two, for the next document of the program (take()
// and park()): starting one (Qt and poppler loaded anew) costs more than drawing a small page.
// Used from the user-interface thread only, as the interruption handling it registers with.
class RendererProcess final : public Prepared {
public:
    enum class State { NotStarted, Parked, Idle, Drawing, Gone };

    struct Request {
        int page = 0;
        double dpi = 0;
        bool fit = false;
        QSize box;         // draw to fit this box instead (see PageRenderer::setFitBox)
        qint64 sentAt = 0; // ms on the process's clock
        QString pixelFolder; // leave the drawn pixels there too (see PageRenderer::keepPixelsIn)
        bool sameSettings(const Request &other) const
        {
            return dpi == other.dpi && fit == other.fit && box == other.box && pixelFolder == other.pixelFolder;
        }
    };

    explicit RendererProcess(RenderLimits limits);
    ~RendererProcess(); // stops it
    RendererProcess(const RendererProcess &) = delete;
    RendererProcess &operator=(const RendererProcess &) = delete;

    State state() const { return m_state; }
    int pageCount() const { return m_pageCount; } // of the open document
    // The version of the document's file it opened (FileVersion): a renderer that opened an
    // earlier version is not used for this one.
    const QString &version() const { return m_version; }
    // The file it opened was written since (HeldFile): its pages may be of either version.
    bool documentRewritten() const { return m_held.rewritten(); }
    // The page being drawn (Drawing), else null.
    const Request *request() const { return m_state == State::Drawing ? &m_request : nullptr; }
    bool drawing(const Request &request) const
    {
        return m_state == State::Drawing && m_request.page == request.page && m_request.sameSettings(request);
    }

    // Called at least every 100 ms while an answer is awaited.
    void setWhileWaiting(std::function<void()> whileWaiting) { m_whileWaiting = std::move(whileWaiting); }

    // NotStarted or Parked: opens the PDF at `path` (starting the renderer first when NotStarted)
    // and answers its page count. The password goes over the renderer's standard input, never
    // on its command line or in its environment. Throws Failure: Unreadable (then Parked, or
    // Gone when it answered nonsense), NoRenderer, MemoryCap, TimeCap, Crashed (then Gone).
    int open(const QString &path, const std::optional<QByteArray> &password);

    // Idle: sends the request; the renderer draws while the caller does something else. Throws
    // Failure: NoSuchPage (still Idle), or the renderer's end (Gone).
    void send(Request request);

    // Drawing: the page, or its failure. Idle after an answer; Gone after a cap, a crash, the
    // time cap or an answer that is no answer.
    Rendering::Page receive();

    // Idle: closes the document (Parked). False, and Gone, when the renderer did not.
    bool close();

    // Gone: a renderer drawing a page is killed, an idle one told to end.
    void stop();

    // What it was started with (program, memory cap, folder, environment), as one key: a
    // renderer is used for another document only when these are the same.
    QString startConditions() const { return m_startedWith.join(QLatin1Char('\n')); }
    static QString startConditionsOf(const RenderLimits &limits) { return conditionsOf(limits).join(QLatin1Char('\n')); }
    // The document it opened, or opens.
    const QString &documentPath() const { return m_path; }
    // Its process is there to take requests.
    bool running() const;
    // Taken for another document: the time cap may differ (the program keeps it, not the renderer).
    void setLimits(const RenderLimits &limits) { m_limits = limits; }

    // Where lumenpage-render lies: beside the running program, else in ../libexec/lumenpage/.
    static QString helperPath();

private:
    static QStringList conditionsOf(const RenderLimits &limits);
    void start();
    QByteArray readLine(int page, qint64 budget);
    QByteArray readBytes(qint64 count, int page, qint64 budget);
    void write(const QByteArray &bytes, int page);
    [[noreturn]] void died(int page);
    [[noreturn]] void timedOut(int page);
    [[noreturn]] void notALine(int page);
    [[noreturn]] void reachedMemoryCap(int page); // the page is failed by the cap, the process stopped
    void drainErrors();
    QString where(int page) const;
    void gone();

    RenderLimits m_limits;
    QStringList m_startedWith; // helper, memory cap, folder and environment: what a reuse must match
    State m_state = State::NotStarted;
    std::function<void()> m_whileWaiting;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<Interruption::ProcessGroupGuard> m_guard;
    QString m_path;
    QString m_version;
    HeldFile m_held;
    int m_pageCount = 0;
    Request m_request;
    QByteArray m_errors;        // tail of the renderer's standard error
    UserTime::WorkClock m_clock; // the time caps count only the program's own time
};
