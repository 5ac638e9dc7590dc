#pragma once

#include "engine/runreport.h"

#include <QString>
#include <QList>
#include <QSet>
#include <QStringList>

class ConversionHost;

// The name (without ".gif") a page's GIF gets. Variant 0 is the page image's own name; a file
// whose names an earlier file of the same run has used gets variant 2, 3, ...: " (2)" after the
// PDF's base name, so that its pages still sort together (doc-001 gives doc (2)-001, GflAx's
// doc11 gives doc (2)11). A page name that does not start with the base name gets the mark at
// its end.
QString DistinctGifName(const QString &pageStem, const QString &baseName, int variant);

// The first variant, from `from` on (0, then 2, 3, ...), for which none of `pageStems` gives a
// path (with `extension`) in `taken` (paths compared after QDir::cleanPath).
int FreeVariant(const QStringList &pageStems, const QString &baseName, const QString &outputFolder, const QString &extension,
                const QSet<QString> &taken, int from = 0);

// The box that lists the renamed files at the end of a run, one line each.
QString RenamedFilesText(const QList<RenamedFile> &files);

// The conversion of the whole input list, started by "Start Converting". It lives as long as
// its host: PagesProduced carries over from one run to the next, as the methods own it.
class ConversionRun {
public:
    // Where the ErrorBox says a failure of the run happened: the run is what the window's
    // "Start Converting" does.
    static inline const QString ErrorLocation = QStringLiteral("in Lumenpg2017/04/05.Form1.PushButton2_Click ");

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
    // Tells how the file came out, once its pages are all accounted for.
    void finish(FileJob &job);

    ConversionHost &m_host;
    QString m_workFolder;
    bool m_pagesProduced = false;
    bool m_active = false;
    RunReport m_report;
};
