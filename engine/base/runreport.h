#pragma once

#include "engine/base/fault.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a conversion run reports to its host: per file as it goes, and for the whole run.

// A file whose GIF names an earlier file of the same run had already used: its GIFs got
// other names (see DistinctGifName).
struct RenamedFile {
    QString pdf;
    QStringList gifs; // the names they got, in page order
};

// A file that gave no GIF ("Could not create GIF on " was shown for it), and why.
struct FileFailure {
    QString file;
    QString cause;  // in the user's language
    QString detail = {}; // a child's own words on it (Ghostscript's, the renderer's, the system's), for --verbose and records
};

// A page a method could not draw, why in words, and the kind of failure.
struct PageFailure {
    int page = 0; // from 1
    QString reason;
    Fault fault = Fault::Unknown;
};

// A GIF that could not be written, and why (empty when nobody said).
struct FailedGif {
    QString path;
    QString reason;
};

// How one page came out, told to the host as soon as the run is done with it.
struct PageOutcome {
    int page = 0;      // its page number in the PDF; 0 when no rule gives one
    QString pageImage; // its name in the WorkFolder
    QString gif;       // the GIF file's path
    bool written = false;
    QString reason;    // why it was not, when it was not
    bool pictureUnreadable = false; // the page image could not be read, so no GIF was tried
};

// What one run did, for hosts that report beyond the boxes (the console's exit status).
struct RunReport {
    bool started = false;         // passed the three preconditions
    QList<FileFailure> failures;  // in list order
    QList<FailedGif> failedGifs;  // GIFs that could not be written, in page order
    QList<RenamedFile> renamedFiles;
    int gifsWritten = 0;
    int errorBoxes = 0;           // unexpected failures reported in the ErrorBox

    QStringList failedFiles() const;
    // Everything the run was asked for came out: it started, every file gave its GIFs, every
    // GIF was written and nothing unexpected failed.
    bool succeeded() const;
};

// How one file of the list came out, told to the host when the run is done with it.
struct FileOutcome {
    int position = 0;            // in the input list, from 1
    QString pdf;
    QList<FileFailure> failures; // why it failed; none when it gave all its GIFs
    QStringList unexpected;      // failures reported in the ErrorBox meanwhile, in order
    QList<PageFailure> failedPages; // pages the method could not draw, when it knows them
};
