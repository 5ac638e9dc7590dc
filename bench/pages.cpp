#include "pages.h"

#include <QFont>
#include <QHash>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <random>

namespace bench {

namespace {

// ---------------------------------------------------------------------------------------------
// Page content. Coordinates are points (the PDF is written at 72 units per inch); a Letter page
// is 612 x 792.

constexpr double PageW = 612, PageH = 792, Margin = 60;

class Words {
public:
    explicit Words(std::mt19937 &rng) : m_rng(rng) {}
    QString word()
    {
        static const char *syllables[] = {"lo", "rem", "ip", "sum", "do", "lor", "sit", "a", "met", "con",
                                          "sec", "te", "tur", "ad", "pis", "ci", "ng", "e", "lit", "sed",
                                          "eius", "mod", "tem", "por", "in", "ci", "di", "dunt", "ut", "la",
                                          "bo", "re", "et", "mag", "na", "ali", "qua", "ver", "ta", "mus"};
        const int n = 1 + static_cast<int>(m_rng() % 3);
        QString w;
        for (int i = 0; i < n; ++i)
            w += QLatin1String(syllables[m_rng() % std::size(syllables)]);
        return w;
    }
    QString sentence(int minWords, int maxWords)
    {
        const int n = minWords + static_cast<int>(m_rng() % (maxWords - minWords + 1));
        QString s;
        for (int i = 0; i < n; ++i) {
            QString w = word();
            if (i == 0)
                w[0] = w[0].toUpper();
            s += w;
            s += (i + 1 == n) ? QStringLiteral(". ") : (m_rng() % 9 == 0 ? QStringLiteral(", ") : QStringLiteral(" "));
        }
        return s;
    }
    QString paragraph(int sentences)
    {
        QString p;
        for (int i = 0; i < sentences; ++i)
            p += sentence(6, 16);
        return p.trimmed();
    }

private:
    std::mt19937 &m_rng;
};

// Draws word-wrapped text and gives the height used.
double drawParagraph(QPainter &p, double x, double y, double width, const QString &text, int flags = 0)
{
    const QRectF box(x, y, width, 10000);
    const QRectF used = p.boundingRect(box, Qt::TextWordWrap | flags, text);
    p.drawText(box, Qt::TextWordWrap | flags, text);
    return used.height();
}

void paintTextPage(QPainter &p, int index, std::mt19937 &rng)
{
    // Even pages are black and grey only (they decode to pure greys); odd ones carry colour.
    const bool colour = index % 2 == 1;
    Words words(rng);
    const QColor accent = colour ? QColor(20, 60, 140) : QColor(0, 0, 0);
    const double width = PageW - 2 * Margin;
    double y = Margin;

    QFont title(QStringLiteral("DejaVu Sans"), 20, QFont::Bold);
    p.setFont(title);
    p.setPen(accent);
    y += drawParagraph(p, Margin, y, width, words.sentence(4, 7)) + 6;
    p.setPen(QPen(colour ? QColor(200, 40, 40) : QColor(120, 120, 120), 1.5));
    p.drawLine(QPointF(Margin, y), QPointF(PageW - Margin, y));
    y += 14;

    QFont body(QStringLiteral("DejaVu Serif"), 10);
    QFont heading(QStringLiteral("DejaVu Sans"), 13, QFont::Bold);
    QFont small(QStringLiteral("DejaVu Sans"), 8);
    int section = 1;
    while (y < PageH - Margin - 120) {
        p.setFont(heading);
        p.setPen(accent);
        y += drawParagraph(p, Margin, y, width, QStringLiteral("%1.%2 ").arg(index + 1).arg(section++) + words.sentence(2, 5)) + 6;
        p.setFont(body);
        for (int k = 0; k < 2 && y < PageH - Margin - 80; ++k) {
            p.setPen(Qt::black);
            y += drawParagraph(p, Margin, y, width, words.paragraph(3 + static_cast<int>(rng() % 3)), Qt::AlignJustify) + 8;
        }
        if (section == 3) {
            // A small table with striped rows.
            p.setFont(small);
            const int rows = 6, cols = 4;
            const double rowH = 15, colW = width / cols;
            for (int r = 0; r < rows; ++r) {
                if (r % 2 == 0)
                    p.fillRect(QRectF(Margin, y + r * rowH, width, rowH), colour ? QColor(225, 235, 250) : QColor(235, 235, 235));
                for (int c = 0; c < cols; ++c) {
                    p.setPen(r == 0 ? accent : QColor(Qt::black));
                    const QString cell = r == 0 ? words.word().toUpper()
                                                : (c == 0 ? words.word() : QString::number((rng() % 100000) / 100.0, 'f', 2));
                    p.drawText(QRectF(Margin + c * colW + 4, y + r * rowH, colW - 8, rowH), Qt::AlignVCenter, cell);
                }
            }
            y += rows * rowH + 12;
        }
        if (colour && section == 4) {
            // A highlighted note box and a "link".
            const QString note = words.paragraph(2);
            p.setFont(body);
            const QRectF used = p.boundingRect(QRectF(Margin + 10, y + 8, width - 20, 1000), Qt::TextWordWrap, note);
            p.fillRect(QRectF(Margin, y, width, used.height() + 16), QColor(255, 246, 200));
            p.fillRect(QRectF(Margin, y, 4, used.height() + 16), QColor(230, 150, 0));
            p.setPen(QColor(90, 60, 0));
            p.drawText(QRectF(Margin + 10, y + 8, width - 20, 1000), Qt::TextWordWrap, note);
            y += used.height() + 26;
            QFont link = body;
            link.setUnderline(true);
            p.setFont(link);
            p.setPen(QColor(0, 80, 200));
            y += drawParagraph(p, Margin, y, width, QStringLiteral("https://example.org/") + words.word()) + 8;
        }
    }
    p.setFont(small);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(Margin, PageH - Margin + 10, width, 20), Qt::AlignHCenter, QString::number(index + 1));
}

// Value noise on a hashed lattice, summed over octaves: the raw material of the "photographs".
class Noise {
public:
    explicit Noise(uint32_t seed) : m_seed(seed) {}
    float fbm(float x, float y, int octaves) const
    {
        float sum = 0, amp = 0.5f, norm = 0;
        for (int o = 0; o < octaves; ++o) {
            sum += amp * value(x, y, o);
            norm += amp;
            x *= 2.03f;
            y *= 2.03f;
            amp *= 0.5f;
        }
        return sum / norm;
    }

private:
    float lattice(int x, int y, int o) const
    {
        uint32_t h = m_seed ^ (static_cast<uint32_t>(x) * 0x8da6b343u) ^ (static_cast<uint32_t>(y) * 0xd8163841u)
                     ^ (static_cast<uint32_t>(o) * 0xcb1ab31fu);
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        h ^= h >> 15;
        return (h & 0xffffff) / float(0xffffff);
    }
    float value(float x, float y, int o) const
    {
        const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
        float fx = x - xi, fy = y - yi;
        fx = fx * fx * (3 - 2 * fx);
        fy = fy * fy * (3 - 2 * fy);
        const float a = lattice(xi, yi, o), b = lattice(xi + 1, yi, o);
        const float c = lattice(xi, yi + 1, o), d = lattice(xi + 1, yi + 1, o);
        return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
    }
    uint32_t m_seed;
};

QRgb mix(QRgb a, QRgb b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    auto m = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5f); };
    return qRgb(m(qRed(a), qRed(b)), m(qGreen(a), qGreen(b)), m(qBlue(a), qBlue(b)));
}

