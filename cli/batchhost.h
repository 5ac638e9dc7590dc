#pragma once

#include "engine/conversionhost.h"
#include "engine/imaging.h"
#include "engine/renderlimits.h"
#include "sys/dialogs.h"

#include <QStringList>

class QTextStream;

// Boxes become lines on standard error; "Done." goes to standard output. Questions are answered
// No (nothing is opened or started behind a script's back); pickers and input boxes cancel.
class ConsoleDialogs : public Dialogs {
public:
    Answer message(const QString &text, const QString &title, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    bool inputBox(const QString &prompt, const QString &title, QString &text) override;
    QString pickFolder(const QString &prompt) override;
    QStringList openFiles(const QString &title, const QString &filter) override;

    int errorBoxes = 0;
};

struct BatchOptions {
    QStringList files;
    QString output;
    int option = 2; // Option1..Option4 as on the window; Ghostscript by default
    int check5 = 0;
    QString resolution = QStringLiteral("144");
    QString pages = QStringLiteral("1");
    RenderLimits limits;
};

class BatchHost : public ConversionHost {
public:
    explicit BatchHost(BatchOptions options);

    Dialogs &dialogs() override { return m_dialogs; }
    QString applicationTitle() const override { return QStringLiteral("Lumenpage"); }
    QString appFolder() const override;
    int entryCount() const override { return m_options.files.size(); }
    QString entryAt(int position) const override;
    bool isOptionSelected(int option) const override { return m_options.option == option; }
    int check5() const override { return m_options.check5; }
    QString resolutionText() const override { return m_options.resolution; }
    QString pagesText() const override { return m_options.pages; }
    QString outputFolderText() const override { return m_options.output; }
    bool gdiplusUnavailable() const override { return m_gdiplusUnavailable; }
    ImagingService &imaging() override { return m_imaging; }
    void setProgress(double) override {}
    void setProgressText(const QString &text) override;
    void setWaitPointer(bool) override {}
    void setAppWaitPointer(bool) override {}
    QImage &picture() override { return m_picture; }
    void yield() override;

    // Runs the conversion; the process exit status.
    int run();

private:
    BatchOptions m_options;
    ConsoleDialogs m_dialogs;
    ImagingService m_imaging;
    QImage m_picture;
    bool m_gdiplusUnavailable = false;
};
