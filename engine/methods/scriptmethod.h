#pragma once

#include <QString>

// The two methods that run a shipped script over "current.pdf" share everything but these.
struct ScriptMethod {
    QString folder;        // sub-folder of the AppFolder copied into the WorkFolder
    QString script;        // the script in that folder
    QString pagesFolder;   // where the script leaves its page images, relative to its folder
    QString pagePattern;   // which of the files there are page images
    QString location;      // ErrorLocation of the method
    bool blackAndWhite;    // the black-and-white variant's step order and sub-folder removal
    // The script can hold back finished pages (LUMENPAGE_MAX_PENDING) and says its page count
    // and each page it completes (ScriptEvents): its pages are handed over while it renders
    // the next ones.
    bool handsOverWhileRendering = false;
};

// PageImageName of the script methods, "-000" numbering: report-001.jpg, report-1000.jpg.
QString ScriptPageImageName(const QString &baseName, int page);

struct MethodContext;
struct MethodResult;

// Runs the script method `method` on one file (ScriptRun).
MethodResult runScriptMethod(MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method);
