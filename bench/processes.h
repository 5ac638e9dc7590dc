#pragma once

// Running the programs a bench compares: the project's page script, Ghostscript's lossless
// render, and any program under measurement, with its wall and CPU time, peak memory, and
// (when asked) the scratch space and first output it makes while it runs.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace bench {

// Renders `pdf` exactly as the Ghostscript method does: the script's folder is copied into a
// fresh `workDir` with the PDF beside it as current.pdf and the script run there with /bin/sh.
// Gives the page images (current00001.jpg, ...) in page order, empty with `error` set on failure.
QStringList renderWithScript(const QString &script, const QString &pdf, const QString &workDir,
                             QString *error, double *wallMs = nullptr);

// Renders `pdf` losslessly with Ghostscript (png16m, 144 dpi, the anti-aliasing of
// ps/pdf2tiff.sh) into `dir` as page-001.png, ...: the reference a page image is measured
// against. Gives the files in page order, empty with `error` set on failure.
// With `blackAndWhite`, the 1-bit bitmaps that bw/convert.sh thresholds (pbmraw, page-001.pbm).
QStringList renderLossless(const QString &pdf, const QString &dir, QString *error, bool blackAndWhite = false);

// Renders `pdf` losslessly with poppler as the GflAx and Acrobat stand-ins do (engine/render/pdfpages.h,
// 144 dpi) into `dir` as page-001.png, ...: their reference.
QStringList renderLosslessPoppler(const QString &pdf, const QString &dir, QString *error);

// The project's pdf2tiff.sh as the build copies it beside the executables.
QString projectScript();

// What to watch while a child runs (sampled every few milliseconds).
struct Watch {
    bool treeMemory = false;  // the summed resident memory of the child and all its descendants
    QString scratchDir;       // the bytes of all files below this folder
    QString outputDir;        // the first file ending in `outputSuffix` to appear here
    QString outputSuffix = QStringLiteral(".gif");
};

struct ChildRun {
    bool started = false;
    int exitCode = -1;       // -1 when the child did not exit normally
    double wallMs = 0;       // from spawn to reaping, start-up included
    double cpuMs = 0;        // user + system time of the child and the descendants it waited for
    long maxRssKb = 0;       // ru_maxrss from wait4: the largest process of the child's tree
    long treePeakKb = 0;     // Watch::treeMemory: the peak of the tree's summed resident memory
    long treePssPeakKb = 0;  // the same for its summed proportional memory (PSS)
    qint64 scratchPeak = 0;  // Watch::scratchDir: the peak bytes in that folder
    double firstOutputMs = -1; // Watch::outputDir: when the first output file appeared
    QByteArray out;          // standard output
    QByteArray err;          // standard error
};

// Runs `program` with `args` (no shell), waits, and measures it. `env` entries "NAME=value" are
// set on top of this process's environment.
ChildRun runChild(const QString &program, const QStringList &args, const QString &cwd = QString(),
                  const QStringList &env = QStringList(), const Watch &watch = Watch());

// The first of `names` found on PATH (or an absolute path that is executable); empty if none.
QString findProgram(const QStringList &names);

// Peak resident memory of this process, in kB.
long selfMaxRssKb();

// The environment under which ImageMagick's `convert` may read PDF; empty when it already may.
// Debian's /etc/ImageMagick-6/policy.xml forbids PDF, and ImageMagick reads MAGICK_CONFIGURE_PATH
// before /etc, where a later rule wins; the user configuration folder is read after /etc, so the
// same permissive file is put in a HOME of the bench's own as well. Nothing outside `root` is
// changed. `allowed`: a page of `probePdf` could then be read.
QStringList magickEnvironment(const QString &convert, const QString &root, const QString &probePdf, bool &allowed);

} // namespace bench
