#include "sys/fileutil.h"

#include "sys/errortrap.h"
#include "sys/wholefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <locale.h>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

QString GetDesktopFolder()
{
    QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty())
        throw Failure(QCoreApplication::translate("Files", "The desktop folder cannot be found"));
    // Minimal installations have no ~/Desktop until a desktop session makes one; the default
    // output folder must exist for the first conversion to work.
    if (!IsExistingFolder(desktop))
        QDir().mkpath(desktop);
    return desktop + QLatin1Char('/');
}

bool PathExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

bool IsExistingFolder(const QString &path)
{
    if (path.isEmpty())
        return false;
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsExistingFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool WildcardMatch(const QString &pattern, const QString &name)
{
    // "*.*" means every name, as it does on the platform the patterns come from.
    if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*"))
        return true;
    // A folder is listed every few milliseconds while a script renders: the expression is
    // compiled once per pattern and thread, not once per name.
    thread_local QString lastPattern;
    thread_local QRegularExpression re;
    if (lastPattern != pattern || !re.isValid() || re.pattern().isEmpty()) {
        re = QRegularExpression(QRegularExpression::wildcardToRegularExpression(
                                    pattern, QRegularExpression::UnanchoredWildcardConversion),
                                QRegularExpression::CaseInsensitiveOption);
        lastPattern = pattern;
    }
    const QRegularExpressionMatch m = re.match(name);
    return m.hasMatch() && m.capturedStart() == 0 && m.capturedLength() == name.size();
}

bool NameLess(const QString &a, const QString &b)
{
    const int c = a.toUpper().compare(b.toUpper());
    if (c != 0)
        return c < 0;
    return a.toUtf8() < b.toUtf8();
}

QStringList ListFiles(const QString &folder, const QString &pattern)
{
    QString dir = folder;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    QStringList names;
    DIR *d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        return names;
    while (dirent *e = ::readdir(d)) {
        const QString name = QFile::decodeName(e->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (WildcardMatch(pattern, name) && IsExistingFile(dir + name))
            names.append(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

QString FileNameOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString NameWithoutExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        throw Failure(QCoreApplication::translate("Files", "Invalid procedure call or argument"), ErrorCode::InvalidCall);
    return name.left(dot);
}

QString BaseNameOf(const QString &pdfPath)
{
    const QString name = FileNameOf(pdfPath);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

double LeadingNumber(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            s += c;

    const auto digitAt = [&s](qsizetype i) { return i < s.size() && s.at(i).unicode() >= '0' && s.at(i).unicode() <= '9'; };
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        ++i;
    const qsizetype mantissaStart = i;
    while (digitAt(i))
        ++i;
    bool digits = i > mantissaStart;
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        const qsizetype fraction = ++i;
        while (digitAt(i))
            ++i;
        digits = digits || i > fraction;
    }
    if (!digits)
        return 0;
    qsizetype end = i;
    // An exponent counts only when at least one digit follows: "2e" and "2 each" are 2.
    if (i < s.size() && QStringLiteral("eEdD").contains(s.at(i))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s.at(j) == QLatin1Char('+') || s.at(j) == QLatin1Char('-')))
            ++j;
        if (digitAt(j)) {
            while (digitAt(j))
                ++j;
            end = j;
        }
    }
    QString number = s.left(end);
    number.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    // In the C locale whatever the user's: the decimal point is always ".". Out of range
    // exponents give infinity or 0, which the callers refuse or treat as nothing.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(number.toLatin1().constData(), nullptr, cLocale);
}

void DeleteFilesQuietly(const QString &pathOrPattern)
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    const QString name = FileNameOf(pathOrPattern);
    if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'))) {
        if (IsExistingFile(pathOrPattern) || QFileInfo(pathOrPattern).isSymLink())
            QFile::remove(pathOrPattern);
        return;
    }
    const QString folder = pathOrPattern.left(pathOrPattern.size() - name.size());
    for (const QString &match : ListFiles(folder.isEmpty() ? QStringLiteral(".") : folder, name))
        QFile::remove((folder.isEmpty() ? QString() : folder) + match);
}

QString TempFolder()
{
    QString temp = qEnvironmentVariable("TEMP");
    while (temp.size() > 1 && temp.endsWith(QLatin1Char('/')))
        temp.chop(1);
    if (temp.isEmpty() || temp == QLatin1String("/"))
        temp = QDir::tempPath();
    // The scripts run in folders of their own: a relative name would be read from there.
    if (QDir::isRelativePath(temp))
        temp = QDir::cleanPath(QDir::current().absoluteFilePath(temp));
    return temp;
}

