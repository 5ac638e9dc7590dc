// lumenpage-batch: the conversion run of the window, for scripts and machines without a display.

#include "cli/batchhost.h"
#include "cli/options.h"
#include "cli/watchfolder.h"

#include "sys/fileutil.h"
#include "sys/interruption.h"
#include "sys/translations.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// Qt's help lines that its own French catalogue leaves in English; ours has them.
[[maybe_unused]] const char *const QtHelpTexts[] = {
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help on commandline options."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help including Qt specific options."),
};

} // namespace


namespace {

// The output folder is not there: says so, naming it as the user gave it.
int outputFolderMissing(const QString &folder, const QString &given)
{
    const bool isFile = QFileInfo::exists(folder);
    std::fprintf(stderr, "lumenpage-batch: %s\n",
                 qPrintable((isFile ? QCoreApplication::translate("Console", "%1: a file, not a folder")
                                    : QCoreApplication::translate("Console", "%1: no such folder"))
                                .arg(given)));
    return 1;
}

// Watches `watched` (given as `given`) until a signal or a failure ends it.
int runWatch(const BatchOptions &options, const QString &watched, QString given, bool recursive)
{
    while (given.size() > 1 && given.endsWith(QLatin1Char('/')))
        given.chop(1);
    WatchFolder watch(options, {watched, given, recursive});
    const int status = watch.run();
    Interruption::EndIfSignalled();
    return status;
}

// Converts the files given, after naming the ones that cannot be used.
int runList(BatchOptions &options, const QList<BadName> &badNames)
{
    for (const BadName &bad : badNames)
        std::fprintf(stderr, "lumenpage-batch: %s: %s\n", ShellVisibleName(bad.name).toLocal8Bit().constData(),
                     bad.why.toLocal8Bit().constData());
    if (options.files.isEmpty() && options.report.isEmpty())
        return 1;
    options.unusableNames = badNames.size();
    for (const BadName &bad : badNames)
        options.refusedNames.append({ShellVisibleName(bad.name), bad.why});
    BatchHost host(options);
    const int status = host.run();
    Interruption::EndIfSignalled();
    return badNames.isEmpty() ? status : std::max(status, 1);
}

} // namespace

int main(int argc, char **argv)
{
    // Usage lines and messages name the program, not the path it was started with.
    static char programName[] = "lumenpage-batch";
    std::vector<char *> args(argv, argv + argc);
    args.push_back(nullptr);
    if (argc > 0)
        args[0] = programName;
    QCoreApplication app(argc, args.data());
    QCoreApplication::setApplicationName(QStringLiteral("lumenpage-batch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMENPAGE_VERSION));
    InstallTranslations();

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("Console",
        "Converts every page of every PDF FILE into one GIF file in the output folder.\n"
        "Each failed file gives one line on standard error: lumenpage-batch: FILE: CAUSE.\n"
        "Exit status: 0 when every file gave its GIFs, 1 when a file or a GIF failed, 2 for wrong usage,\n"
        "128 + the signal's number when interrupted."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const ConsoleOptions o(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"), QCoreApplication::translate("Console", "PDF files to convert; a folder for the PDF files in it and below it, "
                                                                          "- for one PDF on standard input."),
                                 QStringLiteral("FILE..."));

    if (!parser.parse(WithOptionalValues(app.arguments())))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all")) || parser.isSet(versionOption)) {
        parser.process(app); // prints and ends the program
        return 0;
    }

    BatchOptions options;
    if (const int status = takeChoices(parser, o, &options); status >= 0)
        return status;
    QString watched;
    if (const int status = takeWatchedFolder(parser, o, options, &watched); status >= 0)
        return status;
    options.resume = options.resume && watched.isEmpty(); // a watch always goes on from its record
    QList<BadName> badNames;
    if (watched.isEmpty())
        if (const int status = takeNames(parser, o, argc, argv, &options, &badNames); status >= 0)
            return status;
    options.quiet = parser.isSet(o.quiet);
    options.verbose = parser.isSet(o.verbose) && !options.quiet;
    options.progress = !options.quiet && isatty(STDERR_FILENO);
    if (!IsExistingFolder(options.run.outputFolder))
        return outputFolderMissing(options.run.outputFolder, parser.value(o.output));
    // Every name the run writes at is looked at before any work.
    if (const int status = PrepareTargets(&options, parser.value(o.output)); status >= 0)
        return status;

    // Ctrl-C, kill or a closed terminal stop the script with everything it started, remove the
    // run's folder and end with 128 + the signal; a closed pipe makes writes fail, nothing more.
    Interruption::EndCleanlyOnSignals();
    if (!watched.isEmpty())
        return runWatch(options, watched, parser.value(o.watch), parser.isSet(o.recursive));
    return runList(options, badNames);
}
