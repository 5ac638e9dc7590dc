#pragma once

#include "engine/renderlimits.h"

#include "sys/errortrap.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QProcess;
namespace Interruption {
class ProcessGroupGuard;
}

// The program's side of lumenpage-render: one document's pages, rendered in a child process
// under the render limits. The child parses the PDF; this side only reads its answers. A page
// that reaches a cap, or that crashes the child, fails alone: the next page starts a new child.
class PageRenderer {
public:
    // Fails with one of these kinds (Failure::code()); the description names the page and, for
    // a cap, the cap.
    enum Kind {
        Unreadable = 1, // the document cannot be opened
        NoSuchPage,
        TooLarge,
        NoPixels,
        RenderFailed,
        MemoryCap,      // the renderer reached the memory cap
        TimeCap,        // the page took longer than the time cap
        Crashed,        // the renderer ended without an answer
        NoRenderer,     // lumenpage-render cannot be found or started
    };

    struct Page {
        QByteArray jpeg; // a complete JPEG file
        QSize size;
        double dpi = 0;
    };

    // `whileWaiting` is called at least every 100 ms while an answer is awaited, so that the
    // program sees a signal or a closed window while a slow page is drawn.
    PageRenderer(QString pdfPath, RenderLimits limits, std::function<void()> whileWaiting = {});
    ~PageRenderer();
    PageRenderer(const PageRenderer &) = delete;
    PageRenderer &operator=(const PageRenderer &) = delete;

    // Opens the document (starting the renderer) and answers its page count. Throws Failure.
    int pageCount();

    // Renders page `page` (from 1) at `dpi`; with `fit`, at the largest resolution up to `dpi`
    // that stays within the pixel limits. Throws Failure.
    Page render(int page, double dpi, bool fit);

    // Starts drawing `page` now, in a second renderer process, so that it is drawn on the other
    // core while the caller waits for the current page and deals with it; the render() of that
    // page with the same settings takes its answer, or its failure. Each process is under the
    // render limits; once a page of the document reached a cap or crashed the renderer, nothing
    // more is drawn ahead. Never throws: a page that cannot be started ahead is drawn when asked
    // for.
    void renderAhead(int page, double dpi, bool fit);

    QString pdfPath() const { return m_path; }

    // The document's password (user or owner), given to the renderer over its standard input,
    // never on its command line or in its environment. Set before the first page or count.
    void setPassword(const QByteArray &password) { m_password = password; m_hasPassword = true; }
    // Every page drawn at the resolution that makes it fit `box` pixels, its shape kept (0 for a
    // side: unbounded; an empty box: off); the `dpi` of a request is then not used.
    void setFitBox(const QSize &box) { m_fitBox = box; }

    // Where lumenpage-render lies: beside the running program, else in ../libexec/lumenpage/.
    static QString helperPath();

private:
    struct Request {
        int page = 0;
        double dpi = 0;
        bool fit = false;
        qint64 sentAt = 0; // ms on the renderer's clock
    };

    void start();
    void stop();
    Page renderOnce(int page, double dpi, bool fit);
    void send(int page, double dpi, bool fit);
    Page receive();
    bool pending(int page, double dpi, bool fit) const;
    PageRenderer *drawingAhead(int page, double dpi, bool fit); // the process drawing it, if any
    PageRenderer &twin();                                       // the second process, made on demand
    // Stops the processes drawing a page ahead at settings other than these, or a page up to
    // `upToPage`.
    void dropAheadUnlike(double dpi, bool fit, int upToPage);
    QByteArray readLine(int page, qint64 deadline);
    QByteArray readBytes(qint64 count, int page, qint64 deadline);
    [[noreturn]] void died(int page);
    void drainErrors();
    void waited();
    void resetProcess();

    QString m_path;
    RenderLimits m_limits;
    std::function<void()> m_whileWaiting;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<Interruption::ProcessGroupGuard> m_guard;
    int m_pageCount = -1;
    QByteArray m_errors; // tail of the renderer's standard error
    bool m_outOfMemory = false; // it said it ran out of memory
    std::optional<Request> m_request; // sent, answer not read yet
    std::unique_ptr<PageRenderer> m_twin; // the second process, for pages drawn ahead
    bool m_aheadOff = false; // a page reached a cap or crashed the renderer
    QElapsedTimer m_clock;
    QByteArray m_password;
    bool m_hasPassword = false;
    QSize m_fitBox;
};

// Writes `bytes` to `path` all or nothing: a failed write leaves no partial file that the run
// would later take for a page image. Throws Failure naming the path and the reason.
void WriteFileWhole(const QByteArray &bytes, const QString &path);
