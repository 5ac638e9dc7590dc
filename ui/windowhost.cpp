#include "ui/windowhost.h"

#include "inputlist/inputfilelist.h"
#include "ui/form1layout.h"
#include "ui/pointers.h"

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

bool WindowHost::isSelected(Method method) const
{
    return m_controls.optionButton(InfoOf(method))->isChecked();
}

int WindowHost::check5() const
{
    return m_controls.Check5->isChecked() ? 1 : 0;
}

QString WindowHost::resolutionText() const
{
    return m_controls.Combo_Resolution->currentText();
}

QString WindowHost::pagesText() const
{
    return m_controls.Txt_Pages->text();
}

QString WindowHost::outputFolderText() const
{
    return m_controls.Text1->text();
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
