#include "cli/runrecord.h"

#include "sys/fileutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString Written = QStringLiteral("written");
const QString Failed = QStringLiteral("failed");

// The largest GIF the run writes (1152 dpi) decodes to about 500 MB, past Qt's default limit.
constexpr int GifAllocationLimitMB = 2048;

bool DecodesAsGif(const QString &path)
{
    if (QImageReader::allocationLimit() < GifAllocationLimitMB)
        QImageReader::setAllocationLimit(GifAllocationLimitMB);
    QImageReader reader(path, "gif");
    return !reader.read().isNull();
}

} // namespace

namespace {

// One line; a failure when `kind` is given.
void add(QList<QByteArray> &to, const QString &pdf, int page, const QString &gif, const char *kind,
         const QString &reason, qint64 bytes = -1)
{
    QJsonObject line{{QStringLiteral("file"), pdf}};
    if (page > 0)
        line.insert(QStringLiteral("page"), page);
    if (!gif.isEmpty())
        line.insert(QStringLiteral("gif"), gif);
    if (bytes >= 0)
        line.insert(QStringLiteral("bytes"), bytes);
    line.insert(QStringLiteral("status"), kind ? Failed : Written);
    if (kind) {
        line.insert(QStringLiteral("kind"), QString::fromLatin1(kind));
        line.insert(QStringLiteral("reason"), reason);
    }
    to << QJsonDocument(line).toJson(QJsonDocument::Compact);
}

} // namespace

void RunRecord::carry(int position, const QList<QByteArray> &lines)
{
    if (position >= 1 && position <= m_files.size())
        m_files[position - 1] = lines;
}

void RunRecord::fileStarted(int position, const QString &pdf)
{
    m_current = position >= 1 && position <= m_files.size() ? position - 1 : -1;
    m_currentPdf = pdf;
    if (m_current >= 0)
        m_files[m_current].clear();
}

void RunRecord::pageEnded(const PageOutcome &page)
{
    if (m_current < 0)
        return;
    const int number = PageOfImage(m_method, m_currentPdf, page.pageImage);
    QList<QByteArray> &lines = m_files[m_current];
    if (page.written)
        add(lines, m_currentPdf, number, page.gif, nullptr, QString(), QFileInfo(page.gif).size());
    else
        add(lines, m_currentPdf, number, page.gif,
            page.pictureUnreadable ? RecordKind::PageImageUnreadable : RecordKind::GifNotWritten, page.reason);
}

void RunRecord::fileEnded(const FileOutcome &outcome)
{
    if (m_current < 0)
        return;
    QList<QByteArray> &lines = m_files[m_current];
    for (const PageFailure &page : outcome.failedPages)
        add(lines, m_currentPdf, page.page, QString(), RecordKind::PageNotDrawn, page.reason);
    QStringList reasons;
    for (const FileFailure &failure : outcome.failures)
        reasons << failure.cause;
    reasons << outcome.unexpected;
    reasons.removeAll(QString());
    if (!outcome.failures.isEmpty() || !outcome.unexpected.isEmpty())
        add(lines, m_currentPdf, 0, QString(), RecordKind::FileFailed, reasons.join(QStringLiteral("; ")));
    m_current = -1;
}

void RunRecord::nameRefused(const QString &name, const QString &why)
{
    add(m_refused, name, 0, QString(), RecordKind::NameRefused, why);
}

QByteArray RunRecord::text() const
{
    QByteArray text;
    for (int i = 0; i < m_files.size(); ++i) {
        QList<QByteArray> lines = m_files.at(i);
        if (i == m_current)
            add(lines, m_currentPdf, 0, QString(), RecordKind::Interrupted,
                QCoreApplication::translate("Console", "the run was interrupted before this file was done"));
        for (const QByteArray &line : std::as_const(lines))
            text += line + '\n';
    }
    for (const QByteArray &line : m_refused)
        text += line + '\n';
    return text;
}

bool EarlierRecord::read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QCoreApplication::translate("Console", "cannot be read: ") + file.errorString();
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        ++number;
        if (line.isEmpty())
            continue;
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const QString pdf = object.value(QStringLiteral("file")).toString();
        const QString status = object.value(QStringLiteral("status")).toString();
        if (pdf.isEmpty() || (status != Written && status != Failed)) {
            *error = QCoreApplication::translate("Console", "line %1 is not a line of a report of this program").arg(number);
            return false;
        }
        File &entry = m_files[QDir::cleanPath(pdf)];
        entry.lines << line;
        if (status == Failed)
            entry.failed = true;
        else
            entry.gifs.append({object.value(QStringLiteral("gif")).toString(),
                               qint64(object.value(QStringLiteral("bytes")).toDouble(-1))});
    }
    return true;
}

QList<QByteArray> EarlierRecord::finished(const QString &pdf, const QString &outputFolder) const
{
    const auto found = m_files.constFind(QDir::cleanPath(pdf));
    if (found == m_files.constEnd() || found->failed || found->gifs.isEmpty())
        return {};
    const QString folder = QDir::cleanPath(outputFolder);
    for (const auto &[gif, bytes] : found->gifs) {
        const QFileInfo info(gif);
        // Only a GIF this user's run left there: not one another run or user put in its place.
        if (QDir::cleanPath(info.path()) != folder || info.isSymLink() || !info.isFile() || info.size() != bytes
            || !DecodesAsGif(gif))
            return {};
    }
    return found->lines;
}

QStringList EarlierRecord::gifsOf(const QList<QByteArray> &lines)
{
    QStringList gifs;
    for (const QByteArray &line : lines)
        if (const QString gif = QJsonDocument::fromJson(line).object().value(QStringLiteral("gif")).toString(); !gif.isEmpty())
            gifs << gif;
    return gifs;
}
