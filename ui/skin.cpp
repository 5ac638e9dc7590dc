#include "ui/skin.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

#include <cmath>

namespace {

double Luminance(const QColor &c)
{
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

QColor Mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Black or white, whichever stands out more on `background`.
QColor Pole(const QColor &background)
{
    return ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background) ? QColor(Qt::black) : QColor(Qt::white);
}

// `wanted` where it stands out from `background` by `ratio`; otherwise the first colour on the way
// from it to black or white that does. A theme keeps its colours where they already read.
QColor Readable(const QColor &wanted, const QColor &background, double ratio)
{
    const QColor pole = Pole(background);
    for (int step = 0; step < 32; ++step) {
        const QColor c = Mix(wanted, pole, step / 32.0);
        if (ContrastRatio(c, background) >= ratio)
            return c;
    }
    return pole;
}

QPalette PaletteOf(const WindowLook &l, QPalette p)
{
    const QPalette derived(l.button, l.background); // Fusion's light and shadow edges of buttons
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (QPalette::ColorRole role : {QPalette::Light, QPalette::Midlight, QPalette::Shadow})
            p.setColor(g, role, derived.color(g, role));
        p.setColor(g, QPalette::Window, l.background);
        p.setColor(g, QPalette::Button, l.button);
        p.setColor(g, QPalette::Base, l.field);
        p.setColor(g, QPalette::AlternateBase, l.field);
        p.setColor(g, QPalette::Dark, l.frame);
        p.setColor(g, QPalette::Mid, Mix(l.background, l.frame, 0.5));
        p.setColor(g, QPalette::Highlight, l.highlight);
        p.setColor(g, QPalette::HighlightedText, l.highlightedText);
        const bool on = g != QPalette::Disabled;
        p.setColor(g, QPalette::WindowText, on ? l.text : l.greyText);
        p.setColor(g, QPalette::ButtonText, on ? l.buttonText : Readable(l.greyText, l.button, 3.0));
        p.setColor(g, QPalette::Text, on ? l.fieldText : Readable(l.greyText, l.field, 3.0));
        p.setColor(g, QPalette::PlaceholderText, Readable(l.greyText, l.field, 3.0));
    }
    return p;
}

// What every look shares: the group frames run through their titles (controls sit at places
// measured from a group's top edge), and the check boxes and option buttons draw their box with
// a frame that stands out from the background and a mark that stands out from the box.
QString SharedStyle(const WindowLook &l)
{
    const QString mark = Pole(l.field) == QColor(Qt::black) ? QStringLiteral("black") : QStringLiteral("white");
    return QStringLiteral(
               "QGroupBox { border: 1px solid %1; margin-top: 7px; }"
               "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: %2; }"
               "QGroupBox::title:disabled { color: %3; }"
               "QCheckBox::indicator, QRadioButton::indicator { width: 9px; height: 9px; border: 2px solid %4; background: %5; }"
               "QRadioButton::indicator { border-radius: 6px; }"
               "QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: %3; }"
               "QCheckBox::indicator:checked { image: url(:/lumenpage/check-%6.png); }"
               "QRadioButton::indicator:checked { image: url(:/lumenpage/dot-%6.png); }")
        .arg(Mix(l.background, l.frame, 0.5).name(), l.text.name(), l.greyText.name(), l.frame.name(), l.field.name(), mark);
}

