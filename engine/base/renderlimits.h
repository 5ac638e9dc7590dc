#pragma once

#include "sys/programrunner.h"

#include <QCoreApplication>
#include <QString>

// What one PDF may cost: every renderer (Ghostscript, and the page renderer behind the GflAx
// and Acrobat stand-ins) runs as a child process under these caps, so that a hostile file fails
// alone instead of taking the machine's memory or the run's time.
struct RenderLimits {
    // Address space of the renderer. 2 GB fits a desktop and still renders a page at 1152 dpi.
    qint64 memoryMB = DefaultMemoryMB;
    // A page that takes longer than this is abandoned. Generous: a slow machine and a heavy page
    // of vector art take well under a minute.
    int pageSeconds = DefaultPageSeconds;

    static constexpr qint64 DefaultMemoryMB = 2048;
    static constexpr int DefaultPageSeconds = 300;
    // Below this a renderer cannot even start.
    static constexpr qint64 MinimumMemoryMB = 256;
    // A day: beyond it a cap no longer bounds anything a user would wait for.
    static constexpr int MaximumPageSeconds = 24 * 60 * 60;

    ChildLimits child() const
    {
        ChildLimits limits;
        limits.memoryBytes = memoryMB * 1024 * 1024;
        return limits;
    }
    QString memoryCapText() const { return QCoreApplication::translate("Engine", "the memory cap of %1 MB").arg(memoryMB); }
    QString timeCapText() const { return QCoreApplication::translate("Engine", "the time cap of %1 seconds per page").arg(pageSeconds); }

    // A memory cap from a setting or option text: whole megabytes, at least MinimumMemoryMB.
    // False (and the default kept) for anything else.
    static bool parseMemoryMB(const QString &text, qint64 *megabytes)
    {
        bool ok = false;
        const qint64 mb = text.trimmed().toLongLong(&ok);
        if (!ok || mb < MinimumMemoryMB || mb > (qint64(1) << 40))
            return false;
        *megabytes = mb;
        return true;
    }

    // A time cap from a setting or option text: whole seconds, 1 to MaximumPageSeconds. False
    // (and the default kept) for anything else.
    static bool parsePageSeconds(const QString &text, int *seconds)
    {
        bool ok = false;
        const int s = text.trimmed().toInt(&ok);
        if (!ok || s < 1 || s > MaximumPageSeconds)
            return false;
        *seconds = s;
        return true;
    }
};
