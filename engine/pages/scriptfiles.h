#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

// What the script methods read from and write into a script's folder: page numbers in page
// image names, the pages there, moves within the WorkFolder, the reason in a script's standard
// error, Ghostscript's password file.
namespace ScriptFiles {

// The PDF page number a script's page image carries: the last run of digits in its name
// (current00012.jpg, page00012.jpg); 0 when it carries none.
int PageNumberOf(const QString &name);
// The numbers of the pages finished or in progress in `folder`.
QSet<int> PagesIn(const QString &folder);
int FirstMissing(const QSet<int> &numbers);
// A rename within the WorkFolder; a copy only across file systems. Throws Failure.
void MoveFile(const QString &from, const QString &to);
// The lines of the renderer's standard error that say what went wrong, shortened.
QString ReasonFrom(const QString &errors);
// Ghostscript's password as PostScript, readable by this user only. Throws Failure.
void WritePasswordFile(const QString &path, const QByteArray &password);
// Page numbers for a message: the first ten, then "...".
QString PageList(const QList<int> &pages);

} // namespace ScriptFiles
