#pragma once

#include <QLocale>
#include <QString>

// The program's texts and Qt's own (buttons, file dialogs, the command line's help) in the
// user's language. Our catalogues live in the AppFolder's translations/ folder, Qt's in Qt's
// translations folder; a language without a catalogue stays English.

// The language the desktop asks for: LANGUAGE's list first (as gettext reads it, ignored under
// the C locale), then LC_ALL, LC_MESSAGES, LANG.
QLocale UserLocale();

// Replaces any catalogues installed before by those for `locale`; the C or an English locale
// installs none. Call before the first window or message.
void InstallTranslations(const QLocale &locale = UserLocale());
