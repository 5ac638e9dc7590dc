#pragma once

// A plain SVG chart of lines of points, for the figures a bench writes beside its tables.

#include <QList>
#include <QPointF>
#include <QString>

namespace bench {

struct PlotLine {
    QString label;
    QString colour;        // an SVG colour
    QList<QPointF> points; // x, y in the data's own units
};

// Writes the chart to `path`: x from `xLabel`'s range of all points, y likewise, a legend.
// False when the file cannot be written.
bool writeSvgPlot(const QString &path, const QString &title, const QString &xLabel, const QString &yLabel,
                  const QList<PlotLine> &lines);

} // namespace bench
