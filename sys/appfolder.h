#pragma once

#include <QString>

// The AppFolder holds what the program reads at run time (ps/, bw/, Samples/, x/o.cjs,
// HAND-M.CUR). In the build tree it lies beside the executables; an installed program keeps it
// in the data folder, found relative to the executable so that any prefix works and a copied or
// moved installation keeps working.

// The AppFolder of an executable living in `executableFolder`: the installed data folder when
// it exists, otherwise `executableFolder` itself.
QString AppFolderFor(const QString &executableFolder);

// The AppFolder of the running program.
QString AppFolder();

// A helper program the programs start (never the user), by its file name: beside the running
// program in a build tree, in ../libexec/lumenpage/ once installed.
QString HelperProgram(const QString &name);
