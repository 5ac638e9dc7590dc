#pragma once

#include "renderlimits.h"

#include <QString>

class ConversionHost;

// What a conversion method gets besides the PDF path, and what it hands back.
struct MethodContext {
    ConversionHost &host;
    QString workFolder;    // exists when a method is called; no trailing "/"
    bool &pagesProduced;   // set by the method for the file it was given

    // Bounds on waiting for outside scripts, so that no input can hang the program.
    int scriptTimeoutMs = 20 * 60 * 1000;
    int fileWaitTimeoutMs = 10 * 1000;
    RenderLimits limits{}; // caps on every renderer

    // Set by a method when the renderer failed the file or some of its pages: the renderer's
    // own reason, for the run's report.
    QString failureCause{};
};

// "-000" numbering of the script methods: report-001.jpg, report-1000.jpg.
QString ScriptPageImageName(const QString &baseName, int page);

void PDF_To_GIF_GS(MethodContext &ctx, const QString &pdfPath);
void PDF_To_GIF_BW(MethodContext &ctx, const QString &pdfPath);
void PDF_To_GIF_GFAX(MethodContext &ctx, const QString &pdfPath);
void PDF_To_GIF_Acro(MethodContext &ctx, const QString &pdfPath);
