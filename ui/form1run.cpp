// "Start Converting" and the ways to stop the run it starts.

#include "ui/form1.h"

#include "inputlist/inputfilelist.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"

#include <QAction>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

namespace {

// The GIF files in `folder` with their modification times.
QHash<QString, QDateTime> GifsIn(const QString &folder)
{
    QHash<QString, QDateTime> gifs;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.gif")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : files)
        gifs.insert(file.fileName(), file.lastModified());
    return gifs;
}

// The GIF files that are new in `folder`, or rewritten, since `before` was taken.
int GifsWrittenSince(const QString &folder, const QHash<QString, QDateTime> &before)
{
    int written = 0;
    const QHash<QString, QDateTime> now = GifsIn(folder);
    for (auto it = now.begin(); it != now.end(); ++it)
        if (before.value(it.key()) != it.value())
            ++written;
    return written;
}

} // namespace

void Form1::connectEscape()
{
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_escape->setContext(Qt::WindowShortcut);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &Form1::StopButton_Click);
}

void Form1::PushButton2_Click()
{
    if (m_run.isActive())
        return m_run.start(); // ignored by the run, as a second press always was
    runStarts();
    // A stopped run tells nobody of the pages it was encoding when it ended, which the stop
    // lets finish whole: what it wrote is read from the folder instead.
    const QString outputFolder = Text1->text();
    const QHash<QString, QDateTime> before = GifsIn(outputFolder);
    m_runFiles = ListView1->count();
    m_filesEnded = 0;
    bool stopped = false;
    try {
        m_run.start();
    } catch (const RunStopped &) {
        stopped = true;
    }
    runEnds();
    showRunning(false);
    if (stopped)
        reportStopped(m_runFiles, GifsWrittenSince(outputFolder, before));
    if (stopped || m_run.lastReport().started) {
        m_lastOutputFolder = outputFolder;
        OpenOutputFolder->setVisible(true);
    }
}

void Form1::OpenOutputFolder_Triggered()
{
    if (m_lastOutputFolder.isEmpty())
        return;
    // The desktop's file manager; where none answers, the user is told rather than left waiting.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_lastOutputFolder)))
        dialogs().message(tr("The folder %1 could not be opened.").arg(m_lastOutputFolder), m_applicationTitle,
                          Dialogs::Icon::Exclamation);
}

void Form1::StopButton_Click()
{
    if (m_run.isActive())
        requestStop();
}

void Form1::showRunning(bool on)
{
    const bool startHadFocus = (on ? PushButton2 : StopButton)->hasFocus();
    StopButton->setVisible(on);
    PushButton2->setVisible(!on);
    m_escape->setEnabled(on);
    if (startHadFocus)
        (on ? StopButton : PushButton2)->setFocus(Qt::OtherFocusReason);
}

void Form1::reportStopped(int total, int gifsWritten)
{
    // What the run's own end does, which the stop skipped.
    setAppWaitPointer(false);
    setWaitPointer(false);
    setProgress(0);
    setProgressText(QCoreApplication::translate("ConversionRun", "Progress Bar"));
    const QString text = tr("Stopped after %1 of %2 files; %3 GIF files were written.").arg(m_filesEnded).arg(total).arg(gifsWritten);
    notifyIfAway(text);
    dialogs().message(text, m_applicationTitle, Dialogs::Icon::Information);
}

// Stop stands in Start Converting's place while there is a file to stop: not during the checks
// before the first file, nor during the boxes after the last.
void Form1::fileStarted(int, const QString &)
{
    showRunning(true);
}

void Form1::fileEnded(const FileOutcome &outcome)
{
    ++m_filesEnded;
    if (outcome.position >= m_runFiles)
        showRunning(false);
}

void Form1::runEnded(const RunReport &report)
{
    showRunning(false);
    // Before the run's last box, which waits for the user.
    notifyIfAway(tr("Conversion finished; %1 GIF files were written.").arg(report.gifsWritten));
}

void Form1::notifyIfAway(const QString &text)
{
    if (isActiveWindow())
        return;
    if (m_options.notify)
        return m_options.notify(m_applicationTitle, text);
    // Without a tray that shows messages there is nobody to tell: no error, nothing shown.
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages())
        return;
    auto *tray = new QSystemTrayIcon(windowIcon(), this);
    tray->show();
    tray->showMessage(m_applicationTitle, text, QSystemTrayIcon::Information);
    QTimer::singleShot(15000, tray, &QObject::deleteLater);
}
