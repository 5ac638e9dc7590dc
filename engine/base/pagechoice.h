#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

// Which pages of a document are drawn, at what size, and with what password: the console's
// --page-range, --resolution, --fit and --password-file. Every field's default is what the
// window does (every page, each method's own resolution, no password), so a host that sets
// nothing behaves as before.
struct PageChoice {
    struct Range {
        int first = 1;
        int last = 0; // 0: to the end of the document
    };

    QList<Range> ranges;  // empty: every page
    QString rangeText;    // as the user gave it, for messages
    double dpi = 0;       // 0: the method's own (144 for the scripts and Acrobat, the box for GflAx)
    QSize fitBox;         // drawn to fit W x H pixels, each page on its own; 0 for a side: unbounded; empty size: off
    bool hasPassword = false;
    QByteArray password;  // the first line of the password file; never shown

    bool fits() const { return fitBox.width() > 0 || fitBox.height() > 0; }
    bool allPages() const { return ranges.isEmpty(); }
    bool contains(int page) const;
    // The chosen pages of a document of `pageCount` pages, in order, each once.
    QList<int> pagesOf(int pageCount) const;
    // The ranges as the scripts take them, in page order, items that overlap or touch joined:
    // "2-3 5 10-" (every page: empty).
    QByteArray scriptRanges() const;

    // The highest resolution taken, in dpi: the window's highest choice. A US Letter or A4 page
    // there is 9792 x 12672 pixels, just within the page renderer's bound of 2^27 pixels (and
    // well within GIF's 65535 a side), about 500 MB decoded, within the default memory cap.
    static constexpr double MaxDpi = 1152;
    // The lowest: below about 1.7 dpi Ghostscript cannot set up its page (rangecheck in
    // setscreen). A Letter page there is 17 x 22 pixels.
    static constexpr double MinDpi = 2;
    // GIF's largest side.
    static constexpr int MaxFitSide = 65535;

    // Why a page is not drawn at the size asked, in the same words whichever method draws it:
    // every method fails such a page rather than draw it at another size. Past the pixel limits
    // (a page box too large for the resolution, or a box too large for the page):
    // With the pixels it would have had, where they are known (`width` and `height` above 0).
    static QString tooLargeText(double width = 0, double height = 0);
    // A box the page would fit only below MinDpi:
    static QString noFitText();

    // Readers of the console's option values. Each answers false, leaving `choice` as it was,
    // for a value that is not of its form.
    static bool parseRanges(const QString &text, PageChoice *choice);
    static bool parseDpi(const QString &text, double *dpi);
    static bool parseFit(const QString &text, QSize *box);
};
