#pragma once

#include "engine/methods/methods.h"

#include <QProgressBar>
#include <QRect>
#include <QString>

class InputFileList;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QWidget;

// A progress bar whose line of text is shown as given: QProgressBar's format would read "%p" or
// "%v" inside a file name as placeholders.
class ProgressBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;
    // Screen readers read the line as the bar's description.
    void setLine(const QString &text) { m_line = text; setAccessibleDescription(text); update(); }
    QString text() const override { return m_line; }

private:
    QString m_line;
};

// The window's controls. Names follow the form they were laid out on.
struct Form1Controls {
    QPushButton *PushButton1 = nullptr; // Add PDF File(s)
    QPushButton *PushButton2 = nullptr; // Start Converting
    QPushButton *PushButton4 = nullptr; // Add All PDF File(s) In Folder
    QPushButton *PushButton5 = nullptr; // Clear List
    QPushButton *PushButton6 = nullptr; // Load Sample/Example Files
    QPushButton *PushButton7 = nullptr; // output-folder picker
    QPushButton *PushButton8 = nullptr; // Help
    QPushButton *StopButton = nullptr;  // in Start Converting's place while a run is on
    QAction *OpenOutputFolder = nullptr; // at the end of the output folder box, once a run ended
    InputFileList *ListView1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QRadioButton *Option1 = nullptr; // Acrobat, "3"
    QRadioButton *Option2 = nullptr; // Ghostscript, "1"
    QRadioButton *Option3 = nullptr; // Black/White, "2"
    QRadioButton *Option4 = nullptr; // GflAx, "4"
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Txt_Pages = nullptr;
    QComboBox *Combo_Resolution = nullptr;
    QCheckBox *Check5 = nullptr;
    QLineEdit *Text1 = nullptr;
    ProgressBar *ProgressBar1 = nullptr;
    // The page every control above stands on, and the area that scrolls it where the window is
    // smaller than the layout.
    QWidget *Page = nullptr;
    QScrollArea *Scroller = nullptr;

    // Every method's option button, in the order they were laid out: the four above and any
    // other method's.
    QList<QRadioButton *> optionButtons;

    // The option button that selects `method`, OptionN for its row's N.
    QRadioButton *optionButton(const MethodInfo &method) const;
};

// A place given in twips, 15 to a pixel, as the form's places are measured.
QRect Twips(int left, int top, int width, int height);

// The layout's size: the window's smallest, where the screen has room for it.
inline constexpr QSize Form1LayoutSize{1064, 355};

// Makes every control of the window at its place, with its caption, font and screen-reader
// name, on a page that scrolls inside the window, and sets the window's font and white
// background. The window starts at the layout's size, which is also its smallest; more room
// goes to the file list, the controls below it and on the right keeping their distance from
// the bottom and right edges. Nothing is connected.
void LayOutForm1(QWidget &window, Form1Controls &controls);

// Where the screen's `room` is smaller than the layout: the window's smallest and first size
// are what fits, and the page scrolls inside it, so that every control can still be reached.
void FitToScreen(QWidget &window, const QSize &room);
