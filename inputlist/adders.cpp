#include "inputlist/adders.h"

#include "inputlist/folderwalk.h"
#include "inputlist/inputfilelist.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>

namespace {
constexpr int TooManyFilesCode = 20476;
const char *const FolderPrompt = QT_TRANSLATE_NOOP("Adders", "Please select folder:");
}

int FileDialogResultLength(const QStringList &paths)
{
    if (paths.size() == 1)
        return int(paths.first().size());
    const QString folder = QFileInfo(paths.value(0)).path();
    qsizetype length = folder.size();
    for (const QString &path : paths) {
        // Names from other folders cannot share the folder part; they count in full.
        const bool inFolder = QFileInfo(path).path() == folder;
        length += 1 + (inFolder ? FileNameOf(path).size() : path.size());
    }
    return int(qMin<qsizetype>(length, std::numeric_limits<int>::max()));
}

namespace {
namespace AddFilesStep {
constexpr int PickFiles = 112;
constexpr int AppendSingle = 122;
constexpr int MergeDoubleSlashes = 138;
constexpr int AppendEach = 140;
} // namespace AddFilesStep
} // namespace

void AddFilesByDialog(AdderContext &ctx)
{
    ErrorTrap trap(ctx.dialogs, ctx.location);
    trap.filter = [&](const Failure &f) {
        if (f.code() != TooManyFilesCode)
            return false;
        ctx.dialogs.message(QCoreApplication::translate("Adders", "You've selected too many files to add.")
                                + QStringLiteral("\r\r")
                                + QCoreApplication::translate("Adders", "Please try adding via the \"Add All\" button."),
                            ctx.applicationTitle, Dialogs::Icon::None);
        return true;
    };
    QStringList picked;
    trap.step(AddFilesStep::PickFiles, [&] {
        picked = ctx.dialogs.openFiles(QCoreApplication::translate("Adders", "Add File(s) - Hold Ctrl to select multiple files"),
                                       QCoreApplication::translate("Adders", "PDF Files (*.pdf)"));
        if (FileDialogResultLength(picked) > FileDialogResultLimit) {
            picked.clear();
            throw Failure(QCoreApplication::translate("Adders", "The file name buffer is too small"), TooManyFilesCode);
        }
    });
    if (trap.aborted() || picked.isEmpty())
        return;
    if (picked.size() == 1) {
        trap.step(AddFilesStep::AppendSingle, [&] { ctx.list.append(picked.first()); });
        return;
    }
    for (const QString &path : std::as_const(picked)) {
        QString joined = path;
        trap.step(AddFilesStep::MergeDoubleSlashes, [&] { joined.replace(QStringLiteral("//"), QStringLiteral("/")); });
        trap.step(AddFilesStep::AppendEach, [&] { ctx.list.append(joined); });
    }
}

namespace {
namespace AddTreeStep {
constexpr int AskExtension = 100;
constexpr int AskFolder = 104;
constexpr int ShowWaitPointer = 112;
constexpr int StartFolderList = 114;
constexpr int WalkSubfolders = 116;
constexpr int FindFiles = 122;
constexpr int AppendFile = 132;
constexpr int RestorePointer = 136;
} // namespace AddTreeStep
} // namespace

void AddFolderTree(AdderContext &ctx)
{
    ErrorTrap trap(ctx.dialogs, ctx.location);
    QString extension = QStringLiteral("pdf");
    bool answered = false;
    trap.step(AddTreeStep::AskExtension, [&] {
        answered = ctx.dialogs.inputBox(
            QCoreApplication::translate("Adders", "Enter file extension to load:") + QStringLiteral("\r\r")
                + QCoreApplication::translate("Adders", "(* for all files, txt for all txt files, doc for all doc files, etc.)"),
            ctx.applicationTitle, extension);
    });
    if (!answered || extension.isEmpty())
        return;
    QString folder;
    trap.step(AddTreeStep::AskFolder, [&] { folder = PickFolder(ctx.dialogs, QCoreApplication::translate("Adders", FolderPrompt)); });
    if (folder.isEmpty())
        return;

    trap.step(AddTreeStep::ShowWaitPointer, [&] { ctx.setWaitPointer(true); });
    // The pointer goes back also when a step failed.
    const auto restore = qScopeGuard([&] { trap.step(AddTreeStep::RestorePointer, [&] { ctx.setWaitPointer(false); }); });
    FolderList folders;
    trap.step(AddTreeStep::StartFolderList, [&] { folders = FolderList{folder + QLatin1Char('/')}; });
    trap.step(AddTreeStep::WalkSubfolders, [&] { CollectSubfolders(folders, true, ctx.yield); });
    QStringList files;
    trap.step(AddTreeStep::FindFiles, [&] { files = FilesInFolders(folders, QStringLiteral("*.") + extension); });
    for (const QString &path : std::as_const(files))
        trap.step(AddTreeStep::AppendFile, [&] { ctx.list.append(path); });
}

void AddDroppedPaths(AdderContext &ctx, const QStringList &paths)
{
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir()) {
            for (const QString &file : FilesOfTree(path, QStringLiteral("*.*"), ctx.yield))
                ctx.list.append(file);
        } else {
            ctx.list.append(path);
        }
    }
}

namespace {
namespace AddSamplesStep {
constexpr int ListSamples = 100;
constexpr int AppendSample = 104;
constexpr int OfferToOpenFolder = 106;
constexpr int OpenFolder = 108;
} // namespace AddSamplesStep
} // namespace

void AddSampleFiles(AdderContext &ctx)
{
    ErrorTrap trap(ctx.dialogs, ctx.location);
    const QString samples = ctx.appFolder + QStringLiteral("/Samples");
    QStringList names;
    trap.step(AddSamplesStep::ListSamples, [&] { names = ListFiles(samples, QStringLiteral("*.*")); });
    for (const QString &name : std::as_const(names))
        trap.step(AddSamplesStep::AppendSample, [&] { ctx.list.append(samples + QLatin1Char('/') + name); });
    Dialogs::Answer answer = Dialogs::Answer::No;
    trap.step(AddSamplesStep::OfferToOpenFolder, [&] {
        answer = ctx.dialogs.message(
            QCoreApplication::translate("Adders", "Would you like this software to open the folder where these sample files "
                           "are stored (so that you can view them before working with them)?"),
            ctx.applicationTitle, Dialogs::Icon::None, Dialogs::Buttons::YesNo);
    });
    if (answer != Dialogs::Answer::Yes)
        return;
    trap.step(AddSamplesStep::OpenFolder, [&] { QDesktopServices::openUrl(QUrl::fromLocalFile(samples + QLatin1Char('/'))); });
}
