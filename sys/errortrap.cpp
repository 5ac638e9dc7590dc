#include "sys/errortrap.h"

#include "sys/dialogs.h"

QString errorBoxText(const QString &description, const QString &location, int stepNumber)
{
    return description + QStringLiteral("\r\n") + location + QCoreApplication::translate("ErrorBox", "at line ")
           + QString::number(stepNumber) + QStringLiteral("\r\r")
           + QCoreApplication::translate("ErrorBox", "Please email screenshot of this message to ") + SupportAddress;
}

void reportError(Dialogs &dialogs, const QString &description, const QString &location,
                 int stepNumber)
{
    dialogs.errorBox(errorBoxText(description, location, stepNumber));
}

void ErrorTrap::handle(int stepNumber, const Failure &failure)
{
    ++m_failures;
    if (filter && filter(failure)) {
        m_aborted = true;
        return;
    }
    m_reported << failure.description();
    reportError(m_dialogs, failure.description(), m_location, stepNumber);
}

bool ErrorTrap::step(int stepNumber, const std::function<void()> &body)
{
    if (m_aborted)
        return false;
    try {
        body();
        return true;
    } catch (const RunStopped &) {
        throw;
    } catch (const Failure &f) {
        handle(stepNumber, f);
    } catch (const std::exception &e) {
        handle(stepNumber, Failure(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        handle(stepNumber, Failure(QCoreApplication::translate("ErrorBox", "Unexpected error")));
    }
    return false;
}

bool ErrorTrap::test(int stepNumber, const std::function<bool()> &condition)
{
    if (m_aborted)
        return false;
    bool result = true;
    step(stepNumber, [&] { result = condition(); });
    return m_aborted ? false : result;
}
