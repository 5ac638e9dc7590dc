#include "engine/sources/script/scriptfiles.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ScriptFiles {

// The PDF page number a script's page image carries: the last run of digits in its name
// (current00012.jpg, page00012.jpg); 0 when it carries none.
int PageNumberOf(const QString &name)
{
    static const QRegularExpression digits(QStringLiteral("(\\d+)\\D*$"));
    const QRegularExpressionMatch m = digits.match(name);
    bool ok = false;
    const int n = m.hasMatch() ? m.captured(1).toInt(&ok) : 0;
    return ok && n > 0 ? n : 0;
}

int FirstMissing(const QSet<int> &numbers)
{
    int n = 1;
    while (numbers.contains(n))
        ++n;
    return n;
}

// Ghostscript's password, as PostScript that defines PDFPassword for the PDF interpreter: a hex
// string, so that no byte of it needs quoting. Only this user can read it.
void WritePasswordFile(const QString &path, const QByteArray &password)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write("/PDFPassword <" + password.toHex() + "> def\n") < 0 || !file.flush())
        throw Failure(QCoreApplication::translate("Engine", "%1 cannot be written: %2").arg(path, file.errorString()), ErrorCode::PathFileAccess);
}

QString PageList(const QList<int> &pages)
{
    QStringList shown;
    for (qsizetype i = 0; i < pages.size() && i < 10; ++i)
        shown << QString::number(pages[i]);
    if (pages.size() > 10)
        shown << QStringLiteral("...");
    return shown.join(QStringLiteral(", "));
}

} // namespace ScriptFiles
