// lumenpage: the window that converts PDF files to GIF files, one per page.

#include "ui/commandline.h"
#include "ui/form1.h"
#include "ui/qtdialogs.h"
#include "sys/interruption.h"
#include "sys/translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Help and version need no display: they must work on a console too.
bool onlyAsksForText(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strcmp(a, "--") == 0)
            return false;
        for (const char *option : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(a, option) == 0)
                return true;
    }
    return false;
}

// Qt ends the program with an abort and a page of its own when no window system can be reached
// (started from a console or over ssh). Until the application stands, that end is turned into
// one line saying what is missing and status 1; Qt's platform chatter before it is kept back.
QtMessageHandler qtHandler = nullptr;

void noDisplayLine()
{
    const QByteArray display = qgetenv("WAYLAND_DISPLAY").isEmpty() ? qgetenv("DISPLAY") : qgetenv("WAYLAND_DISPLAY");
    if (QCoreApplication::instance())
        InstallTranslations();
    const QString why = display.isEmpty()
        ? QCoreApplication::translate("Main", "no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)")
        : QCoreApplication::translate("Main", "cannot open a window on the display '%1'").arg(QString::fromLocal8Bit(display));
    std::fprintf(stderr, "lumenpage: %s\n", qPrintable(why + QStringLiteral("; ")
        + QCoreApplication::translate("Main", "start it from a desktop session, or convert without a window with lumenpage-batch.")));
    std::fflush(stderr);
}

void whileOpeningTheDisplay(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        noDisplayLine();
        std::_Exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0)
        return;
    if (qtHandler)
        qtHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    // Messages and the usage line name the program, not the path it was started with.
    static char programName[] = "lumenpage";
    std::vector<char *> args(argv, argv + argc);
    args.push_back(nullptr);
    if (argc > 0)
        args[0] = programName;
    qtHandler = qInstallMessageHandler(whileOpeningTheDisplay);
    const std::unique_ptr<QCoreApplication> app =
        onlyAsksForText(argc, argv) ? std::make_unique<QCoreApplication>(argc, args.data())
                                    : std::make_unique<QApplication>(argc, args.data());
    qInstallMessageHandler(qtHandler);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillfern"));
    QCoreApplication::setApplicationName(QStringLiteral("Lumenpage"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMENPAGE_VERSION));
    // Lets the desktop tie the window to its entry (icon, name) on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumenpage.Lumenpage"));
    InstallTranslations();

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("Main",
        "Converts every page of PDF files into GIF files. Each FILE is put on the list as a drop "
        "of it would: a file as it is, a folder with every file in its tree."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QCoreApplication::translate("Main", "PDF files or folders to list."),
                                 QStringLiteral("[FILE...]"));
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s: %s\n%s\n", programName, qPrintable(parser.errorText()),
                     qPrintable(QCoreApplication::translate("Console", "Try '%1 --help'.")
                                    .arg(QString::fromLatin1(programName))));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")) || parser.isSet(version)) {
        parser.process(*app); // prints and exits
        return 0;
    }

    // Ended by a signal (Ctrl-C, logout), a run stops its script and removes its folder first.
    Interruption::EndCleanlyOnSignals();
    QtDialogs dialogs;
    Form1 form(dialogs);
    dialogs.setOwner(&form);
    if (const QScreen *screen = form.screen())
        FitToScreen(form, screen->availableGeometry().size());
    form.show();
    const QStringList paths = CommandLinePaths(parser.positionalArguments(), QDir::currentPath());
    if (!paths.isEmpty())
        form.ListView1_OLEDragDrop(paths);
    return app->exec();
}
