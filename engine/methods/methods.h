#pragma once

#include "engine/encode/pageimage.h"
#include "engine/base/pagechoice.h"
#include "engine/base/renderlimits.h"
#include "engine/base/runoptions.h"
#include "engine/base/runreport.h"
#include "engine/sources/nextdocument.h"
#include "engine/sources/pagesource.h"

#include "sys/errortrap.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class ConversionHost;
class Dialogs;

// The ways of rendering a PDF's pages into page images; each has its row in MethodTable().
enum class Method : int { Acrobat, Ghostscript, BlackWhite, GflAx };

// What a method hands back for the file it was given.
struct MethodResult {
    bool pagesProduced = false;     // a page image was written: the run looks for them
    QList<PageFailure> failedPages; // pages it could not draw, in page order, when it knows them
    // Why it produced nothing, or why not every page was drawn (the renderer's own reason);
    // empty when it has nothing to say.
    QString cause;
    QString detail;                 // the renderer's own words on it: never part of the cause
    QStringList unexpected;         // failures it reported in the ErrorBox, in order
};

// What a conversion method gets besides the PDF path.
struct MethodContext {
    ConversionHost &host;
    QString workFolder;    // exists when a method is called; no trailing "/"

    // Bounds on waiting for outside scripts, so that no input can hang the program.
    int scriptTimeoutMs = 20 * 60 * 1000;
    int fileWaitTimeoutMs = 10 * 1000;
    RenderLimits limits{}; // caps on every renderer
    PageChoice choice{};   // pages, size and password; the default draws as the window does

    Dialogs *dialogs = nullptr; // where failures are reported; the host's dialogs when null
    PageSink *pageSink = nullptr; // see PageSink; null: leave the page images for the run
    // The run's slot for its next document: the PDF it converts next with the same choices, if
    // any, which a renderer may prepare (open it, draw its first page) while this one's last
    // page is dealt with, and the renderers waiting for it. Null: nothing is prepared.
    NextDocument *next = nullptr;

    Dialogs &reportTo() const;
};

// One row per method: everything that tells the methods apart, so that a new renderer costs
// one row and one unit. The run tries the methods in the order of the table; the window, the
// console and the tests look them up here.
struct MethodInfo {
    Method method;
    int optionButton;       // N of the window's option button OptionN
    QString settingCode;    // stored under the setting "Option"
    QString commandName;    // the console's --method name
    QString caption;        // the option button's caption
    QString errorLocation;  // where the ErrorBox says a failure of the method happened
    int testStep;           // the run's StepNumber for "is this method selected?" (RunStep)
    int callStep;           // the run's StepNumber for the call (RunStep)
    QString (*pageImageName)(const QString &baseName, int page); // the PageImageName rule
    MethodResult (*convert)(MethodContext &ctx, const QString &pdfPath);
};

const std::vector<MethodInfo> &MethodTable();
// The PDF page a page image of `method` holds, read back through the method's own naming rule
// (so a base name that ends in digits, doc1 -> doc11.jpg, is read right); 0 when the name is
// not one the rule gives for the PDF at `pdf`.
int PageOfImage(const MethodInfo &method, const QString &pdf, const QString &pageImage);
const MethodInfo &InfoOf(Method method);
const MethodInfo *MethodWithSettingCode(const QString &code);     // null for an unknown code
const MethodInfo *MethodWithCommandName(const QString &name);     // null for an unknown name

MethodResult PDF_To_GIF_GS(MethodContext &ctx, const QString &pdfPath);
MethodResult PDF_To_GIF_BW(MethodContext &ctx, const QString &pdfPath);
MethodResult PDF_To_GIF_GFAX(MethodContext &ctx, const QString &pdfPath);
MethodResult PDF_To_GIF_Acro(MethodContext &ctx, const QString &pdfPath);

// A component an earlier step of a method failed to create, used anyway: "Object variable not
// set", naming the component (`what`, as the translated text "the GflAx component").
template <typename T>
T &Need(const std::unique_ptr<T> &object, const QString &what)
{
    if (!object)
        throw Failure(QCoreApplication::translate("Engine", "Object variable not set: %1 was not created").arg(what),
                      ErrorCode::ObjectNotSet);
    return *object;
}
