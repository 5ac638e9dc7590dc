#pragma once

#include "engine/sources/pagesource.h"
#include "engine/base/renderlimits.h"

#include "engine/sources/renderer/rendererprocess.h"
#include "engine/base/runreport.h"

#include "sys/errortrap.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

// The program's side of lumenpage-render: one document's pages, rendered in child processes
// under the render limits. The child parses the PDF; this side only reads its answers. A page
// that reaches a cap, or that crashes the child, fails alone: the next page starts a new child.
// While the caller deals with one page, the next can be drawn by a second process, on the other
// core (renderAhead). Given the run's NextDocument, it draws the next document's first page
// meanwhile, and when the document is done, its renderers that can take another document wait
// there for the next PageRenderer.
class PageRenderer final : public PageSource {
public:
    // Fails with a Fault (FaultOf(failure)); the description names the page and, for
    // a cap, the cap.
    using Page = Rendering::Page;


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

    // The first page the caller converts of the document at `path`, which comes after this one:
    // drawn by a renderer this document no longer needs while the render() that follows draws
    // this document's last page and the caller deals with it. The next PageRenderer of `path`
    // takes the page when it asks for it with the same settings; otherwise it is dropped. Not
    // for a document opened with a password, nor without a NextDocument. Never throws.
    void renderNextAhead(const QString &path, int page, double dpi, bool fit);

    // The pages the caller draws, in order, and whether the NextDocument's PDF follows them
    // (never after one opened with a password): drawPlanned() draws the next of them ahead.
    void plan(QList<int> pages, bool thenNextDocument = false);
    // Renders `page` as render() does, and starts drawing ahead what the plan has after it: its
    // next page, or after the last one the next document's first page.
    Page drawPlanned(int page, double dpi, bool fit);

    // As a page source: the pages of the plan, each drawn when asked for (drawPlanned) at `dpi`,
    // as `fileOf(page)`, written whole, or, without `fileOf`, kept as the page's image; with
    // its drawn pixels when they were kept (keepPixelsIn). A page that fails is given as failed
    // with its fault and the renderer's words; the next one is still drawn. After the last
    // page, the end.
    void setPageFiles(std::function<QString(int)> fileOf, double dpi, bool fit);
    int count() override { return int(m_plan.size()); }
    QList<int> pages() override { return m_plan; }
    std::optional<SourcePage> next() override;
    // The page of the plan next() gives next; 0 after the last.
    int nextPlanned() const;

    QString pdfPath() const { return m_path; }

    // The run's slot for its next document (see NextDocument), where renderers drawn ahead and
    // renderers without a document wait; null: every renderer stops with this document. Set
    // before the first page or count.
    void setNextDocument(NextDocument *next) { m_nextDocument = next; }

    // The document's password (user or owner), given to the renderer over its standard input,
    // never on its command line or in its environment. Set before the first page or count.
    void setPassword(const QByteArray &password) { m_password = password; }
    // Every page drawn at the resolution that makes it fit `box` pixels, its shape kept (0 for a
    // side: unbounded; an empty box: off); the `dpi` of a request is then not used.
    void setFitBox(const QSize &box) { m_fitBox = box; }
    // Every page also leaves the pixels it was drawn with in `folder` (Page::pixels), for a run
    // that would rather have them than decode the JPEG again; empty: none. Set before the first
    // page: a page drawn ahead without them is not the page asked for.
    void keepPixelsIn(const QString &folder) { m_pixelFolder = folder; }

    // Where lumenpage-render lies: beside the running program, else in ../libexec/lumenpage/.
    static QString helperPath() { return RendererProcess::helperPath(); }

private:
    using Request = RendererProcess::Request;
    enum class Event { Asked, Ahead, Failed };

    // The look-ahead, decided here alone: which process draws `request` (asked for, or drawn
    // ahead), which pages drawn ahead are dropped, when drawing ahead ends for good. Answers the
    // process drawing the page, or Idle and to be sent it; null when it is not to be drawn now
    // (Ahead) or after a failure `failure` (Failed). Throws Failure when no
    // process can open the document.
    RendererProcess *lookAhead(Event event, const Request &request, Fault failure = Fault::None);
    // The process in `slot` with the document open: taken from the parked ones or started when
    // there is none. Throws Failure.
    RendererProcess &opened(std::unique_ptr<RendererProcess> &slot);
    Request request(int page, double dpi, bool fit) const { return Request{page, dpi, fit, m_fitBox, 0, m_pixelFolder}; }
    // Starts what renderNextAhead asked for, with a process of ours that is free, else a spare.
    void startNext();
    // A renderer for a document at `path` (empty: for one opened with a password, or later):
    // the one that opened it ahead, else a spare, else one not started yet.
    std::unique_ptr<RendererProcess> freshProcess(const QString &path);
    // Done with `process`: one that can open another document waits in the NextDocument
    // (closing its document first); the others stop.
    void park(std::unique_ptr<RendererProcess> process);

    QString m_path;
    RenderLimits m_limits;
    std::function<void()> m_whileWaiting;
    std::optional<QByteArray> m_password;
    QSize m_fitBox;
    QString m_pixelFolder;
    std::optional<int> m_pageCount;
    NextDocument *m_nextDocument = nullptr;
    std::unique_ptr<RendererProcess> m_processes[2];
    bool m_aheadOff = false; // a page reached a cap or crashed the renderer, or no second process
    std::optional<std::pair<QString, Request>> m_next; // see renderNextAhead
    QList<int> m_plan;    // see plan
    QString m_planNext;
    qsizetype m_given = 0; // pages of the plan given as a page source
    std::function<QString(int)> m_fileOf;
    double m_dpi = 0;
    bool m_fit = false;
};

// Writes `bytes` to `path` all or nothing: a failed write leaves no partial file that the run
// would later take for a page image. Throws Failure naming the path and the reason.
void WriteFileWhole(const QByteArray &bytes, const QString &path);
