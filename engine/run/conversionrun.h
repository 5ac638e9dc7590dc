#pragma once

#include "engine/run/gifnames.h"
#include "engine/base/runreport.h"
#include "engine/base/runsteps.h"

#include <QString>
#include <QList>
#include <QSet>
#include <QStringList>

class ConversionHost;

// The conversion of the whole input list, started by "Start Converting". It lives as long as
// its host: PagesProduced carries over from one run to the next, as the methods own it.
class ConversionRun {
public:
    static inline const QString &ErrorLocation = RunStep::ErrorLocation;

    // The run's last box, which the console prints as its last line.
    static QString doneText();

    explicit ConversionRun(ConversionHost &host);

    // Runs to the end. A start while a run is active (the run yields to the event loop, so the
    // button can be pressed again) is ignored.
    void start();

    bool isActive() const { return m_active; }
    bool pagesProduced() const { return m_pagesProduced; }
    const RunReport &lastReport() const { return m_report; }
    QString workFolder() const { return m_workFolder; }

    // Bounds on the script methods' waits; tests shorten them.
    int scriptTimeoutMs = 20 * 60 * 1000;
    int fileWaitTimeoutMs = 10 * 1000;
    // Pages a method hands over while it renders are encoded on a second thread meanwhile.
    // Off: every method renders all its pages first and the run encodes them one by one
    // afterwards, the same GIFs, names, order and progress, on one core.
    bool encodeWhileRendering = true;

private:
    struct FileJob;
    struct Pass;
    // Tells how the file came out, once its pages are all accounted for, and closes its chapter.
    void finish(FileJob &job);

    ConversionHost &m_host;
    QString m_workFolder;
    bool m_pagesProduced = false;
    bool m_active = false;
    RunReport m_report;
};
