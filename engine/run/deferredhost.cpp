#include "engine/run/deferredhost.h"

#include <utility>

DeferredHost::DeferredHost(ConversionHost &host, Dialogs &dialogs) : m_host(host), m_dialogs(dialogs) {}

void DeferredHost::tell(std::function<void()> show, bool box)
{
    if (!m_holding)
        return show();
    m_waiting.append(std::move(show));
    if (box)
        ++m_boxes;
}

void DeferredHost::release()
{
    // Still held while what waited is shown: anything told meanwhile comes after it.
    while (!m_waiting.isEmpty())
        m_waiting.takeFirst()();
    m_holding = false;
    m_boxes = 0;
}

void DeferredHost::setProgress(double percent)
{
    tell([=, this] { m_host.setProgress(percent); });
}

void DeferredHost::setProgressText(const QString &text)
{
    tell([=, this] { m_host.setProgressText(text); });
}

void DeferredHost::pageProgress(int done, int total)
{
    tell([=, this] { m_host.pageProgress(done, total); });
}

void DeferredHost::setWaitPointer(bool on)
{
    tell([=, this] { m_host.setWaitPointer(on); });
}

void DeferredHost::setAppWaitPointer(bool on)
{
    tell([=, this] { m_host.setAppWaitPointer(on); });
}

void DeferredHost::yield()
{
    m_host.yield();
    if (afterYield)
        afterYield();
}

void DeferredHost::fileStarted(int position, const QString &pdf)
{
    tell([=, this] { m_host.fileStarted(position, pdf); });
}

void DeferredHost::pageEnded(const PageOutcome &page)
{
    tell([=, this] { m_host.pageEnded(page); });
}

void DeferredHost::fileEnded(const FileOutcome &outcome)
{
    tell([=, this] { m_host.fileEnded(outcome); });
}

void DeferredHost::runEnded(const RunReport &report)
{
    tell([=, this] { m_host.runEnded(report); });
}

Dialogs::Answer DeferredHost::Boxes::message(const QString &text, const QString &title, Icon icon, Buttons buttons)
{
    // A question is answered now, after what waited.
    if (buttons != Buttons::Ok) {
        m_owner.release();
        return m_owner.m_dialogs.message(text, title, icon, buttons);
    }
    m_owner.tell([=, this] { m_owner.m_dialogs.message(text, title, icon, buttons); }, true);
    return Answer::Ok;
}

Dialogs::Answer DeferredHost::Boxes::detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail)
{
    m_owner.tell([=, this] { m_owner.m_dialogs.detailedMessage(text, title, icon, detail); }, true);
    return Answer::Ok;
}

void DeferredHost::Boxes::errorBox(const QString &text)
{
    m_owner.tell([=, this] { m_owner.m_dialogs.errorBox(text); }, true);
}

bool DeferredHost::Boxes::inputBox(const QString &prompt, const QString &title, QString &text)
{
    m_owner.release();
    return m_owner.m_dialogs.inputBox(prompt, title, text);
}

QString DeferredHost::Boxes::pickFolder(const QString &prompt)
{
    m_owner.release();
    return m_owner.m_dialogs.pickFolder(prompt);
}

QStringList DeferredHost::Boxes::openFiles(const QString &title, const QString &filter)
{
    m_owner.release();
    return m_owner.m_dialogs.openFiles(title, filter);
}
