// bench_encoder: JPEG page image to GIF, our encoder against libvips and ImageMagick.
//
// Makes its own page set (text, photographs, vector plots) as PDFs, renders them to JPEG with the
// project's ps/pdf2tiff.sh exactly as the Ghostscript method does, then converts every page:
//   lumenpage  in-process: the program's JPEG decoder + the GIF encoder (timed inside a worker process
//              of this program, whose peak memory is then that of decode + encode alone)
//   vips       `vips copy page.jpg page.gif`      (process wall time, start-up included)
//   convert    `convert page.jpg page.gif`        (ImageMagick; process wall time)
// and prints per tool the median ms per page, PSNR of the GIF against the decoded JPEG (median
// and minimum), total bytes and peak resident memory. See bench/README.md.

#include "metrics.h"
#include "pages.h"
#include "processes.h"

#include "engine/encode/gifencoder.h"
#include "engine/encode/imaging.h"
#include "engine/encode/pageimage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QSaveFile>
#include <QTemporaryDir>

#include <QBuffer>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <gif_lib.h>

using namespace bench;

namespace {

// --worker OUTDIR [--speed N] [--step N] [--rounds N] [--dither D] [--no-exact] [--snap-distance N]
//          [--snap-ratio N] [--dct exact|fast|float] FILE...
// Prints one line per page: decode ns, encode ns, GIF path. With no setting given it saves
// through ImagingService::SavePictureAs, the program's own path.
int worker(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(2);
    if (args.isEmpty())
        return 2;
    const QString outDir = args.takeFirst();
    PaletteSettings settings;
    PageImage::Dct dct = PageImage::Dct::Exact;
    bool custom = false;
    while (args.size() > 1 && args.first().startsWith(QStringLiteral("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QStringLiteral("--speed"))
            settings.speed = args.takeFirst().toInt();
        else if (opt == QStringLiteral("--step"))
            settings.sampleStep = args.takeFirst().toInt();
        else if (opt == QStringLiteral("--rounds"))
            settings.refineRounds = args.takeFirst().toInt();
        else if (opt == QStringLiteral("--dither"))
            settings.dithering = args.takeFirst().toFloat();
        else if (opt == QStringLiteral("--no-exact"))
            settings.exactPalette = false;
        else if (opt == QStringLiteral("--snap-distance"))
            settings.snapDistance = args.takeFirst().toInt();
        else if (opt == QStringLiteral("--snap-ratio"))
            settings.snapRatio = args.takeFirst().toInt();
        else if (opt == QStringLiteral("--dct")) {
            const QString d = args.takeFirst();
            dct = d == QStringLiteral("fast") ? PageImage::Dct::Fast : d == QStringLiteral("float") ? PageImage::Dct::Float : PageImage::Dct::Exact;
            continue;
        } else
            return 2;
        custom = true;
    }
    ImagingService service;
    service.start();
    for (const QString &jpeg : args) {
        const QString gif = outDir + QLatin1Char('/') + QFileInfo(jpeg).completeBaseName() + QStringLiteral(".gif");
        QElapsedTimer clock;
        clock.start();
        // The program's own decoder (engine/encode/pageimage.cpp), reading the file as the run does.
        QImage picture;
        QString why;
        QFile in(jpeg);
        if (!in.open(QIODevice::ReadOnly) || !PageImage::decode(in.readAll(), &picture, &why, dct)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(jpeg), qPrintable(why.isEmpty() ? in.errorString() : why));
            return 1;
        }
        const qint64 decoded = clock.nsecsElapsed();
        QString error;
        bool ok;
        if (custom) {
            QSaveFile file(gif);
            ok = file.open(QIODevice::WriteOnly) && writeGif(picture, file, &error, settings) && file.commit();
        } else {
            ok = service.SavePictureAs(picture, gif, QStringLiteral("image/gif"), &error);
        }
        const qint64 total = clock.nsecsElapsed();
        if (!ok) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(gif), qPrintable(error));
            return 1;
        }
        std::printf("%lld %lld %s\n", static_cast<long long>(decoded), static_cast<long long>(total - decoded),
                    QFile::encodeName(gif).constData());
    }
    return 0;
}

double threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