// Sensor-like grain, so that the pictures have the fine noise of real photographs.
void addGrain(QImage &img, std::mt19937 &rng, float strength)
{
    std::normal_distribution<float> n(0, strength);
    for (int y = 0; y < img.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const float g = n(rng);
            auto c = [g](int v) { return std::clamp(static_cast<int>(v + g + 0.5f), 0, 255); };
            row[x] = qRgb(c(qRed(row[x])), c(qGreen(row[x])), c(qBlue(row[x])));
        }
    }
}

QImage landscape(int w, int h, std::mt19937 &rng)
{
    QImage img(w, h, QImage::Format_RGB32);
    const Noise noise(rng());
    const float horizon = h * (0.45f + 0.1f * (rng() % 100) / 100.0f);
    const float sunX = w * (0.2f + 0.6f * (rng() % 100) / 100.0f), sunY = horizon * 0.55f;
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            QRgb c;
            const float ridge = horizon - h * 0.18f * noise.fbm(x / 260.0f, 3.7f, 5);
            const float ridge2 = horizon + h * 0.05f - h * 0.10f * noise.fbm(x / 150.0f, 9.1f, 5);
            if (y < ridge) {
                const float t = y / ridge;
                c = mix(qRgb(40, 90, 170), qRgb(235, 190, 150), t * t);
                const float d = std::hypot(x - sunX, y - sunY) / (w * 0.35f);
                c = mix(c, qRgb(255, 240, 200), std::exp(-d * d * 4) * 0.9f);
                const float cloud = noise.fbm(x / 220.0f, y / 90.0f, 6);
                c = mix(c, qRgb(250, 250, 252), std::max(0.0f, cloud - 0.52f) * 3.2f);
            } else if (y < ridge2) {
                const float shade = noise.fbm(x / 40.0f, y / 40.0f, 5);
                c = mix(qRgb(70, 80, 110), qRgb(120, 125, 150), shade + (y - ridge) / (h * 0.3f));
            } else {
                const float t = (y - ridge2) / (h - ridge2);
                const float grass = noise.fbm(x / 12.0f, y / 5.0f, 4);
                c = mix(qRgb(70, 120, 50), qRgb(30, 70, 20), t);
                c = mix(c, qRgb(150, 160, 60), grass * 0.6f);
            }
            row[x] = c;
        }
    }
    addGrain(img, rng, 3.5f);
    return img;
}

