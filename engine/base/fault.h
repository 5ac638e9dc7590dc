#pragma once

#include "sys/errortrap.h"

#include <QString>

// Why a page or a whole document gave no page image, the same for every method and renderer:
// the run, the hosts and the records decide on it, and the words a user reads are made from it
// (never read back to decide anything).
enum class Fault {
    None,
    Unknown,         // the renderer gave no reason
    // A page:
    TimeCap,         // it took longer than the time cap per page
    MemoryCap,       // drawing it reached the memory cap
    Crash,           // the renderer ended while drawing it
    Damaged,         // the renderer could not read it (or the document)
    PageTree,        // the document's page tree does not lead to it (a loop, a lost branch)
    NoPixels,        // at the resolution asked a side of it would have no pixels
    TooLarge,        // at the size asked it would be past the pixel limits
    NoFit,           // it fits the box asked only below the lowest resolution
    OutsideDocument, // the document has no such page
    Changed,         // the file was rewritten, or another renamed over it, while it was drawn
    // The document:
    NoPassword,      // it is locked and no password was given
    WrongPassword,   // the password given does not open it
    NotPdf,          // the file is not a PDF
    Missing,         // the file was not there
    Unreadable,      // the renderer could not open it, and said no more
    NoPageInRange,   // none of its pages is in the page range
    MissingTool,     // a program the renderer needs is not installed
    ScriptMissing,   // the shipped script is not there
    RendererMissing, // the page renderer cannot be found or started
    RendererFailed,  // the renderer failed without saying why
    NoPage,          // the renderer ended well and gave no page
    // The renderer broke its conversation (the first such line; nothing it says after is taken):
    UnknownLine,     // a line that is no event
    PageNotPlanned,  // a page that is not one of the pages asked for
    NameOutside,     // a page image or pixel file named outside its folder
    // Either:
    ScratchFull,     // the scratch folder's file system has no room left
    CannotWrite,     // a page image could not be written into the scratch folder
};

// A renderer's Failure (sys/errortrap.h) carries its fault as its code, above the ErrorBox's
// own error numbers.
constexpr int FaultCodeBase = 100000;
constexpr int CodeOf(Fault fault)
{
    return FaultCodeBase + int(fault);
}
inline Fault FaultOf(const Failure &failure)
{
    const int code = failure.code();
    return code > FaultCodeBase && code <= CodeOf(Fault::CannotWrite) ? Fault(code - FaultCodeBase) : Fault::Unknown;
}

// The sentence a user reads for a document that failed as a whole for `fault` (Missing,
// Damaged, NotPdf), naming `pdf`: every method and host says it in these words, whatever the
// renderer said. Empty for the other faults, which their renderers name in their own terms.
QString DocumentFaultText(Fault fault, const QString &pdf);
