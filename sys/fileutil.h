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

// The runtime's leading-number rule for control texts: blanks, tabs and line feeds are ignored
// wherever they occur; then an optional sign, digits, an optional decimal point with digits and
// an optional exponent; the first other character ends the number; no number gives 0.
double LeadingNumber(const QString &text);

// Yields to the event loop once, then deletes the file, or every file matching the pattern in
// its last component. Never fails.
void DeleteFilesQuietly(const QString &pathOrPattern);

// Deletes the folder with everything in it, never following a link (see RemoveTree); failures
// go to its own ErrorBox.
void KillFolder(Dialogs &dialogs, const QString &folder, const char *removedLast = nullptr);

// Deletes `folder` and everything in it without ever following a symbolic link: a link inside is
// removed itself, never what it points to, and a `folder` that is itself a link is left alone
// and reported. Read-only files and folders inside are deleted too. A missing folder is nothing
// to do. Throws Failure when something could not be deleted; everything else is still deleted.
// An entry of `folder` named `removedLast` (a lock that tells whether the folder is in use) goes
// only after everything else went, and stays when anything could not.
void RemoveTree(const QString &folder, const char *removedLast = nullptr);

// Copies `source` with everything in it to `destination`, replacing files that are there.
// Throws Failure when the source is missing or a file cannot be copied.
void CopyFolder(const QString &source, const QString &destination);

// Makes `path` a regular file holding exactly `bytes`, whole or not at all: the bytes go into a
// new file beside it (every write checked, then synced when `sync` is set) that is renamed over
// `path` at the end. A link at `path` is replaced by the file, never written through, and an
// earlier file of that name stays as it was when anything fails. Throws Failure with the
// system's reason ("No space left on device"); nothing of the new file is left then.
void ReplaceFileWhole(const QString &path, const QByteArray &bytes, bool sync = false);

// What the program may write at `path` by replacing what is there (ReplaceFileWhole, WholeFile):
// nothing, a regular file, or a symbolic link (the link itself is replaced, whatever it points
// to). Anything else is never replaced, whoever runs the program (root may write to /dev/null,
// so the kind of file is checked, not only access rights): empty when `path` may be written,
// otherwise why not, naming what is there ("a FIFO", "a character device", "a folder", ...).
QString ReplaceableNameProblem(const QString &path);
// The same for a file's status as lstat() gave it: empty for a regular file or a link.
QString NodeProblem(unsigned mode);

// Why no file can be made in `folder`, found by making a new hidden file there and removing it
// again, so that the answer holds for root (who may write where the mode bits say no) and for a
// read-only file system alike: "Permission denied", "Read-only file system", ... Empty when one
// can be made.
QString FolderWriteProblem(const QString &folder);

// Copies one file, replacing the destination. Throws Failure with the reason on failure.
void CopyFile(const QString &source, const QString &destination);

// Gives `destination` the contents of `source` without a second copy on disk: a symbolic link
// to the source's absolute path, or a copy where no link can be made. Fails as CopyFile does.
// For inputs that are only read: a large document then costs no scratch space.
void LinkOrCopyFile(const QString &source, const QString &destination);

// Why the file at `path` cannot be read as a document, in the system's plain words: "No such
// file or directory", "Permission denied", that it is a folder or not a regular file (a FIFO
// would block the reader), or that its name is not valid UTF-8 (such a name cannot be passed
// on). Empty when it is a regular file that can be opened for reading.
QString InputFileProblem(const QString &path);
// Nothing is at `path` (nor a link to nothing): the system's words for it are not the user's.
bool IsMissingFile(const QString &path);

// Which version of the file at `path` is there now (its device, inode, size and modification
// time), following a link; empty when there is none. Two equal answers: the same bytes, as far
// as the system can tell.
QString FileVersion(const QString &path);

// A file name as a shell would show it (as `ls` quotes it): unchanged when it holds no control
// character and no byte that is not UTF-8; otherwise in $'...' with those bytes escaped, so
// that it stays on one line and can be pasted back into a shell.
QString ShellVisibleName(const QByteArray &name);
bool IsValidUtf8(const QByteArray &bytes);

// Where scratch folders go: $TEMP, or the system temporary folder when TEMP is unset, empty or
// the root of the file system. No trailing "/".
QString TempFolder();

// Whether the file system `folder` is on has less room left than a large page image needs
// (4 MB): after a failure there, the reason. False when it cannot be told.
bool HasLittleRoom(const QString &folder);

// Creates a new folder in `parent` named `prefix` followed by six unpredictable characters,
// readable and writable by its owner only, and returns its path. The name is new: an existing
// folder, file or link of that name is never used or gone through. Throws Failure when the
// folder cannot be made (for example when `parent` does not exist).
QString CreatePrivateFolder(const QString &parent, const QString &prefix);

// Case-insensitive wildcard match of a bare name, as ListFiles matches.
bool WildcardMatch(const QString &pattern, const QString &name);

// The order ListFiles and the folder walk use.
bool NameLess(const QString &a, const QString &b);
