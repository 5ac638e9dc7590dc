// bench_animate: one animated GIF per document.
//
// Generates a mixed PDF (text, photographs and plots taking turns) and makes one looping GIF of
// it, a frame a page shown a second, three ways:
//   lumenpage-batch --animate --resolution 144 -o OUT file.pdf       (the Ghostscript method)
//   convert -density 144 -delay 100 file.pdf -background white -alpha remove out.gif
//   gifsicle -O3 out.gif -o out-O3.gif                               (over ImageMagick's GIF)
// reporting bytes, time and the PSNR of every frame (as a viewer shows it, decoded by Qt)
// against the lossless Ghostscript render of its page (png16m, the anti-aliasing of
// ps/pdf2tiff.sh), and each of our frames against the single GIF the same run makes of its page
// without --animate. Then lumenpage-batch --animate converts a long document while the memory of
// its whole process tree is watched. Exit status 0 when every target is met, 3 when one is
// not, 1 on an error. See bench/README.md.

#include "metrics.h"
#include "pages.h"
#include "processes.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

using namespace bench;

namespace {

// The frames of an animated GIF as a viewer shows them, each as RGB32.
QList<QImage> framesOf(const QString &gif)
{
    QImageReader reader(gif);
    QList<QImage> frames;
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        QImage onWhite(frame.size(), QImage::Format_RGB32);
        onWhite.fill(Qt::white);
        if (frame.hasAlphaChannel()) {
            const QImage argb = frame.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < argb.height(); ++y)
                for (int x = 0; x < argb.width(); ++x) {
                    const QRgb c = argb.pixel(x, y);
                    const int a = qAlpha(c);
                    onWhite.setPixel(x, y, qRgb((qRed(c) * a + 255 * (255 - a)) / 255, (qGreen(c) * a + 255 * (255 - a)) / 255,
                                                (qBlue(c) * a + 255 * (255 - a)) / 255));
                }
        } else {
            onWhite = frame.convertToFormat(QImage::Format_RGB32);
        }
        frames << onWhite;
    }
    return frames;
}

struct Result {
    QString tool;
    bool ran = false;
    qint64 bytes = 0;
    double wallMs = 0;
    long peakKb = 0;
    QList<double> psnr{}; // a frame each
    QString note{};
};

void measureFrames(Result &r, const QString &gif, const QStringList &references)
{
    const QList<QImage> frames = framesOf(gif);
    r.bytes = fileSize(gif);
    if (frames.size() != references.size())
        r.note += QStringLiteral(" %1 frames for %2 pages.").arg(frames.size()).arg(references.size());
    for (int i = 0; i < std::min<qsizetype>(frames.size(), references.size()); ++i)
        r.psnr << psnr(readPicture(references[i]), frames[i]);
}

QString row(const Result &r, int pages)
{
    if (!r.ran)
        return QStringLiteral("| %1 | [skipped] %2 | | | | |").arg(r.tool, r.note);
    return QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 s |%7")
        .arg(r.tool)
        .arg(r.bytes)
        .arg(r.bytes / std::max(1, pages))
        .arg(dB(median(r.psnr)), dB(minimum(r.psnr)))
        .arg(r.wallMs / 1000, 0, 'f', 1)
        .arg(r.note.isEmpty() ? QString() : QStringLiteral(" ") + r.note.trimmed());
}

