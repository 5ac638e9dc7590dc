#pragma once

#include <QByteArray>
#include <QSet>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// Why a page or a whole document gave no page image, as the script methods know it: from what
// the script said, from how it ended, or from the program itself. The words for each are chosen
// in one place (ScriptFailureText), never read back.
enum class ScriptFailure {
    None,
    // A page:
    TimeCap,   // the time cap per page was reached on it
    MemoryCap, // Ghostscript ran out of memory (the memory cap) on it
    Crash,     // Ghostscript ended while drawing it
    Damaged,   // Ghostscript could not draw it
    PageTree,  // the document's page tree does not lead to it (a loop, a lost branch)
    NoPixels,  // at the resolution asked a side of it would have no pixels
    TooLarge,  // at the size asked it would be past the pixel limits
    NoFit,     // it fits the box asked only below the lowest resolution
    // The document:
    NoPassword,    // it is locked and no password was given
    WrongPassword, // the password given does not open it
    NoPageInRange, // none of its pages is in the page range
    Unreadable,    // Ghostscript could not open it
    MissingTool,   // a program the script needs is not installed
    ScriptMissing, // the script itself is not there
    RendererFailed, // the script failed without saying why
    NoPage,         // the script ended well and gave no page
    // The script broke the conversation (the first such line; nothing it says after is taken):
    UnknownLine,    // a line that is no event
    PageNotPlanned, // a page that is not one of the pages the run asked for and it said it draws
    NameOutside,    // a page image or pixel file named outside its pages folder
    // Either:
    ScratchFull,    // the scratch folder's file system has no room left
};

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
    QMap<int, ScriptFailure> failedPages;  // "failed"
    ScriptFailure document = ScriptFailure::None;
    int documentPages = 0;    // "document norange COUNT"
    QStringList missingTools; // "document missingtool NAME..."
    int events = 0;           // every event so far: the script is making progress
    ScriptFailure breach = ScriptFailure::None; // UnknownLine, PageNotPlanned or NameOutside
    int breachPage = 0;                         // the page a PageNotPlanned named

    // Takes in one line of the script's standard output.
    void read(const QByteArray &line);
    // Whether page N is one the run asked for and the script said it draws.
    bool planned(int page) const;
};
