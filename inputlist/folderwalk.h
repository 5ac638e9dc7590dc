#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class Dialogs;

// Folder paths, each ending in one "/": the chosen folder first, then its sub-folders level by
// level.
using FolderList = QStringList;

// A name the walk does not enter: not valid UTF-8, or holding a control character. "?" and "*"
// are ordinary characters of a name here ("Why?"), however a pattern would read them.
bool HasUnusableChars(const QByteArray &name);

// Appends every usable sub-folder of every entry, level by level, children of one parent in
// NameLess order. Hidden folders and links to folders below the given entries are not entered
// (links are never followed, which also rules out cycles); the given entries themselves are the
// user's choice and are walked whatever they are. An entry that cannot be read for lack of
// permission is removed, silently. `yield` runs once per folder visited and once per sub-folder
// found.
void CollectSubfolders(FolderList &list, bool recurse, const std::function<void()> &yield = {});

// The files of every folder of the list matching `pattern`, in list order and within a folder in
// ListFiles order; names beginning with "~" and hidden files are left out.
QStringList FilesInFolders(const FolderList &list, const QString &pattern);

// The files of a folder tree matching the pattern, in walk order: what "Add All PDF File(s) In
// Folder" adds, and what the console converts of a folder it is given.
QStringList FilesOfTree(const QString &folder, const QString &pattern, const std::function<void()> &yield = {});

// The folder picker: the chosen path without a trailing "/" (the root stays "/"); empty when
// cancelled.
QString PickFolder(Dialogs &dialogs, const QString &prompt);