// The same indexed picture through giflib, the writer the program used before libcgif.
bool writeGiflib(const IndexedImage &picture, QByteArray &into)
{
    int bits = 1;
    while ((1u << bits) < picture.palette.size())
        ++bits;
    ColorMapObject *map = GifMakeMapObject(1 << bits, nullptr);
    if (!map)
        return false;
    for (int i = 0; i < (1 << bits); ++i) {
        const PaletteColour c = i < int(picture.palette.size()) ? picture.palette[i] : PaletteColour{0, 0, 0};
        map->Colors[i] = {c.r, c.g, c.b};
    }
    int error = 0;
    GifFileType *gif = EGifOpen(&into, [](GifFileType *g, const GifByteType *data, int n) {
        static_cast<QByteArray *>(g->UserData)->append(reinterpret_cast<const char *>(data), n);
        return n;
    }, &error);
    if (!gif) {
        GifFreeMapObject(map);
        return false;
    }
    bool ok = EGifPutScreenDesc(gif, picture.width, picture.height, bits, 0, map) == GIF_OK
              && EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < picture.height; ++y)
        ok = EGifPutLine(gif, const_cast<GifByteType *>(picture.pixels.data()) + size_t(y) * picture.width, picture.width) == GIF_OK;
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

// --writers-worker ROUNDS OUTDIR FILE...: each page image decoded and reduced once, then the same indexed
// picture written ROUNDS times by giflib and by the program's writer (libcgif). Prints per page:
// quantise ns, giflib ns, libcgif ns (thread CPU, median), giflib bytes, libcgif bytes, and
// whether the two GIFs decode to the same pixels.
int writers(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(2);
    if (args.size() < 3)
        return 2;
    const int rounds = std::max(1, args.takeFirst().toInt());
    const QString outDir = args.takeFirst();
    for (const QString &jpeg : args) {
        QImage picture;
        QString why;
        if (!PageImage::read(jpeg, &picture, &why)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(jpeg), qPrintable(why));
            return 1;
        }
        IndexedImage indexed;
        double t0 = threadCpuNs();
        if (!quantise(picture, PaletteSettings(), indexed, why))
            return 1;
        const double quantiseNs = threadCpuNs() - t0;
        QList<double> giflibNs, cgifNs;
        QByteArray viaGiflib, viaCgif;
        for (int r = 0; r < rounds; ++r) {
            QByteArray bytes;
            bytes.reserve(4 << 20);
            t0 = threadCpuNs();
            if (!writeGiflib(indexed, bytes))
                return 1;
            giflibNs << threadCpuNs() - t0;
            viaGiflib = bytes;
            QBuffer buffer;
            buffer.buffer().reserve(4 << 20);
            buffer.open(QIODevice::WriteOnly);
            t0 = threadCpuNs();
            if (!writeIndexedGif(indexed, buffer, &why))
                return 1;
            cgifNs << threadCpuNs() - t0;
            viaCgif = buffer.data();
        }
        const QString base = outDir + QLatin1Char('/') + QFileInfo(jpeg).completeBaseName();
        bool same = false;
        QFile a(base + QStringLiteral("-giflib.gif")), b(base + QStringLiteral("-cgif.gif"));
        if (!a.open(QIODevice::WriteOnly) || a.write(viaGiflib) != viaGiflib.size() || !b.open(QIODevice::WriteOnly)
            || b.write(viaCgif) != viaCgif.size())
            return 1;
        a.close();
        b.close();
        QString e1, e2;
        const QImage g1 = readGif(a.fileName(), &e1), g2 = readGif(b.fileName(), &e2);
        same = !g1.isNull() && g1 == g2;
        std::printf("%.0f %.0f %.0f %lld %lld %d\n", quantiseNs, median(giflibNs), median(cgifNs),
                    static_cast<long long>(viaGiflib.size()), static_cast<long long>(viaCgif.size()), same ? 1 : 0);
    }
    return 0;
}

struct Page {
    QString jpeg;
    PageKind kind;
    QString lossless; // the same page rendered losslessly (png16m)
};

