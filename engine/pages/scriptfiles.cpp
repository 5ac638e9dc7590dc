#include "engine/pages/scriptfiles.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
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

// The numbers of the pages finished or in progress in `folder`: what the watchdog counts.
QSet<int> PagesIn(const QString &folder)
{
    QSet<int> numbers;
    for (const QString &name : QDir(folder).entryList(QDir::Files))
        if (const int n = PageNumberOf(name.section(QLatin1Char('.'), 0, 0)))
            numbers << n;
    return numbers;
}

int FirstMissing(const QSet<int> &numbers)
{
    int n = 1;
    while (numbers.contains(n))
        ++n;
    return n;
}

// Both lie in the WorkFolder, so a rename: no second copy of every page in scratch. A copy
// only where the two lie on different file systems.
void MoveFile(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return;
    if (errno != EXDEV)
        throw Failure(QCoreApplication::translate("Engine", "%1 cannot be moved to %2: %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno))), ErrorCode::PathFileAccess);
    CopyFile(from, to);
    QFile::remove(from);
}

// The lines of the renderer's standard error that say what went wrong, shortened to what a
// message can hold.
QString ReasonFrom(const QString &errors)
{
    QStringList picked;
    const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        QString l = line.trimmed();
        // The scripts read the document under a name of their own; the user knows it by its own.
        if (l.startsWith(QLatin1String("current.pdf: ")))
            l = l.mid(13);
        if (l.contains(QLatin1String("rror")) || l.contains(QLatin1String("could not"))
            || l.contains(QLatin1String("cannot"), Qt::CaseInsensitive) || l.contains(QLatin1String("password"))
            || l.contains(QLatin1String("needs")) || l.contains(QLatin1String("limit exceeded")))
            if (!picked.contains(l))
                picked << l;
    }
    if (picked.isEmpty())
        for (qsizetype i = std::max<qsizetype>(0, lines.size() - 3); i < lines.size(); ++i)
            picked << lines[i].trimmed();
    QString reason = picked.mid(0, 4).join(QStringLiteral("; "));
    if (reason.size() > 400)
        reason = reason.left(400) + QStringLiteral("...");
    return reason;
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
