#include "engine/methods/methods.h"

#include "engine/base/conversionhost.h"
#include "engine/base/runsteps.h"
#include "engine/methods/scriptmethod.h"

#include "sys/fileutil.h"

#include <algorithm>

namespace {

QString GflAxPageImageName(const QString &baseName, int page)
{
    return baseName + QString::number(page) + QStringLiteral(".jpg");
}

// Acrobat names its page files itself; its stand-in writes <base>_Page_<n>.jpg.
QString AcrobatPageImageName(const QString &baseName, int page)
{
    return baseName + QStringLiteral("_Page_") + QString::number(page) + QStringLiteral(".jpg");
}

} // namespace

Dialogs &MethodContext::reportTo() const
{
    return dialogs ? *dialogs : host.dialogs();
}

const std::vector<MethodInfo> &MethodTable()
{
    static const std::vector<MethodInfo> table{
        {Method::Acrobat, 1, QStringLiteral("3"), QStringLiteral("acrobat"),
         QStringLiteral(QT_TRANSLATE_NOOP("Methods", "Adobe Acrobat Pro Method (You must have Acrobat Pro installed)")),
         QStringLiteral("in Lumenpg2017/04/05.PDF.PDF_To_GIF_Acro "), RunStep::CheckAcrobatSelected,
         RunStep::CallAcrobat, AcrobatPageImageName, PDF_To_GIF_Acro},
        {Method::Ghostscript, 2, QStringLiteral("1"), QStringLiteral("ghostscript"),
         QStringLiteral(QT_TRANSLATE_NOOP("Methods", "Ghostscript Method")), QStringLiteral("in Lumenpg2017/04/05.PDF.PDF_To_GIF_GS "),
         RunStep::CheckGhostscriptSelected, RunStep::CallGhostscript, ScriptPageImageName, PDF_To_GIF_GS},
        {Method::BlackWhite, 3, QStringLiteral("2"), QStringLiteral("bw"), QStringLiteral(QT_TRANSLATE_NOOP("Methods", "Black/White Method")),
         QStringLiteral("in Lumenpg2017/04/05.PDF.PDF_To_GIF_BW "), RunStep::CheckBlackWhiteSelected,
         RunStep::CallBlackWhite, ScriptPageImageName, PDF_To_GIF_BW},
        {Method::GflAx, 4, QStringLiteral("4"), QStringLiteral("gflax"), QStringLiteral(QT_TRANSLATE_NOOP("Methods", "GflAx Method")),
         QStringLiteral("in Lumenpg2017/04/05.PDF.PDF_To_GIF_GFAX "), RunStep::CheckGflAxSelected,
         RunStep::CallGflAx, GflAxPageImageName, PDF_To_GIF_GFAX},
    };
    return table;
}

const MethodInfo &InfoOf(Method method)
{
    const auto &table = MethodTable();
    return *std::find_if(table.begin(), table.end(), [method](const MethodInfo &m) { return m.method == method; });
}

const MethodInfo *MethodWithSettingCode(const QString &code)
{
    for (const MethodInfo &m : MethodTable())
        if (m.settingCode == code)
            return &m;
    return nullptr;
}

const MethodInfo *MethodWithCommandName(const QString &name)
{
    for (const MethodInfo &m : MethodTable())
        if (m.commandName.compare(name, Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

int PageOfImage(const MethodInfo &method, const QString &pdf, const QString &pageImage)
{
    // The page number is the last run of digits after the PDF's base name; the rule itself
    // confirms it, so a base name ending in digits (doc1 -> doc11.jpg) is read right.
    const QString base = BaseNameOf(pdf);
    if (!pageImage.startsWith(base))
        return 0;
    const QString rest = pageImage.mid(base.size()).section(QLatin1Char('.'), 0, 0);
    qsizetype start = rest.size();
    while (start > 0 && rest.at(start - 1).isDigit())
        --start;
    bool ok = false;
    const int page = rest.mid(start).toInt(&ok);
    return ok && page > 0 && method.pageImageName(base, page) == pageImage ? page : 0;
}