QImage bokeh(int w, int h, std::mt19937 &rng)
{
    QImage img(w, h, QImage::Format_RGB32);
    QLinearGradient bg(0, 0, w, h);
    bg.setColorAt(0, QColor(30, 20, 40));
    bg.setColorAt(1, QColor(90, 50, 30));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(img.rect(), bg);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 90; ++i) {
        const QPointF c(rng() % w, rng() % h);
        const double r = 20 + rng() % 120;
        QColor col = QColor::fromHsv(rng() % 360, 120 + rng() % 120, 160 + rng() % 95);
        QRadialGradient g(c, r);
        col.setAlpha(110);
        g.setColorAt(0, col);
        g.setColorAt(0.85, col);
        col.setAlpha(0);
        g.setColorAt(1, col);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    // A softly lit subject in the middle.
    const QPointF face(w * 0.5, h * 0.45);
    QRadialGradient skin(face + QPointF(-w * 0.06, -h * 0.06), w * 0.3);
    skin.setColorAt(0, QColor(250, 215, 185));
    skin.setColorAt(0.6, QColor(205, 150, 115));
    skin.setColorAt(1, QColor(120, 75, 55));
    p.setBrush(skin);
    p.drawEllipse(face, w * 0.2, h * 0.19);
    QRadialGradient cloth(QPointF(w * 0.5, h * 1.0), w * 0.5);
    cloth.setColorAt(0, QColor(40, 70, 120));
    cloth.setColorAt(1, QColor(10, 20, 40));
    p.setBrush(cloth);
    p.drawEllipse(QPointF(w * 0.5, h * 1.02), w * 0.42, h * 0.32);
    p.end();
    addGrain(img, rng, 4.0f);
    return img;
}

QImage stillLife(int w, int h, std::mt19937 &rng)
{
    QImage img(w, h, QImage::Format_RGB32);
    const Noise noise(rng());
    const int table = h * 6 / 10;
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if (y < table) {
                row[x] = mix(qRgb(200, 195, 185), qRgb(120, 115, 110), noise.fbm(x / 300.0f, y / 300.0f, 3) + y / float(h));
            } else {
                const float grain = std::sin(x / 9.0f + 12 * noise.fbm(x / 200.0f, y / 30.0f, 4));
                row[x] = mix(qRgb(120, 70, 35), qRgb(170, 110, 60), 0.5f + 0.5f * grain);
            }
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        const double r = w * (0.06 + 0.05 * (rng() % 100) / 100.0);
        const QPointF c(w * (0.12 + 0.76 * (rng() % 100) / 100.0), table + h * 0.05 + (rng() % 100) / 100.0 * h * 0.25);
        QRadialGradient shadow(c + QPointF(r * 0.4, r * 0.9), r * 1.2);
        shadow.setColorAt(0, QColor(0, 0, 0, 110));
        shadow.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(shadow);
        p.drawEllipse(c + QPointF(r * 0.4, r * 0.9), r * 1.3, r * 0.5);
        const QColor base = QColor::fromHsv((rng() % 6) * 60 + rng() % 20, 200, 210);
        QRadialGradient g(c - QPointF(r * 0.35, r * 0.35), r * 1.3);
        g.setColorAt(0, QColor(255, 255, 250));
        g.setColorAt(0.12, base.lighter(130));
        g.setColorAt(0.7, base);
        g.setColorAt(1, base.darker(300));
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    p.end();
    addGrain(img, rng, 3.0f);
    return img;
}

