#pragma once

#include <QString>
#include <QStringList>

// What the window's command line names (a file manager's "Open With" passes the chosen files):
// absolute local paths, in the order given, for the list's drop path to add. Relative names are
// taken from `currentFolder`; file:// addresses become their local paths and
// other addresses are left out.
QStringList CommandLinePaths(const QStringList &names, const QString &currentFolder);
