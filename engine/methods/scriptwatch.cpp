#include "engine/sources/script/scriptcauses.h"
#include "engine/sources/script/scriptfiles.h"
#include "engine/methods/scriptrun.h"

#include "engine/base/conversionhost.h"

#include "sys/fileutil.h"
#include "sys/programrunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

// While a script runs: what it says is taken in as it comes, and the pages it completes are
// handed over; once it has ended, its pages are numbered and its file judged.

namespace {

// How much longer than the time cap per page a script may say nothing before it is stopped as a
// whole: its own watch looks once a second.
constexpr int ScriptCapGraceSeconds = 5;

} // namespace

using namespace ScriptFiles;

WaitOptions ScriptRun::waitOptions(PageSink *sink, bool firstPageOnly, const ScriptEnvironment &told)
{
    const auto startNextAhead = [=, this] {
        if (m_aheadTried)
            return;
        m_aheadTried = true;
        StartScriptAhead(m_ctx, m_method, told, m_scriptFolder);
    };
    if (sink) {
        m_feed.emplace(sink, m_ctx.workFolder, [this](int page) { return ScriptPageImageName(m_baseName, page); });
        // Two pages or fewer left to draw: the next file's script starts on the other core.
        m_source.emplace(m_events, m_scriptFolder, startNextAhead, [this] { return changed(); });
    }
    WaitOptions options;
    options.outputLine = [this](const QByteArray &line) { m_events.read(line); };
    options.yield = [=, this] {
        m_host.yield();
        // A script that broke the conversation is believed no longer: it is stopped at once.
        if (const QString why = breached(); !why.isEmpty())
            throw Failure(why);
        if (sink)
            m_feed->drive(*m_source, true);
        else if (firstPageOnly && m_method.handsOverWhileRendering)
            startNextAhead(); // one page to draw: the next file's starts at once
    };
    if (sink)
        options.pollMs = 20;
    options.timeoutMs = m_ctx.scriptTimeoutMs;
    options.errors = &m_errors;
    options.limits = m_ctx.limits.child();
    // A backstop for a script that does not hold the time cap per page itself: it acts only
    // after the script's own watch would have, when the script said nothing for that long.
    options.stallMs = (m_ctx.limits.pageSeconds + ScriptCapGraceSeconds) * 1000;
    // While pages are handed over, the script runs as long as the whole conversion of the
    // document, and a long document must not be cut off by a bound on the whole: the time cap
    // per page is the bound then (a script that stops making pages is stopped by it).
    if (sink && options.stallMs > 0)
        options.timeoutMs = 0;
    options.progressed = [this, sink, seenEvents = -1, seenConverted = 0]() mutable {
        // A page being encoded is progress too: the script waits for it to be taken.
        const int converted = sink ? sink->poll() : 0;
        const bool moved = m_events.events != seenEvents || converted != seenConverted;
        seenEvents = m_events.events;
        seenConverted = converted;
        return moved;
    };
    options.stalled = [this] {
        QSet<int> done;
        for (const int page : handed())
            done << page;
        for (const ScriptEvents::Arrived &said : std::as_const(m_events.arrived))
            done << said.page;
        for (auto it = m_events.failedPages.cbegin(); it != m_events.failedPages.cend(); ++it)
            done << it.key();
        m_stopped = QCoreApplication::translate("Engine", "%1 was reached on page %2 of %3; the renderer was stopped")
                        .arg(m_ctx.limits.timeCapText()).arg(FirstMissing(done)).arg(m_pdf);
        return m_stopped;
    };
    return options;
}

QString ScriptRun::breached() const
{
    FailureFacts facts;
    facts.pdf = m_pdf;
    facts.page = m_events.breachPage;
    return ScriptFailureText(m_events.breach, facts);
}

QString ScriptRun::changed()
{
    if (m_changed.isEmpty() && (m_held.rewritten() || m_held.replacedAt(m_pdf)))
        m_changed = QCoreApplication::translate("Engine", "%1 changed while it was converted").arg(m_pdf);
    return m_changed;
}

// Page image n is PDF page n: the script says which page each of its files is. A file it did
// not name carries its page number in its name; names without numbers are taken in listing order.
void ScriptRun::numberPages()
{
    const QString prefix = m_method.pagesFolder.isEmpty() ? QString() : m_method.pagesFolder + QLatin1Char('/');
    for (const QString &name : std::as_const(m_pages))
        m_numbers << m_events.numberOf.value(prefix + name, PageNumberOf(name));
    const QList<int> handed = this->handed();
    if (handed.isEmpty() && (m_numbers.contains(0) || QSet<int>(m_numbers.begin(), m_numbers.end()).size() != m_numbers.size()))
        for (qsizetype i = 0; i < m_numbers.size(); ++i)
            m_numbers[i] = int(i + 1);
    m_given = QSet<int>(m_numbers.begin(), m_numbers.end()).unite(QSet<int>(handed.begin(), handed.end()));
    // A document that changed fails every page not taken before it did.
    if (!m_changed.isEmpty() && m_events.count > 0 && m_events.count <= MaxAnnouncedNames) {
        QList<int> all = m_events.pageList;
        if (all.size() != m_events.count) {
            all.clear();
            for (int n = 1; n <= m_events.count; ++n)
                all << n;
        }
        for (const int n : std::as_const(all))
            if (!m_given.contains(n))
                m_missing << n;
    }
    const int highest = m_given.isEmpty() ? 0 : *std::max_element(m_given.begin(), m_given.end());
    for (int n = 1; n < highest; ++n)
        if (!m_given.contains(n) && m_ctx.choice.contains(n) && !m_missing.contains(n))
            m_missing << n;
    for (auto it = m_events.failedPages.cbegin(); it != m_events.failedPages.cend(); ++it)
        if (!m_given.contains(it.key()) && !m_missing.contains(it.key()))
            m_missing << it.key();
    std::sort(m_missing.begin(), m_missing.end());
}

// Named in the report when the script failed, was stopped, or left pages out.
void ScriptRun::judge()
{
    ScriptOutcome outcome;
    outcome.inputProblem = m_inputProblem;
    outcome.inputMissing = !m_inputProblem.isEmpty() && IsMissingFile(m_pdf);
    outcome.stopped = m_stopped;
    outcome.errors = m_errors;
    outcome.events = &m_events;
    outcome.missing = m_missing;
    outcome.gavePages = !m_given.isEmpty();
    outcome.exitCode = m_exitCode;
    outcome.scriptThere = IsExistingFile(m_scriptFolder + QLatin1Char('/') + m_method.script);
    const bool failed = !m_stopped.isEmpty() || !m_missing.isEmpty() || m_exitCode != 0 || m_given.isEmpty();
    outcome.scratchFull = failed && m_inputProblem.isEmpty() && HasLittleRoom(m_scriptFolder);
    FailureFacts facts;
    facts.pdf = m_pdf;
    facts.limits = m_ctx.limits;
    facts.rangeText = m_ctx.choice.rangeText;
    facts.script = m_host.appFolder() + QLatin1Char('/') + m_method.folder + QLatin1Char('/') + m_method.script;
    facts.scratch = QFileInfo(m_ctx.workFolder).path();
    m_result.cause = ScriptFileCause(outcome, facts, &m_result.detail);
    for (const int n : std::as_const(m_missing)) {
        facts.page = n;
        const Fault kind = m_events.failedPages.value(n);
        const QString why = ScriptFailureText(kind, facts, FailureScope::ForPage);
        const Fault fault = kind != Fault::None ? kind : m_events.document;
        m_result.failedPages.append({n, why, fault != Fault::None ? fault : Fault::Unknown});
    }
}

