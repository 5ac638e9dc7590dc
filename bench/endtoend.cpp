// bench_endtoend: a whole PDF to GIFs, lumenpage-batch against ImageMagick.
//
// Generates a mixed PDF (text, photographs and plots taking turns), renders a lossless reference
// with Ghostscript (png16m, 144 dpi, the anti-aliasing of ps/pdf2tiff.sh), then times
//   lumenpage-batch --output OUT file.pdf                (the Ghostscript method)
//   convert -density 144 file.pdf OUT/out-%03d.gif       (ImageMagick)
// and compares the PSNR of both GIF sets against the reference. Finally it measures the peak
// memory of lumenpage-batch on a 40-page document. See bench/README.md.

#include "benchcommon.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace bench;

namespace {

QStringList filesIn(const QString &dir, const QString &pattern)
{
    QStringList paths;
    for (const QString &name : QDir(dir).entryList({pattern}, QDir::Files, QDir::Name))
        paths << dir + QLatin1Char('/') + name;
    return paths;
}

QList<double> psnrAgainst(const QStringList &references, const QStringList &gifs, QStringList &problems)
{
    QList<double> values;
    if (gifs.size() != references.size())
        problems << QStringLiteral("%1 GIFs for %2 pages").arg(gifs.size()).arg(references.size());
    for (int i = 0; i < std::min(gifs.size(), references.size()); ++i) {
        QString error;
        const QImage gif = readGif(gifs[i], &error);
        const double value = psnr(readPicture(references[i]), gif);
        if (std::isnan(value))
            problems << QStringLiteral("%1: %2").arg(QFileInfo(gifs[i]).fileName(), error.isEmpty() ? QStringLiteral("size differs") : error);
        else
            values << value;
    }
    return values;
}

const char *PermissivePolicy = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- Written by bench_endtoend: lets this benchmark's ImageMagick read PDF. -->
<policymap>
  <policy domain="coder" rights="read|write" pattern="PDF" />
</policymap>
)";

// The environment under which `convert` may read PDF; empty when it already may. Debian's
// /etc/ImageMagick-6/policy.xml forbids PDF, and ImageMagick reads MAGICK_CONFIGURE_PATH before
// /etc, where a later rule wins; the user configuration folder is read after /etc, so the same
// permissive file is put in a HOME of the bench's own as well. Nothing outside `root` is changed.
QStringList magickEnvironment(const QString &convert, const QString &root, const QString &probePdf, bool &allowed)
{
    const QString probeGif = root + QStringLiteral("/probe.gif");
    ChildRun run = runChild(convert, {QStringLiteral("-density"), QStringLiteral("36"), probePdf, probeGif});
    allowed = run.exitCode == 0 && QFileInfo::exists(probeGif);
    if (allowed)
        return {};
    const QString config = root + QStringLiteral("/magick-home/.config/ImageMagick");
    QDir().mkpath(config);
    for (const QString &dir : {config, root + QStringLiteral("/magick-home")}) {
        QFile policy(dir + QStringLiteral("/policy.xml"));
        if (policy.open(QIODevice::WriteOnly))
            policy.write(PermissivePolicy);
    }
    const QStringList env{QStringLiteral("MAGICK_CONFIGURE_PATH=") + root + QStringLiteral("/magick-home"),
                          QStringLiteral("HOME=") + root + QStringLiteral("/magick-home")};
    run = runChild(convert, {QStringLiteral("-density"), QStringLiteral("36"), probePdf, probeGif}, QString(), env);
    allowed = run.exitCode == 0 && QFileInfo::exists(probeGif);
    QFile::remove(probeGif);
    return env;
}

