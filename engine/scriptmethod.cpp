#include "scriptmethod.h"

#include "conversionhost.h"
#include "methods.h"

#include "../sys/errortrap.h"
#include "../sys/fileutil.h"
#include "../sys/shell32.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

namespace {

// The copy is made synchronously, so when it is not there after a moment it failed.
constexpr int CopyWaitMs = 3000;

// Polls every 100 ms, yielding in between, while `pending` holds; throws when the bound is reached.
template <typename Pred>
void waitWhile(ConversionHost &host, Pred pending, int boundMs, const QString &whatTimedOut)
{
    QElapsedTimer clock;
    clock.start();
    while (pending()) {
        if (clock.elapsed() >= boundMs)
            throw Failure(whatTimedOut);
        host.yield();
        QThread::msleep(100);
    }
}

// Sets an environment variable of this process for as long as it lives, then puts back what was
// there: the script started meanwhile inherits it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

QString ScriptPageImageName(const QString &baseName, int page)
{
    return baseName + QLatin1Char('-') + QStringLiteral("%1").arg(page, 3, 10, QLatin1Char('0'))
           + QStringLiteral(".jpg");
}

void runScriptMethod(MethodContext &ctx, const QString &pdfPath, const ScriptMethod &method)
{
    ConversionHost &host = ctx.host;
    ErrorTrap trap(host.dialogs(), method.location);
    const QString scriptFolder = ctx.workFolder + QLatin1Char('/') + method.folder;
    const QString currentPdf = scriptFolder + QStringLiteral("/current.pdf");
    const QString pagesFolder = method.pagesFolder.isEmpty()
                                    ? scriptFolder + QLatin1Char('/')
                                    : scriptFolder + QLatin1Char('/') + method.pagesFolder + QLatin1Char('/');

    trap.step(102, [&] {
        CopyFolder(host.appFolder() + QLatin1Char('/') + method.folder, scriptFolder);
    });
    QString baseName;
    trap.step(104, [&] { baseName = BaseNameOf(pdfPath); });
    trap.step(106, [&] { host.setAppWaitPointer(true); });
    trap.step(110, [&] { DeleteFilesQuietly(currentPdf); });
    trap.step(112, [&] { host.setAppWaitPointer(true); });
    trap.step(114, [&] { CopyFile(pdfPath, currentPdf); });
    trap.step(116, [&] {
        waitWhile(host, [&] { return !IsExistingFile(currentPdf); }, std::min(CopyWaitMs, ctx.fileWaitTimeoutMs),
                  QStringLiteral("%1 was not copied to %2").arg(pdfPath, currentPdf));
    });
    trap.step(122, [&] {
        // "Convert First Page Only" tells the script to draw page 1 alone, instead of drawing
        // every page only for the others to be deleted; which pages are handed over is still
        // decided by the steps below.
        bool firstPageOnly = false;
        try {
            firstPageOnly = host.check5() == 1;
        } catch (...) {
            // Then the script draws every page; the read is made again, and trapped, below.
        }
        const ScopedEnvironment onlyFirst("LUMENPAGE_FIRST_PAGE_ONLY", firstPageOnly ? QByteArray("1") : QByteArray());
        int style = 0;
        RunOptions options;
        options.yield = [&host] { host.yield(); };
        options.timeoutMs = ctx.scriptTimeoutMs;
        const QString command = QLatin1Char('"') + scriptFolder + QLatin1Char('/') + method.script + QLatin1Char('"');
        RunAndWait(command, style, scriptFolder + QLatin1Char('/'), options);
    });
    trap.step(124, [&] { host.setAppWaitPointer(true); });
    trap.step(126, [&] {
        waitWhile(host, [&] { return IsExistingFile(currentPdf); }, ctx.fileWaitTimeoutMs,
                  QStringLiteral("%1 ended without removing current.pdf").arg(method.script));
    });
    // A script that never let go of its input must not leave it to the next file.
    if (IsExistingFile(currentPdf))
        QFile::remove(currentPdf);

    QStringList pages;
    trap.step(132, [&] { pages = ListFiles(pagesFolder, method.pagePattern); });
    trap.step(134, [&] { host.setAppWaitPointer(true); });

    auto handOver = [&](int page) {
        CopyFile(pagesFolder + pages.value(page - 1), ctx.workFolder + QLatin1Char('/')
                                                          + ScriptPageImageName(baseName, page));
    };
    if (!method.blackAndWhite) {
        trap.step(136, [&] { ctx.pagesProduced = false; });
        if (trap.test(138, [&] { return host.check5() == 1; })) {
            if (trap.test(140, [&] { return !pages.isEmpty(); })) {
                ctx.pagesProduced = true;
                trap.step(142, [&] { handOver(1); });
            }
        } else {
            const int count = pages.size();
            for (int n = 1; n <= count; ++n) {
                trap.step(146, [&] { ctx.pagesProduced = true; });
                trap.step(148, [&] { handOver(n); });
            }
        }
    } else {
        if (trap.test(136, [&] { return host.check5() == 1; })) {
            if (trap.test(138, [&] { return !pages.isEmpty(); })) {
                ctx.pagesProduced = true;
                trap.step(140, [&] { handOver(1); });
            } else {
                ctx.pagesProduced = false;
            }
        } else {
            trap.step(142, [&] { ctx.pagesProduced = false; });
            const int count = pages.size();
            for (int n = 1; n <= count; ++n) {
                trap.step(146, [&] { ctx.pagesProduced = true; });
                trap.step(148, [&] { handOver(n); });
            }
        }
    }

    trap.step(152, [&] { host.setAppWaitPointer(true); });
    QStringList leftovers;
    trap.step(154, [&] { leftovers = ListFiles(pagesFolder, method.pagePattern); });
    for (const QString &name : leftovers)
        trap.step(158, [&] { DeleteFilesQuietly(pagesFolder + name); });

    if (method.blackAndWhite) {
        trap.step(162, [&] {
            // A document that gave no page leaves no sub-folder: that is an outcome (the run
            // reports the file), not a failure to report here.
            const QString folder = scriptFolder + QLatin1Char('/') + method.pagesFolder;
            if (!IsExistingFolder(folder))
                return;
            if (!QDir().rmdir(folder))
                throw Failure(QStringLiteral("Path/File access error: %1 is not empty").arg(folder), 75);
        });
        trap.step(164, [&] { host.setAppWaitPointer(false); });
    } else {
        trap.step(162, [&] { host.setAppWaitPointer(false); });
    }
}
