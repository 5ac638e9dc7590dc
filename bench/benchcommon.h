#pragma once

// Shared by the benchmark programs: the generated page set, rendering through the project's own
// Ghostscript script, running peer programs with their wall time and peak memory, and PSNR.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <limits>

namespace bench {

enum class PageKind { Text, Photo, Plot };
QString kindName(PageKind kind);

// Writes a US Letter PDF with one page per entry of `kinds`, through QPdfWriter. The content is
// made from `seed` alone, so a run can be repeated. Needs a QGuiApplication.
bool writePdf(const QString &path, const QList<PageKind> &kinds, quint32 seed, QString *error);

// The page kinds of a mixed document: text, photographs and plots taking turns.
QList<PageKind> mixedKinds(int pages);

// Renders `pdf` exactly as the Ghostscript method does: the script is copied into a fresh
// `workDir` with the PDF beside it as current.pdf and run there with /bin/sh. Gives the page
// images (current00001.jpg, ...) in page order, empty with `error` set on failure.
QStringList renderWithScript(const QString &script, const QString &pdf, const QString &workDir,
                             QString *error, double *wallMs = nullptr);

// Renders `pdf` losslessly with Ghostscript (png16m, 144 dpi, the anti-aliasing of
// ps/pdf2tiff.sh) into `dir` as page-001.png, ...: the reference a page image is measured
// against. Gives the files in page order, empty with `error` set on failure.
QStringList renderLossless(const QString &pdf, const QString &dir, QString *error);

// The project's pdf2tiff.sh as the build copies it beside the executables.
QString projectScript();

struct ChildRun {
    bool started = false;
    int exitCode = -1;       // -1 when the child did not exit normally
    double wallMs = 0;       // from spawn to reaping, start-up included
    long maxRssKb = 0;       // ru_maxrss from wait4: the largest process of the child's tree
    long ownHwmKb = 0;       // the child's own VmHWM, sampled while it ran (only when asked)
    QByteArray out;          // standard output
    QByteArray err;          // standard error
};

// Runs `program` with `args` (no shell), waits, and measures it. `env` entries "NAME=value" are
// set on top of this process's environment.
ChildRun runChild(const QString &program, const QStringList &args, const QString &cwd = QString(),
                  const QStringList &env = QStringList(), bool sampleOwnHwm = false);

// The first of `names` found on PATH (or an absolute path that is executable); empty if none.
QString findProgram(const QStringList &names);

// Peak resident memory of this process, in kB.
long selfMaxRssKb();

QImage readPicture(const QString &path);             // any Qt format, as RGB32; null on failure
QImage readGif(const QString &path, QString *error); // through giflib; transparent parts on white

// PSNR over R, G and B in dB; +inf for identical pictures, NaN when the sizes differ.
double psnr(const QImage &a, const QImage &b);
// The same after a 3x3 box blur of both pictures: roughly what the eye sees of a dithered
// picture at a normal distance, so it credits dithering that the plain PSNR penalises.
double blurredPsnr(const QImage &a, const QImage &b);

double median(QList<double> values);
double minimum(const QList<double> &values);
QString dB(double value);  // "41.23", "inf" or "n/a"

qint64 fileSize(const QString &path);

// One line on standard output, flushed at once so that progress shows while a bench runs.
void out(const QString &line);

} // namespace bench