// Ours, ImageMagick's and gifsicle's animated GIF of `pdf`.
QList<Result> compare(const QString &root, const QString &pdf, const QStringList &references, const QString &batch,
                      const QString &convert, const QString &gifsicle)
{
    Result ours{QStringLiteral("lumenpage-batch --animate --resolution 144")};
    const QString out = root + QStringLiteral("/ours");
    QDir().mkpath(out);
    ChildRun run = runChild(batch, {QStringLiteral("--animate"), QStringLiteral("--resolution"), QStringLiteral("144"),
                                    QStringLiteral("-o"), out, pdf});
    ours.ran = run.exitCode == 0;
    ours.wallMs = run.wallMs;
    ours.peakKb = run.maxRssKb;
    if (ours.ran)
        measureFrames(ours, out + QStringLiteral("/doc.gif"), references);
    else
        ours.note = QString::fromLocal8Bit(run.err).trimmed();

    Result magick{QStringLiteral("convert -density 144 -delay 100 ... -background white -alpha remove")};
    Result optimised{QStringLiteral("gifsicle -O3 over convert's GIF")};
    bool allowed = false;
    const QStringList env = convert.isEmpty() ? QStringList() : magickEnvironment(convert, root, pdf, allowed);
    const QString magickGif = root + QStringLiteral("/magick.gif"), optimisedGif = root + QStringLiteral("/magick-O3.gif");
    if (allowed) {
        run = runChild(convert, {QStringLiteral("-density"), QStringLiteral("144"), QStringLiteral("-delay"), QStringLiteral("100"), pdf,
                                 QStringLiteral("-background"), QStringLiteral("white"), QStringLiteral("-alpha"), QStringLiteral("remove"),
                                 magickGif}, QString(), env);
        magick.ran = run.exitCode == 0;
        magick.wallMs = run.wallMs;
        magick.peakKb = run.maxRssKb;
        magick.note = env.isEmpty() ? QString() : QStringLiteral("(with the bench's own policy.xml allowing PDF)");
    } else {
        magick.note = convert.isEmpty() ? QStringLiteral("ImageMagick is not installed") : QStringLiteral("convert cannot read PDF here");
    }
    if (magick.ran)
        measureFrames(magick, magickGif, references);
    if (magick.ran && !gifsicle.isEmpty()) {
        run = runChild(gifsicle, {QStringLiteral("-O3"), magickGif, QStringLiteral("-o"), optimisedGif});
        optimised.ran = run.exitCode == 0;
        optimised.wallMs = run.wallMs;
        if (optimised.ran)
            measureFrames(optimised, optimisedGif, references);
    } else {
        optimised.note = gifsicle.isEmpty() ? QStringLiteral("gifsicle is not installed") : QStringLiteral("no GIF of ImageMagick's");
    }
    return {ours, magick, optimised};
}

// Each of our frames against the single GIF of its page: how much PSNR the animation costs.
QList<double> lossAgainstSingles(const QString &root, const QString &pdf, const QStringList &references, const QString &batch,
                                 const Result &ours)
{
    const QString out = root + QStringLiteral("/singles");
    QDir().mkpath(out);
    runChild(batch, {QStringLiteral("--resolution"), QStringLiteral("144"), QStringLiteral("-o"), out, pdf});
    const QStringList gifs = QDir(out).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    QList<double> losses;
    for (int i = 0; i < std::min<qsizetype>(gifs.size(), ours.psnr.size()); ++i) {
        QString error;
        const double single = psnr(readPicture(references[i]), readGif(out + QLatin1Char('/') + gifs[i], &error));
        losses << single - ours.psnr[i];
    }
    return losses;
}

