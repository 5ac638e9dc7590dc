// "Start Converting" and the ways to stop the run it starts.

#include "ui/form1.h"

#include "inputlist/inputfilelist.h"

#include "sys/dialogs.h"
#include "sys/errortrap.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

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
    const int total = ListView1->count();
    showRunning(true);
    bool stopped = false;
    try {
        m_run.start();
    } catch (const RunStopped &) {
        stopped = true;
    }
    runEnds();
    showRunning(false);
    if (stopped)
        reportStopped(total, GifsWrittenSince(outputFolder, before));
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
    dialogs().message(tr("Stopped after %1 of %2 files; %3 GIF files were written.")
                          .arg(filesEnded())
                          .arg(total)
                          .arg(gifsWritten),
                      m_applicationTitle, Dialogs::Icon::Information);
}