QImage texture(int w, int h, std::mt19937 &rng)
{
    QImage img(w, h, QImage::Format_RGB32);
    const Noise hue(rng()), light(rng());
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float hh = hue.fbm(x / 180.0f, y / 180.0f, 4);
            const float v = light.fbm(x / 25.0f, y / 25.0f, 5);
            row[x] = QColor::fromHsvF(std::fmod(hh * 1.6f + 0.1f, 1.0f), 0.55f + 0.4f * v, 0.35f + 0.6f * v).rgb();
        }
    }
    addGrain(img, rng, 2.5f);
    return img;
}

QImage sunsetWater(int w, int h, std::mt19937 &rng)
{
    QImage img(w, h, QImage::Format_RGB32);
    const Noise noise(rng());
    const int horizon = h / 2;
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int sy = y < horizon ? y : 2 * horizon - y + static_cast<int>(12 * noise.fbm(x / 30.0f, y / 6.0f, 3) - 6);
            const float t = std::clamp(sy / float(horizon), 0.0f, 1.0f);
            QRgb c = mix(qRgb(30, 30, 90), qRgb(250, 120, 40), t);
            c = mix(c, qRgb(255, 220, 120), std::exp(-std::pow(std::hypot(x - w * 0.5f, sy - horizon * 0.9f) / (w * 0.12f), 2)));
            if (y >= horizon)
                c = mix(c, qRgb(10, 20, 50), 0.35f + 0.3f * (y - horizon) / float(h - horizon));
            row[x] = c;
        }
    }
    addGrain(img, rng, 3.0f);
    return img;
}

QImage photo(int kind, int w, int h, std::mt19937 &rng)
{
    switch (kind % 5) {
    case 0: return landscape(w, h, rng);
    case 1: return bokeh(w, h, rng);
    case 2: return stillLife(w, h, rng);
    case 3: return texture(w, h, rng);
    default: return sunsetWater(w, h, rng);
    }
}

void paintPhotoPage(QPainter &p, int index, std::mt19937 &rng)
{
    // Pixels per point for images at 144 dpi on the page.
    constexpr double Px = 2.0;
    if (index % 3 != 2) {
        // Full bleed photograph.
        const QImage img = photo(index, static_cast<int>(PageW * Px), static_cast<int>(PageH * Px), rng);
        p.drawImage(QRectF(0, 0, PageW, PageH), img);
        return;
    }
    // A collage of four photographs with captions on white.
    Words words(rng);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 16, QFont::Bold));
    p.setPen(Qt::black);
    p.drawText(QRectF(Margin, Margin - 20, PageW - 2 * Margin, 30), Qt::AlignLeft, words.sentence(3, 5));
    const double cellW = (PageW - 2 * Margin - 20) / 2, cellH = (PageH - 2 * Margin - 80) / 2;
    p.setFont(QFont(QStringLiteral("DejaVu Serif"), 9));
    for (int i = 0; i < 4; ++i) {
        const double x = Margin + (i % 2) * (cellW + 20), y = Margin + 20 + (i / 2) * (cellH + 30);
        const QImage img = photo(index + i + 1, static_cast<int>(cellW * Px), static_cast<int>((cellH - 20) * Px), rng);
        p.drawImage(QRectF(x, y, cellW, cellH - 20), img);
        p.drawText(QRectF(x, y + cellH - 16, cellW, 30), Qt::TextWordWrap, words.sentence(5, 10));
    }
}

QColor viridis(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    static const QColor stops[] = {QColor(68, 1, 84), QColor(59, 82, 139), QColor(33, 145, 140),
                                   QColor(94, 201, 98), QColor(253, 231, 37)};
    const double s = t * 4;
    const int i = std::min(3, static_cast<int>(s));
    const double f = s - i;
    const QColor &a = stops[i], &b = stops[i + 1];
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * f, a.greenF() + (b.greenF() - a.greenF()) * f,
                            a.blueF() + (b.blueF() - a.blueF()) * f);
}