// lumenpage-batch --animate on a document of `pages` pages while its process tree is watched.
// False when the document cannot be made.
bool measureLongDocument(const QString &root, const QString &batch, int pages, QStringList &missed)
{
    QString error;
    const QString longPdf = root + QStringLiteral("/long.pdf"), longOut = root + QStringLiteral("/long");
    QDir().mkpath(longOut);
    if (!writePdf(longPdf, mixedKinds(pages), 2, &error)) {
        out(QStringLiteral("error: ") + error);
        return false;
    }
    Watch watch;
    watch.treeMemory = true;
    const ChildRun run = runChild(batch, {QStringLiteral("--animate"), QStringLiteral("-o"), longOut, longPdf}, QString(), {}, watch);
    const qsizetype frames = QImageReader(longOut + QStringLiteral("/long.gif")).imageCount();
    out(QStringLiteral("%1 pages with --animate: exit %2, %3 frames, %4 bytes, %5 s; largest process %6 MB, "
                       "process tree at most %7 MB (resident, summed).")
            .arg(pages).arg(run.exitCode).arg(frames).arg(fileSize(longOut + QStringLiteral("/long.gif")))
            .arg(run.wallMs / 1000, 0, 'f', 1).arg(run.maxRssKb / 1024.0, 0, 'f', 1).arg(run.treePeakKb / 1024.0, 0, 'f', 1));
    if (run.exitCode != 0 || frames != pages || run.maxRssKb > 100 * 1024)
        missed << QStringLiteral("the long document: not a frame a page, or more than 100 MB");
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("One animated GIF per document: lumenpage-batch --animate against "
                                                    "ImageMagick and gifsicle."));
    parser.addHelpOption();
    const QCommandLineOption pagesOpt(QStringLiteral("pages"), QStringLiteral("Pages of the compared document (default 24)."),
                                      QStringLiteral("N"), QStringLiteral("24"));
    const QCommandLineOption memoryOpt(QStringLiteral("memory-pages"), QStringLiteral("Pages of the long document (default 400, 0: none)."),
                                       QStringLiteral("N"), QStringLiteral("400"));
    const QCommandLineOption work(QStringLiteral("work"), QStringLiteral("Keep everything in DIR."), QStringLiteral("DIR"));
    const QCommandLineOption batchOpt(QStringLiteral("batch"), QStringLiteral("lumenpage-batch (default: beside this program)."),
                                      QStringLiteral("PATH"));
    parser.addOptions({pagesOpt, memoryOpt, work, batchOpt});
    parser.process(app);

    QTemporaryDir temporary;
    const QString root = parser.isSet(work) ? QFileInfo(parser.value(work)).absoluteFilePath() : temporary.path();
    QDir().mkpath(root);
    const QString batch = parser.isSet(batchOpt) ? parser.value(batchOpt)
                                                 : QCoreApplication::applicationDirPath() + QStringLiteral("/lumenpage-batch");
    // The real convert: a shell wrapper of that name earlier on PATH would be measured too.
    const QString convert = findProgram({QStringLiteral("/usr/bin/convert"), QStringLiteral("convert")});
    const QString gifsicle = findProgram({QStringLiteral("gifsicle")});
    const int pages = std::clamp(parser.value(pagesOpt).toInt(), 1, 400);

    // The long document first, while this program is small: a child started by posix_spawn
    // shares this program's memory until it execs, and the largest process wait4 reports
    // counts what this program held then (the compared pages' pictures came to 220 MB).
    QStringList missed;
    if (const int longPages = parser.value(memoryOpt).toInt(); longPages > 0 && !measureLongDocument(root, batch, longPages, missed))
        return 1;

    QString error;
    const QString pdf = root + QStringLiteral("/doc.pdf");
    if (!writePdf(pdf, mixedKinds(pages), 1, &error)) {
        out(QStringLiteral("error: ") + error);
        return 1;
    }
    const QStringList references = renderLossless(pdf, root + QStringLiteral("/reference"), &error);
    if (references.isEmpty()) {
        out(QStringLiteral("error: ") + error);
        return 1;
    }
    const QList<Result> results = compare(root, pdf, references, batch, convert, gifsicle);
    out(QStringLiteral("%1 pages (text, photographs, plots), 144 dpi, PSNR of every frame against the lossless render:").arg(pages));
    out(QStringLiteral("| tool | bytes | bytes a page | PSNR median (dB) | PSNR lowest (dB) | time |"));
    out(QStringLiteral("|---|---:|---:|---:|---:|---:|"));
    for (const Result &r : results)
        out(row(r, pages));

    const Result &ours = results[0], &magick = results[1], &optimised = results[2];
    if (!ours.ran || ours.psnr.size() != pages)
        missed << QStringLiteral("lumenpage-batch --animate did not give a frame a page");
    const QList<double> losses = ours.ran ? lossAgainstSingles(root, pdf, references, batch, ours) : QList<double>();
    const double worstLoss = losses.isEmpty() ? NAN : *std::max_element(losses.begin(), losses.end());
    out(QStringLiteral("Our frames against our single GIFs of the same pages: at most %1 dB lower.").arg(worstLoss, 0, 'f', 2));
    if (!(worstLoss <= 1.0))
        missed << QStringLiteral("a frame is more than 1 dB below its single GIF");
    if (magick.ran && !(ours.bytes * 2 <= magick.bytes && median(ours.psnr) > median(magick.psnr)))
        missed << QStringLiteral("not half of ImageMagick's bytes at a higher PSNR");
    if (optimised.ran && !(ours.bytes <= optimised.bytes && median(ours.psnr) > median(optimised.psnr)))
        missed << QStringLiteral("not at most gifsicle's bytes at a higher PSNR");

    for (const QString &m : missed)
        out(QStringLiteral("target missed: ") + m);
    return missed.isEmpty() ? 0 : 3;
}
