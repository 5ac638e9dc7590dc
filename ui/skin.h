#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

#include <initializer_list>

class QWidget;

// The colours the window draws every control with, one set for the whole window. Plain: white
// backgrounds and black text whatever the desktop's theme. Skinned: the desktop's button face
// and the desktop's own colours, each moved toward black or white where the theme leaves it too
// faint on what it is drawn on (text 4.5:1; frames, indicators and greyed text 3:1).
struct WindowLook {
    QColor background, text, greyText; // the window, its groups, captions and labels
    QColor field, fieldText;           // the list, the text boxes, the indicators' inside
    QColor frame;                      // the edges of fields, buttons and indicators
    QColor button, buttonText, highlight, highlightedText;
};
WindowLook LookFor(const QPalette &desktop, bool skinned);

// The contrast ratio of two colours (1 to 21) from their relative luminance.
double ContrastRatio(const QColor &a, const QColor &b);

// The window's look. With the optional skin, AppFolder/x/o.cjs (a Qt style sheet), the window
// and `faced` take the desktop's button face and the skin's styles; without it the window stays
// white with dark text whatever the desktop's theme. Either way every control is coloured from
// LookFor's one palette. Only an ordinary file counts as the skin.
// Returns whether the skin was applied; throws Failure where the skin is there but unreadable.
bool ApplySkin(QWidget &window, const QList<QWidget *> &faced, const QString &appFolder);

// The keyboard focus ring's colour: the theme's highlight where it stands out from the window's
// background by 3:1, else the first shade toward black or white that does.
QColor FocusRingColour(bool skinned);

// The text colour of the GflAx option's labels, whose group is enabled only with that method.
QColor GflAxLabelColour(bool enabled, bool skinned);
