#pragma once

#include "engine/encode/pageimage.h"
#include "engine/base/runreport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Where a method that completes its page images one at a time hands each over while it renders
// the next ones: the run converts it at once, on another core. A method without one leaves all
// its page images in the WorkFolder, and the run takes them when the method returns.
class PageSink {
public:
    virtual ~PageSink() = default;
    // The names of the page images the method will hand over when every page renders, before
    // the first: their GIF names are chosen together, as for page images left in the WorkFolder.
    virtual void expect(const QStringList &names) = 0;
    // The page image `name` of PDF page `page` lies complete in the WorkFolder and belongs to
    // the sink now, with the pixels the renderer drew for it if it handed them over;
    // `expected` is the number of pages the renderer announced, 0 when it did not.
    virtual void take(int page, const QString &name, int expected, const PageImage::DrawnPixels &pixels) = 0;
    virtual int backlog() const = 0; // taken and not yet converted
    // Accounts for the pages converted meanwhile; the number of pages accounted so far.
    virtual int poll() = 0;
    // It would rather have the pixels the renderer drew than decode the page image again: a
    // renderer that can says so with each page image it hands over (PageImage::DrawnPixels),
    // and they go where the page image goes.
    virtual bool takesDrawnPixels() const { return false; }
};

// The seam between the methods and the renderers that draw their pages. A page source is one
// document's pages as one renderer draws them: it knows which pages it will draw, gives each as
// it is complete (or as failed, with the kind of failure and the renderer's own words), and can
// start on the next document while its last pages are dealt with. PageFeed hands what a source
// gives to the run; a method is the source's adapter to its own steps.
//
// The two renderers behind it: the shipped scripts (ScriptPages, told line by line what the
// script did) and lumenpage-render (PageRenderer, drawing one page at a time on request).

// What a source gives: a page, a failed page, or its end.
struct SourcePage {
    enum class Kind { Page, Failed, End };
    Kind kind = Kind::Page;
    int page = 0;      // from 1
    QString file;      // a page: where the complete page image lies, from a source that writes files
    QByteArray image;  // a page: the complete page image itself, from a source that keeps it
    Fault fault = Fault::Unknown; // a failed page: the kind of failure
    QString detail;    // a failed page: the renderer's own words
    PageImage::DrawnPixels pixels{}; // the renderer's own pixels of it, as it said, if it kept them

    static SourcePage failed(int page, Fault fault, QString detail)
    {
        SourcePage failed;
        failed.kind = Kind::Failed;
        failed.page = page;
        failed.fault = fault;
        failed.detail = std::move(detail);
        return failed;
    }
    static SourcePage end()
    {
        SourcePage end;
        end.kind = Kind::End;
        return end;
    }
};

class PageSource {
public:
    virtual ~PageSource() = default;
    // The number of pages it will draw; -1 while it does not know yet.
    virtual int count() = 0;
    // Which pages, in the order it gives them, when it can say (it may not, for a count that a
    // hostile document made huge); empty otherwise.
    virtual QList<int> pages() = 0;
    // The next page, complete or failed, in page order, or the end: a source that draws on
    // request draws it now; one that draws by itself gives one it has finished, or nothing
    // while it has none yet.
    virtual std::optional<SourcePage> next() = 0;
    // Few of its pages are left: it may prepare the run's next document now (NextDocument). A
    // source that draws on request prepares it by itself when it draws its last page.
    virtual void prepareNext() {}
};

// Pages a source that draws by itself may leave finished and waiting, and pages the run may hold
// in its encoder, at once: enough to keep both busy, few enough that scratch space stays a few
// megabytes.
constexpr int MaxPendingPages = 2;
// Page names announced ahead for a document, at most (about 3 MB of names).
constexpr int MaxAnnouncedNames = 100000;

// Moves a page within the WorkFolder: a rename; a copy only across file systems. Throws Failure.
void MoveFile(const QString &from, const QString &to);

// The hand-over of one document's pages, the same for every source: the page image names are
// announced to the run's PageSink first, so that they share one GIF name variant; each finished
// page is put into the WorkFolder under its method's page image name and handed over while the
// run keeps up; failed pages are kept with their kind; and the source is told to start on the
// next document when MaxPendingPages or fewer of its pages are left. Without a sink the pages
// stay where the source wrote them, for the run to take when the method returns.
class PageFeed {
public:
    PageFeed(PageSink *sink, QString workFolder, std::function<QString(int)> imageName);

    // Announces `pages`, the document's pages that will come (once; more than
    // MaxAnnouncedNames are named page by page instead).
    void announce(const QList<int> &pages);
    // Hands over or keeps one page a source gave.
    void take(const SourcePage &page);
    // Takes what `source` gives, announcing its pages first: every page to its end, whether the
    // run keeps up or not (a source that draws on request, or one that has ended, whose last
    // pages go the same way as the others however late the run looked); with `keepUp`, only
    // what it has now while the run keeps up (a source that draws by itself, looked at while it
    // draws). True once the source has said its end.
    bool drive(PageSource &source, bool keepUp = false);

    // Where a renderer that can leaves the pixels it drew for each page, to go with the page:
    // the WorkFolder when the run takes them, else empty (none asked for).
    QString pixelFolder() const;
    // Where page `page` goes in the WorkFolder.
    QString fileOf(int page) const;
    const QList<int> &handed() const { return m_handed; }        // pages given complete, in order
    const QList<PageFailure> &failed() const { return m_failed; } // pages given as failed, in order

private:
    void announceFrom(PageSource &source, int count);
    void tellAhead(PageSource &source);

    PageSink *const m_sink;
    const QString m_workFolder;
    const std::function<QString(int)> m_imageName;
    QList<int> m_handed;
    QList<PageFailure> m_failed;
    int m_expected = 0;
    bool m_announced = false, m_aheadTold = false, m_ended = false;
};
