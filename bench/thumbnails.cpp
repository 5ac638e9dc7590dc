// bench_thumbnails: first-page thumbnails of a folder of PDFs, `lumenpage-batch --first-page-only
// --fit SIZE` against `vipsthumbnail -s SIZE`, the two taking turns round after round on the
// same files, into GIF files both. See bench/README.md.

#include "bench/pages.h"
#include "bench/processes.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

struct Tool {
    QString name;
    QString program;
    std::function<QStringList(const QString &outDir)> args;
    QList<double> wallMs, cpuMs;
    long maxRssKb = 0;
    QString sizes; // the thumbnails' sizes, of the last round
};

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.size() % 2 ? values[values.size() / 2] : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
}

QString sizesIn(const QString &dir)
{
    QMap<QString, int> counts;
    for (const QFileInfo &f : QDir(dir).entryInfoList({QStringLiteral("*.gif")}, QDir::Files)) {
        const QSize s = QImageReader(f.filePath()).size();
        ++counts[QStringLiteral("%1x%2").arg(s.width()).arg(s.height())];
    }
    QStringList parts;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        parts << QStringLiteral("%1 x%2").arg(it.key()).arg(it.value());
    return parts.join(QStringLiteral(", "));
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption filesOpt(QStringLiteral("files"), QStringLiteral("PDFs to make (default 40)."), QStringLiteral("N"), QStringLiteral("40"));
    const QCommandLineOption pagesOpt(QStringLiteral("pages"), QStringLiteral("Pages of each PDF (default 6)."), QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption repeatOpt(QStringLiteral("repeat"), QStringLiteral("Rounds (default 5)."), QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption sizeOpt(QStringLiteral("size"), QStringLiteral("Thumbnail size (default 256)."), QStringLiteral("N"), QStringLiteral("256"));
    const QCommandLineOption batchOpt(QStringLiteral("batch"), QStringLiteral("lumenpage-batch to run."), QStringLiteral("PATH"));
    const QCommandLineOption vipsOpt(QStringLiteral("vipsthumbnail"), QStringLiteral("vipsthumbnail to run."), QStringLiteral("PATH"));
    const QCommandLineOption methodOpt(QStringLiteral("methods"), QStringLiteral("lumenpage-batch's methods, comma-separated (default ghostscript,gflax)."), QStringLiteral("LIST"), QStringLiteral("ghostscript,gflax"));
    parser.addOptions({filesOpt, pagesOpt, repeatOpt, sizeOpt, batchOpt, vipsOpt, methodOpt});
    parser.process(app);

    const int files = std::max(1, parser.value(filesOpt).toInt());
    const int pages = std::max(1, parser.value(pagesOpt).toInt());
    const int repeat = std::max(1, parser.value(repeatOpt).toInt());
    const QString size = QString::number(std::max(1, parser.value(sizeOpt).toInt()));
    const QString batch = parser.isSet(batchOpt) ? parser.value(batchOpt)
                                                 : QCoreApplication::applicationDirPath() + QStringLiteral("/lumenpage-batch");
    const QString vips = bench::findProgram({parser.isSet(vipsOpt) ? parser.value(vipsOpt) : QStringLiteral("vipsthumbnail")});

    QTemporaryDir temp;
    const QString docs = temp.filePath(QStringLiteral("docs"));
    QDir().mkpath(docs);
    QStringList pdfs;
    for (int i = 0; i < files; ++i) {
        const QString pdf = docs + QStringLiteral("/doc%1.pdf").arg(i + 1, 3, 10, QLatin1Char('0'));
        QString error;
        // The first page takes the kinds in turn: text, photograph, plot.
        QList<bench::PageKind> kinds = bench::mixedKinds(pages + i % 3).mid(i % 3);
        if (!bench::writePdf(pdf, kinds, quint32(1000 + i), &error)) {
            std::fprintf(stderr, "bench_thumbnails: %s\n", qPrintable(error));
            return 1;
        }
        pdfs << pdf;
    }
    std::printf("%d PDFs of %d pages (US Letter), first page of each to a GIF of at most %s pixels, %d rounds\n",
                files, pages, qPrintable(size), repeat);

    QList<Tool> tools;
    for (const QString &method : parser.value(methodOpt).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        // The command (--fit W: the width) and the same box as vipsthumbnail's -s.
        for (const QString &fit : {size, size + QLatin1Char('x') + size}) {
            tools.append({QStringLiteral("lumenpage-batch -m %1 --first-page-only --fit %2").arg(method, fit), batch,
                          [&pdfs, method, fit](const QString &out) {
                              return QStringList{QStringLiteral("-q"), QStringLiteral("-m"), method,
                                                 QStringLiteral("--first-page-only"), QStringLiteral("--fit"), fit,
                                                 QStringLiteral("-o"), out}
                                     + pdfs;
                          }});
        }
    }
    if (!vips.isEmpty())
        tools.append({QStringLiteral("vipsthumbnail -s %1 -o %s.gif").arg(size), vips, [&](const QString &out) {
                          return QStringList{QStringLiteral("-s"), size, QStringLiteral("-o"), out + QStringLiteral("/%s.gif")} + pdfs;
                      }});
    else
        std::printf("note: libvips's vipsthumbnail is not installed (Debian package libvips-tools): [skipped]\n");

    for (int round = 0; round < repeat; ++round) {
        for (Tool &tool : tools) {
            const QString out = temp.filePath(QStringLiteral("out"));
            QDir(out).removeRecursively();
            QDir().mkpath(out);
            const bench::ChildRun run = bench::runChild(tool.program, tool.args(out), docs,
                                                        {QStringLiteral("TEMP=") + temp.path()});
            if (run.exitCode != 0) {
                std::fprintf(stderr, "bench_thumbnails: %s failed (%d): %s\n", qPrintable(tool.name), run.exitCode,
                             run.err.left(400).constData());
                return 1;
            }
            tool.wallMs << run.wallMs;
            tool.cpuMs << run.cpuMs;
            tool.maxRssKb = std::max(tool.maxRssKb, run.maxRssKb);
            tool.sizes = sizesIn(out);
        }
    }
    std::printf("\n| tool | wall, median (ms) | per file (ms) | CPU, median (ms) | largest process (MB) | thumbnails |\n|---|---|---|---|---|---|\n");
    for (const Tool &tool : tools)
        std::printf("| `%s` | %.0f | %.1f | %.0f | %.1f | %s |\n", qPrintable(tool.name), median(tool.wallMs),
                    median(tool.wallMs) / files, median(tool.cpuMs), tool.maxRssKb / 1024.0, qPrintable(tool.sizes));
    return 0;
}
