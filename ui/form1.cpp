#include "ui/form1.h"

#include "inputlist/adders.h"
#include "inputlist/folderwalk.h"
#include "inputlist/inputfilelist.h"
#include "ui/focusring.h"
#include "ui/skin.h"

#include "sys/appfolder.h"
#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const QString ProductName = QStringLiteral("Lumenpage");
const QString ContactAddress = QStringLiteral("https://lumenpage.org/contact");

// A whole number from a stored text, as the check box's state needs it.
int toSmallInteger(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Failure(QCoreApplication::translate("Form1", "Type mismatch"), ErrorCode::TypeMismatch);
    if (value <= -32768.5 || value >= 32767.5)
        throw Failure(QCoreApplication::translate("Form1", "Overflow"), ErrorCode::Overflow);
    return int(std::nearbyint(value));
}

} // namespace

QString ApplicationTitleFor(const QString &productName)
{
    QString title = productName.trimmed();
    if (!title.contains(QLatin1Char(' ')))
        return title;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break;
        title.truncate(blank);
    } while (title.size() > 40);
    return title;
}

Form1::Form1(Dialogs &dialogs, Form1Options options, QWidget *parent)
    : QWidget(parent),
      WindowHost(dialogs, *this, m_pointers),
      m_options(std::move(options)),
      m_settings(m_options.settingsFile),
      m_pointers(*this),
      m_run(*this)
{
    Q_INIT_RESOURCE(lumenpage);
    m_appFolder = m_options.appFolder.isEmpty() ? AppFolder() : m_options.appFolder;
    setObjectName(QStringLiteral("Form1"));
    LayOutForm1(*this, *this);
    watchPointers();
    connectHandlers();
    Form_Load();
    // In the colours the look settled on.
    m_focusRing = new FocusRing(*Page, FocusRingColour(m_skinApplied));
}

Form1::~Form1() = default;

void Form1::watchPointers()
{
    m_pointers.watchButtons({PushButton1, PushButton2, PushButton4, PushButton5, PushButton6, PushButton7, PushButton8, StopButton});
    m_pointers.watchBackgrounds({this, Page, Frame1, Frame2, Frame3, Frame4});
    m_pointers.watchPlain({ListView1->viewport(), ListView1->header(), Txt_Pages});
}

void Form1::connectHandlers()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(StopButton, &QPushButton::clicked, this, &Form1::StopButton_Click);
    connect(OpenOutputFolder, &QAction::triggered, this, &Form1::OpenOutputFolder_Triggered);
    connectEscape();
    connect(ListView1, &InputFileList::deletePressed, this, &Form1::ListView1_KeyDown);
    connect(ListView1, &InputFileList::entryDoubleClicked, this, &Form1::ListView1_DblClick);
    connect(ListView1, &InputFileList::pathsDropped, this, &Form1::ListView1_OLEDragDrop);

    for (const MethodInfo &method : MethodTable()) {
        connect(optionButton(method), &QRadioButton::toggled, this, [this, &method](bool on) {
            if (on)
                methodRule(method.settingCode, method.method == Method::GflAx);
        });
    }
    connect(Check5, &QCheckBox::toggled, this, &Form1::Check5_Click);
    connect(Combo_Resolution, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { writeSetting(QStringLiteral("Resolution"), text); });
    connect(Txt_Pages, &QLineEdit::textChanged, this,
            [this](const QString &text) { writeSetting(QStringLiteral("Pages"), text); });
    connect(Text1, &QLineEdit::textChanged, this,
            [this](const QString &text) { writeSetting(QStringLiteral("Output Folder"), text); });
}

namespace {
namespace FormLoadStep {
constexpr int ApplySkin = 100;
constexpr int FindHandPointer = 104;
constexpr int LoadHandPointer = 106;
constexpr int SetTitleAndIcon = 126;
constexpr int SetListHeader = 128;
constexpr int SetListColumnWidth = 130;
constexpr int ReadMethod = 132;
constexpr int SelectMethod = 134;
constexpr int FillResolutions = 168;
constexpr int ReadResolution = 178;
constexpr int ReadPages = 180;
constexpr int ReadFirstPageOnly = 182;
constexpr int StartImaging = 184;
constexpr int ReportImagingFailed = 186;
constexpr int ReadOutputFolder = 192;
} // namespace FormLoadStep
} // namespace

