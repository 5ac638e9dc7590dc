#include "conversionrun.h"

#include "conversionhost.h"
#include "imaging.h"
#include "methods.h"
#include "pageimage.h"

#include "../sys/dialogs.h"
#include "../sys/errortrap.h"
#include "../sys/fileutil.h"
#include "../sys/interruption.h"

#include <QDir>
#include <QImageReader>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>

namespace {
const QString GifMime = QStringLiteral("image/gif");
constexpr int MaxListedFailures = 20;
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

int FreeVariant(const QStringList &pageStems, const QString &baseName, const QString &outputFolder,
                const QSet<QString> &taken, int from)
{
    for (int variant = from;; variant = variant == 0 ? 2 : variant + 1) {
        const bool free = std::none_of(pageStems.begin(), pageStems.end(), [&](const QString &stem) {
            return taken.contains(QDir::cleanPath(outputFolder + QLatin1Char('/')
                                                  + DistinctGifName(stem, baseName, variant) + QStringLiteral(".gif")));
        });
        if (free)
            return variant;
    }
}

QString RenamedFilesText(const QList<RenamedFile> &files)
{
    QStringList lines;
    for (const RenamedFile &file : files.mid(0, MaxListedFailures)) {
        lines << file.pdf + QStringLiteral(": ")
                     + (file.gifs.size() == 1 ? file.gifs.first()
                                              : QStringLiteral("%1 to %2 (%3 GIF files)")
                                                    .arg(file.gifs.first(), file.gifs.last())
                                                    .arg(file.gifs.size()));
    }
    if (files.size() > MaxListedFailures)
        lines << QStringLiteral("... and %1 more.").arg(files.size() - MaxListedFailures);
    return QStringLiteral("%1 file(s) had the name of a file converted before them in this run. So that no "
                          "GIF file of this run was replaced, their GIF files have other names:\n")
               .arg(files.size())
           + lines.join(QLatin1Char('\n'));
}

ConversionRun::ConversionRun(ConversionHost &host) : m_host(host) {}

void ConversionRun::start()
{
    if (m_active)
        return;
    m_active = true;
    const auto inactive = qScopeGuard([this] { m_active = false; });
    m_report = RunReport();

    Dialogs &dialogs = m_host.dialogs();
    const QString title = m_host.applicationTitle();
    ErrorTrap trap(dialogs, ErrorLocations::PushButton2Click);

    if (trap.test(100, [&] { return m_host.entryCount() == 0; })) {
        trap.step(100, [&] {
            dialogs.message(QStringLiteral("No files added."), title, Dialogs::Icon::None);
        });
        return;
    }
    if (trap.test(102, [&] { return !IsExistingFolder(m_host.outputFolderText()); })) {
        trap.step(102, [&] {
            dialogs.message(QStringLiteral("Folder does not exist. Please select another folder."),
                            title, Dialogs::Icon::None);
        });
        return;
    }
    if (trap.test(104, [&] { return m_host.gdiplusUnavailable(); })) {
        trap.step(176, [&] {
            dialogs.message(QStringLiteral("GDI+ Initialization Failed."), title,
                            Dialogs::Icon::Exclamation);
        });
        return;
    }
    m_report.started = true;
    // A page rendered at the highest offered resolution (1152 dpi, about 500 MB decoded) is
    // past Qt's default decoding limit; one page at a time is held, so allow it.
    if (QImageReader::allocationLimit() < 2048)
        QImageReader::setAllocationLimit(2048);

    trap.step(106, [&] { m_host.setWaitPointer(true); });
    // Each run works in a new folder of its own that only this user can enter: nothing another
    // user plants in TEMP, and no other run (window or console), can reach into it.
    m_workFolder.clear();
    QString temp;
    trap.step(108, [&] { temp = TempFolder(); });
    trap.step(112, [&] { m_workFolder = CreatePrivateFolder(temp, QStringLiteral("Lumenpage-")); });
    const bool haveWorkFolder = !m_workFolder.isEmpty();
    if (haveWorkFolder)
        Interruption::addScratchFolder(m_workFolder);
    const auto forget = qScopeGuard([this, haveWorkFolder] {
        if (haveWorkFolder)
            Interruption::removeScratchFolder(m_workFolder);
    });

    int count = 0;
    trap.step(118, [&] { count = m_host.entryCount(); });
    QSet<QString> writtenEarlier; // GIF files the earlier files of this run wrote
    for (int i = 1; i <= count; ++i) {
        // "Clear List" while the run yielded took the positions from here on: the loop ends
        // there rather than reporting each vanished position.
        bool vanished = false;
        trap.step(124, [&] { vanished = i > m_host.entryCount(); });
        if (vanished)
            break;
        QString pdf;
        trap.step(124, [&] { pdf = m_host.entryAt(i); });
        trap.step(120, [&] {
            m_host.setProgress(static_cast<double>(i) / m_host.entryCount() * 100.0);
            m_host.setProgressText(QStringLiteral("Processing: ") + FileNameOf(pdf));
            m_host.yield();
        });
        trap.step(122, [&] { m_host.setWaitPointer(true); });

        MethodContext ctx{m_host, m_workFolder, m_pagesProduced, scriptTimeoutMs, fileWaitTimeoutMs, limits};
        // Without its folder no method can work; each file then fails on its own.
        if (!haveWorkFolder)
            m_pagesProduced = false;
        else if (trap.test(126, [&] { return m_host.isOptionSelected(1); }))
            trap.step(128, [&] { PDF_To_GIF_Acro(ctx, pdf); });
        else if (trap.test(130, [&] { return m_host.isOptionSelected(2); }))
            trap.step(132, [&] { PDF_To_GIF_GS(ctx, pdf); });
        else if (trap.test(134, [&] { return m_host.isOptionSelected(3); }))
            trap.step(136, [&] { PDF_To_GIF_BW(ctx, pdf); });
        else if (trap.test(138, [&] { return m_host.isOptionSelected(4); }))
            trap.step(140, [&] { PDF_To_GIF_GFAX(ctx, pdf); });

        // A file that gave no GIF failed, whatever the method said and however it came about.
        const auto failed = [&] {
            m_report.failedFiles << pdf;
            trap.step(144, [&] {
                dialogs.message(QStringLiteral("Could not create GIF on ") + pdf,
                                QStringLiteral("Could not create GIF"), Dialogs::Icon::Exclamation);
            });
        };
        // The renderer's own reason travels in the report; a file of which some pages could not
        // be rendered failed too, though its other pages are converted.
        if (!ctx.failureCause.isEmpty()) {
            m_report.failures << FileFailure{pdf, ctx.failureCause};
            if (m_pagesProduced)
                m_report.failedFiles << pdf;
        }
        if (!m_pagesProduced) {
            failed();
            continue;
        }

        QStringList pages;
        trap.step(146, [&] { pages = ListFiles(m_workFolder, QStringLiteral("*.jpg")); });
        const QString baseName = BaseNameOf(pdf);
        // Names beginning with "~" are scratch files, except this file's own pages: a PDF named
        // "~draft.pdf" gives "~draft-001.jpg".
        const auto ownPage = [&](const QString &name) {
            return !name.startsWith(QLatin1Char('~')) || (!baseName.isEmpty() && name.startsWith(baseName));
        };
        int pageCount = 0;
        int variant = 0;
        trap.step(150, [&] {
            pageCount = pages.size();
            QStringList stems;
            for (const QString &name : pages) {
                if (ownPage(name))
                    stems << NameWithoutExtension(name);
            }
            variant = FreeVariant(stems, baseName, m_host.outputFolderText(), writtenEarlier);
        });
        int written = 0;
        QStringList renamed;
        QSet<QString> writtenNow;
        for (int j = 1; j <= pageCount; ++j) {
            const QString name = pages.value(j - 1);
            if (!trap.test(152, [&] { return ownPage(name); }))
                continue;
            QImage &picture = m_host.picture();
            trap.step(154, [&] {
                // A page image that cannot be decoded must not be written from the picture an
                // earlier page left in the holder: the holder is emptied first.
                // One that decodes only with complaints (truncated, corrupt) is undecodable too.
                QString why;
                if (!PageImage::read(m_workFolder + QLatin1Char('/') + name, &picture, &why))
                    throw Failure(QStringLiteral("Invalid picture: %1 (%2)").arg(name, why), 481);
            });
            QString gifPath;
            trap.step(156, [&] {
                // The output folder may have been changed since the file's names were chosen.
                const QString stem = NameWithoutExtension(name);
                variant = FreeVariant({stem}, baseName, m_host.outputFolderText(), writtenEarlier, variant);
                gifPath = m_host.outputFolderText() + QLatin1Char('/') + DistinctGifName(stem, baseName, variant)
                          + QStringLiteral(".gif");
            });
            trap.step(158, [&] {
                QString error;
                if (m_host.imaging().SavePictureAs(picture, gifPath, GifMime, &error)) {
                    ++m_report.gifsWritten;
                    ++written;
                    writtenNow << QDir::cleanPath(gifPath);
                    if (variant != 0)
                        renamed << FileNameOf(gifPath);
                } else {
                    m_report.failedGifs << (error.isEmpty() ? gifPath : gifPath + QStringLiteral(" (") + error + QLatin1Char(')'));
                }
            });
            // Only one page image is held at a time.
            picture = QImage();
            trap.step(160, [&] { DeleteFilesQuietly(m_workFolder + QLatin1Char('/') + name); });
            m_host.pageProgress(j, pageCount);
        }
        writtenEarlier.unite(writtenNow);
        if (!renamed.isEmpty())
            m_report.renamedFiles.append({pdf, renamed});
        if (written == 0)
            failed();
    }

    if (haveWorkFolder && trap.test(166, [&] { return IsExistingFolder(m_workFolder); }))
        trap.step(166, [&] { KillFolder(dialogs, m_workFolder); });
    // Whatever a method left, the pointer is the default again when the run ends.
    trap.step(170, [&] {
        m_host.setAppWaitPointer(false);
        m_host.setWaitPointer(false);
    });
    trap.step(172, [&] { m_host.setProgress(0); });
    trap.step(174, [&] { m_host.setProgressText(QStringLiteral("Progress Bar")); });
    if (!m_report.failedGifs.isEmpty()) {
        trap.step(174, [&] {
            QStringList shown = m_report.failedGifs.mid(0, MaxListedFailures);
            if (m_report.failedGifs.size() > MaxListedFailures)
                shown << QStringLiteral("... and %1 more.").arg(m_report.failedGifs.size() - MaxListedFailures);
            dialogs.message(QStringLiteral("%1 GIF file(s) could not be written:\n").arg(m_report.failedGifs.size())
                                + shown.join(QLatin1Char('\n')),
                            title, Dialogs::Icon::Exclamation);
        });
    }
    if (!m_report.renamedFiles.isEmpty())
        trap.step(174, [&] { dialogs.message(RenamedFilesText(m_report.renamedFiles), title, Dialogs::Icon::Information); });
    trap.step(174, [&] { dialogs.message(QStringLiteral("Done."), title, Dialogs::Icon::None); });
}
