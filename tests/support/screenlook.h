#pragma once

#include <QPalette>
#include <QRect>
#include <QRgb>

class QWidget;

// How the window looks on the screen, for the tests of its colours.

// The desktop palettes the window is looked at under: a dark theme's (qt6ct's "darker": a
// button face apart from the window colour, fields hardly darker than the face) and a light one's.
QPalette desktopPalette(bool dark);

double luminance(QRgb c);

// A part of a widget as drawn: its background (its most common colour) and how far its most
// telling pixel (text, an indicator's edge or mark) stands out from that, as a contrast ratio
// (1 for a flat part, 21 for black on white).
struct Seen {
    QRgb background = 0;
    double ratio = 1;
};
Seen seen(QWidget *w, const QRect &part);