QString FileVersion(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(qulonglong(info.st_dev)).arg(qulonglong(info.st_ino)).arg(qlonglong(info.st_size))
        .arg(qlonglong(info.st_mtim.tv_sec)).arg(qlonglong(info.st_mtim.tv_nsec));
}

QString InputFileProblem(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        // A name that did not decode reached us with U+FFFD in place of its bytes.
        if (error == ENOENT && path.contains(QChar(QChar::ReplacementCharacter)))
            return QCoreApplication::translate("Files", "the name is not valid UTF-8, so the file cannot be opened");
        return QString::fromLocal8Bit(std::strerror(error));
    }
    if (S_ISDIR(info.st_mode))
        return QCoreApplication::translate("Files", "it is a folder, not a PDF file");
    if (!S_ISREG(info.st_mode))
        return QCoreApplication::translate("Files", "it is not a regular file (a pipe, a device or a socket), not a PDF file");
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return QString();
}

bool IsMissingFile(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool IsValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder(bytes);
    return !decoder.hasError();
}

QString ShellVisibleName(const QByteArray &name)
{
    bool plain = IsValidUtf8(name);
    for (const char c : name)
        if (uchar(c) < 32 || uchar(c) == 127)
            plain = false;
    if (plain)
        return QString::fromUtf8(name);
    QString shown = QStringLiteral("$'");
    for (qsizetype i = 0; i < name.size();) {
        const uchar c = uchar(name[i]);
        // The longest valid UTF-8 sequence here is kept as it is; any other byte is escaped.
        qsizetype length = c < 0x80 ? 1 : c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
        if (length > 1 && (i + length > name.size() || !IsValidUtf8(name.mid(i, length))))
            length = 0;
        if (length > 1) {
            shown += QString::fromUtf8(name.mid(i, length));
            i += length;
            continue;
        }
        if (c == '\\' || c == '\'')
            shown += QStringLiteral("\\") + QLatin1Char(char(c));
        else if (c == '\n')
            shown += QStringLiteral("\\n");
        else if (c == '\t')
            shown += QStringLiteral("\\t");
        else if (c >= 32 && c < 127)
            shown += QLatin1Char(char(c));
        else
            shown += QStringLiteral("\\%1").arg(uint(c), 3, 8, QLatin1Char('0'));
        ++i;
    }
    return shown + QLatin1Char('\'');
}

void ReplaceFileWhole(const QString &path, const QByteArray &bytes, bool sync)
{
    WholeFile file(path);
    file.write(bytes);
    file.commit(sync);
}

QString NodeProblem(unsigned mode)
{
    if (S_ISREG(mode) || S_ISLNK(mode))
        return QString();
    const QString what = S_ISDIR(mode)    ? QCoreApplication::translate("Files", "a folder")
                         : S_ISFIFO(mode) ? QCoreApplication::translate("Files", "a FIFO (named pipe)")
                         : S_ISCHR(mode)  ? QCoreApplication::translate("Files", "a character device")
                         : S_ISBLK(mode)  ? QCoreApplication::translate("Files", "a block device")
                         : S_ISSOCK(mode) ? QCoreApplication::translate("Files", "a socket")
                                          : QCoreApplication::translate("Files", "not a regular file");
    return QCoreApplication::translate("Files", "%1 is there, not a regular file; it is never replaced").arg(what);
}

QString ReplaceableNameProblem(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    return NodeProblem(st.st_mode);
}

QString FolderWriteProblem(const QString &folder)
{
    QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.lumenpage-probe-XXXXXX"));
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    ::unlink(probe.constData());
    return QString();
}

QString CreatePrivateFolder(const QString &parent, const QString &prefix)
{
    const QString pattern = parent + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX");
    QByteArray name = QFile::encodeName(pattern);
    // mkdtemp makes a new folder with mode 0700 under a name nobody could predict or occupy.
    if (!::mkdtemp(name.data()))
        throw Failure(QCoreApplication::translate("Files", "Path not found: %1 cannot be created (%2)")
                          .arg(pattern, QString::fromLocal8Bit(std::strerror(errno))),
                      ErrorCode::PathNotFound);
    return QFile::decodeName(name);
}

bool HasLittleRoom(const QString &folder)
{
    struct statvfs room {};
    if (::statvfs(QFile::encodeName(folder).constData(), &room) != 0)
        return false;
    return static_cast<unsigned long long>(room.f_bavail) * room.f_frsize < 4ull * 1024 * 1024;
}
