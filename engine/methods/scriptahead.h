#pragma once

#include "engine/sources/heldfile.h"
#include "engine/base/pagechoice.h"
#include "engine/sources/nextdocument.h"
#include "engine/sources/pagesource.h"
#include "engine/base/renderlimits.h"
#include "sys/programrunner.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <vector>

struct MethodContext;
struct ScriptMethod;

// What a script is told through its environment besides what it inherits, a null value for a
// variable left unset.
using ScriptEnvironment = ChildEnvironment;

// The script's pages are held back a few at a time for a reader that takes them while it
// renders (`handing`).
ScriptEnvironment MakeScriptEnvironment(bool firstPageOnly, const PageChoice &choice, const PageSink *handingTo,
                                        const RenderLimits &limits);

// Copies the method's script folder, and the parts both script methods share, from the
// AppFolder to `destination`. Throws Failure.
void CopyScriptFolder(const QString &appFolder, const ScriptMethod &method, const QString &destination);

// The script of the next file of the run, started while the last pages of this one are drawn,
// so that two Ghostscripts work at once on a run of short documents. It works in a copy of the
// script folder of its own and holds at most MaxPendingPages finished pages; the run's
// NextDocument keeps it, and the next file's turn takes it over when it is to be run on the same
// file, with the same environment and limits, and the file can still be read. Anything else,
// and the run's end, stop it and remove its folder.
struct ScriptAhead final : Prepared {
    ~ScriptAhead() override;
    QString pdf;
    QString method; // the script folder's name in the AppFolder
    QString folder; // its copy in the WorkFolder, where it runs
    ScriptEnvironment environment;
    ChildLimits limits;
    HeldFile held; // pdf's file when the script was given it
    StartedProgram program;
    // Dropped before its turn it stops and removes its folder; once a turn took it over, the
    // folder is that turn's script folder, and its own.
    bool adopted = false;
};

// Starts the script for the run's next document (ctx.next) in the script folder that
// `ownFolder` (this file's) is not, kept there (none without it). Nothing is said of a start that fails: the next file is
// converted in its turn as always.
void StartScriptAhead(const MethodContext &ctx, const ScriptMethod &method, const ScriptEnvironment &environment,
                      const QString &ownFolder);

// The script started ahead for this file, if everything it was started with still holds;
// otherwise it is stopped.
std::unique_ptr<ScriptAhead> AdoptScriptAhead(const MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method,
                                              const ScriptEnvironment &environment);
