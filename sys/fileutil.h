#pragma once

#include <QString>
#include <QStringList>

class Dialogs;

// Stateless helpers on paths, files and folders. Paths are joined with "/" by plain
// concatenation, as the rest of the program expects.

QString GetDesktopFolder();                 // the desktop folder, ending in exactly one "/"
bool PathExists(const QString &path);       // anything (file, folder, link target) is there
bool IsExistingFolder(const QString &path); // an existing folder (links followed)
bool IsExistingFile(const QString &path);   // an existing regular file (links followed)

// Bare names of the regular files in `folder` matching the wildcard `pattern` (`*`, `?`, letter
// case ignored; "*.*" also matches names without a dot), hidden ones included, never a folder.
// Sorted case-insensitively: upper-cased names compared first, then the names as bytes.
QStringList ListFiles(const QString &folder, const QString &pattern);

QString FileNameOf(const QString &path);           // text after the last "/"
QString NameWithoutExtension(const QString &name); // text before the last "."; throws without one
QString BaseNameOf(const QString &pdfPath);        // file name up to its first "."

// Yields to the event loop once, then deletes the file, or every file matching the pattern in
// its last component. Never fails.
void DeleteFilesQuietly(const QString &pathOrPattern);

// Deletes the folder with everything in it; failures go to its own ErrorBox.
void KillFolder(Dialogs &dialogs, const QString &folder);

// Copies `source` with everything in it to `destination`, replacing files that are there.
// Throws Failure when the source is missing or a file cannot be copied.
void CopyFolder(const QString &source, const QString &destination);

// Copies one file, replacing the destination. Throws Failure with the reason on failure.
void CopyFile(const QString &source, const QString &destination);

// The scratch folder of a run: $TEMP/Lumenpage, or the system temporary folder when TEMP is
// unset or empty (never the root of the file system).
QString WorkFolderPath();

// Case-insensitive wildcard match of a bare name, as ListFiles matches.
bool WildcardMatch(const QString &pattern, const QString &name);

// The order ListFiles and the folder walk use.
bool NameLess(const QString &a, const QString &b);
