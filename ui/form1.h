#pragma once

#include "engine/conversionhost.h"
#include "engine/conversionrun.h"
#include "engine/imaging.h"
#include "ui/form1locations.h"
#include "ui/settingsstore.h"

#include <QCursor>
#include <QImage>
#include <QProgressBar>
#include <QWidget>

#include <functional>
#include <optional>

class InputFileList;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct AdderContext;

struct Form1Options {
    QString settingsFile;   // empty: the user's own store
    QString appFolder;      // empty: the running program's own (AppFolder())
    // Starts the imaging service at load; empty: the service's own start.
    std::function<bool(ImagingService &)> startImaging;
    // Runs once the window is closed; empty: the process ends at once (see unloadNow).
    std::function<void()> unload;
};

// A progress bar whose line of text is shown as given: QProgressBar's format would read "%p" or
// "%v" inside a file name as placeholders.
class ProgressBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;
    void setLine(const QString &text) { m_line = text; update(); }
    QString text() const override { return m_line; }

private:
    QString m_line;
};


// The ApplicationTitle of a product name: its last word removed, then more words while longer
// than 40 characters. A one-word name is its own title.
QString ApplicationTitleFor(const QString &productName);

// The program's one working window. Control names follow the form they were laid out on.
class Form1 : public QWidget, public ConversionHost {
    Q_OBJECT
public:
    explicit Form1(Dialogs &dialogs, Form1Options options = {}, QWidget *parent = nullptr);
    ~Form1() override;

    QPushButton *PushButton1 = nullptr; // Add PDF File(s)
    QPushButton *PushButton2 = nullptr; // Start Converting
    QPushButton *PushButton4 = nullptr; // Add All PDF File(s) In Folder
    QPushButton *PushButton5 = nullptr; // Clear List
    QPushButton *PushButton6 = nullptr; // Load Sample/Example Files
    QPushButton *PushButton7 = nullptr; // output-folder picker
    QPushButton *PushButton8 = nullptr; // Help
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

    bool waitPointerShown() const { return m_runWait || m_walkDepth > 0; }
    bool handPointerLoaded() const { return m_handPointer.has_value(); }
    bool skinApplied() const { return m_skinApplied; }
    ConversionRun &conversionRun() { return m_run; }

    // ConversionHost
    Dialogs &dialogs() override { return m_dialogs; }
    QString applicationTitle() const override { return m_applicationTitle; }
    QString appFolder() const override { return m_appFolder; }
    int entryCount() const override;
    QString entryAt(int position) const override;
    bool isSelected(Method method) const override;
    int check5() const override;
    QString resolutionText() const override;
    QString pagesText() const override;
    QString outputFolderText() const override;
    bool gdiplusUnavailable() const override { return m_gdiplusUnavailable; }
    ImagingService &imaging() { return m_imaging; }
    void setProgress(double percent) override;
    void setProgressText(const QString &text) override;
    void setWaitPointer(bool on) override;
    void setAppWaitPointer(bool on) override;
    void yield() override;

    // Ends the process without unwinding: a run or a folder walk that is yielding never resumes.
    [[noreturn]] static void unloadNow();

public slots:
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void ListView1_KeyDown();
    void ListView1_DblClick();
    void ListView1_OLEDragDrop(const QStringList &paths);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectHandlers();
    void Form_Load();
    void applySkin();
    void loadHandPointer(const QString &path);
    void methodRule(const QString &code, bool gflax);
    void Check5_Click(bool checked);
    void removeSelectedEntry();
    void writeSetting(const QString &key, const QString &text);
    void applyPointer();
    AdderContext adderContext(const QString &location = QString());
    QRadioButton *optionButton(const MethodInfo &method) const;

    enum class Hover { Default, Hand };

    Dialogs &m_dialogs;
    Form1Options m_options;
    QString m_appFolder;
    SettingsStore m_settings;
    ImagingService m_imaging;
    ConversionRun m_run;
    QString m_applicationTitle;
    bool m_gdiplusUnavailable = false;
    bool m_skinApplied = false;
    bool m_settingsWarned = false;
    bool m_runWait = false;
    int m_walkDepth = 0;
    bool m_appWait = false; // the application-wide hourglass is shown
    Hover m_hover = Hover::Default;
    std::optional<QCursor> m_handPointer;
};