// The skin's controls are drawn by the style sheet, which takes no colour from the window's
// palette (a sheet's palette() is the application's), so their colours are written out here
// and the skin file gives them their shapes.
QString SkinColours(const WindowLook &l)
{
    const QString greyOnField = Readable(l.greyText, l.field, 3.0).name();
    return QStringLiteral(
               "QPushButton { color: %1; border: 1px solid %2; background: %3; }"
               "QPushButton:hover { border-color: %4; }"
               "QPushButton:pressed { background: %5; }"
               "QTreeView { border: 1px solid %2; background: %6; color: %7;"
               " selection-background-color: %8; selection-color: %9; }"
               "QHeaderView { background: %3; }"
               "QHeaderView::section { color: %1; border: none; border-bottom: 1px solid %2; background: %3; }"
               "QLineEdit { border: 1px solid %2; background: %6; color: %7; }"
               "QLineEdit:disabled { color: %10; }"
               "QComboBox { border: 1px solid %2; border-radius: 3px; background: %6; color: %7; }"
               "QComboBox:disabled { color: %10; }"
               "QProgressBar { border: 1px solid %2; background: %6; color: %7; }"
               "QProgressBar::chunk { background: %8; }")
        .arg(l.buttonText.name(), l.frame.name(), l.button.name(), Readable(l.highlight, l.button, 3.0).name(),
             Mix(l.button, l.frame, 0.3).name(), l.field.name(), l.fieldText.name(), l.highlight.name(),
             l.highlightedText.name())
        .arg(greyOnField);
}

} // namespace

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

WindowLook LookFor(const QPalette &desktop, bool skinned)
{
    WindowLook l;
    if (!skinned) {
        // The plain window is white under any theme, so its colours are fixed: a theme's
        // colours, light under a dark theme, would vanish on white.
        l.background = l.field = Qt::white;
        l.text = l.fieldText = l.buttonText = Qt::black;
        l.greyText = QColor(0x80, 0x80, 0x80);
        l.button = QColor(0xef, 0xef, 0xef);
        l.highlight = QColor(0x30, 0x8c, 0xc6);
        l.highlightedText = Qt::white;
    } else {
        l.background = desktop.color(QPalette::Active, QPalette::Button);
        l.text = Readable(desktop.color(QPalette::Active, QPalette::WindowText), l.background, 4.5);
        // Greyed text is meant to recede, yet some light themes grey it to white.
        l.greyText = Readable(desktop.color(QPalette::Disabled, QPalette::WindowText), l.background, 3.0);
        l.field = desktop.color(QPalette::Active, QPalette::Base);
        l.fieldText = Readable(desktop.color(QPalette::Active, QPalette::Text), l.field, 4.5);
        l.button = l.background;
        l.buttonText = Readable(desktop.color(QPalette::Active, QPalette::ButtonText), l.button, 4.5);
        l.highlight = desktop.color(QPalette::Active, QPalette::Highlight);
        l.highlightedText = Readable(desktop.color(QPalette::Active, QPalette::HighlightedText), l.highlight, 4.5);
    }
    l.frame = Readable(l.background, l.background, 3.0);
    return l;
}

bool ApplySkin(QWidget &window, const QList<QWidget *> &faced, const QString &appFolder)
{
    const QString skinFile = appFolder + QStringLiteral("/x/o.cjs");
    const bool skinned = IsExistingFile(skinFile);
    const WindowLook look = LookFor(QApplication::palette(), skinned);
    // Under a style sheet a widget no longer inherits its parent's palette, so each control
    // is given the window's: the ones drawn by the desktop's style draw from it too.
    const QPalette palette = PaletteOf(look, window.palette());
    window.setPalette(palette);
    for (QWidget *w : window.findChildren<QWidget *>())
        w->setPalette(palette);
    for (QWidget *w : faced) {
        QPalette wp = w->palette();
        wp.setColor(QPalette::Window, look.background);
        w->setPalette(wp);
    }
    QString sheet = SharedStyle(look);
    if (skinned) {
        sheet += SkinColours(look);
        QFile file(skinFile);
        if (!file.open(QIODevice::ReadOnly)) {
            window.setStyleSheet(sheet);
            throw Failure(QStringLiteral("The skin %1 cannot be read: %2").arg(skinFile, file.errorString()), ErrorCode::PathFileAccess);
        }
        sheet += QString::fromUtf8(file.readAll());
    }
    window.setStyleSheet(sheet);
    return skinned;
}

QColor FocusRingColour(bool skinned)
{
    const WindowLook look = LookFor(QApplication::palette(), skinned);
    return Readable(look.highlight, look.background, 3.0);
}

QColor GflAxLabelColour(bool enabled, bool skinned)
{
    const WindowLook look = LookFor(QApplication::palette(), skinned);
    return enabled ? look.text : look.greyText;
}
