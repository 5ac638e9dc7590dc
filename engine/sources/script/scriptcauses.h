#pragma once

#include "engine/base/renderlimits.h"
#include "engine/sources/script/scriptprotocol.h"
#include "engine/base/runreport.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a failure's words may name besides its kind.
struct FailureFacts {
    QString pdf;          // the user's file, as the user named it
    RenderLimits limits;
    QString rangeText;    // the page range as the user gave it
    int page = 0;         // the page a page failure happened on
    int documentPages = 0; // the document's pages, for a page range none of them is in
    QStringList tools;    // the programs missing
    QString script;       // the script, where it should be
    QString scratch;      // the folder the script works in (TEMP)
    int exitCode = 0;
};

// The one place a Fault becomes words, in the user's language. A page's failure in
// ForPage is the reason given for that page alone ("the time cap of ... was reached"); in
// ForFile, and every document's failure, it is the sentence naming the file's cause.
enum class FailureScope { ForPage, ForFile };
QString ScriptFailureText(Fault kind, const FailureFacts &facts, FailureScope scope = FailureScope::ForFile);


// Ghostscript's own words on standard error, shortened, as a detail after the program's own:
// its last lines, with the script's name for the input replaced by the user's.
QString RendererWords(const QString &errors, const QString &pdf);

// How a script's run on one file ended, as far as the file's cause is concerned.
struct ScriptOutcome {
    QString inputProblem; // why the script was not started on the file
    bool inputMissing = false; // because there is no file
    QString stopped;      // why the program stopped the script
    QString errors;       // its standard error
    const ScriptEvents *events = nullptr;
    QList<int> missing;   // pages it did not give, in order
    bool gavePages = false;
    int exitCode = 0;
    bool scriptThere = true;
    bool scratchFull = false; // the program found no room left in the scratch folder itself
};

// Why the file failed, or why not every page of it was drawn; empty when nothing went wrong.
// Ghostscript's words follow as a detail where they tell more than the program knows; of a
// document that failed as a whole, and of a missing file, they go to `detail` instead, as the
// cause then says all a user can act on.
QString ScriptFileCause(const ScriptOutcome &outcome, FailureFacts facts, QString *detail = nullptr);
