#pragma once

#include "engine/run/conversionrun.h"
#include "engine/encode/imaging.h"
#include "ui/form1layout.h"
#include "ui/form1locations.h"
#include "ui/pointers.h"
#include "ui/settingsstore.h"
#include "ui/windowhost.h"

#include <QWidget>

#include <functional>

struct AdderContext;
class QShortcut;
class FocusRing;

struct Form1Options {
    QString settingsFile;   // empty: the user's own store
    QString appFolder;      // empty: the running program's own (AppFolder())
    // Starts the imaging service at load; empty: the service's own start.
    std::function<bool(ImagingService &)> startImaging;
    // Runs once the window is closed; empty: the process ends at once (see unloadNow).
    std::function<void()> unload;
    // Tells the desktop that a run ended while the window was not the active one; empty: a
    // notification through the desktop's tray, where it has one that shows messages.
    std::function<void(const QString &title, const QString &text)> notify;
};

// The ApplicationTitle of a product name: its last word removed, then more words while longer
// than 40 characters. A one-word name is its own title.
QString ApplicationTitleFor(const QString &productName);

// The program's one working window: its controls (form1layout), its look (skin), its pointers,
// and the run's host (windowhost) wired together. What is left here is what the controls do:
// loading and writing through the stored options, the options' rules, and the click handlers.
class Form1 : public QWidget, public Form1Controls, public WindowHost {
    Q_OBJECT
public:
    explicit Form1(Dialogs &dialogs, Form1Options options = {}, QWidget *parent = nullptr);
    ~Form1() override;

    bool waitPointerShown() const { return m_pointers.waitShown(); }
    bool handPointerLoaded() const { return m_pointers.handPointerLoaded(); }
    bool skinApplied() const { return m_skinApplied; }
    const FocusRing *focusRing() const { return m_focusRing; }
    ConversionRun &conversionRun() { return m_run; }
    ImagingService &imaging() { return m_imaging; }
    const ImagingService &imagingService() const override { return m_imaging; }
    void fileStarted(int position, const QString &pdf) override;
    void fileEnded(const FileOutcome &outcome) override;
    void runEnded(const RunReport &report) override;

    // Ends the process without unwinding: a run or a folder walk that is yielding never resumes.
    [[noreturn]] static void unloadNow();

public slots:
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void StopButton_Click();
    void OpenOutputFolder_Triggered();
    void ListView1_KeyDown();
    void ListView1_DblClick();
    void ListView1_OLEDragDrop(const QStringList &paths);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void watchPointers();
    void connectHandlers();
    void connectEscape();
    // Start Converting's run, and Stop in its place while it is on (form1run.cpp).
    void showRunning(bool on);
    void reportStopped(int total, int gifsWritten);
    void notifyIfAway(const QString &text);
    void Form_Load();
    void methodRule(const QString &code, bool gflax);
    void Check5_Click(bool checked);
    void removeSelectedEntry();
    void writeSetting(const QString &key, const QString &text);
    AdderContext adderContext(const QString &location = QString());

    Form1Options m_options;
    SettingsStore m_settings;
    ImagingService m_imaging;
    WindowPointers m_pointers;
    ConversionRun m_run;
    QShortcut *m_escape = nullptr; // stops a run; live only while one is on
    FocusRing *m_focusRing = nullptr;
    QString m_lastOutputFolder; // the last run's, which Open Output Folder opens
    int m_runFiles = 0;   // the files on the list when the run started
    int m_filesEnded = 0; // of them, those the window was told of as done
    bool m_skinApplied = false;
    bool m_settingsWarned = false;
};
