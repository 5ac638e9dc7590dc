#include "testsupport.h"

#include "engine/render/pdfpages.h"
#include "sys/errortrap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <poppler-qt6.h>

#include <cmath>
#include <utility>

Dialogs::Answer FakeDialogs::message(const QString &text, const QString &title, Icon icon,
                                     Buttons buttons)
{
    const Box box{text, title, icon, buttons, std::exchange(m_detail, QString())};
    boxes << box;
    if (onMessage)
        onMessage(box);
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}

Dialogs::Answer FakeDialogs::detailedMessage(const QString &text, const QString &title, Icon icon,
                                             const QString &detail)
{
    m_detail = detail;
    return message(text, title, icon);
}

bool FakeDialogs::inputBox(const QString &prompt, const QString &, QString &text)
{
    prompts << prompt;
    if (inputs.isEmpty())
        return false;
    text = inputs.takeFirst();
    return true;
}

QString FakeDialogs::pickFolder(const QString &prompt)
{
    prompts << prompt;
    return folders.isEmpty() ? QString() : folders.takeFirst();
}

QStringList FakeDialogs::openFiles(const QString &title, const QString &)
{
    prompts << title;
    return fileLists.isEmpty() ? QStringList() : fileLists.takeFirst();
}

QStringList FakeDialogs::texts() const
{
    QStringList out;
    for (const Box &b : boxes)
        out << b.text;
    return out;
}

int FakeDialogs::countTitled(const QString &title) const
{
    int n = 0;
    for (const Box &b : boxes)
        n += b.title == title;
    return n;
}

TestHost::TestHost() : appFolderPath(TestFiles::appFolder())
{
    imaging.start();
}

QString TestHost::entryAt(int position) const
{
    if (position < 1 || position > entries.size())
        throw Failure(QStringLiteral("Index out of bounds"), ErrorCode::IndexOutOfBounds);
    return entries.at(position - 1);
}

void TestHost::setAppWaitPointer(bool on)
{
    appWaitPointer = on;
    appWaitPointerOn += on;
    pointersShown << shownPointer();
}

void TestHost::setWaitPointer(bool on)
{
    waitPointer = on;
    pointersShown << shownPointer();
}

Qt::CursorShape TestHost::shownPointer() const
{
    return appWaitPointer || waitPointer ? Qt::WaitCursor : Qt::ArrowCursor;
}

void TestHost::yield()
{
    ++yields;
    if (onYield)
        onYield();
    QCoreApplication::processEvents();
}

RunFixture::RunFixture(Method method, const QString &outName)
{
    root.setAutoRemove(!qEnvironmentVariableIsSet("LP_KEEP_TEST_FILES"));
    out = root.path() + QLatin1Char('/') + outName;
    temp = root.path() + QStringLiteral("/temp");
    docs = root.path() + QStringLiteral("/docs");
    work = root.path() + QStringLiteral("/work");
    for (const QString &d : {out, temp, docs})
        QDir().mkpath(d);
    qputenv("TEMP", temp.toLocal8Bit());
    host.outputFolder = out;
    host.method = method;
}

QString RunFixture::pdf(const QString &name, int pages, const QSizeF &size)
{
    const QString path = docs + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).path());
    TestFiles::writePdf(path, pages, size);
    return path;
}

QStringList RunFixture::gifs() const
{
    return QDir(out).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
}

QStringList RunFixture::tempEntries() const
{
    return QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

namespace TestFiles {

void writePdf(const QString &path, int pages, const QSizeF &pointsSize)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(pointsSize, QPageSize::Point));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    for (int p = 1; p <= pages; ++p) {
        if (p > 1)
            writer.newPage();
        const QRectF page(0, 0, pointsSize.width(), pointsSize.height());
        painter.fillRect(page, Qt::white);
        painter.fillRect(QRectF(0, 0, page.width(), page.height() / 4),
                         QColor::fromHsv((p * 47) % 360, 200, 230));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(int(page.height() / 10));
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(page, Qt::AlignCenter, QStringLiteral("Page %1").arg(p));
    }
    painter.end();
}

void writeJpeg(const QString &path, int width, int height, const QString &label)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    if (!label.isEmpty()) {
        QPainter p(&image);
        p.setPen(Qt::black);
        p.drawText(image.rect(), Qt::AlignCenter, label);
    }
    image.save(path, "JPEG", 92);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QString appFolder()
{
    return QCoreApplication::applicationDirPath();
}

void writeScript(const QString &path, const QByteArray &body)
{
    writeBytes(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
}

QStringList processesWorkingIn(const QString &folder)
{
    QStringList found;
    const QString inside = QDir(folder).canonicalPath() + QLatin1Char('/');
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!pid.at(0).isDigit())
            continue;
        const QString cwd = QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/cwd"));
        if (!(cwd + QLatin1Char('/')).startsWith(inside))
            continue;
        QFile comm(QStringLiteral("/proc/") + pid + QStringLiteral("/comm"));
        QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        if (line.mid(line.lastIndexOf(')') + 2, 1) == "Z") // ended, only not yet reaped
            continue;
        found << pid + QLatin1Char(' ') + QString::fromLocal8Bit(comm.readAll().trimmed());
    }
    return found;
}

} // namespace TestFiles

namespace TestImages {

QImage popplerPage(const QString &pdf, int page, double dpi)
{
    QString why;
    const std::unique_ptr<Poppler::Document> document = PdfPages::open(pdf, &why);
    return document ? PdfPages::render(*document, page - 1, dpi).convertToFormat(QImage::Format_RGB32) : QImage();
}

QString differenceFromDrawn(ImagingService &imaging, const QString &saved, const QImage &drawn, const QString &mimeType,
                            const QString &scratch)
{
    if (mimeType != ImagingService::pageType())
        return QImage(saved).convertToFormat(QImage::Format_RGB32) == drawn ? QString() : saved + QStringLiteral(": other pixels");
    QString error;
    if (!imaging.SavePictureAs(drawn, scratch, mimeType, &error))
        return error;
    QFile a(saved), b(scratch);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return saved + QStringLiteral(": not readable");
    return a.readAll() == b.readAll() ? QString() : saved + QStringLiteral(": other bytes");
}

double psnr(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int dr = qRed(p[col]) - qRed(q[col]), dg = qGreen(p[col]) - qGreen(q[col]),
                      db = qBlue(p[col]) - qBlue(q[col]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * 3 * x.width() * x.height() / sum);
}

} // namespace TestImages
