#include "engine/run/gifnames.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

namespace {
constexpr int MaxListedNames = 20;
}

QString DistinctGifName(const QString &pageStem, const QString &baseName, int variant)
{
    if (variant == 0)
        return pageStem;
    const QString mark = QStringLiteral(" (%1)").arg(variant);
    if (pageStem.startsWith(baseName))
        return baseName + mark + pageStem.mid(baseName.size());
    return pageStem + mark;
}

int FreeVariant(const QStringList &pageStems, const QString &baseName, const QString &outputFolder, const QString &extension,
                const QSet<QString> &taken, int from)
{
    for (int variant = from;; variant = variant == 0 ? 2 : variant + 1) {
        const bool free = std::none_of(pageStems.begin(), pageStems.end(), [&](const QString &stem) {
            return taken.contains(QDir::cleanPath(outputFolder + QLatin1Char('/')
                                                  + DistinctGifName(stem, baseName, variant) + extension));
        });
        if (free)
            return variant;
    }
}

QString RenamedFilesText(const QList<RenamedFile> &files)
{
    QStringList lines;
    for (const RenamedFile &file : files.mid(0, MaxListedNames)) {
        lines << file.pdf + QStringLiteral(": ")
                     + (file.gifs.size() == 1 ? file.gifs.first()
                                              : QCoreApplication::translate("ConversionRun", "%1 to %2 (%3 GIF files)")
                                                    .arg(file.gifs.first(), file.gifs.last())
                                                    .arg(file.gifs.size()));
    }
    if (files.size() > MaxListedNames)
        lines << QCoreApplication::translate("ConversionRun", "... and %1 more.").arg(files.size() - MaxListedNames);
    return QCoreApplication::translate("ConversionRun", "%1 file(s) had the name of a file converted before them in this run. So that no "
                          "GIF file of this run was replaced, their GIF files have other names:\n")
               .arg(files.size())
           + lines.join(QLatin1Char('\n'));
}

QString FailedGifsText(const QList<FailedGif> &gifs)
{
    QStringList shown;
    for (const FailedGif &gif : gifs.mid(0, MaxListedNames))
        shown << (gif.reason.isEmpty() ? gif.path : gif.path + QStringLiteral(" (") + gif.reason + QLatin1Char(')'));
    if (gifs.size() > MaxListedNames)
        shown << QCoreApplication::translate("ConversionRun", "... and %1 more.").arg(gifs.size() - MaxListedNames);
    return QCoreApplication::translate("ConversionRun", "%1 GIF file(s) could not be written:\n").arg(gifs.size())
           + shown.join(QLatin1Char('\n'));
}
