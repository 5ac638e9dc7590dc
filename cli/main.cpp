// lumenpage-batch: the conversion run of the window, for scripts and machines without a display.

#include "batchhost.h"

#include "sys/interruption.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

int usageError(const QString &message)
{
    std::fprintf(stderr, "lumenpage-batch: %s\nTry 'lumenpage-batch --help'.\n",
                 message.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumenpage-batch"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts every page of every PDF FILE into one GIF file in the output folder.\n"
        "Exit status: 0 when every file gave its GIFs, 1 when a file or a GIF failed, 2 for wrong usage."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Folder the GIF files are written to (must exist)."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption method({QStringLiteral("m"), QStringLiteral("method")},
                                    QStringLiteral("ghostscript (default), bw, gflax or acrobat."),
                                    QStringLiteral("METHOD"), QStringLiteral("ghostscript"));
    const QCommandLineOption firstPage(QStringLiteral("first-page-only"),
                                       QStringLiteral("Convert the first page only (ghostscript and bw)."));
    const QCommandLineOption resolution(QStringLiteral("resolution"),
                                        QStringLiteral("Resolution in dpi for the gflax method (default 144)."),
                                        QStringLiteral("TEXT"), QStringLiteral("144"));
    const QCommandLineOption pages(QStringLiteral("pages"),
                                   QStringLiteral("Number of pages for the gflax method (default 1)."),
                                   QStringLiteral("TEXT"), QStringLiteral("1"));
    const QCommandLineOption memoryLimit(QStringLiteral("memory-limit"),
                                         QStringLiteral("Memory cap of every renderer, in MB (default %1): "
                                                        "a PDF that needs more fails alone.")
                                             .arg(RenderLimits::DefaultMemoryMB),
                                         QStringLiteral("MB"));
    parser.addOptions({output, method, firstPage, resolution, pages, memoryLimit});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("PDF files to convert."),
                                 QStringLiteral("FILE..."));

    if (!parser.parse(app.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }

    BatchOptions options;
    if (!parser.isSet(output))
        return usageError(QStringLiteral("--output DIR is required."));
    options.output = QFileInfo(parser.value(output)).absoluteFilePath();
    const QString m = parser.value(method).toLower();
    if (m == QLatin1String("ghostscript"))
        options.option = 2;
    else if (m == QLatin1String("bw"))
        options.option = 3;
    else if (m == QLatin1String("gflax"))
        options.option = 4;
    else if (m == QLatin1String("acrobat"))
        options.option = 1;
    else
        return usageError(QStringLiteral("unknown method '%1': use ghostscript, bw, gflax or acrobat.").arg(m));
    options.check5 = parser.isSet(firstPage) ? 1 : 0;
    if (options.option == 1 && options.check5)
        return usageError(QStringLiteral("the acrobat method always converts every page; "
                                         "--first-page-only cannot be combined with it."));
    options.resolution = parser.value(resolution);
    options.pages = parser.value(pages);
    if (parser.isSet(memoryLimit)
        && !RenderLimits::parseMemoryMB(parser.value(memoryLimit), &options.limits.memoryMB))
        return usageError(QStringLiteral("--memory-limit takes a whole number of megabytes, at least %1.")
                              .arg(RenderLimits::MinimumMemoryMB));
    for (const QString &file : parser.positionalArguments())
        options.files << QFileInfo(file).absoluteFilePath();
    if (options.files.isEmpty())
        return usageError(QStringLiteral("no FILE given."));

    // Ctrl-C, kill or a closed terminal stop the script with everything it started, remove the
    // run's folder and end with 128 + the signal; a closed pipe makes writes fail, nothing more.
    Interruption::EndCleanlyOnSignals();
    BatchHost host(options);
    const int status = host.run();
    Interruption::EndIfSignalled();
    return status;
}
