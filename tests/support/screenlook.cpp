#include "tests/support/screenlook.h"

#include <QHash>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cmath>

QPalette desktopPalette(bool dark)
{
    QPalette p;
    const QColor window = dark ? QColor(0x22, 0x20, 0x20) : QColor(0xef, 0xef, 0xef);
    const QColor button = dark ? QColor(0x42, 0x42, 0x45) : QColor(0xef, 0xef, 0xef);
    const QColor text = dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(0x10, 0x10, 0x10);
    const QColor base = dark ? QColor(0x3d, 0x3d, 0x3d) : QColor(0xff, 0xff, 0xff);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::Button, button);
        p.setColor(g, QPalette::Base, base);
        p.setColor(g, QPalette::AlternateBase, base);
        p.setColor(g, QPalette::Dark, dark ? QColor(0x30, 0x2f, 0x2e) : QColor(0x9f, 0x9f, 0x9f));
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(g, role, text);
    }
    // A light theme may draw disabled text in white on its grey (so does qt6ct's "airy").
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dark ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white));
    return p;
}

double luminance(QRgb c)
{
    const auto linear = [](int v) { return v <= 10 ? v / 255.0 / 12.92 : std::pow((v / 255.0 + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

Seen seen(QWidget *w, const QRect &part)
{
    const QImage image = w->grab(part).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    Seen s;
    s.background = std::max_element(counts.keyValueBegin(), counts.keyValueEnd(),
                                     [](const auto &a, const auto &b) { return a.second < b.second; })->first;
    const double lb = luminance(s.background);
    for (auto it = counts.keyBegin(); it != counts.keyEnd(); ++it) {
        const double l = luminance(*it);
        s.ratio = std::max(s.ratio, (std::max(l, lb) + 0.05) / (std::min(l, lb) + 0.05));
    }
    return s;
}
