#include "ui/qtdialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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
