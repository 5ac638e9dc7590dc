#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

// What the script methods read from and write into a script's folder: page numbers in page
// image names, moves within the WorkFolder, Ghostscript's password file.
namespace ScriptFiles {

// The PDF page number a script's page image carries: the last run of digits in its name
// (current00012.jpg, page00012.jpg); 0 when it carries none.
int PageNumberOf(const QString &name);
int FirstMissing(const QSet<int> &numbers);
// Ghostscript's password as PostScript, readable by this user only. Throws Failure.
void WritePasswordFile(const QString &path, const QByteArray &password);
// Page numbers for a message: the first ten, then "...".
QString PageList(const QList<int> &pages);

} // namespace ScriptFiles
