#pragma once

#include "engine/methods/methods.h"
#include "engine/methods/scriptahead.h"
#include "engine/methods/scriptmethod.h"
#include "engine/sources/script/scriptpages.h"
#include "engine/sources/script/scriptprotocol.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ConversionHost;
class PageSink;
struct WaitOptions;

// One file through a script method, step by step.
class ScriptRun {
public:
    ScriptRun(MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method)
        : m_ctx(ctx), m_host(ctx.host), m_pdf(pdfPath), m_method(method), m_trap(ctx.reportTo(), method.location),
          // What Ghostscript would only answer with a stack dump (or, for a pipe, by waiting for
          // ever) is said in plain words, and the script is not started on it.
          m_inputProblem(InputFileProblem(pdfPath))
    {
    }
    MethodResult run();

private:
    bool firstPageOnlyNow() const;
    ScriptEnvironment environment(std::optional<bool> firstPageOnly = std::nullopt) const;
    void placeInput();
    void runScript();
    WaitOptions waitOptions(PageSink *sink, bool firstPageOnly, const ScriptEnvironment &told);
    void numberPages();
    void judge();
    void handOverLeft();
    void cleanUp();
    void moveToWorkFolder(const QString &file, int page) const;
    QList<int> handed() const { return m_feed ? m_feed->handed() : QList<int>(); }
    QString changed();
    QString breached() const; // why the script is believed no longer; empty while it is

    MethodContext &m_ctx;
    ConversionHost &m_host;
    const QString m_pdf;
    const ScriptMethod &m_method;
    ErrorTrap m_trap;
    const QString m_inputProblem;
    // The script started for this file while the one before was drawn, if it still applies:
    // then its folder is the script folder, already copied and given the input.
    std::unique_ptr<ScriptAhead> m_adopted;
    QString m_scriptFolder, m_currentPdf, m_pagesFolder, m_baseName;
    // The document's file when the script was given it, and why its pages are no longer taken
    // once it is rewritten, or another file is renamed over it: each Ghostscript the script
    // starts opens it by its name and reads it as it draws.
    HeldFile m_held;
    QString m_changed;

    ScriptEvents m_events;
    int m_exitCode = 0;
    QString m_errors, m_stopped;
    // Pages handed over while the script rendered (none without a PageSink).
    std::optional<PageFeed> m_feed;
    std::optional<ScriptPages> m_source;
    bool m_aheadTried = false;
    bool m_started = false, m_ranToEnd = false; // the script was started; it ended by itself

    QStringList m_pages;  // page images left once the script ended
    QList<int> m_numbers; // their page numbers
    QSet<int> m_given;    // every page the script gave
    QList<int> m_missing; // pages it did not give, in order
    MethodResult m_result;
};
