#include "slides.h"

#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRadialGradient>

#include <random>

namespace bench {

namespace {

constexpr double PageW = 612, PageH = 792; // US Letter in points
constexpr int Steps = 4;                   // slides a topic builds up in

const char *const Topics[] = {"Where the year went", "What our readers asked", "Three markets, one plan",
                              "The numbers behind the launch", "Costs we can still cut", "What comes next"};
const char *const Points[] = {"Orders up in every region but one", "Shipping time down to two days",
                              "Support answers within the hour", "New partners in the north",
                              "Returns halved since the spring", "A second warehouse by March",
                              "Prices held for the third year", "Fewer steps at the checkout"};

void paintTemplate(QPainter &p, int page)
{
    QLinearGradient background(0, 0, 0, PageH);
    background.setColorAt(0, QColor(244, 247, 252));
    background.setColorAt(1, QColor(214, 226, 242));
    p.fillRect(QRectF(0, 0, PageW, PageH), background);
    QLinearGradient band(0, 0, PageW, 0);
    band.setColorAt(0, QColor(18, 40, 92));
    band.setColorAt(1, QColor(40, 96, 170));
    p.fillRect(QRectF(0, 0, PageW, 96), band);
    QRadialGradient logo(QPointF(560, 48), 26);
    logo.setColorAt(0, QColor(255, 210, 90));
    logo.setColorAt(1, QColor(230, 120, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(logo);
    p.drawEllipse(QPointF(560, 48), 26, 26);
    p.fillRect(QRectF(0, PageH - 36, PageW, 36), QColor(18, 40, 92));
    p.setPen(QColor(220, 228, 240));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    p.drawText(QRectF(36, PageH - 36, PageW - 72, 36), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Quarterly review"));
    p.drawText(QRectF(36, PageH - 36, PageW - 72, 36), Qt::AlignVCenter | Qt::AlignRight, QString::number(page + 1));
}

void paintSlide(QPainter &p, int page, std::mt19937 &rng)
{
    paintTemplate(p, page);
    const int topic = page / Steps, step = page % Steps;
    p.setPen(Qt::white);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 24, QFont::Bold));
    p.drawText(QRectF(36, 0, 480, 96), Qt::AlignVCenter, QString::fromLatin1(Topics[topic % std::size(Topics)]));
    std::mt19937 topicRng(rng() ^ quint32(topic)); // the same bullets and bars on every step of a topic
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 16));
    for (int k = 0; k <= step; ++k) {
        const double y = 140 + k * 54;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 120, 20));
        p.drawEllipse(QPointF(52, y + 12), 6, 6);
        p.setPen(QColor(30, 36, 48));
        p.drawText(QRectF(70, y, 500, 26), Qt::AlignVCenter, QString::fromLatin1(Points[(topic * 3 + k) % std::size(Points)]));
    }
    // Bars that grow by one each step, in the lower half.
    const QRectF chart(60, 400, 492, 300);
    p.setPen(QPen(QColor(90, 100, 120), 1));
    p.drawLine(chart.bottomLeft(), chart.bottomRight());
    for (int k = 0; k <= step; ++k) {
        const double h = 60 + double(topicRng() % 220);
        QLinearGradient bar(0, chart.bottom() - h, 0, chart.bottom());
        bar.setColorAt(0, QColor(60, 140, 220));
        bar.setColorAt(1, QColor(20, 70, 150));
        p.fillRect(QRectF(chart.left() + 20 + k * 118, chart.bottom() - h, 80, h), bar);
    }
}

} // namespace

bool writeSlides(const QString &path, int pages, quint32 seed, QString *error)
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
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        std::mt19937 rng(seed);
        p.save();
        paintSlide(p, i, rng);
        p.restore();
    }
    return p.end();
}

} // namespace bench