void drawAxes(QPainter &p, const QRectF &r, std::mt19937 &rng)
{
    p.setPen(QPen(QColor(220, 220, 220), 0.5));
    for (int i = 1; i < 10; ++i) {
        p.drawLine(QPointF(r.left() + r.width() * i / 10, r.top()), QPointF(r.left() + r.width() * i / 10, r.bottom()));
        p.drawLine(QPointF(r.left(), r.top() + r.height() * i / 10), QPointF(r.right(), r.top() + r.height() * i / 10));
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.topLeft());
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 7));
    for (int i = 0; i <= 10; i += 2) {
        p.drawText(QRectF(r.left() + r.width() * i / 10 - 20, r.bottom() + 3, 40, 12), Qt::AlignHCenter, QString::number(i * 10));
        p.drawText(QRectF(r.left() - 34, r.bottom() - r.height() * i / 10 - 6, 30, 12), Qt::AlignRight,
                   QString::number(i * (1 + rng() % 3)));
    }
}

void paintPlot(QPainter &p, int kind, const QRectF &r, std::mt19937 &rng)
{
    static const QColor palette[] = {QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),
                                     QColor(214, 39, 40), QColor(148, 103, 189), QColor(140, 86, 75)};
    std::normal_distribution<double> n(0, 1);
    std::uniform_real_distribution<double> u(0, 1);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind % 6) {
    case 0: { // line chart with legend
        drawAxes(p, r, rng);
        for (int s = 0; s < 6; ++s) {
            QPainterPath path;
            double v = r.height() * (0.2 + 0.6 * u(rng));
            for (int i = 0; i <= 200; ++i) {
                v = std::clamp(v + n(rng) * r.height() * 0.02, 0.0, r.height());
                const QPointF pt(r.left() + r.width() * i / 200, r.bottom() - v);
                i ? path.lineTo(pt) : path.moveTo(pt);
            }
            p.setPen(QPen(palette[s], 1.2));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
            p.fillRect(QRectF(r.right() - 80, r.top() + 8 + s * 12, 14, 3), palette[s]);
            p.setPen(Qt::black);
            p.drawText(QRectF(r.right() - 62, r.top() + 2 + s * 12, 60, 12), Qt::AlignLeft, QStringLiteral("series %1").arg(s + 1));
        }
        break;
    }
    case 1: { // scatter coloured by value
        drawAxes(p, r, rng);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 2500; ++i) {
            const double x = u(rng), y = std::clamp(0.5 + 0.3 * (x - 0.5) + 0.15 * n(rng), 0.0, 1.0);
            QColor c = viridis(y);
            c.setAlpha(200);
            p.setBrush(c);
            p.drawEllipse(QPointF(r.left() + x * r.width(), r.bottom() - y * r.height()), 1.6, 1.6);
        }
        break;
    }
    case 2: { // grouped bars
        drawAxes(p, r, rng);
        const int groups = 8, bars = 4;
        const double gw = r.width() / groups;
        for (int g = 0; g < groups; ++g)
            for (int b = 0; b < bars; ++b) {
                const double hgt = r.height() * (0.15 + 0.8 * u(rng));
                p.fillRect(QRectF(r.left() + g * gw + 6 + b * (gw - 12) / bars, r.bottom() - hgt, (gw - 12) / bars - 1, hgt), palette[b]);
            }
        break;
    }
    case 3: { // heat map of vector cells with a colour bar
        const int cols = 60, rows = 36;
        const double cw = (r.width() - 40) / cols, ch = r.height() / rows;
        const double fx = 2 + 3 * u(rng), fy = 2 + 3 * u(rng);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x) {
                const double v = 0.5 + 0.25 * std::sin(x / double(cols) * fx * 3.14) * std::cos(y / double(rows) * fy * 3.14) + 0.1 * n(rng);
                p.fillRect(QRectF(r.left() + x * cw, r.top() + y * ch, cw + 0.05, ch + 0.05), viridis(v));
            }
        QLinearGradient bar(0, r.bottom(), 0, r.top());
        for (int i = 0; i <= 4; ++i)
            bar.setColorAt(i / 4.0, viridis(i / 4.0));
        p.fillRect(QRectF(r.right() - 25, r.top(), 15, r.height()), bar);
        break;
    }
    case 4: { // pie and donut
        const double d = std::min(r.width() / 2, r.height()) - 10;
        QRectF pie(r.left() + 10, r.center().y() - d / 2, d, d);
        int start = 0;
        for (int s = 0; s < 6; ++s) {
            const int span = s == 5 ? 5760 - start : static_cast<int>(5760 * (0.08 + 0.12 * u(rng)));
            p.setPen(QPen(Qt::white, 1.5));
            p.setBrush(palette[s]);
            p.drawPie(pie, start, span);
            start += span;
        }
        QRectF donut = pie.translated(r.width() / 2, 0);
        start = 0;
        for (int s = 0; s < 6; ++s) {
            const int span = s == 5 ? 5760 - start : static_cast<int>(5760 * (0.1 + 0.1 * u(rng)));
            p.setBrush(palette[5 - s].lighter(120));
            p.drawPie(donut, start, span);
            start += span;
        }
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(donut.center(), d * 0.28, d * 0.28);
        break;
    }
    default: { // translucent gradient areas
        drawAxes(p, r, rng);
        for (int s = 0; s < 3; ++s) {
            QPainterPath path(QPointF(r.left(), r.bottom()));
            double v = r.height() * (0.3 + 0.2 * s);
            for (int i = 0; i <= 100; ++i) {
                v = std::clamp(v + n(rng) * r.height() * 0.03, 0.0, r.height());
                path.lineTo(r.left() + r.width() * i / 100, r.bottom() - v);
            }
            path.lineTo(r.bottomRight());
            path.closeSubpath();
            QLinearGradient g(0, r.top(), 0, r.bottom());
            QColor c = palette[s];
            c.setAlpha(170);
            g.setColorAt(0, c);
            c.setAlpha(30);
            g.setColorAt(1, c);
            p.setPen(QPen(palette[s], 1));
            p.setBrush(g);
            p.drawPath(path);
        }
        break;
    }
    }
}

