#include "batchhost.h"

#include "engine/conversionrun.h"
#include "sys/appfolder.h"
#include "sys/errortrap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {
void printTo(FILE *stream, const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QByteArray bytes = t.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}
} // namespace

Dialogs::Answer ConsoleDialogs::message(const QString &text, const QString &title, Icon,
                                        Buttons buttons)
{
    if (title == QLatin1String("Application Error"))
        ++errorBoxes;
    if (text == QLatin1String("Done.")) {
        printTo(stdout, text);
        return Answer::Ok;
    }
    printTo(stderr, title.isEmpty() ? text : title + QStringLiteral(": ") + text);
    return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
}

bool ConsoleDialogs::inputBox(const QString &, const QString &, QString &)
{
    return false;
}

QString ConsoleDialogs::pickFolder(const QString &)
{
    return QString();
}

QStringList ConsoleDialogs::openFiles(const QString &, const QString &)
{
    return {};
}

BatchHost::BatchHost(BatchOptions options) : m_options(std::move(options)) {}

QString BatchHost::appFolder() const
{
    return AppFolder();
}

QString BatchHost::entryAt(int position) const
{
    if (position < 1 || position > m_options.files.size())
        throw Failure(QStringLiteral("Index out of bounds"), 35600);
    return m_options.files.at(position - 1);
}

void BatchHost::setProgressText(const QString &text)
{
    if (text.startsWith(QLatin1String("Processing: ")))
        printTo(stderr, text);
}

void BatchHost::yield()
{
    QCoreApplication::processEvents();
}

int BatchHost::run()
{
    if (!m_imaging.start()) {
        m_gdiplusUnavailable = true;
        m_dialogs.message(QStringLiteral("GDI+ Initialization Failed."), applicationTitle(),
                          Dialogs::Icon::Exclamation);
    }
    ConversionRun run(*this);
    run.limits = m_options.limits;
    run.start();
    m_imaging.stop();
    const RunReport &report = run.lastReport();
    for (const FileFailure &failure : report.failures)
        std::fprintf(stderr, "lumenpage-batch: %s: %s\n", failure.file.toLocal8Bit().constData(),
                     failure.cause.toLocal8Bit().constData());
    const bool ok = report.started && report.failedFiles.isEmpty() && report.failedGifs.isEmpty()
                    && m_dialogs.errorBoxes == 0;
    return ok ? 0 : 1;
}
