#include "engine/run/journal.h"

#include "sys/usertime.h"

#include <utility>

RunJournal::RunJournal(ConversionHost &host, int &errorBoxes) : m_host(host), m_errorBoxes(errorBoxes) {}

RunJournal::~RunJournal() = default;

RunJournal::Chapter &RunJournal::open()
{
    m_open.push_back(std::make_unique<Chapter>(*this));
    return *m_open.back();
}

void RunJournal::show(const Entry &entry)
{
    if (!entry.box)
        return entry.show();
    // The time a box stands in front of the user is not a renderer's time.
    const UserTime::Away away;
    entry.show();
}

void RunJournal::release()
{
    // Re-entered from what an entry shows (a box yields to the event loop): the outer call goes on.
    if (m_releasing)
        return;
    m_releasing = true;
    while (!m_open.empty()) {
        Chapter &head = *m_open.front();
        while (!head.m_entries.isEmpty())
            show(head.m_entries.takeFirst());
        if (!head.m_closed)
            break;
        m_done.push_back(std::move(m_open.front()));
        m_open.pop_front();
    }
    m_releasing = false;
}

// A chapter

void RunJournal::Chapter::write(std::function<void()> show, bool box, bool aboutPages)
{
    (aboutPages && m_holdingPageBoxes ? m_heldPageBoxes : m_entries).append({std::move(show), box});
    m_journal.release();
}

void RunJournal::Chapter::methodReturned()
{
    m_holdingPageBoxes = false;
    m_entries.append(std::exchange(m_heldPageBoxes, {}));
    m_journal.release();
}

void RunJournal::Chapter::close()
{
    methodReturned();
    m_closed = true;
    m_journal.release();
}

void RunJournal::Chapter::setProgress(double percent)
{
    write([=, this] { m_journal.m_host.setProgress(percent); });
}

void RunJournal::Chapter::setProgressText(const QString &text)
{
    write([=, this] { m_journal.m_host.setProgressText(text); });
}

void RunJournal::Chapter::pageProgress(int done, int total)
{
    write([=, this] { m_journal.m_host.pageProgress(done, total); });
}

void RunJournal::Chapter::setWaitPointer(bool on)
{
    write([=, this] { m_journal.m_host.setWaitPointer(on); });
}

void RunJournal::Chapter::setAppWaitPointer(bool on)
{
    write([=, this] { m_journal.m_host.setAppWaitPointer(on); });
}

void RunJournal::Chapter::yield()
{
    m_journal.m_host.yield();
    if (m_journal.whileWaiting)
        m_journal.whileWaiting();
}

void RunJournal::Chapter::fileStarted(int position, const QString &pdf)
{
    write([=, this] { m_journal.m_host.fileStarted(position, pdf); });
}

void RunJournal::Chapter::pageEnded(const PageOutcome &page)
{
    write([=, this] { m_journal.m_host.pageEnded(page); });
}

void RunJournal::Chapter::fileEnded(const FileOutcome &outcome)
{
    write([=, this] { m_journal.m_host.fileEnded(outcome); });
}

void RunJournal::Chapter::runEnded(const RunReport &report)
{
    write([=, this] { m_journal.m_host.runEnded(report); });
}

// Boxes

void RunJournal::Boxes::tell(std::function<void()> show)
{
    if (m_chapter)
        return m_chapter->write(std::move(show), true, m_aboutPages);
    m_journal.release();
    m_journal.show({std::move(show), true});
}

Dialogs &RunJournal::Boxes::askNow()
{
    if (m_chapter) {
        // What this file has to show so far comes first, wherever its chapter stands.
        m_journal.release();
        while (!m_chapter->m_entries.isEmpty())
            m_journal.show(m_chapter->m_entries.takeFirst());
    } else {
        m_journal.release();
    }
    return m_journal.m_host.dialogs();
}

Dialogs::Answer RunJournal::Boxes::message(const QString &text, const QString &title, Icon icon, Buttons buttons)
{
    if (buttons != Buttons::Ok) {
        const UserTime::Away away;
        return askNow().message(text, title, icon, buttons);
    }
    tell([=, this] { m_journal.m_host.dialogs().message(text, title, icon, buttons); });
    return Answer::Ok;
}

Dialogs::Answer RunJournal::Boxes::detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail)
{
    tell([=, this] { m_journal.m_host.dialogs().detailedMessage(text, title, icon, detail); });
    return Answer::Ok;
}

void RunJournal::Boxes::errorBox(const QString &text)
{
    ++m_journal.m_errorBoxes;
    tell([=, this] { m_journal.m_host.dialogs().errorBox(text); });
}

bool RunJournal::Boxes::inputBox(const QString &prompt, const QString &title, QString &text)
{
    const UserTime::Away away;
    return askNow().inputBox(prompt, title, text);
}

QString RunJournal::Boxes::pickFolder(const QString &prompt)
{
    const UserTime::Away away;
    return askNow().pickFolder(prompt);
}

QStringList RunJournal::Boxes::openFiles(const QString &title, const QString &filter)
{
    const UserTime::Away away;
    return askNow().openFiles(title, filter);
}
