#pragma once

#include "engine/methods/methods.h"

#include <QProgressBar>
#include <QRect>
#include <QString>

class InputFileList;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
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

    // Every method's option button, in the order they were laid out: the four above and any
    // other method's.
    QList<QRadioButton *> optionButtons;

    // The option button that selects `method`, OptionN for its row's N.
    QRadioButton *optionButton(const MethodInfo &method) const;
};

// A place given in twips, 15 to a pixel, as the form's places are measured.
QRect Twips(int left, int top, int width, int height);

// Makes every control of the window at its place, with its caption, font and screen-reader
// name, and fixes the window's size, font and white background. Nothing is connected.
void LayOutForm1(QWidget &window, Form1Controls &controls);
