#pragma once

#include "engine/encode/pageencoding.h"
#include "engine/base/pagechoice.h"
#include "engine/base/renderlimits.h"
#include "engine/base/namepattern.h"

#include <QString>

#include <optional>

enum class Method : int; // see methods.h

// The number of pages the GflAx method draws, from the text the user gave: its leading number
// to the nearest whole number, halves to the even neighbour.
class PageCount {
public:
    // The method's page counter is 16 bits wide.
    static constexpr int Max = 32767;

    PageCount() = default;
    explicit PageCount(const QString &text);

    // The count; 0 when the text gives none below 1. A count the page counter cannot hold
    // throws Failure (Overflow) rather than being clipped, so the user learns the number was
    // not taken.
    int count() const;
    const QString &text() const { return m_text; } // as given, for messages

private:
    QString m_text;
    double m_value = 0;
};

// What the user chose for a conversion, parsed by the host from its own input: the run and the
// methods read typed values only. The window answers with what its controls show at the moment
// it is asked, as the user may change them while a run yields; the console parsed its command
// line once.
struct RunOptions {
    std::optional<Method> method; // the selected method; none when none is
    bool firstPageOnly = false;   // "Convert First Page Only"
    double resolution = 0;        // dpi of the GflAx method's resolution; 0 when none is given
    PageCount pages;              // the GflAx method's number of pages
    QString outputFolder;         // as given; the run checks that it exists
    bool imagingUnavailable = false; // the imaging service did not start: the run does not either
    RenderLimits limits;          // caps on what one PDF may cost any renderer
    PageChoice choice;            // pages, size and password; the default is what the window does
    PageFormat format;            // what the pages are saved as; the window always saves GIFs
    NamePattern names;            // what the pages' files are called; unset: their method's names
};