struct Tool {
    Tool(const QString &n, const QString &p, const QString &note) : name(n), program(p), missingNote(note) {}
    QString name;
    QString program;          // empty: not available
    QString missingNote;
    QList<double> ms;          // per page
    QList<double> decodeMs;    // ours only
    QStringList gifs;          // per page, empty entry on failure
    long peakRssKb = 0;
    QList<double> psnr, blurred;
    qint64 bytes = 0;
    QStringList failures;
};

QString mb(long kb) { return QString::number(kb / 1024.0, 'f', 1) + QStringLiteral(" MB"); }

QString withThousands(qint64 n)
{
    QString s = QString::number(n);
    for (int i = s.size() - 3; i > 0; i -= 3)
        s.insert(i, QLatin1Char(','));
    return s;
}

bool runOurs(Tool &tool, const QList<Page> &pages, const QString &outDir, const QStringList &settings)
{
    QDir().mkpath(outDir);
    QStringList args{QStringLiteral("--worker"), outDir};
    args << settings;
    for (const Page &p : pages)
        args << p.jpeg;
    const ChildRun run = runChild(QCoreApplication::applicationFilePath(), args);
    tool.peakRssKb = run.maxRssKb;
    if (!run.started || run.exitCode != 0) {
        tool.failures << QString::fromLocal8Bit(run.err).trimmed();
        return false;
    }
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 3)
            continue;
        tool.decodeMs << f[0].toLongLong() / 1e6;
        tool.ms << (f[0].toLongLong() + f[1].toLongLong()) / 1e6;
        tool.gifs << QFile::decodeName(line.mid(f[0].size() + f[1].size() + 2));
    }
    return tool.gifs.size() == pages.size();
}

void runPeer(Tool &tool, const QList<Page> &pages, const QString &outDir, const QStringList &before)
{
    QDir().mkpath(outDir);
    for (const Page &p : pages) {
        const QString gif = outDir + QLatin1Char('/') + QFileInfo(p.jpeg).completeBaseName() + QStringLiteral(".gif");
        const ChildRun run = runChild(tool.program, QStringList(before) << p.jpeg << gif);
        tool.peakRssKb = std::max(tool.peakRssKb, run.maxRssKb);
        if (!run.started || run.exitCode != 0 || !QFileInfo::exists(gif)) {
            tool.failures << QStringLiteral("%1: %2").arg(QFileInfo(p.jpeg).fileName(),
                                                          QString::fromLocal8Bit(run.err).trimmed());
            tool.gifs << QString();
            tool.ms << std::nan("");
            continue;
        }
        tool.ms << run.wallMs;
        tool.gifs << gif;
    }
}

// Several runs of one tool: the median time of every page, the peak of the peaks.
void combine(Tool &into, const QList<Tool> &runs)
{
    into.gifs = runs.last().gifs;
    for (int i = 0; i < into.gifs.size(); ++i) {
        QList<double> ms, decode;
        for (const Tool &r : runs) {
            if (i < r.ms.size() && !std::isnan(r.ms[i]))
                ms << r.ms[i];
            if (i < r.decodeMs.size())
                decode << r.decodeMs[i];
        }
        into.ms << median(ms);
        if (!decode.isEmpty())
            into.decodeMs << median(decode);
    }
    for (const Tool &r : runs) {
        into.peakRssKb = std::max(into.peakRssKb, r.peakRssKb);
        into.failures << r.failures;
    }
}

// PSNR against the lossless render of each page, or with `againstJpeg` against the page image
// the encoder was given.
void measure(QList<Tool *> tools, const QList<Page> &pages, bool withBlur, bool againstJpeg)
{
    for (int i = 0; i < pages.size(); ++i) {
        const QImage ref = readPicture(againstJpeg ? pages[i].jpeg : pages[i].lossless);
        for (Tool *t : tools) {
            if (t->program.isEmpty() || i >= t->gifs.size() || t->gifs[i].isEmpty()) {
                t->psnr << std::nan("");
                t->blurred << std::nan("");
                continue;
            }
            QString error;
            const QImage gif = readGif(t->gifs[i], &error);
            if (gif.isNull())
                t->failures << QStringLiteral("%1: cannot decode (%2)").arg(t->gifs[i], error);
            t->psnr << psnr(ref, gif);
            t->blurred << (withBlur ? blurredPsnr(ref, gif) : std::nan(""));
            t->bytes += fileSize(t->gifs[i]);
        }
    }
}

