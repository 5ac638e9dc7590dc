#pragma once

#include <QCursor>
#include <QHash>
#include <QObject>
#include <QString>

#include <initializer_list>
#include <optional>

class QWidget;

// Reads a Windows pointer file (.cur) with its hot spot. Throws Failure where the file cannot be
// read or is no pointer file.
QCursor ReadPointerFile(const QString &path);

// The window's mouse pointer. The WaitPointer shows while a run or a folder walk works, and no
// hover changes it; otherwise the hand pointer (where one was loaded) over a button, the arrow
// over anything else that is watched. Separately, the application-wide hourglass.
class WindowPointers : public QObject {
public:
    explicit WindowPointers(QWidget &window);
    ~WindowPointers() override; // gives back the hourglass if it is still shown

    void loadHandPointer(const QString &path); // throws Failure, as ReadPointerFile
    bool handPointerLoaded() const { return m_handPointer.has_value(); }

    // Which moves count: over a button, the hand; over a background (the window's own, a
    // group's), the arrow, but not where the move is over a control on it; over a plain
    // control, the arrow. Each watched widget gets mouse tracking.
    void watchButtons(std::initializer_list<QWidget *> widgets);
    void watchBackgrounds(std::initializer_list<QWidget *> widgets);
    void watchPlain(std::initializer_list<QWidget *> widgets);

    void setRunWait(bool on);
    void setWalking(bool on); // folder walks nest: each start is matched by one end
    bool waitShown() const { return m_runWait || m_walkDepth > 0; }

    // The hourglass is a state, not a count: the script methods ask for it several times per
    // file and reset it once, and one reset must bring the pointer back.
    void setAppWait(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Hover { Default, Hand };
    enum class Kind { Button, Background, Plain };

    void watch(std::initializer_list<QWidget *> widgets, Kind kind);
    void apply();

    QWidget &m_window;
    QHash<const QObject *, Kind> m_watched;
    std::optional<QCursor> m_handPointer;
    Hover m_hover = Hover::Default;
    bool m_runWait = false;
    int m_walkDepth = 0;
    bool m_appWait = false;
};
