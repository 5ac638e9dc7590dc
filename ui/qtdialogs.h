#pragma once

#include "sys/dialogs.h"

#include <QPointer>
#include <QWidget>

// The boxes of the program as Qt dialogs, modal to their owner window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }

    Answer message(const QString &text, const QString &title, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    Answer detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail) override;
    bool inputBox(const QString &prompt, const QString &title, QString &text) override;
    QString pickFolder(const QString &prompt) override;
    QStringList openFiles(const QString &title, const QString &filter) override;

    // The program's texts break lines with "\r" and "\r\n"; Qt shows "\n".
    static QString displayText(const QString &text);

private:
    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons, const QString &detail);

    QPointer<QWidget> m_owner;
};