void Form1::Form_Load()
{
    ErrorTrap trap(dialogs(), Form1Locations::FormLoad);
    trap.step(FormLoadStep::ApplySkin, [&] {
        QList<QWidget *> faced{Frame1, Frame2, Frame3, Frame4, Check5, Label1, Label3};
        for (QRadioButton *option : std::as_const(optionButtons))
            faced << option;
        m_skinApplied = ApplySkin(*this, faced, m_appFolder);
    });
    const QString handFile = m_appFolder + QStringLiteral("/HAND-M.CUR");
    if (trap.test(FormLoadStep::FindHandPointer, [&] { return PathExists(handFile); }))
        trap.step(FormLoadStep::LoadHandPointer, [&] { m_pointers.loadHandPointer(handFile); });
    trap.step(FormLoadStep::SetTitleAndIcon, [&] {
        setWindowTitle(ProductName);
        setWindowIcon(QIcon(QStringLiteral(":/lumenpage/lumenpage.png")));
        m_applicationTitle = ApplicationTitleFor(ProductName);
    });
    trap.step(FormLoadStep::SetListHeader, [&] { ListView1->setHeaderLabels({tr("PDF File(s)")}); });
    trap.step(FormLoadStep::SetListColumnWidth, [&] {
        ListView1->header()->setStretchLastSection(false);
        ListView1->setColumnWidth(0, qRound(7000 / 15.0));
    });

    QString option;
    trap.step(FormLoadStep::ReadMethod, [&] { option = m_settings.read(QStringLiteral("Option"), QStringLiteral("1")); });
    trap.step(FormLoadStep::SelectMethod, [&] {
        // Selecting a button runs its click handling as a user's click would, also when it was
        // selected already.
        const MethodInfo *method = MethodWithSettingCode(option);
        if (!method)
            return;
        QRadioButton *button = optionButton(*method);
        if (button->isChecked())
            methodRule(option, method->method == Method::GflAx);
        else
            button->setChecked(true);
    });
    trap.step(FormLoadStep::FillResolutions, [&] {
        // Filling the list must not replace the box's text, nor store the first entry.
        const QSignalBlocker blocker(Combo_Resolution);
        const QString text = Combo_Resolution->currentText();
        Combo_Resolution->addItems({QStringLiteral("72"), QStringLiteral("144"), QStringLiteral("288"),
                                    QStringLiteral("576"), QStringLiteral("1152")});
        Combo_Resolution->setEditText(text);
    });
    trap.step(FormLoadStep::ReadResolution, [&] {
        Combo_Resolution->setEditText(m_settings.read(QStringLiteral("Resolution"), QStringLiteral("144")));
    });
    trap.step(FormLoadStep::ReadPages, [&] { Txt_Pages->setText(m_settings.read(QStringLiteral("Pages"), QStringLiteral("1"))); });
    trap.step(FormLoadStep::ReadFirstPageOnly, [&] {
        const int state = toSmallInteger(m_settings.read(QStringLiteral("Check5"), QStringLiteral("0")));
        if (state != 0 && state != 1)
            throw Failure(tr("Invalid property value"), ErrorCode::InvalidPropertyValue);
        Check5->setChecked(state == 1);
    });
    // The renderers' memory and time caps have no control: advanced settings, read once like the
    // others.
    RenderLimits::parseMemoryMB(m_settings.read(QStringLiteral("MemoryLimit"), QString()), &m_limits.memoryMB);
    RenderLimits::parsePageSeconds(m_settings.read(QStringLiteral("TimeLimit"), QString()), &m_limits.pageSeconds);
    // A start that fails outright counts as a refusal: the run must not try to save through it.
    bool started = false;
    trap.step(FormLoadStep::StartImaging, [&] {
        started = m_options.startImaging ? m_options.startImaging(m_imaging) : m_imaging.start();
    });
    if (!started) {
        trap.step(FormLoadStep::ReportImagingFailed, [&] {
            dialogs().message(tr("GDI+ Initialization Failed."), m_applicationTitle,
                              Dialogs::Icon::Exclamation);
            m_gdiplusUnavailable = true;
        });
    }
    trap.step(FormLoadStep::ReadOutputFolder, [&] {
        Text1->setText(m_settings.read(QStringLiteral("Output Folder"),
                                       std::function<QString()>([] { return GetDesktopFolder(); })));
    });
}

void Form1::methodRule(const QString &code, bool gflax)
{
    writeSetting(QStringLiteral("Option"), code);
    Frame2->setEnabled(gflax);
    const QColor colour = GflAxLabelColour(gflax, m_skinApplied);
    for (QLabel *label : {Label3, Label1}) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, colour);
        label->setPalette(p);
    }
}

