#include "ui/windowhost.h"

#include "inputlist/inputfilelist.h"
#include "ui/form1layout.h"
#include "ui/pointers.h"

#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

int WindowHost::entryCount() const
{
    return m_controls.ListView1->count();
}

QString WindowHost::entryAt(int position) const
{
    return m_controls.ListView1->entryAt(position);
}

RunOptions WindowHost::options() const
{
    RunOptions options;
    for (const MethodInfo &method : MethodTable())
        if (m_controls.optionButton(method)->isChecked()) {
            options.method = method.method;
            break;
        }
    options.firstPageOnly = m_controls.Check5->isChecked();
    options.resolution = LeadingNumber(m_controls.Combo_Resolution->currentText());
    options.pages = PageCount(m_controls.Txt_Pages->text());
    options.outputFolder = m_controls.Text1->text();
    options.imagingUnavailable = m_gdiplusUnavailable;
    options.limits = m_limits;
    return options;
}

void WindowHost::setProgress(double percent)
{
    // The list may have been cleared while the run yielded: the share is then no number.
    if (!std::isfinite(percent))
        percent = percent > 0 ? 100 : 0;
    m_controls.ProgressBar1->setValue(int(std::lround(qBound(0.0, percent, 100.0))));
}

void WindowHost::setProgressText(const QString &text)
{
    m_controls.ProgressBar1->setLine(text);
}

void WindowHost::setWaitPointer(bool on)
{
    m_pointers.setRunWait(on);
}

void WindowHost::setAppWaitPointer(bool on)
{
    m_pointers.setAppWait(on);
}

void WindowHost::yield()
{
    // A yield that starts at the run's level is the run's own; any other runs inside an event
    // handler (a folder walk), which an exception must never cross.
    const bool runsOwn = m_yieldDepth == m_runLevel;
    ++m_yieldDepth;
    QCoreApplication::processEvents();
    --m_yieldDepth;
    if (!runsOwn || !m_stopRequested)
        return;
    m_stopRequested = false;
    m_runLevel = -1; // what the unwinding yields goes on as usual
    // The window's close path, without ending the program: pages being written finish whole,
    // the scripts and renderers go with their process groups, the scratch folders are removed.
    Interruption::CleanUpNow();
    throw RunStopped();
}

void WindowHost::runStarts()
{
    m_runLevel = m_yieldDepth;
    m_stopRequested = false;
}
