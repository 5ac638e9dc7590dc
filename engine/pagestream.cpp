#include "engine/pagestream.h"

#include <QFile>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

struct PageStream::State {
    mutable std::mutex mutex;
    std::condition_variable wake;   // work arrived, or the stream ends
    std::condition_variable idle;   // a page was finished
    std::deque<Page> queued;        // waiting for the worker, in order
    QList<Page> finished;           // encoded, not yet taken, in order
    bool busy = false;              // the worker holds a page
    bool stopping = false;
    std::thread worker;
};

namespace {

void Encode(PageStream::Page &page)
{
    try {
        page.encoding = EncodePage(page.pageImage, page.gifPath);
    } catch (...) {
        page.exception = std::current_exception();
    }
    QFile::remove(page.pageImage);
}

} // namespace

PageStream::PageStream(bool worker) : d(std::make_unique<State>())
{
    if (!worker)
        return;
    d->worker = std::thread([s = d.get()] {
        std::unique_lock lock(s->mutex);
        for (;;) {
            s->wake.wait(lock, [s] { return s->stopping || !s->queued.empty(); });
            if (s->queued.empty())
                return;
            Page page = std::move(s->queued.front());
            s->queued.pop_front();
            s->busy = true;
            lock.unlock();
            Encode(page);
            lock.lock();
            s->busy = false;
            s->finished.append(std::move(page));
            s->idle.notify_all();
        }
    });
}

PageStream::~PageStream()
{
    finish();
    if (d->worker.joinable()) {
        {
            std::lock_guard lock(d->mutex);
            d->stopping = true;
        }
        d->wake.notify_all();
        d->worker.join();
    }
}

void PageStream::submit(const QString &pageImageFile, const QString &gifPath)
{
    Page page{pageImageFile, gifPath, {}, nullptr};
    if (!d->worker.joinable()) {
        Encode(page);
        d->finished.append(std::move(page));
        return;
    }
    {
        std::lock_guard lock(d->mutex);
        d->queued.push_back(std::move(page));
    }
    d->wake.notify_one();
}

int PageStream::backlog() const
{
    std::lock_guard lock(d->mutex);
    return int(d->queued.size()) + (d->busy ? 1 : 0);
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
    std::unique_lock lock(d->mutex);
    d->idle.wait(lock, [this] { return d->queued.empty() && !d->busy; });
}

void PageStream::abandon()
{
    std::unique_lock lock(d->mutex);
    d->queued.clear();
    d->idle.wait(lock, [this] { return !d->busy; });
}
