// bench_animate: one animated GIF per document, and what --quality trades.
//
// Generates two PDFs, the bench corpus (text, photographs and plots taking turns) and a
// slide-like deck (one template, slides that build up), and makes one looping GIF of each, a
// frame a page:
//   lumenpage-batch --animate --resolution 144 [--quality N] -o OUT file.pdf
//   gifsicle -O3 over our GIF                     (what a frame optimizer still finds)
//   convert -density 144 -delay 100 file.pdf -background white -alpha remove out.gif
//   gifsicle -O3 over convert's GIF, and gifsicle -O3 --lossy=L over our GIF of quality 100
// reporting bytes, time and the PSNR of every frame (as a viewer shows it, decoded by Qt)
// against the lossless Ghostscript render of its page (png16m, the anti-aliasing of
// ps/pdf2tiff.sh), and whether each of our frames at quality 100 is the single GIF of its page.
// Then lumenpage-batch --animate converts a long document while the memory of its whole
// process tree is watched. Exit status 0 when every target is met, 3 when one is not, 1 on an
// error. See bench/README.md.

#include "metrics.h"
#include "pages.h"
#include "plot.h"
#include "processes.h"
#include "slides.h"

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
    QList<double> psnr{}; // a frame each
    QString note{};
};

Result measured(const QString &tool, const ChildRun &run, const QString &gif, const QStringList &references)
{
    Result r{tool};
    r.ran = run.exitCode == 0;
    r.wallMs = run.wallMs;
    if (!r.ran) {
        r.note = QString::fromLocal8Bit(run.err).trimmed();
        return r;
    }
    const QList<QImage> frames = framesOf(gif);
    r.bytes = fileSize(gif);
    if (frames.size() != references.size())
        r.note += QStringLiteral(" %1 frames for %2 pages.").arg(frames.size()).arg(references.size());
    for (int i = 0; i < std::min<qsizetype>(frames.size(), references.size()); ++i)
        r.psnr << psnr(readPicture(references[i]), frames[i]);
    return r;
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

struct Tools {
    QString batch, convert, gifsicle;
};

struct Document {
    QString name, pdf, root;
    QStringList references;
};

// Our animated GIF of the document at `quality`.
Result ours(const Tools &tools, const Document &doc, int quality)
{
    const QString out = doc.root + QStringLiteral("/q%1").arg(quality);
    QDir().mkpath(out);
    QStringList args{QStringLiteral("--animate"), QStringLiteral("--resolution"), QStringLiteral("144"), QStringLiteral("-o"), out, doc.pdf};
    if (quality < 100)
        args << QStringLiteral("--quality") << QString::number(quality);
    const QString tool = QStringLiteral("`--animate%1`").arg(quality < 100 ? QStringLiteral(" --quality %1").arg(quality) : QString());
    return measured(tool, runChild(tools.batch, args), out + QLatin1Char('/') + QFileInfo(doc.pdf).completeBaseName() + QStringLiteral(".gif"),
                    doc.references);
}

Result gifsicle(const Tools &tools, const Document &doc, const QString &tool, const QString &in, const QStringList &options)
{
    if (tools.gifsicle.isEmpty())
        return Result{tool, false, 0, 0, {}, QStringLiteral("gifsicle is not installed")};
    const QString out = doc.root + QStringLiteral("/gifsicle-%1-%2.gif").arg(QFileInfo(in).completeBaseName(), options.join(QString()).remove(QLatin1Char('-')));
    return measured(tool, runChild(tools.gifsicle, options + QStringList{in, QStringLiteral("-o"), out}), out, doc.references);
}

Result magick(const Tools &tools, const Document &doc)
{
    const QString tool = QStringLiteral("`convert -density 144 -delay 100 ... -background white -alpha remove`");
    bool allowed = false;
    const QStringList env = tools.convert.isEmpty() ? QStringList() : magickEnvironment(tools.convert, doc.root, doc.pdf, allowed);
    if (!allowed)
        return Result{tool, false, 0, 0, {}, tools.convert.isEmpty() ? QStringLiteral("ImageMagick is not installed")
                                                                     : QStringLiteral("convert cannot read PDF here")};
    const QString gif = doc.root + QStringLiteral("/magick.gif");
    return measured(tool, runChild(tools.convert, {QStringLiteral("-density"), QStringLiteral("144"), QStringLiteral("-delay"),
                                                   QStringLiteral("100"), doc.pdf, QStringLiteral("-background"), QStringLiteral("white"),
                                                   QStringLiteral("-alpha"), QStringLiteral("remove"), gif}, QString(), env),
                    gif, doc.references);
}

// How many of our frames at quality 100 show exactly the single GIF of their page.
int framesEqualToSingles(const Tools &tools, const Document &doc, const QString &animation)
{
    const QString out = doc.root + QStringLiteral("/singles");
    QDir().mkpath(out);
    runChild(tools.batch, {QStringLiteral("--resolution"), QStringLiteral("144"), QStringLiteral("-o"), out, doc.pdf});
    const QStringList gifs = QDir(out).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    const QList<QImage> frames = framesOf(animation);
    int equal = 0;
    for (int i = 0; i < std::min<qsizetype>(gifs.size(), frames.size()); ++i)
        equal += QImage(out + QLatin1Char('/') + gifs[i]).convertToFormat(QImage::Format_RGB32) == frames[i];
    return equal;
}

// One document: the table, the targets it misses, and its lines of the plot.
void compareDocument(const Tools &tools, const Document &doc, const QList<int> &qualities, const QList<int> &lossy,
                     QStringList &missed, QList<PlotLine> &plot)
{
    const int pages = int(doc.references.size());
    QList<Result> rows{ours(tools, doc, 100)};
    const QString ourGif = doc.root + QStringLiteral("/q100/") + QFileInfo(doc.pdf).completeBaseName() + QStringLiteral(".gif");
    rows << gifsicle(tools, doc, QStringLiteral("`gifsicle -O3` over ours"), ourGif, {QStringLiteral("-O3")});
    rows << magick(tools, doc);
    if (rows[2].ran)
        rows << gifsicle(tools, doc, QStringLiteral("`gifsicle -O3` over convert's"), doc.root + QStringLiteral("/magick.gif"),
                         {QStringLiteral("-O3")});
    PlotLine oursLine{doc.name + QStringLiteral(": --quality"), QStringLiteral("#1f5fbf"), {}};
    PlotLine lossyLine{doc.name + QStringLiteral(": gifsicle --lossy"), QStringLiteral("#d07010"), {}};
    oursLine.points << QPointF(rows[0].bytes / 1e6, median(rows[0].psnr));
    for (const int q : qualities) {
        rows << ours(tools, doc, q);
        oursLine.points << QPointF(rows.last().bytes / 1e6, median(rows.last().psnr));
    }
    for (const int l : lossy) {
        rows << gifsicle(tools, doc, QStringLiteral("`gifsicle -O3 --lossy=%1` over ours").arg(l), ourGif,
                         {QStringLiteral("-O3"), QStringLiteral("--lossy=%1").arg(l)});
        if (rows.last().ran)
            lossyLine.points << QPointF(rows.last().bytes / 1e6, median(rows.last().psnr));
    }
    out(QStringLiteral("%1, %2 pages, 144 dpi, PSNR of every frame against the lossless render:").arg(doc.name).arg(pages));
    out(QStringLiteral("| tool | bytes | bytes a page | PSNR median (dB) | PSNR lowest (dB) | time |"));
    out(QStringLiteral("|---|---:|---:|---:|---:|---:|"));
    for (const Result &r : rows)
        out(row(r, pages));
    plot << oursLine << lossyLine;

    const Result &best = rows[0], &optimised = rows[1], &im = rows[2];
    if (!best.ran || best.psnr.size() != pages)
        missed << doc.name + QStringLiteral(": lumenpage-batch --animate did not give a frame a page");
    const int equal = best.ran ? framesEqualToSingles(tools, doc, ourGif) : 0;
    out(QStringLiteral("%1: %2 of %3 frames at quality 100 are their page's single GIF, pixel for pixel.").arg(doc.name).arg(equal).arg(pages));
    if (equal != pages)
        missed << doc.name + QStringLiteral(": a frame at quality 100 is not its single GIF");
    if (optimised.ran) {
        out(QStringLiteral("%1: gifsicle -O3 takes %2 % off ours.").arg(doc.name).arg(100.0 * (best.bytes - optimised.bytes) / best.bytes, 0, 'f', 2));
        if (optimised.bytes * 100 < best.bytes * 98)
            missed << doc.name + QStringLiteral(": gifsicle -O3 makes ours more than 2 % smaller");
    }
    if (im.ran) {
        qint64 fewest = 0;
        for (const Result &r : rows)
            if (r.ran && r.tool.startsWith(QLatin1String("`--animate")) && median(r.psnr) >= median(im.psnr) && (!fewest || r.bytes < fewest))
                fewest = r.bytes;
        PlotLine point{doc.name + QStringLiteral(": ImageMagick"), QStringLiteral("#209040"), {QPointF(im.bytes / 1e6, median(im.psnr))}};
        plot << point;
        out(QStringLiteral("%1: at ImageMagick's median PSNR or better, our fewest bytes are %2 of its.").arg(doc.name).arg(double(fewest) / im.bytes, 0, 'f', 2));
        if (!fewest || fewest * 2 > im.bytes)
            missed << doc.name + QStringLiteral(": no quality gives half of ImageMagick's bytes at its median PSNR or better");
    }
}

QList<int> numbers(const QString &list)
{
    QList<int> values;
    for (const QString &item : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        values << item.trimmed().toInt();
    return values;
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
                                                    "ImageMagick and gifsicle, and its --quality."));
    parser.addHelpOption();
    const QCommandLineOption pagesOpt(QStringLiteral("pages"), QStringLiteral("Pages of each compared document (default 24)."),
                                      QStringLiteral("N"), QStringLiteral("24"));
    const QCommandLineOption memoryOpt(QStringLiteral("memory-pages"), QStringLiteral("Pages of the long document (default 400, 0: none)."),
                                       QStringLiteral("N"), QStringLiteral("400"));
    const QCommandLineOption qualityOpt(QStringLiteral("qualities"), QStringLiteral("Our --quality settings below 100 (default 90,80,70,60,50,40,30)."),
                                        QStringLiteral("LIST"), QStringLiteral("90,80,70,60,50,40,30"));
    const QCommandLineOption lossyOpt(QStringLiteral("lossy"), QStringLiteral("gifsicle --lossy levels (default 20,40,80,120,200)."),
                                      QStringLiteral("LIST"), QStringLiteral("20,40,80,120,200"));
    const QCommandLineOption plotOpt(QStringLiteral("plot"), QStringLiteral("Write the bytes against PSNR to FILE (SVG)."), QStringLiteral("FILE"));
    const QCommandLineOption work(QStringLiteral("work"), QStringLiteral("Keep everything in DIR."), QStringLiteral("DIR"));
    const QCommandLineOption batchOpt(QStringLiteral("batch"), QStringLiteral("lumenpage-batch (default: beside this program)."),
                                      QStringLiteral("PATH"));
    parser.addOptions({pagesOpt, memoryOpt, qualityOpt, lossyOpt, plotOpt, work, batchOpt});
    parser.process(app);

    QTemporaryDir temporary;
    const QString root = parser.isSet(work) ? QFileInfo(parser.value(work)).absoluteFilePath() : temporary.path();
    QDir().mkpath(root);
    Tools tools;
    tools.batch = parser.isSet(batchOpt) ? parser.value(batchOpt) : QCoreApplication::applicationDirPath() + QStringLiteral("/lumenpage-batch");
    // The real convert: a shell wrapper of that name earlier on PATH would be measured too.
    tools.convert = findProgram({QStringLiteral("/usr/bin/convert"), QStringLiteral("convert")});
    tools.gifsicle = findProgram({QStringLiteral("gifsicle")});
    if (tools.gifsicle.isEmpty())
        out(QStringLiteral("note: gifsicle is not installed (apt-get install gifsicle); its rows are skipped."));
    const int pages = std::clamp(parser.value(pagesOpt).toInt(), 1, 400);

    // The long document first, while this program is small: a child started by posix_spawn
    // shares this program's memory until it execs, and the largest process wait4 reports
    // counts what this program held then (the compared pages' pictures came to 220 MB).
    QStringList missed;
    if (const int longPages = parser.value(memoryOpt).toInt(); longPages > 0 && !measureLongDocument(root, tools.batch, longPages, missed))
        return 1;

    QList<PlotLine> plot;
    for (const QString &name : {QStringLiteral("corpus"), QStringLiteral("slides")}) {
        Document doc{name, root + QLatin1Char('/') + name + QStringLiteral("/") + name + QStringLiteral(".pdf"), root + QLatin1Char('/') + name, {}};
        QDir().mkpath(doc.root);
        QString error;
        const bool written = name == QLatin1String("slides") ? writeSlides(doc.pdf, pages, 1, &error) : writePdf(doc.pdf, mixedKinds(pages), 1, &error);
        if (written)
            doc.references = renderLossless(doc.pdf, doc.root + QStringLiteral("/reference"), &error);
        if (doc.references.isEmpty()) {
            out(QStringLiteral("error: ") + error);
            return 1;
        }
        compareDocument(tools, doc, numbers(parser.value(qualityOpt)), numbers(parser.value(lossyOpt)), missed, plot);
    }
    if (parser.isSet(plotOpt)
        && !writeSvgPlot(parser.value(plotOpt), QStringLiteral("Animated GIF: bytes against median frame PSNR"), QStringLiteral("MB"),
                         QStringLiteral("median PSNR (dB)"), plot))
        out(QStringLiteral("error: cannot write the plot to ") + parser.value(plotOpt));

    for (const QString &m : missed)
        out(QStringLiteral("target missed: ") + m);
    return missed.isEmpty() ? 0 : 3;
}
