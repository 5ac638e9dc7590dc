#include "engine/encode/pagestream.h"

#include "engine/encode/pageimage.h"

#include <QFile>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

struct PageStream::State {
    const ImagingService *imaging = nullptr;
    PageFormat format;
    mutable std::mutex mutex;
    std::condition_variable wake;   // work arrived, or the stream ends
    std::condition_variable idle;   // a page was finished
    std::deque<std::pair<qint64, Page>> queued; // waiting for a worker, in order
    std::map<qint64, Page> ahead;   // finished before an earlier page
    QList<Page> finished;           // encoded, not yet taken, in order
    qint64 submitted = 0;           // pages numbered from 0 in submission order
    qint64 next = 0;                // the number of the next page to hand back
    int busy = 0;                   // pages held by workers
    bool stopping = false;
    bool encodesOnCaller = false;   // made without workers: submit() encodes
    std::vector<std::thread> workers;

    // Moves the pages that are next in order from `ahead` to `finished`. Called locked.
    void handBack()
    {
        for (auto it = ahead.begin(); it != ahead.end() && it->first == next; it = ahead.erase(it), ++next)
            finished.append(std::move(it->second));
    }
    int backlog() const { return int(submitted - next); }
};

namespace {

void Encode(PageStream::Page &page, const ImagingService &imaging, const PageFormat &format)
{
    try {
        if (format.frameDelay > 0) {
            page.frame = std::make_shared<PageFrame>();
            page.encoding = PreparePageFrame(page.pageImage, format, *page.frame, page.pixels);
        } else {
            page.encoding = EncodePage(page.pageImage, page.gifPath, imaging, format, page.pixels);
        }
    } catch (...) {
        page.exception = std::current_exception();
    }
    QFile::remove(page.pageImage);
    if (!page.pixels.isEmpty())
        QFile::remove(page.pixels.path);
}

} // namespace

PageStream::PageStream(int workers, const ImagingService &imaging, const PageFormat &format) : d(std::make_unique<State>())
{
    d->imaging = &imaging;
    d->format = format;
    d->encodesOnCaller = workers == 0;
    addWorkers(workers);
}

void PageStream::addWorkers(int workers)
{
    if (d->encodesOnCaller)
        return;
    while (int(d->workers.size()) < workers) {
        d->workers.emplace_back([s = d.get()] {
            std::unique_lock lock(s->mutex);
            for (;;) {
                s->wake.wait(lock, [s] { return s->stopping || !s->queued.empty(); });
                if (s->queued.empty())
                    return;
                auto [number, page] = std::move(s->queued.front());
                s->queued.pop_front();
                ++s->busy;
                lock.unlock();
                Encode(page, *s->imaging, s->format);
                lock.lock();
                --s->busy;
                s->ahead.emplace(number, std::move(page));
                s->handBack();
                s->idle.notify_all();
            }
        });
    }
}

PageStream::~PageStream()
{
    finish();
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    for (std::thread &worker : d->workers)
        worker.join();
}

void PageStream::submit(const QString &pageImageFile, const QString &gifPath, const PageImage::DrawnPixels &pixels)
{
    Page page{pageImageFile, gifPath, pixels, {}, nullptr, nullptr};
    if (d->encodesOnCaller) {
        Encode(page, *d->imaging, d->format);
        std::lock_guard lock(d->mutex);
        d->finished.append(std::move(page));
        ++d->submitted;
        ++d->next;
        return;
    }
    {
        std::lock_guard lock(d->mutex);
        d->queued.emplace_back(d->submitted++, std::move(page));
    }
    d->wake.notify_one();
}

int PageStream::backlog() const
{
    std::lock_guard lock(d->mutex);
    return d->backlog();
}

QList<PageStream::Page> PageStream::takeFinished()
{
    std::lock_guard lock(d->mutex);
    QList<Page> pages;
    pages.swap(d->finished);
    return pages;
}

void PageStream::finish()
{
    waitBelow(1);
}

void PageStream::waitBelow(int n)
{
    std::unique_lock lock(d->mutex);
    d->idle.wait(lock, [this, n] { return d->backlog() < n; });
}

void PageStream::abandon()
{
    std::unique_lock lock(d->mutex);
    d->queued.clear();
    d->idle.wait(lock, [this] { return d->busy == 0; });
    // The pages being encoded were all earlier than the dropped ones, so they are handed back
    // in order; the dropped ones will never come.
    d->handBack();
    d->next = d->submitted;
}
