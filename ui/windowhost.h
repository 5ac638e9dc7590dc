#pragma once

#include "engine/base/conversionhost.h"

#include <QString>

struct Form1Controls;
class WindowPointers;

// The window's side of a conversion run: the run reads the list and the options from the
// window's controls at the moment it needs them, and tells its progress and pointers there.
class WindowHost : public ConversionHost {
public:
    WindowHost(Dialogs &dialogs, const Form1Controls &controls, WindowPointers &pointers)
        : m_dialogs(dialogs), m_controls(controls), m_pointers(pointers) {}

    // What the run reads
    QString applicationTitle() const override { return m_applicationTitle; }
    QString appFolder() const override { return m_appFolder; }
    int entryCount() const override;
    QString entryAt(int position) const override;
    // The method's option button, Check5, the resolution and pages boxes and the output folder
    // box as they are now.
    RunOptions options() const override;

    // What it tells
    void setProgress(double percent) override;
    void setProgressText(const QString &text) override;
    void setWaitPointer(bool on) override;
    void setAppWaitPointer(bool on) override;
    // Also where a stop asked for meanwhile takes effect: see requestStop.
    void yield() override;

    // Stopping a run: asked for while the run yields (the Stop button, Escape), acted on when
    // the run yields next at the level it was started from, never inside a nested wait (a
    // folder walk started meanwhile): the run's work is ended and cleaned up as when the window
    // is closed, then RunStopped leaves the run.
    void requestStop() { m_stopRequested = true; }
    bool stopRequested() const { return m_stopRequested; }

    // The services it uses
    Dialogs &dialogs() override { return m_dialogs; }

protected:
    // Around a run started from the window: where its yields are.
    void runStarts();
    void runEnds() { m_runLevel = -1; }

    // Settled while the window loads.
    QString m_appFolder;
    QString m_applicationTitle;
    bool m_gdiplusUnavailable = false;
    RenderLimits m_limits; // from the settings

private:
    Dialogs &m_dialogs;
    const Form1Controls &m_controls;
    WindowPointers &m_pointers;
    int m_yieldDepth = 0;  // yields under way, one inside another
    int m_runLevel = -1;   // the depth the run's own yields start at; -1: no stop can be acted on
    bool m_stopRequested = false;
};
