#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Dialogs;
class InputFileList;

// What the adders need from the window.
struct AdderContext {
    Dialogs &dialogs;
    InputFileList &list;
    QString applicationTitle;
    QString appFolder;
    std::function<void()> yield;                   // lets pending events run during a walk
    std::function<void(bool on)> setWaitPointer;   // the window's WaitPointer for the folder adder
    QString location;                              // the ErrorLocation of the handler that adds
};

// The open-file dialog's result may not exceed this many characters (folder, names, separators).
constexpr int FileDialogResultLimit = 30000;

// The length of the dialog result for `paths`: one full path, or the folder and every bare name,
// each followed by a separator.
int FileDialogResultLength(const QStringList &paths);

void AddFilesByDialog(AdderContext &ctx);                    // "Add PDF File(s)"
void AddFolderTree(AdderContext &ctx);                       // "Add All PDF File(s) In Folder"
void AddDroppedPaths(AdderContext &ctx, const QStringList &paths);
void AddSampleFiles(AdderContext &ctx);                      // "Load Sample/Example Files"
