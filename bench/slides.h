#pragma once

// A slide-like document for the animation bench: every page on one template (a gradient
// background, a title band, a logo and a footer), and slides that build up in steps, each
// adding a bullet or a bar to the one before, as a presentation's handout does.

#include <QString>

namespace bench {

// Writes a US Letter PDF of `pages` such slides, made from `seed` alone. Needs a
// QGuiApplication.
bool writeSlides(const QString &path, int pages, quint32 seed, QString *error);

} // namespace bench
