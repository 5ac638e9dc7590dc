#pragma once

#include "engine/methods/methods.h"

#include <QString>
#include <QStringList>
#include <QtTest>

// The one policy for the outside programs some tests drive (Ghostscript, cjpeg): where one is
// missing, the test skips, naming the program and the Debian package that brings it. A macro
// because QSKIP must return from the test function itself: a helper function that skipped
// would let the test run on and fail.
#define LP_SKIP_WITHOUT(...)                                                       \
    do {                                                                           \
        const QString lpMissingPrograms = TestPrograms::missing({__VA_ARGS__});    \
        if (!lpMissingPrograms.isEmpty())                                          \
            QSKIP(qPrintable(lpMissingPrograms));                                  \
    } while (false)

namespace TestPrograms {

// The outside programs a method runs: Ghostscript and cjpeg for the Ghostscript method,
// Ghostscript for the Black/White one; the other two run only this project's renderer.
QStringList of(Method method);

// Empty when every program is on the PATH; otherwise the skip message, for example
// "not installed: gs (Debian package ghostscript), cjpeg (Debian package libjpeg-turbo-progs);
// this test needs them".
QString missing(const QStringList &programs);

} // namespace TestPrograms
