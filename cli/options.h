#pragma once

#include "cli/batchhost.h"

#include "engine/base/pagechoice.h"
#include "engine/base/renderlimits.h"
#include "engine/base/runoptions.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QList>
#include <QString>

// The console's command line: its options and the checks of their values. Each step answers the
// exit status when a value cannot be used (after one line saying why), else -1.

// The GflAx method counts its pages in 16 bits.
constexpr int MaxGflAxPages = PageCount::Max;

// Names that cannot be passed on (not UTF-8, or longer than any path), as the user gave them,
// each with why: they fail alone, the other files are converted.
struct BadName {
    QByteArray name;
    QString why;
};

// An option --help does not list.
inline QCommandLineOption hidden(QCommandLineOption option)
{
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The console's options, declared once: the parser reads them, the steps below take their values.
struct ConsoleOptions {
    const QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")},
                                   QCoreApplication::translate("Console", "Print nothing but errors.")};
    const QCommandLineOption verbose{QStringLiteral("verbose"),
                                     QCoreApplication::translate("Console", "Also print the messages the window would show, as it words them.")};
    const QCommandLineOption filesFrom{QStringLiteral("files-from"),
                                       QCoreApplication::translate("Console", "Also convert the files named in LIST, one a line (- for standard input)."),
                                       QStringLiteral("LIST")};
    const QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                                    QCoreApplication::translate("Console", "Folder the GIF files are written to (must exist)."),
                                    QStringLiteral("DIR")};
    const QCommandLineOption method{{QStringLiteral("m"), QStringLiteral("method")},
                                    QCoreApplication::translate("Console", "ghostscript (default), bw, gflax or acrobat."),
                                    QStringLiteral("METHOD"), QStringLiteral("ghostscript")};
    const QCommandLineOption firstPage{QStringLiteral("first-page-only"),
                                       QCoreApplication::translate("Console", "Convert the first page only (ghostscript and bw).")};
    const QCommandLineOption pageRange{QStringLiteral("page-range"),
                                       QCoreApplication::translate("Console", "Convert only these pages, every method: N, N-M or N- "
                                                      "separated by commas (1-3,7,10-); a GIF keeps its page's number."),
                                       QStringLiteral("LIST")};
    const QCommandLineOption resolution{QStringLiteral("resolution"),
                                        QCoreApplication::translate("Console", "Resolution in dpi, every method (default 144; at most %1).")
                                            .arg(PageChoice::MaxDpi),
                                        QStringLiteral("DPI"), QStringLiteral("144")};
    const QCommandLineOption fit{QStringLiteral("fit"),
                                 QCoreApplication::translate("Console", "Draw each page at the resolution that makes it fit WxH pixels "
                                                "(W: that width, xH: that height), keeping its shape; not with --resolution."),
                                 QStringLiteral("WxH")};
    const QCommandLineOption passwordFile{QStringLiteral("password-file"),
                                          QCoreApplication::translate("Console", "The first line of FILE is the password (user or owner) of "
                                                         "locked PDFs, every method."),
                                          QStringLiteral("FILE")};
    const QCommandLineOption format{QStringLiteral("format"),
                                    QCoreApplication::translate("Console", "File format of the pages: gif (default), png, tiff, jpeg "
                                                                           "or webp; png and tiff keep every pixel of the page image."),
                                    QStringLiteral("FORMAT"), QStringLiteral("gif")};
    const QCommandLineOption quality{QStringLiteral("quality"),
                                     QCoreApplication::translate("Console", "Quality of gif, jpeg and webp pages, from 1 (smallest "
                                                                            "files) to 100 (default %1 for gif, %2 for jpeg and webp).")
                                         .arg(ImagingService::GifQuality).arg(ImagingService::LossyQuality),
                                     QStringLiteral("N")};
    const QCommandLineOption gray{{QStringLiteral("gray"), QStringLiteral("grey")},
                                  QCoreApplication::translate("Console", "Write the pages in 8-bit grey, every method but bw.")};
    const QCommandLineOption animate{QStringLiteral("animate"),
                                     QCoreApplication::translate("Console", "Write one looping animated GIF per PDF (report.gif), each page "
                                                                            "shown a second; --animate=SECONDS (with the =) shows each "
                                                                            "page SECONDS (decimals allowed).")};
    // What --animate=SECONDS becomes (see WithOptionalValues).
    const QCommandLineOption animateSeconds = hidden({QStringLiteral("animate-seconds"), QString(), QStringLiteral("SECONDS")});
    const QCommandLineOption name{QStringLiteral("name"),
                                  QCoreApplication::translate("Console", "Name the pages' files by PATTERN (without the extension): "
                                                                         "{name} the PDF's name up to its first full stop, {page} "
                                                                         "the page number ({page:03} with zeros to 3 digits), {n} "
                                                                         "the file's place in the list; {page} is required."),
                                  QStringLiteral("PATTERN")};
    const QCommandLineOption pages{QStringLiteral("pages"),
                                   QCoreApplication::translate("Console", "Number of pages for the gflax method (default 1; at most %1).")
                                       .arg(MaxGflAxPages),
                                   QStringLiteral("N"), QStringLiteral("1")};
    const QCommandLineOption memoryLimit{QStringLiteral("memory-limit"),
                                         QCoreApplication::translate("Console", "Memory cap of every renderer, in MB (default %1): "
                                                        "a PDF that needs more fails alone.")
                                             .arg(RenderLimits::DefaultMemoryMB),
                                         QStringLiteral("MB")};
    const QCommandLineOption timeLimit{QStringLiteral("time-limit"),
                                       QCoreApplication::translate("Console", "Time cap per page, in seconds (default %1): a page that takes "
                                                                   "longer fails alone.")
                                           .arg(RenderLimits::DefaultPageSeconds),
                                       QStringLiteral("SECONDS")};

    const QCommandLineOption watch{QStringLiteral("watch"),
                                   QCoreApplication::translate("Console", "Watch DIR until ended by a signal: convert every PDF that "
                                                                          "appears in it once it has stopped growing, and again when it "
                                                                          "is replaced; needs --report FILE, which keeps each version "
                                                                          "converted once, across restarts too."),
                                   QStringLiteral("DIR")};
    const QCommandLineOption recursive{QStringLiteral("recursive"),
                                       QCoreApplication::translate("Console", "With --watch, also the folders below DIR.")};

    // Declares them to `parser`, in the order --help lists them.
    explicit ConsoleOptions(QCommandLineParser &parser);
};

// The arguments as the parser takes them: "--animate=SECONDS" is "--animate --animate-seconds=SECONDS",
// so that --animate alone takes no value (an option's value is otherwise the next argument,
// which would take a file's name).
QStringList WithOptionalValues(const QStringList &arguments);

// One line on standard error for wrong usage; the exit status 2.
int usageError(const QString &message);

// The method, the pages, their size, the format, the password, the caps and the run's record.
int takeChoices(const QCommandLineParser &parser, const ConsoleOptions &o, BatchOptions *options);

// --watch and --recursive: the folder, which takes the place of FILE; -1 when none is given or it
// can be used, otherwise the exit status.
int takeWatchedFolder(const QCommandLineParser &parser, const ConsoleOptions &o, const BatchOptions &options,
                      QString *folder);

// The files to convert: those named on the command line and in the lists of --files-from; names
// that cannot be used go to `badNames`.
int takeNames(const QCommandLineParser &parser, const ConsoleOptions &o, int argc, char **argv, BatchOptions *options,
              QList<BadName> *badNames);
