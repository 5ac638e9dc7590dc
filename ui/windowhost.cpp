#include "ui/windowhost.h"

#include "inputlist/inputfilelist.h"
#include "ui/form1layout.h"
#include "ui/pointers.h"

#include "sys/fileutil.h"

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
    QCoreApplication::processEvents();
}
