#pragma once

// The benches' generated documents: US Letter PDFs of text pages, procedurally drawn
// photographs and vector plots, made from a seed alone so that every run sees the same pages.

#include <QList>
#include <QString>

namespace bench {

enum class PageKind { Text, Photo, Plot };
QString kindName(PageKind kind);

// Writes a US Letter PDF with one page per entry of `kinds`, through QPdfWriter. The content is
// made from `seed` alone, so a run can be repeated. Needs a QGuiApplication.
bool writePdf(const QString &path, const QList<PageKind> &kinds, quint32 seed, QString *error);

// The page kinds of a mixed document: text, photographs and plots taking turns.
QList<PageKind> mixedKinds(int pages);

} // namespace bench