void Form1::Check5_Click(bool checked)
{
    writeSetting(QStringLiteral("Check5"), checked ? QStringLiteral("1") : QStringLiteral("0"));
    if (checked) {
        if (Option1->isChecked())
            Option2->setChecked(true);
        Option1->setEnabled(false);
    } else {
        Option1->setEnabled(true);
    }
}

void Form1::writeSetting(const QString &key, const QString &text)
{
    if (m_settings.write(key, text) || m_settingsWarned)
        return;
    // Said once: the options still work for this session, they just will not be kept.
    m_settingsWarned = true;
    dialogs().message(tr("Your settings could not be saved in ") + m_settings.fileName()
                          + tr(". They will be lost when the program ends."),
                      m_applicationTitle, Dialogs::Icon::Exclamation);
}

AdderContext Form1::adderContext(const QString &location)
{
    return AdderContext{dialogs(), *ListView1, m_applicationTitle, m_appFolder,
                        [this] { yield(); },
                        [this](bool on) { m_pointers.setWalking(on); },
                        location};
}

void Form1::PushButton1_Click()
{
    AdderContext ctx = adderContext(Form1Locations::PushButton1Click);
    AddFilesByDialog(ctx);
}

void Form1::PushButton4_Click()
{
    AdderContext ctx = adderContext(Form1Locations::PushButton4Click);
    AddFolderTree(ctx);
}

namespace {
namespace ClearListStep {
constexpr int ClearEntries = 100;
} // namespace ClearListStep
} // namespace

void Form1::PushButton5_Click()
{
    ErrorTrap trap(dialogs(), Form1Locations::PushButton5Click);
    trap.step(ClearListStep::ClearEntries, [&] { ListView1->clearEntries(); });
}

void Form1::PushButton6_Click()
{
    AdderContext ctx = adderContext(Form1Locations::PushButton6Click);
    AddSampleFiles(ctx);
}

namespace {
namespace OutputFolderStep {
constexpr int AskFolder = 100;
constexpr int CheckTrailingSlash = 104;
constexpr int SetWithSlash = 106;
constexpr int SetAsPicked = 108;
} // namespace OutputFolderStep
} // namespace

void Form1::PushButton7_Click()
{
    ErrorTrap trap(dialogs(), Form1Locations::PushButton7Click);
    QString folder;
    trap.step(OutputFolderStep::AskFolder, [&] { folder = PickFolder(dialogs(), tr("Please select folder:")); });
    if (folder.isEmpty())
        return;
    if (trap.test(OutputFolderStep::CheckTrailingSlash, [&] { return !folder.endsWith(QLatin1Char('/')); }))
        trap.step(OutputFolderStep::SetWithSlash, [&] { Text1->setText(folder + QLatin1Char('/')); });
    else
        trap.step(OutputFolderStep::SetAsPicked, [&] { Text1->setText(folder); });
}

namespace {
namespace ContactStep {
constexpr int ShowContact = 100;
} // namespace ContactStep
} // namespace

void Form1::PushButton8_Click()
{
    ErrorTrap trap(dialogs(), Form1Locations::PushButton8Click);
    trap.step(ContactStep::ShowContact, [&] {
        dialogs().message(tr("Questions? Please contact Team Quillfern at ") + ContactAddress,
                          m_applicationTitle, Dialogs::Icon::None);
    });
}

void Form1::removeSelectedEntry()
{
    if (waitPointerShown() || ListView1->count() == 0)
        return;
    ListView1->removeSelected();
}

void Form1::ListView1_KeyDown()
{
    removeSelectedEntry();
}

void Form1::ListView1_DblClick()
{
    removeSelectedEntry();
}

void Form1::ListView1_OLEDragDrop(const QStringList &paths)
{
    AdderContext ctx = adderContext();
    AddDroppedPaths(ctx, paths);
}

namespace {
namespace UnloadStep {
constexpr int StopImaging = 100;
} // namespace UnloadStep
} // namespace

void Form1::closeEvent(QCloseEvent *event)
{
    ErrorTrap trap(dialogs(), Form1Locations::FormQueryUnload);
    trap.step(UnloadStep::StopImaging, [&] { m_imaging.stop(); });
    event->accept();
    if (m_options.unload)
        m_options.unload();
    else
        unloadNow();
}

void Form1::unloadNow()
{
    // Settings are already on disk (written through). A run in progress must not leave its
    // script running nor its folder behind.
    Interruption::CleanUpNow();
    std::fflush(nullptr);
    std::_Exit(0);
}