QList<double> valid(const QList<double> &v)
{
    QList<double> r;
    for (double x : v)
        if (!std::isnan(x))
            r << x;
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--worker") == 0)
        return worker(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--writers-worker") == 0)
        return writers(argc, argv);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("JPEG page image to GIF: the Lumenpage encoder against vips and ImageMagick."));
    parser.addHelpOption();
    const QCommandLineOption perKind(QStringLiteral("per-kind"), QStringLiteral("Pages of each kind (text, photo, plot); default 6."),
                                     QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption work(QStringLiteral("work"), QStringLiteral("Keep the pages and GIFs in DIR (default: a temporary folder)."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption vipsOpt(QStringLiteral("vips"), QStringLiteral("The vips program (default: vips on PATH)."), QStringLiteral("PATH"));
    const QCommandLineOption convertOpt(QStringLiteral("convert"), QStringLiteral("ImageMagick's convert (default: magick, then convert on PATH)."),
                                        QStringLiteral("PATH"));
    const QCommandLineOption sweep(QStringLiteral("sweep"), QStringLiteral("Also vary our settings one at a time around the defaults."));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("Our libimagequant speed (default: the encoder's)."), QStringLiteral("N"));
    const QCommandLineOption step(QStringLiteral("step"), QStringLiteral("Our palette sample step (default: the encoder's)."), QStringLiteral("N"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Our k-means rounds (default: the encoder's)."), QStringLiteral("N"));
    const QCommandLineOption dither(QStringLiteral("dither"), QStringLiteral("Our dithering level (default: the encoder's)."), QStringLiteral("D"));
    const QCommandLineOption snapDistance(QStringLiteral("snap-distance"), QStringLiteral("Our noise-folding distance (default: the encoder's)."),
                                          QStringLiteral("N"));
    const QCommandLineOption snapRatio(QStringLiteral("snap-ratio"), QStringLiteral("Our noise-folding ratio (default: the encoder's)."),
                                       QStringLiteral("N"));
    const QCommandLineOption against(QStringLiteral("against"),
                                     QStringLiteral("Compare the GIFs with the lossless render of each page (lossless, the default) "
                                                    "or with the page image (jpeg)."),
                                     QStringLiteral("WHAT"), QStringLiteral("lossless"));
    const QCommandLineOption pageImage(QStringLiteral("page-image"),
                                       QStringLiteral("Make the page images from the lossless render with cjpeg and these arguments "
                                                      "(for example \"-quality 95 -rgb\") instead of the script's own."),
                                       QStringLiteral("ARGS"));
    const QCommandLineOption dctOpt(QStringLiteral("dct"), QStringLiteral("Our decoder's inverse DCT: exact (default), fast or float."),
                                    QStringLiteral("METHOD"));
    const QCommandLineOption writersOpt(QStringLiteral("writers"),
                                        QStringLiteral("Only compare the GIF writers (giflib, libcgif) on the same indexed pages, N rounds each."),
                                        QStringLiteral("N"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Print every page."));
    const QCommandLineOption repeatOpt(QStringLiteral("repeat"), QStringLiteral("Convert every page N times with every tool; the median time counts (default 1)."),
                                       QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({perKind, work, vipsOpt, convertOpt, sweep, speed, step, rounds, dither, snapDistance, snapRatio, against,
                       verbose, repeatOpt, pageImage, dctOpt, writersOpt});
    parser.process(app);
    const bool againstJpeg = parser.value(against) == QStringLiteral("jpeg");

    QTemporaryDir temp;
    const QString root = parser.isSet(work) ? QFileInfo(parser.value(work)).absoluteFilePath() : temp.path();
    QDir().mkpath(root);
    const QString script = projectScript();
    if (!QFileInfo::exists(script)) {
        out(QStringLiteral("error: %1 is missing; build the appfolder target first.").arg(script));
        return 1;
    }
    if (findProgram({QStringLiteral("gs")}).isEmpty()) {
        out(QStringLiteral("error: Ghostscript (gs) is not installed; the page set cannot be rendered."));
        return 1;
    }

    // 1. The page set.
    const int n = std::max(1, parser.value(perKind).toInt());
    QList<Page> pages;
    QList<double> gsMsPerPage;
    QDir().mkpath(root + QStringLiteral("/pages"));
    for (PageKind kind : {PageKind::Text, PageKind::Photo, PageKind::Plot}) {
        const QString name = kindName(kind);
        const QString pdf = root + QLatin1Char('/') + name + QStringLiteral(".pdf");
        QString error;
        if (!writePdf(pdf, QList<PageKind>(n, kind), 1000 + static_cast<int>(kind), &error)) {
            out(QStringLiteral("error: %1").arg(error));
            return 1;
        }
        double ms = 0;
        const QStringList rendered = renderWithScript(script, pdf, root + QStringLiteral("/render-") + name, &error, &ms);
        if (rendered.isEmpty()) {
            out(QStringLiteral("error: %1").arg(error));
            return 1;
        }
        gsMsPerPage << ms / rendered.size();
        const QStringList lossless = renderLossless(pdf, root + QStringLiteral("/lossless-") + name, &error);
        if (lossless.size() != rendered.size()) {
            out(QStringLiteral("error: the lossless render failed: %1").arg(error));
            return 1;
        }
        for (int i = 0; i < rendered.size(); ++i) {
            const QString jpeg = QStringLiteral("%1/pages/%2-%3.jpg").arg(root, name).arg(i + 1, 2, 10, QLatin1Char('0'));
            QFile::remove(jpeg);
            QFile::rename(rendered[i], jpeg);
            pages << Page{jpeg, kind, lossless[i]};
        }
    }
    // Page images made another way, from the same lossless pixels the script compresses.
    if (parser.isSet(pageImage)) {
        const QString cjpeg = findProgram({QStringLiteral("cjpeg")});
        const QStringList cjpegArgs = parser.value(pageImage).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QList<double> cpu;
        qint64 jpegBytes = 0;
        for (const Page &p : pages) {
            const QString ppm = p.jpeg + QStringLiteral(".ppm");
            if (cjpeg.isEmpty() || !QImage(p.lossless).convertToFormat(QImage::Format_RGB888).save(ppm, "PPM")) {
                out(QStringLiteral("error: cannot make %1 (cjpeg: %2)").arg(ppm, cjpeg));
                return 1;
            }
            const ChildRun run = runChild(cjpeg, QStringList(cjpegArgs) << QStringLiteral("-outfile") << p.jpeg << ppm);
            QFile::remove(ppm);
            if (!run.started || run.exitCode != 0) {
                out(QStringLiteral("error: cjpeg %1: %2").arg(parser.value(pageImage), QString::fromLocal8Bit(run.err).trimmed()));
                return 1;
            }
            cpu << run.cpuMs;
            jpegBytes += fileSize(p.jpeg);
        }
        out(QStringLiteral("Page images: cjpeg %1, %2 ms CPU a page (median, process included), %3 bytes")
                .arg(parser.value(pageImage)).arg(median(cpu), 0, 'f', 1).arg(withThousands(jpegBytes)));
    }
    const QSize size = QImageReader(pages.first().jpeg).size();
    out(QStringLiteral("Page set: %1 pages (%2 text, %2 photo, %2 plot), %3 x %4 px, rendered by %5 in "
                       "text %6, photo %7, plot %8 ms/page (Ghostscript start-up included)")
            .arg(pages.size()).arg(n).arg(size.width()).arg(size.height()).arg(script)
            .arg(gsMsPerPage[0], 0, 'f', 0).arg(gsMsPerPage[1], 0, 'f', 0).arg(gsMsPerPage[2], 0, 'f', 0));

    if (parser.isSet(writersOpt)) {
        const QString dir = root + QStringLiteral("/writers");
        QDir().mkpath(dir);
        QStringList args{QStringLiteral("--writers-worker"), parser.value(writersOpt), dir};
        for (const Page &p : pages)
            args << p.jpeg;
        const ChildRun run = runChild(QCoreApplication::applicationFilePath(), args);
        if (!run.started || run.exitCode != 0) {
            out(QStringLiteral("error: %1").arg(QString::fromLocal8Bit(run.err)));
            return 1;
        }
        out(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(QStringLiteral("kind"), -6).arg(QStringLiteral("palette ms"), 11)
                .arg(QStringLiteral("giflib ms"), 10).arg(QStringLiteral("libcgif ms"), 11).arg(QStringLiteral("giflib bytes"), 13)
                .arg(QStringLiteral("libcgif bytes"), 14).arg(QStringLiteral("same pixels"), 12));
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        for (PageKind kind : {PageKind::Text, PageKind::Photo, PageKind::Plot}) {
            QList<double> q, g, c;
            qint64 gb = 0, cb = 0;
            int same = 0, count = 0;
            for (int i = 0; i < pages.size() && i < lines.size(); ++i) {
                const QList<QByteArray> f = lines[i].split(' ');
                if (pages[i].kind != kind || f.size() < 6)
                    continue;
                q << f[0].toDouble() / 1e6;
                g << f[1].toDouble() / 1e6;
                c << f[2].toDouble() / 1e6;
                gb += f[3].toLongLong();
                cb += f[4].toLongLong();
                same += f[5].toInt();
                ++count;
            }
            out(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(kindName(kind), -6).arg(median(q), 11, 'f', 2).arg(median(g), 10, 'f', 2)
                    .arg(median(c), 11, 'f', 2).arg(withThousands(gb), 13).arg(withThousands(cb), 14)
                    .arg(QStringLiteral("%1/%2").arg(same).arg(count), 12));
        }
        out(QStringLiteral("(thread CPU time in-process, median of the rounds, then of the pages)"));
        return 0;
    }

    // 2. The tools.
    QStringList ourSettings;
    for (const QCommandLineOption &o : {speed, step, rounds, dither, snapDistance, snapRatio, dctOpt})
        if (parser.isSet(o))
            ourSettings << QStringLiteral("--") + o.names().first() << parser.value(o);
    Tool ours{QStringLiteral("lumenpage"), QCoreApplication::applicationFilePath(), QString()};
    ours.name = ourSettings.isEmpty() ? QStringLiteral("lumenpage")
                                      : QStringLiteral("lumenpage (%1)").arg(ourSettings.join(QLatin1Char(' ')));
    Tool vips{QStringLiteral("vips copy"),
              findProgram(parser.isSet(vipsOpt) ? QStringList{parser.value(vipsOpt)} : QStringList{QStringLiteral("vips")}),
              parser.isSet(vipsOpt) ? QStringLiteral("%1 is not an executable program").arg(parser.value(vipsOpt))
                                    : QStringLiteral("libvips's vips program is not installed (Debian: apt install libvips-tools)")};
    Tool magick{QStringLiteral("ImageMagick convert"),
                findProgram(parser.isSet(convertOpt) ? QStringList{parser.value(convertOpt)}
                                                     : QStringList{QStringLiteral("magick"), QStringLiteral("convert")}),
                parser.isSet(convertOpt) ? QStringLiteral("%1 is not an executable program").arg(parser.value(convertOpt))
                                         : QStringLiteral("ImageMagick is not installed (Debian: apt install imagemagick)")};

    const int repeat = std::max(1, parser.value(repeatOpt).toInt());
    QList<Tool> runs;
    for (int i = 0; i < repeat; ++i) {
        runs << Tool(ours.name, ours.program, QString());
        if (!runOurs(runs.last(), pages, root + QStringLiteral("/gif-lumenpage"), ourSettings)) {
            out(QStringLiteral("error: our encoder failed: %1").arg(runs.last().failures.join(QStringLiteral("; "))));
            return 1;
        }
    }
    combine(ours, runs);
    for (Tool *peer : {&vips, &magick}) {
        if (peer->program.isEmpty()) {
            out(QStringLiteral("note: %1 skipped: %2.").arg(peer->name, peer->missingNote));
            continue;
        }
        const bool isMagick7 = QFileInfo(peer->program).fileName() == QStringLiteral("magick");
        const QString dir = root + (peer == &vips ? QStringLiteral("/gif-vips") : QStringLiteral("/gif-imagemagick"));
        QList<Tool> peerRuns;
        for (int i = 0; i < repeat; ++i) {
            peerRuns << Tool(peer->name, peer->program, QString());
            runPeer(peerRuns.last(), pages, dir, peer == &vips ? QStringList{QStringLiteral("copy")} : QStringList());
        }
        combine(*peer, peerRuns);
        if (isMagick7)
            peer->name = QStringLiteral("ImageMagick magick");
        out(QStringLiteral("note: %1 is %2").arg(peer->name, peer->program));
    }
    QList<Tool *> tools{&ours, &vips, &magick};
    measure(tools, pages, parser.isSet(sweep), againstJpeg);

    // 3. The report.
    out(QString());
    out(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(QStringLiteral("tool"), -36).arg(QStringLiteral("ms/page"), 8)
            .arg(QStringLiteral("PSNR med"), 9).arg(QStringLiteral("PSNR min"), 9).arg(QStringLiteral("total bytes"), 12)
            .arg(QStringLiteral("peak RSS"), 10));
    for (Tool *t : tools) {
        if (t->program.isEmpty()) {
            out(QStringLiteral("%1 not available").arg(t->name, -36));
            continue;
        }
        out(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(t->name, -36).arg(median(valid(t->ms)), 8, 'f', 1)
                .arg(dB(median(valid(t->psnr))), 9).arg(dB(minimum(valid(t->psnr))), 9).arg(withThousands(t->bytes), 12)
                .arg(mb(t->peakRssKb), 10));
    }
    out(QStringLiteral("(lumenpage: decode %1 ms + encode %2 ms per page, median, in-process; peers: whole process per page; "
                       "%3 run(s) of every page)")
            .arg(median(ours.decodeMs), 0, 'f', 1).arg(median(ours.ms) - median(ours.decodeMs), 0, 'f', 1).arg(repeat));

    out(QString());
    out(QStringLiteral("By kind (PSNR median dB / minimum dB / bytes):"));
    for (PageKind kind : {PageKind::Text, PageKind::Photo, PageKind::Plot}) {
        QString line = QStringLiteral("  %1").arg(kindName(kind), -6);
        for (Tool *t : tools) {
            if (t->program.isEmpty())
                continue;
            QList<double> v;
            qint64 bytes = 0;
            for (int i = 0; i < pages.size(); ++i)
                if (pages[i].kind == kind && i < t->psnr.size()) {
                    v << t->psnr[i];
                    if (i < t->gifs.size() && !t->gifs[i].isEmpty())
                        bytes += fileSize(t->gifs[i]);
                }
            line += QStringLiteral("  %1: %2 / %3 / %4").arg(t->name.section(QLatin1Char(' '), 0, 0), dB(median(valid(v))),
                                                            dB(minimum(valid(v))), withThousands(bytes));
        }
        out(line);
    }
    if (parser.isSet(verbose)) {
        out(QString());
        for (int i = 0; i < pages.size(); ++i) {
            QString line = QStringLiteral("  %1").arg(QFileInfo(pages[i].jpeg).fileName(), -12);
            for (Tool *t : tools)
                if (!t->program.isEmpty() && i < t->psnr.size())
                    line += QStringLiteral("  %1 %2 dB %3 B %4 ms").arg(t->name.section(QLatin1Char(' '), 0, 0), dB(t->psnr[i]))
                                .arg(i < t->gifs.size() ? fileSize(t->gifs[i]) : 0).arg(i < t->ms.size() ? t->ms[i] : 0, 0, 'f', 0);
            out(line);
        }
    }
    for (Tool *t : tools)
        for (const QString &f : t->failures)
            out(QStringLiteral("failure (%1): %2").arg(t->name, f));

    // 4. The targets.
    out(QString());
    bool allMet = true;
    auto check = [&allMet](bool met, const QString &what) {
        allMet &= met;
        out(QStringLiteral("%1 %2").arg(met ? QStringLiteral("[met]    ") : QStringLiteral("[NOT met]"), what));
    };
    check(median(ours.ms) <= 100, QStringLiteral("decode + palette + write <= 100 ms per page (median): %1 ms").arg(median(ours.ms), 0, 'f', 1));
    if (!vips.program.isEmpty()) {
        check(median(valid(ours.psnr)) >= median(valid(vips.psnr)),
              QStringLiteral("PSNR median >= vips's: %1 vs %2 dB").arg(dB(median(valid(ours.psnr))), dB(median(valid(vips.psnr)))));
        QStringList below;
        for (int i = 0; i < pages.size(); ++i)
            if (ours.psnr[i] < vips.psnr[i] - 1.0)
                below << QStringLiteral("%1 (%2 vs %3)").arg(QFileInfo(pages[i].jpeg).fileName(), dB(ours.psnr[i]), dB(vips.psnr[i]));
        check(below.isEmpty(), QStringLiteral("no page more than 1 dB below vips's%1").arg(below.isEmpty() ? QString() : QStringLiteral(": ") + below.join(QStringLiteral(", "))));
        check(ours.bytes <= vips.bytes, QStringLiteral("total bytes <= vips's: %1 vs %2").arg(withThousands(ours.bytes), withThousands(vips.bytes)));
    } else {
        out(QStringLiteral("[skipped]  the PSNR and size targets need vips"));
    }

    // 5. Optional: our settings over a grid, to choose speed and dithering by measurement.
    if (parser.isSet(sweep)) {
        out(QString());
        const PaletteSettings d;
        out(QStringLiteral("Sweep: our encoder with one setting changed from the defaults (speed %1, step %2, rounds %3, dither %4, "
                           "snap distance %5, snap ratio %6);")
                .arg(d.speed).arg(d.sampleStep).arg(d.refineRounds).arg(d.dithering).arg(d.snapDistance).arg(d.snapRatio));
        out(QStringLiteral("blurred = PSNR after a 3x3 box blur of both pictures, which credits dithering."));
        out(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(QStringLiteral("setting"), -14).arg(QStringLiteral("ms/page"), 8)
                .arg(QStringLiteral("PSNR med"), 9).arg(QStringLiteral("PSNR min"), 9).arg(QStringLiteral("blurred"), 8)
                .arg(QStringLiteral("bytes"), 12));
        if (!vips.program.isEmpty())
            out(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(QStringLiteral("(vips copy)"), -14).arg(median(valid(vips.ms)), 8, 'f', 1)
                    .arg(dB(median(valid(vips.psnr))), 9).arg(dB(minimum(valid(vips.psnr))), 9)
                    .arg(dB(median(valid(vips.blurred))), 8).arg(withThousands(vips.bytes), 12));
        const QList<QPair<QString, QStringList>> grid{
            {QStringLiteral("speed"), {QStringLiteral("4"), QStringLiteral("6"), QStringLiteral("8"), QStringLiteral("10")}},
            {QStringLiteral("step"), {QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("6")}},
            {QStringLiteral("rounds"), {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("6")}},
            {QStringLiteral("dither"), {QStringLiteral("0"), QStringLiteral("0.25"), QStringLiteral("0.5"), QStringLiteral("0.75"), QStringLiteral("1")}},
            {QStringLiteral("snap-distance"), {QStringLiteral("0"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("6")}},
            {QStringLiteral("snap-ratio"), {QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("32")}}};
        for (const auto &[setting, values] : grid)
            for (const QString &value : values) {
                Tool t{QStringLiteral("sweep"), QStringLiteral("self"), QString()};
                const QString dir = root + QStringLiteral("/sweep");
                QList<Tool> sweepRuns;
                for (int i = 0; i < repeat; ++i) {
                    QDir(dir).removeRecursively();
                    sweepRuns << Tool(t.name, t.program, QString());
                    if (!runOurs(sweepRuns.last(), pages, dir, {QStringLiteral("--") + setting, value}))
                        break;
                }
                combine(t, sweepRuns);
                if (!t.failures.isEmpty()) {
                    out(QStringLiteral("%1 %2 failed: %3").arg(setting, value, t.failures.join(QStringLiteral("; "))));
                    continue;
                }
                measure({&t}, pages, true, againstJpeg);
                out(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(setting + QLatin1Char(' ') + value, -14).arg(median(t.ms), 8, 'f', 1)
                        .arg(dB(median(valid(t.psnr))), 9).arg(dB(minimum(valid(t.psnr))), 9)
                        .arg(dB(median(valid(t.blurred))), 8).arg(withThousands(t.bytes), 12));
            }
        QDir(root + QStringLiteral("/sweep")).removeRecursively();
    }
    if (parser.isSet(work))
        out(QStringLiteral("\nPages and GIFs kept in %1").arg(root));
    return allMet ? 0 : 3;
}
