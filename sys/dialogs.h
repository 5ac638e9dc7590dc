#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// Every box the program puts in front of the user goes through this interface. The window
// implements it with real Qt dialogs; the console host prints; tests script the answers.
class Dialogs {
public:
    enum class Icon { None, Exclamation, Question, Information, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Dialogs() = default;

    virtual Answer message(const QString &text, const QString &title, Icon icon,
                           Buttons buttons = Buttons::Ok) = 0;

    // A box with a reason the user can open ("Show Details...") without it changing the box's
    // own text. A host without such a place shows the box alone.
    virtual Answer detailedMessage(const QString &text, const QString &title, Icon icon, const QString &detail)
    {
        Q_UNUSED(detail);
        return message(text, title, icon);
    }

    // The ErrorBox for an unexpected failure: title "Application Error", OK, exclamation icon.
    // One entry point, so that a host can tell these boxes from the others without reading them.
    virtual void errorBox(const QString &text)
    {
        message(text, QCoreApplication::translate("ErrorBox", "Application Error"), Icon::Exclamation);
    }

    // Returns false when the user cancelled; `text` then is left unchanged.
    virtual bool inputBox(const QString &prompt, const QString &title, QString &text) = 0;

    // An empty result means cancelled.
    virtual QString pickFolder(const QString &prompt) = 0;

    // The chosen files' full paths; empty when cancelled.
    virtual QStringList openFiles(const QString &title, const QString &filter) = 0;
};
