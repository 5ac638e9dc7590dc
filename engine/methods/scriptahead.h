#pragma once

#include "engine/sources/heldfile.h"
#include "engine/base/pagechoice.h"
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
// script folder of its own and holds at most MaxPendingPages finished pages; the next file's
// turn takes it over when it is to be run on the same file, with the same environment and
// limits, and the file can still be read. Anything else stops it.
struct ScriptAhead {
    QString pdf;
    QString method; // the script folder's name in the AppFolder
    QString folder; // its copy in the WorkFolder, where it runs
    ScriptEnvironment environment;
    ChildLimits limits;
    HeldFile held; // pdf's file when the script was given it
    StartedProgram program;
};

// The script started ahead for the next file, if any. The run holds one (MethodContext::ahead)
// and ends it before it removes the WorkFolder; a program that ends otherwise stops it through
// its process group.
class ScriptsAhead {
public:
    ScriptsAhead() = default;
    ScriptsAhead(const ScriptsAhead &) = delete;
    ScriptsAhead &operator=(const ScriptsAhead &) = delete;
    ~ScriptsAhead() { end(); }

    // Stops the script started ahead, if any (the run's end, or that file not converted by it
    // after all), and removes its folder.
    void end();

private:
    friend void StartScriptAhead(const MethodContext &, const ScriptMethod &, const ScriptEnvironment &, const QString &);
    friend std::unique_ptr<ScriptAhead> AdoptScriptAhead(const MethodContext &, const QString &, const ScriptMethod &,
                                                         const ScriptEnvironment &);
    std::unique_ptr<ScriptAhead> m_script;
};

// Starts the script for ctx.nextPdf in the script folder that `ownFolder` (this file's) is not,
// held by ctx.ahead (none without it). Nothing is said of a start that fails: the next file is
// converted in its turn as always.
void StartScriptAhead(const MethodContext &ctx, const ScriptMethod &method, const ScriptEnvironment &environment,
                      const QString &ownFolder);

// The script started ahead for this file, if everything it was started with still holds;
// otherwise it is stopped.
std::unique_ptr<ScriptAhead> AdoptScriptAhead(const MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method,
                                              const ScriptEnvironment &environment);
