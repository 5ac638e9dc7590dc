#pragma once

#include <QColor>
#include <QString>

#include <initializer_list>

class QWidget;

// The window's look. With the optional skin, AppFolder/x/o.cjs (a Qt style sheet), the window
// and `faced` take the desktop's button face and the skin's styles; without it the window stays
// white with dark text whatever the desktop's theme. Only an ordinary file counts as the skin.
// Returns whether the skin was applied; throws Failure where the skin is there but unreadable.
bool ApplySkin(QWidget &window, const QList<QWidget *> &faced, const QString &appFolder);

// The text colour of the GflAx option's labels, whose group is enabled only with that method.
QColor GflAxLabelColour(bool enabled, bool skinned);