QString mb(long kb) { return QString::number(kb / 1024.0, 'f', 1) + QStringLiteral(" MB"); }

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A whole PDF to GIFs: lumenpage-batch against ImageMagick."));
    parser.addHelpOption();
    const QCommandLineOption pagesOpt(QStringLiteral("pages"), QStringLiteral("Pages of the timed document, 10 to 40 (default 24)."),
                                      QStringLiteral("N"), QStringLiteral("24"));
    const QCommandLineOption memoryOpt(QStringLiteral("memory-pages"), QStringLiteral("Pages of the memory document (default 40)."),
                                       QStringLiteral("N"), QStringLiteral("40"));
    const QCommandLineOption repeatOpt(QStringLiteral("repeat"), QStringLiteral("Timed runs of each tool; the median counts (default 3)."),
                                       QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption work(QStringLiteral("work"), QStringLiteral("Keep everything in DIR (default: a temporary folder)."), QStringLiteral("DIR"));
    const QCommandLineOption convertOpt(QStringLiteral("convert"), QStringLiteral("ImageMagick's convert (default: magick, then convert on PATH)."),
                                        QStringLiteral("PATH"));
    const QCommandLineOption batchOpt(QStringLiteral("batch"), QStringLiteral("lumenpage-batch (default: beside this program)."), QStringLiteral("PATH"));
    parser.addOptions({pagesOpt, memoryOpt, repeatOpt, work, convertOpt, batchOpt});
    parser.process(app);

    QTemporaryDir temp;
    const QString root = parser.isSet(work) ? QFileInfo(parser.value(work)).absoluteFilePath() : temp.path();
    QDir().mkpath(root);
    const int pages = std::clamp(parser.value(pagesOpt).toInt(), 10, 40);
    const int memoryPages = std::max(1, parser.value(memoryOpt).toInt());
    const int repeat = std::max(1, parser.value(repeatOpt).toInt());
    const QString batch = parser.isSet(batchOpt) ? parser.value(batchOpt)
                                                 : QCoreApplication::applicationDirPath() + QStringLiteral("/lumenpage-batch");
    const QString gs = findProgram({QStringLiteral("gs")});
    const QString convert = findProgram(parser.isSet(convertOpt) ? QStringList{parser.value(convertOpt)}
                                                                 : QStringList{QStringLiteral("magick"), QStringLiteral("convert")});
    if (gs.isEmpty()) {
        out(QStringLiteral("error: Ghostscript (gs) is not installed."));
        return 1;
    }
    if (!QFileInfo(batch).isExecutable()) {
        out(QStringLiteral("error: %1 is missing; build the lumenpage-batch target first.").arg(batch));
        return 1;
    }

    // 1. The documents and the lossless reference.
    const QString pdf = root + QStringLiteral("/document.pdf");
    const QString pdf40 = root + QStringLiteral("/memory.pdf");
    QString error;
    if (!writePdf(pdf, mixedKinds(pages), 2024, &error) || !writePdf(pdf40, mixedKinds(memoryPages), 4040, &error)) {
        out(QStringLiteral("error: %1").arg(error));
        return 1;
    }
    const QString refDir = root + QStringLiteral("/reference");
    QDir().mkpath(refDir);
    const ChildRun ref = runChild(gs, {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                                       QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r144"), QStringLiteral("-dTextAlphaBits=4"),
                                       QStringLiteral("-dGraphicsAlphaBits=4"), QStringLiteral("-sOutputFile=") + refDir + QStringLiteral("/page-%03d.png"),
                                       QStringLiteral("-f"), pdf});
    const QStringList references = filesIn(refDir, QStringLiteral("page-*.png"));
    if (ref.exitCode != 0 || references.size() != pages) {
        out(QStringLiteral("error: the reference render failed: %1").arg(QString::fromLocal8Bit(ref.err)));
        return 1;
    }
    double scriptMs = 0;
    const QStringList scriptPages = renderWithScript(projectScript(), pdf, root + QStringLiteral("/script-only"), &error, &scriptMs);
    out(QStringLiteral("Document: %1 pages (text, photo and plot in turn), %2 KB; lossless reference: gs png16m at 144 dpi.")
            .arg(pages).arg(QFileInfo(pdf).size() / 1024));
    if (scriptPages.isEmpty())
        out(QStringLiteral("note: ps/pdf2tiff.sh alone failed: %1").arg(error));
    else
        out(QStringLiteral("ps/pdf2tiff.sh alone (the Ghostscript render inside lumenpage-batch): %1 ms, %2 ms/page")
                .arg(scriptMs, 0, 'f', 0).arg(scriptMs / scriptPages.size(), 0, 'f', 0));
    QDir(root + QStringLiteral("/script-only")).removeRecursively();

    // 2. lumenpage-batch, with a TEMP of its own so that its WorkFolder is not shared.
    const QString tempDir = root + QStringLiteral("/temp");
    QDir().mkpath(tempDir);
    const QStringList batchEnv{QStringLiteral("TEMP=") + tempDir};
    const QString lumenOut = root + QStringLiteral("/gif-lumenpage");
    QList<double> lumenMs;
    ChildRun lumenRun;
    for (int i = 0; i < repeat; ++i) {
        QDir(lumenOut).removeRecursively();
        QDir().mkpath(lumenOut);
        lumenRun = runChild(batch, {QStringLiteral("--output"), lumenOut, pdf}, QString(), batchEnv);
        if (lumenRun.exitCode != 0) {
            out(QStringLiteral("error: lumenpage-batch failed (exit %1): %2").arg(lumenRun.exitCode).arg(QString::fromLocal8Bit(lumenRun.err)));
            return 1;
        }
        lumenMs << lumenRun.wallMs;
    }
    const QStringList lumenGifs = filesIn(lumenOut, QStringLiteral("*.gif"));

    // 3. ImageMagick.
    QList<double> magickMs;
    QStringList magickGifs;
    QString magickNote;
    long magickRss = 0;
    if (convert.isEmpty()) {
        magickNote = parser.isSet(convertOpt)
                         ? QStringLiteral("%1 is not an executable program; ImageMagick skipped.").arg(parser.value(convertOpt))
                         : QStringLiteral("ImageMagick is not installed (Debian: apt install imagemagick); skipped.");
    } else {
        bool allowed = false;
        const QString probe = root + QStringLiteral("/probe.pdf");
        writePdf(probe, {PageKind::Text}, 1, &error);
        const QStringList env = magickEnvironment(convert, root, probe, allowed);
        if (!env.isEmpty())
            magickNote = allowed ? QStringLiteral("ImageMagick's policy forbids PDF; run with the bench's own permissive policy.xml "
                                                  "(MAGICK_CONFIGURE_PATH and HOME under the work folder).")
                                 : QStringLiteral("ImageMagick cannot read PDF here, even with a permissive policy; skipped.");
        if (allowed) {
            const QString magickOut = root + QStringLiteral("/gif-imagemagick");
            for (int i = 0; i < repeat; ++i) {
                QDir(magickOut).removeRecursively();
                QDir().mkpath(magickOut);
                const ChildRun run = runChild(convert, {QStringLiteral("-density"), QStringLiteral("144"), pdf,
                                                        magickOut + QStringLiteral("/out-%03d.gif")},
                                              QString(), env);
                if (run.exitCode != 0) {
                    magickNote += QStringLiteral(" convert failed (exit %1): %2").arg(run.exitCode).arg(QString::fromLocal8Bit(run.err).trimmed());
                    break;
                }
                magickMs << run.wallMs;
                magickRss = std::max(magickRss, run.maxRssKb);
            }
            magickGifs = filesIn(magickOut, QStringLiteral("out-*.gif"));
        }
    }

    // 4. Quality against the lossless render.
    QStringList problems;
    const QList<double> lumenPsnr = psnrAgainst(references, lumenGifs, problems);
    const QList<double> magickPsnr = magickGifs.isEmpty() ? QList<double>() : psnrAgainst(references, magickGifs, problems);
    auto bytes = [](const QStringList &files) {
        qint64 n = 0;
        for (const QString &f : files)
            n += fileSize(f);
        return n;
    };

    // 5. Memory of lumenpage-batch on the long document.
    const QString memOut = root + QStringLiteral("/gif-memory");
    QDir().mkpath(memOut);
    const ChildRun mem = runChild(batch, {QStringLiteral("--output"), memOut, pdf40}, QString(), batchEnv, true);

    out(QString());
    if (!magickNote.isEmpty())
        out(QStringLiteral("note: ") + magickNote);
    out(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(QStringLiteral("tool"), -22).arg(QStringLiteral("wall ms"), 9).arg(QStringLiteral("ms/page"), 8)
            .arg(QStringLiteral("PSNR med"), 9).arg(QStringLiteral("PSNR min"), 9).arg(QStringLiteral("bytes"), 11).arg(QStringLiteral("peak RSS"), 10));
    out(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(QStringLiteral("lumenpage-batch"), -22).arg(median(lumenMs), 9, 'f', 0)
            .arg(median(lumenMs) / pages, 8, 'f', 0).arg(dB(median(lumenPsnr)), 9).arg(dB(minimum(lumenPsnr)), 9)
            .arg(bytes(lumenGifs), 11).arg(mb(lumenRun.maxRssKb), 10));
    if (!magickMs.isEmpty())
        out(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(QStringLiteral("ImageMagick convert"), -22).arg(median(magickMs), 9, 'f', 0)
                .arg(median(magickMs) / pages, 8, 'f', 0).arg(dB(median(magickPsnr)), 9).arg(dB(minimum(magickPsnr)), 9)
                .arg(bytes(magickGifs), 11).arg(mb(magickRss), 10));
    out(QStringLiteral("(wall: median of %1 run(s); peak RSS: the largest process of the tool's tree, from wait4)").arg(repeat));
    out(QStringLiteral("Memory, %1-page document: lumenpage-batch itself %2 (VmHWM), largest process of its tree %3 (gs included); %4 ms")
            .arg(memoryPages).arg(mb(mem.ownHwmKb), mb(mem.maxRssKb)).arg(mem.wallMs, 0, 'f', 0));
    for (const QString &p : problems)
        out(QStringLiteral("problem: ") + p);
    if (mem.exitCode != 0)
        out(QStringLiteral("problem: lumenpage-batch on the memory document exited %1").arg(mem.exitCode));

    out(QString());
    bool allMet = true;
    auto check = [&allMet](bool met, const QString &what) {
        allMet &= met;
        out(QStringLiteral("%1 %2").arg(met ? QStringLiteral("[met]    ") : QStringLiteral("[NOT met]"), what));
    };
    if (!magickMs.isEmpty()) {
        const double speedup = median(magickMs) / median(lumenMs);
        check(speedup >= 2.5, QStringLiteral("lumenpage-batch at least 2.5x as fast as ImageMagick: %1x").arg(speedup, 0, 'f', 2));
        check(median(lumenPsnr) >= median(magickPsnr),
              QStringLiteral("no further from the lossless render (PSNR median): %1 vs %2 dB").arg(dB(median(lumenPsnr)), dB(median(magickPsnr))));
    } else {
        out(QStringLiteral("[skipped]  the comparison needs ImageMagick"));
    }
    check(mem.maxRssKb < 200 * 1024, QStringLiteral("peak memory on %1 pages under 200 MB: %2").arg(memoryPages).arg(mb(mem.maxRssKb)));
    if (parser.isSet(work))
        out(QStringLiteral("\nEverything kept in %1").arg(root));
    return allMet && problems.isEmpty() ? 0 : 3;
}
