#include "ui/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>

QString QtDialogs::displayText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

Dialogs::Answer QtDialogs::message(const QString &text, const QString &title, Icon icon,
                                   Buttons buttons)
{
    return show(text, title, icon, buttons, QString());
}

Dialogs::Answer QtDialogs::detailedMessage(const QString &text, const QString &title, Icon icon,
                                           const QString &detail)
{
    return show(text, title, icon, Buttons::Ok, detail);
}

Dialogs::Answer QtDialogs::show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                                const QString &detail)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None: qicon = QMessageBox::NoIcon; break;
    case Icon::Exclamation: qicon = QMessageBox::Warning; break;
    case Icon::Question: qicon = QMessageBox::Question; break;
    case Icon::Information: qicon = QMessageBox::Information; break;
    case Icon::Critical: qicon = QMessageBox::Critical; break;
    }
    QMessageBox box(qicon, title, displayText(text),
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    m_owner);
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    // A short text ("Done.") makes a box narrower than its title: window managers then cut the
    // title. The box's layout takes a blank row as wide as the title and the title bar's buttons.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title);
        grid->addItem(new QSpacerItem(titleWidth + 120, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

bool QtDialogs::inputBox(const QString &prompt, const QString &title, QString &text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(m_owner, title, displayText(prompt),
                                                 QLineEdit::Normal, text, &ok);
    if (ok)
        text = answer;
    return ok;
}

QString QtDialogs::pickFolder(const QString &prompt)
{
    return QFileDialog::getExistingDirectory(m_owner, prompt, QString(),
                                             QFileDialog::ShowDirsOnly);
}

QStringList QtDialogs::openFiles(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileNames(m_owner, title, QString(), filter);
}
