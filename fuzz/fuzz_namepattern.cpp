// The name pattern for the pages' files (--name-pattern), on any text a user could type: never a
// crash, and a pattern that is accepted never names a file outside the output folder.
#include "engine/base/namepattern.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    NamePattern::Problem problem = NamePattern::Problem::None;
    QString field;
    const NamePattern pattern = NamePattern::parse(text, &problem, &field);
    if (!pattern.isSet())
        return 0;
    for (const int page : {1, 7, 12345, 2147483647}) {
        const QString name = pattern.apply(QStringLiteral("doc"), page, page % 100);
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QStringLiteral("..") || name.startsWith(QLatin1Char('.')))
            std::abort();
    }
    return 0;
}
