#pragma once

// The conversation between the program and lumenpage-render, its page renderer. The renderer is
// started without arguments, under the program's render limits, and then serves one document
// after another for as long as the program keeps it. Requests come on its standard input, one a
// line, and each has one answer on its standard output:
//
//   open PATHBYTES PASSWORDBYTES followed by PATHBYTES bytes of the PDF's path and PASSWORDBYTES
//                                bytes of its password (user or owner; -1: none, no bytes). The
//                                password never goes on a command line or in the environment,
//                                where other users could read it. Any document open before is
//                                closed first. Answered by
//     pages N                    the document opened and has N pages
//     error KIND TEXT            it did not (KIND below, TEXT one line for the user); no document
//                                is open, and another can be
//
//   render PAGE DPI FIT          page PAGE (from 1) of the open document at DPI; FIT 1 lowers
//                                DPI until the page fits the pixel limits (not below the lowest
//                                resolution), FIT 0 refuses a page that does not
//   render PAGE DPI FIT W H      at the resolution that makes the page fit W x H pixels, its
//                                shape kept (0 for a side: unbounded); DPI and FIT unused: a
//                                page that cannot be drawn at that size is refused
//   render PAGE DPI FIT W H FOLDERBYTES  as the one before (W H 0 0: no box), followed by
//                                FOLDERBYTES bytes of a folder's path: the page's drawn pixels
//                                are also left there (see PIXELS below)
//     image BYTES WIDTH HEIGHT DPI followed by BYTES bytes of a JPEG file
//     image BYTES WIDTH HEIGHT DPI PIXELS PIXELBYTES SUM followed by the JPEG, when a folder
//                                was named and the pixels were written: PIXELS is the name, in
//                                that folder, of a new file of PIXELBYTES bytes of 8-bit RGB rows
//                                on white without a header, SUM their PixelSum (jpeg/pixelsum.h).
//                                It is the program's from then on; when they could not be
//                                written, the first form, and no file is left
//     error KIND TEXT
//
//   close                        the document is closed and its memory given back
//     closed
//
// End of input ends it. Numbers are written in the C locale. Running out of memory where no
// answer can be written any more is said by the exit status (OutOfMemoryExit, BadAllocExit).
namespace RenderProtocol {

enum ExitStatus {
    OutOfMemoryExit = 4, // an allocation failed and the renderer could not go on
    BadAllocExit = 5,    // a std::bad_alloc reached the renderer's main loop
};

enum Kind {
    Unreadable = 1,   // missing, not a PDF, damaged, protected by a password
    NoSuchPage = 2,   // page number outside the document
    TooLarge = 3,     // the page at that resolution exceeds the pixel limits; TEXT begins with
                      // the WIDTH and HEIGHT in pixels it would have had
    NoPixels = 4,     // the page at that resolution would have no pixels
    RenderFailed = 5, // poppler drew nothing
    OutOfMemory = 6,  // an allocation failed: the memory cap was reached
    BadRequest = 7,
    // Why a document did not open, where the program says it in the user's words.
    NeedsPassword = 8, // locked, and no password was given
    WrongPassword = 9, // locked, and the password given does not open it
    NotPdf = 10,       // no PDF header
    Damaged = 11,      // poppler cannot read it
    // Why a page was not drawn, where the program says it in the user's words.
    PageTree = 12,     // the document's page tree does not lead to the page (a loop, a lost branch)
    NoFit = 13,        // the page fits the box asked only below the lowest resolution
    Missing = 14,      // nothing is at the path given (a document's failure, like NotPdf)
};

} // namespace RenderProtocol
