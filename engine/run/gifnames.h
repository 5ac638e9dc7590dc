#pragma once

#include "engine/base/runreport.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The name (without ".gif") a page's GIF gets. Variant 0 is the page image's own name; a file
// whose names an earlier file of the same run has used gets variant 2, 3, ...: " (2)" after the
// PDF's base name, so that its pages still sort together (doc-001 gives doc (2)-001, GflAx's
// doc11 gives doc (2)11). A page name that does not start with the base name gets the mark at
// its end.
QString DistinctGifName(const QString &pageStem, const QString &baseName, int variant);

// The first variant, from `from` on (0, then 2, 3, ...), for which none of `pageStems` gives a
// path (with `extension`) in `taken` (paths compared after QDir::cleanPath).
int FreeVariant(const QStringList &pageStems, const QString &baseName, const QString &outputFolder, const QString &extension,
                const QSet<QString> &taken, int from = 0);

// The box that lists the renamed files at the end of a run, one line each.
QString RenamedFilesText(const QList<RenamedFile> &files);

// The box that lists the GIFs that could not be written at the end of a run, one line each.
QString FailedGifsText(const QList<FailedGif> &gifs);
