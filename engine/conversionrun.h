#pragma once

#include <QString>
#include <QStringList>

class ConversionHost;

// What one run did, for hosts that report beyond the boxes (the console's exit status).
struct RunReport {
    bool started = false;       // passed the three preconditions
    QStringList failedFiles;    // "Could not create GIF on " was shown for these
    QStringList failedGifs;     // GIF paths that could not be written, with the reason
    int gifsWritten = 0;
};

// The conversion of the whole input list, started by "Start Converting". It lives as long as
// its host: PagesProduced carries over from one run to the next, as the methods own it.
class ConversionRun {
public:
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

private:
    ConversionHost &m_host;
    QString m_workFolder;
    bool m_pagesProduced = false;
    bool m_active = false;
    RunReport m_report;
};
