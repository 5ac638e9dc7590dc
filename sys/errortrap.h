#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class Dialogs;

// The numeric codes failures carry, named after the runtime errors they stand for.
namespace ErrorCode {
constexpr int InvalidCall = 5;            // invalid procedure call or argument
constexpr int Overflow = 6;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;        // path/file access error
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91;          // object variable not set
constexpr int InvalidPropertyValue = 380;
constexpr int InvalidPicture = 481;
constexpr int IndexOutOfBounds = 35600;
} // namespace ErrorCode

// A failure carrying the description the user reads in the ErrorBox. Anything thrown from a
// step of a trapping procedure is reported; a std::exception gives its what(), anything else a
// generic description.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &description, int code = 0)
        : std::runtime_error(description.toStdString()), m_code(code) {}
    QString description() const { return QString::fromUtf8(what()); }
    int code() const { return m_code; }

private:
    int m_code;
};

// Not a failure: thrown by a host's yield to leave a run the user stopped, once its work has been
// cleaned up (Interruption::CleanUpNow). No trap reports it; it unwinds to whoever started the run.
struct RunStopped {};

// Each layer keeps the ErrorLocations of its own procedures; this one is the folder deletion's.
inline const QString KillFolderLocation = QStringLiteral("in Lumenpg2017/04/05.modKillFolder.KillFolder ");

inline const QString SupportAddress = QStringLiteral("support@lumenpage.org");

// The full ErrorBox text for a failure at `stepNumber` of the procedure at `location`.
QString errorBoxText(const QString &description, const QString &location, int stepNumber);

// Shows the ErrorBox: title "Application Error", OK, exclamation icon.
void reportError(Dialogs &dialogs, const QString &description, const QString &location,
                 int stepNumber);

// The recovery of a trapping procedure. Each numbered step runs through step() or test(); a
// failure is reported in the ErrorBox and the procedure goes on with its next step. A failed
// test counts as passed, so the step it guards runs next.
class ErrorTrap {
public:
    ErrorTrap(Dialogs &dialogs, QString location)
        : m_dialogs(dialogs), m_location(std::move(location)) {}

    // Runs one step; true when it completed, false when it failed and was reported.
    bool step(int stepNumber, const std::function<void()> &body);

    // Evaluates a test; a test that fails is reported and answers true.
    bool test(int stepNumber, const std::function<bool()> &condition);

    // Called before the ErrorBox for a failure; returning true means the failure was handled
    // (no ErrorBox) and the procedure must end: see aborted().
    std::function<bool(const Failure &)> filter;

    bool aborted() const { return m_aborted; }
    int failures() const { return m_failures; }
    // The descriptions of the failures reported in the ErrorBox, in order.
    const QStringList &reported() const { return m_reported; }
    Dialogs &dialogs() { return m_dialogs; }

private:
    void handle(int stepNumber, const Failure &failure);

    Dialogs &m_dialogs;
    QString m_location;
    bool m_aborted = false;
    int m_failures = 0;
    QStringList m_reported;
};
