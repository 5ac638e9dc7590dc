// The script line protocol (what ps/pdf2tiff.sh and bw/convert.sh say on their standard
// output), on any lines a script could write: never a crash, and no page taken that breaks the
// plan or is named outside the pages folder.
#include "engine/sources/script/scriptprotocol.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ScriptEvents events;
    // The first byte picks the plan: pages 2 to 9 of a range, or every page; the bw method's
    // pages folder, or the script's own.
    const char plan = bytes.isEmpty() ? 0 : bytes[0];
    events.rangeAsked = plan & 1;
    if (events.rangeAsked)
        events.asked = [](int page) { return page >= 2 && page <= 9; };
    events.folder = plan & 2 ? QByteArray("current") : QByteArray();
    for (const QByteArray &line : bytes.mid(1).split('\n'))
        events.read(line);
    for (const ScriptEvents::Arrived &page : std::as_const(events.arrived)) {
        if (!events.planned(page.page))
            std::abort();
        for (const QString &name : {page.file, page.pixels})
            if (name.startsWith(QLatin1Char('/')) || name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
                std::abort();
    }
    return 0;
}
