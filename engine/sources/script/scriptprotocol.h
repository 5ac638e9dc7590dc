#pragma once

#include "engine/base/fault.h"

#include <QByteArray>
#include <QSet>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// The events a page script (ps/pdf2tiff.sh, bw/convert.sh) tells the program, one line each on
// its standard output, as they happen:
//   pages N N ...       a page range only: the pages that will be drawn, just before "count"
//   count N             the number of pages that will be drawn, before the first page
//   page N FILE         PDF page N is complete as FILE (relative to the script's folder)
//   page N FILE PIXELS BYTES SUM
//                       ... with the pixels Ghostscript drew for it, PIXELS (relative too),
//                       BYTES long, of checksum SUM (PixelSum, in hex)
//   drawn N             Ghostscript has drawn page N (progress; its FILE may follow)
//   failed N KIND       page N will not come: timecap, memory, crash, damaged, pagetree,
//                       nopixels, toolarge or nofit
//   document KIND [ARG] the document gives no page: password (none given), wrongpassword,
//                       norange COUNT, damaged, missingtool NAME..., or not every page, as
//                       the scratch folder is full: nospace
// "pages" and "count" after the first "page" break the conversation too.
// FILE and PIXELS are bare names in the script's pages folder (`folder`, "" for the script's own).
// Anything else, and an event about a page that was not planned, breaks the conversation: the
// script is believed no longer, and the document fails. Standard error carries only the
// renderers' own words. (The scripts say the same in assets/shared/common.sh.)
struct ScriptEvents {
    // The plan, given before the first line: the pages the run asks for (unset: any), whether
    // that is a page range (else a "count" bounds the pages), and where the page images lie.
    std::function<bool(int page)> asked;
    bool rangeAsked = false;
    QByteArray folder;


    int count = -1;           // "count"; -1 until said
    QList<int> pageList;      // "pages"
    QSet<int> listed;         // the same, to look up
    // "page" events not yet taken by the caller, in the order said.
    struct Arrived {
        int page = 0;
        QString file;
        QString pixels; // none when empty
        qint64 bytes = 0;
        quint64 sum = 0;
    };
    QList<Arrived> arrived;
    QHash<QString, int> numberOf;          // every FILE said, and its page
    QMap<int, Fault> failedPages;  // "failed"
    Fault document = Fault::None;
    int documentPages = 0;    // "document norange COUNT"
    QStringList missingTools; // "document missingtool NAME..."
    int events = 0;           // every event so far: the script is making progress
    Fault breach = Fault::None; // UnknownLine, PageNotPlanned or NameOutside
    int breachPage = 0;                         // the page a PageNotPlanned named

    // Takes in one line of the script's standard output.
    void read(const QByteArray &line);
    // Whether page N is one the run asked for and the script said it draws.
    bool planned(int page) const;
};
