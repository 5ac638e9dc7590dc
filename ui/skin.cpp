#include "ui/skin.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QWidget>

namespace {

// Controls sit at fixed places measured from a group's top edge, so the group's frame line must
// run through its title, not below it. The backgrounds are white whatever the desktop's theme,
// so the text on them is dark whatever it is too (a dark theme's light text would vanish); the
// GflAx labels take theirs from GflAxLabelColour.
const char PlainStyle[] =
    "QGroupBox { border: 1px solid #b4b4b4; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: black; }"
    "QGroupBox::title:disabled { color: #a0a0a0; }"
    "QGroupBox, QRadioButton, QCheckBox, QLabel { background-color: white; }"
    "QRadioButton, QCheckBox { color: black; }"
    "QRadioButton:disabled, QCheckBox:disabled { color: #808080; }";

} // namespace

bool ApplySkin(QWidget &window, const QList<QWidget *> &faced, const QString &appFolder)
{
    const QString skinFile = appFolder + QStringLiteral("/x/o.cjs");
    if (!IsExistingFile(skinFile)) {
        window.setStyleSheet(QString::fromLatin1(PlainStyle));
        return false;
    }
    const QColor face = QApplication::palette().color(QPalette::Button);
    QPalette p = window.palette();
    p.setColor(QPalette::Window, face);
    window.setPalette(p);
    for (QWidget *w : faced) {
        QPalette wp = w->palette();
        wp.setColor(QPalette::Window, face);
        w->setPalette(wp);
    }
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("The skin %1 cannot be read: %2").arg(skinFile, file.errorString()), ErrorCode::PathFileAccess);
    window.setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

QColor GflAxLabelColour(bool enabled, bool skinned)
{
    // On the skin's background, the desktop's button face, the desktop's own text colours (black
    // and grey under a light theme). The plain window is white under any theme, so its colours
    // are fixed: a theme's colours, light under a dark theme, would vanish on white.
    if (skinned) {
        const QPalette desktop = QApplication::palette();
        return enabled ? desktop.color(QPalette::Active, QPalette::WindowText)
                       : desktop.color(QPalette::Disabled, QPalette::WindowText);
    }
    return enabled ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80);
}