void paintPlotPage(QPainter &p, int index, std::mt19937 &rng)
{
    Words words(rng);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 15, QFont::Bold));
    p.setPen(Qt::black);
    p.drawText(QRectF(Margin, Margin - 24, PageW - 2 * Margin, 24), Qt::AlignLeft, words.sentence(3, 6));
    const double plotH = (PageH - 2 * Margin - 150) / 2;
    for (int i = 0; i < 2; ++i) {
        const QRectF r(Margin + 40, Margin + 20 + i * (plotH + 75), PageW - 2 * Margin - 50, plotH);
        paintPlot(p, index * 2 + i, r, rng);
        p.setFont(QFont(QStringLiteral("DejaVu Serif"), 9));
        p.setPen(Qt::black);
        p.drawText(QRectF(Margin, r.bottom() + 18, PageW - 2 * Margin, 40), Qt::TextWordWrap,
                   QStringLiteral("Figure %1. ").arg(index * 2 + i + 1) + words.sentence(10, 22));
    }
}

} // namespace

QString kindName(PageKind kind)
{
    switch (kind) {
    case PageKind::Text: return QStringLiteral("text");
    case PageKind::Photo: return QStringLiteral("photo");
    case PageKind::Plot: return QStringLiteral("plot");
    }
    return QString();
}

QList<PageKind> mixedKinds(int pages)
{
    static const PageKind cycle[] = {PageKind::Text, PageKind::Photo, PageKind::Plot};
    QList<PageKind> kinds;
    for (int i = 0; i < pages; ++i)
        kinds << cycle[i % 3];
    return kinds;
}

bool writePdf(const QString &path, const QList<PageKind> &kinds, quint32 seed, QString *error)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    writer.setCreator(QStringLiteral("Lumenpage bench"));
    QPainter p;
    if (!p.begin(&writer)) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    std::mt19937 rng(seed);
    QHash<int, int> perKind;
    for (int i = 0; i < kinds.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const int k = perKind[static_cast<int>(kinds[i])]++;
        p.save();
        switch (kinds[i]) {
        case PageKind::Text: paintTextPage(p, k, rng); break;
        case PageKind::Photo: paintPhotoPage(p, k, rng); break;
        case PageKind::Plot: paintPlotPage(p, k, rng); break;
        }
        p.restore();
    }
    return p.end();
}

} // namespace bench
