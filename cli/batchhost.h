#pragma once

#include "engine/base/conversionhost.h"
#include "engine/methods/methods.h"
#include "engine/encode/imaging.h"
#include "engine/base/pagechoice.h"
#include "engine/base/renderlimits.h"
#include "cli/runrecord.h"
#include "sys/dialogs.h"

#include <QElapsedTimer>
#include <QPair>
#include <QSet>
#include <QStringList>

#include <memory>

class BatchHost;
class ConversionRun;

// The run's boxes, seen from a console. Questions are answered No (nothing is opened or started
// behind a script's back); pickers and input boxes cancel. What is printed is the host's choice.
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(BatchHost &host) : m_host(host) {}
    Answer message(const QString &text, const QString &title, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    void errorBox(const QString &text) override;
    bool inputBox(const QString &prompt, const QString &title, QString &text) override;
    QString pickFolder(const QString &prompt) override;
    QStringList openFiles(const QString &title, const QString &filter) override;

private:
    BatchHost &m_host;
};

struct BatchOptions {
    static RunOptions defaultRun()
    {
        RunOptions run;
        run.method = Method::Ghostscript;
        run.resolution = 144;
        run.pages = PageCount(QStringLiteral("1"));
        return run;
    }

    QStringList files;        // absolute paths, in order
    QStringList givenNames;   // the same files as the user named them, for messages
    int standardInput = 0;    // the place in `files` (from 1) of "-", the PDF on standard input; 0: none
    // The method and its settings: by default the Ghostscript method at 144 dpi, a page count of
    // 1 for the GflAx method, every page.
    RunOptions run = defaultRun();
    bool verbose = false;  // also the window's box texts, as the window words them
    bool quiet = false;    // nothing but errors
    bool progress = false; // a progress line kept up to date in place (standard error is a terminal)
    int unusableNames = 0; // names refused before the run, each a failed file of its own
    QList<QPair<QString, QString>> refusedNames; // those names as a shell shows them, and why
    QString report;        // where the run's record goes (--report), absolute; none when empty
    QString reportGiven;   // the same as the user gave it, for messages
    QString namePattern;   // --name as given (part of what shapes the output)
    bool resume = false;   // files the earlier record shows done are left out (--resume)
    EarlierRecord earlier; // that record, read before the run
    std::shared_ptr<RecordFile> recordFile; // the record, taken (locked) before the run
    // A watched folder's batch: the record is the watcher's, started once, and the run ends
    // without its closing lines; the GIFs of the watcher's earlier batches are named around.
    std::shared_ptr<RunRecord> watchRecord;
    QStringList keptGifs;
};

// Before any work, once the names are known: the output folder can be written and holds no
// FIFO, device or socket where a page's file may go, and the record is taken for this run
// alone (and read, for --resume). The exit status after one line saying why when not (2),
// else -1. `givenOutput` is --output as the user gave it.
int PrepareTargets(BatchOptions *options, const QString &givenOutput);

// The console's side of a conversion run. Standard error gets one line per failed file,
// "lumenpage-batch: FILE: CAUSE", with the renderer's reason where there is one; the run's closing
// line goes to standard output. It learns what happened from the run's events, never from the
// window's texts.
class BatchHost : public ConversionHost {
public:
    explicit BatchHost(BatchOptions options);

    Dialogs &dialogs() override { return m_dialogs; }
    const ImagingService &imagingService() const override { return m_imaging; }
    QString applicationTitle() const override { return QStringLiteral("Lumenpage"); }
    QString appFolder() const override;
    int entryCount() const override { return m_options.files.size(); }
    QString entryAt(int position) const override;
    int listNumberOf(int position) const override { return m_wholePositions.value(position - 1, position); }
    RunOptions options() const override;
    void setProgressText(const QString &text) override { m_progressText = text; }
    void pageProgress(int done, int total) override;
    void yield() override;
    void fileStarted(int position, const QString &pdf) override;
    void pageEnded(const PageOutcome &page) override;
    void fileEnded(const FileOutcome &outcome) override;
    QStringList keptGifs() const override { return m_keptGifs; }
    void runEnded(const RunReport &report) override;

    // Runs the conversion; the process exit status.
    int run();

    // A box of the run (through ConsoleDialogs); `errorBox` for the ErrorBox.
    void boxShown(const QString &text, const QString &title, bool errorBox = false);

    // "lumenpage-batch: " and the line on standard error, above the progress line.
    void printError(const QString &line);

private:
    QString nameOf(int position) const;
    void showProgress(const QString &status, bool force = false);
    void clearProgress();
    void endProgressLine();
    void printRenamedFiles(const RunReport &report);
    void printFailureCount(const RunReport &report);
    void skipFinishedFiles();
    bool startRecord();
    bool endRecord();
    void recordFailed();
    void takeStandardInput();
    void dropStandardInput();

    BatchOptions m_options;
    ConsoleDialogs m_dialogs;
    ImagingService m_imaging;
    bool m_gdiplusUnavailable = false;
    ConversionRun *m_run = nullptr;
    bool m_ended = false;      // the run told its end: its last box follows
    int m_position = 0;        // the file being converted or last converted, from 1
    bool m_inFile = false;     // between its start and its end
    QString m_progressText;    // the window's progress text, for --verbose
    QString m_progressLine;    // shown on the terminal, empty when none
    QString m_progressStatus;  // what the line says about the current file
    bool m_pageTotalKnown = false; // the current file's page count was told
    int m_failedFiles = 0;     // files told as failed, one line each
    QElapsedTimer m_progressClock;
    std::shared_ptr<RunRecord> m_record; // with --report
    QList<int> m_wholePositions;         // of the files run, in the list as given
    QStringList m_keptGifs;              // of the files skipped
    QSet<QString> m_skipped;             // those files, by their clean absolute path
    bool m_recordFailed = false;         // told once
    QString m_inputFolder;               // where the PDF read from standard input is kept
};
