#include "plot.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

constexpr double Width = 720, Height = 440, Left = 70, Right = 200, Top = 40, Bottom = 50;

QString number(double v)
{
    return QString::number(v, 'f', 1);
}

} // namespace

bool writeSvgPlot(const QString &path, const QString &title, const QString &xLabel, const QString &yLabel,
                  const QList<PlotLine> &lines)
{
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const PlotLine &line : lines)
        for (const QPointF &p : line.points) {
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                continue;
            x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x()), y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
        }
    if (!(x1 > x0) || !(y1 > y0))
        return false;
    y0 = std::floor(y0), y1 = std::ceil(y1), x0 = 0;
    const double w = Width - Left - Right, h = Height - Top - Bottom;
    const auto sx = [&](double x) { return Left + (x - x0) / (x1 - x0) * w; };
    const auto sy = [&](double y) { return Top + h - (y - y0) / (y1 - y0) * h; };
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" font-family=\"sans-serif\" "
                                 "font-size=\"12\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n")
                      .arg(Width).arg(Height);
    svg += QStringLiteral("<text x=\"%1\" y=\"22\" font-size=\"14\">%2</text>\n").arg(Left).arg(title.toHtmlEscaped());
    svg += QStringLiteral("<path d=\"M%1 %2V%3H%4\" fill=\"none\" stroke=\"black\"/>\n")
               .arg(number(Left), number(Top), number(Top + h), number(Left + w));
    for (int k = 0; k <= 5; ++k) {
        const double x = x0 + (x1 - x0) * k / 5, y = y0 + (y1 - y0) * k / 5;
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                   .arg(number(sx(x)), number(Top + h + 16), QString::number(x, 'g', 3));
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>\n")
                   .arg(number(Left - 6), number(sy(y) + 4), QString::number(y, 'f', 1));
        svg += QStringLiteral("<path d=\"M%1 %2H%3\" stroke=\"#ddd\"/>\n").arg(number(Left), number(sy(y)), number(Left + w));
    }
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
               .arg(number(Left + w / 2), number(Height - 12), xLabel.toHtmlEscaped());
    svg += QStringLiteral("<text transform=\"translate(18 %1) rotate(-90)\" text-anchor=\"middle\">%2</text>\n")
               .arg(number(Top + h / 2), yLabel.toHtmlEscaped());
    for (int i = 0; i < lines.size(); ++i) {
        const PlotLine &line = lines[i];
        QString d;
        for (const QPointF &p : line.points) {
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                continue;
            d += (d.isEmpty() ? QStringLiteral("M") : QStringLiteral("L")) + number(sx(p.x())) + QLatin1Char(' ') + number(sy(p.y()));
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"3\" fill=\"%3\"/>\n").arg(number(sx(p.x())), number(sy(p.y())), line.colour);
        }
        svg += QStringLiteral("<path d=\"%1\" fill=\"none\" stroke=\"%2\" stroke-width=\"1.5\"/>\n").arg(d, line.colour);
        const double ly = Top + 10 + i * 20;
        svg += QStringLiteral("<path d=\"M%1 %2h20\" stroke=\"%3\" stroke-width=\"3\"/><text x=\"%4\" y=\"%5\">%6</text>\n")
                   .arg(number(Width - Right + 14), number(ly), line.colour, number(Width - Right + 40), number(ly + 4),
                        line.label.toHtmlEscaped());
    }
    svg += QStringLiteral("</svg>\n");
    QFile file(path);
    const QByteArray bytes = svg.toUtf8();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace bench
