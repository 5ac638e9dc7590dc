#pragma once

// The conversation between the program and lumenpage-render, its page renderer. The renderer is
// started with the PDF path as its one argument (or "--password-stdin PDF": then the first line
// of its standard input is the document's password) and answers on standard output:
//
//   pages N                      the document opened and has N pages
//   error KIND TEXT              it did not (KIND below, TEXT one line for the user); it ends
//
// Then, for each request line on standard input:
//
//   render PAGE DPI FIT          page PAGE (from 1) at DPI; FIT 1 lowers DPI until the page
//                                fits the pixel limits, FIT 0 refuses a page that does not
//   render PAGE DPI FIT W H      the same at the resolution that makes the page fit W x H
//                                pixels, its shape kept (0 for a side: unbounded); DPI unused
//
// it answers either
//
//   image BYTES WIDTH HEIGHT DPI followed by BYTES bytes of a JPEG file
//   error KIND TEXT
//
// End of input ends it. Numbers are written in the C locale.
namespace RenderProtocol {

enum Kind {
    Unreadable = 1,   // missing, not a PDF, damaged, protected by a password
    NoSuchPage = 2,   // page number outside the document
    TooLarge = 3,     // the page at that resolution exceeds the pixel limits
    NoPixels = 4,     // the page at that resolution would have no pixels
    RenderFailed = 5, // poppler drew nothing
    OutOfMemory = 6,  // an allocation failed: the memory cap was reached
    BadRequest = 7,
};

} // namespace RenderProtocol
