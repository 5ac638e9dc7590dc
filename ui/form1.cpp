#include "ui/form1.h"

#include "inputlist/adders.h"
#include "inputlist/folderwalk.h"
#include "inputlist/inputfilelist.h"

#include "sys/appfolder.h"
#include "sys/dialogs.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const QString ProductName = QStringLiteral("Lumenpage");
const QString ContactAddress = QStringLiteral("https://lumenpage.org/contact");

// Places are given in twips, 15 to a pixel.
QRect twips(int left, int top, int width, int height)
{
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0), qRound(height / 15.0));
}

template <typename W, typename... A>
W *make(QWidget *parent, const QRect &place, A &&...args)
{
    auto *w = new W(std::forward<A>(args)..., parent);
    w->setGeometry(place);
    return w;
}

// A whole number from a stored text, as the check box's state needs it.
int toSmallInteger(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Failure(QStringLiteral("Type mismatch"), ErrorCode::TypeMismatch);
    if (value <= -32768.5 || value >= 32767.5)
        throw Failure(QStringLiteral("Overflow"), ErrorCode::Overflow);
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
      m_dialogs(dialogs),
      m_options(std::move(options)),
      m_appFolder(m_options.appFolder.isEmpty() ? AppFolder() : m_options.appFolder),
      m_settings(m_options.settingsFile),
      m_run(*this)
{
    Q_INIT_RESOURCE(lumenpage);
    setObjectName(QStringLiteral("Form1"));
    buildControls();
    connectHandlers();
    Form_Load();
}

Form1::~Form1()
{
    if (m_appWait)
        QApplication::restoreOverrideCursor();
}

void Form1::buildControls()
{
    setFixedSize(1064, 355);
    QFont font(QStringLiteral("Arial"), 9);
    font.setPointSizeF(9);
    font.setBold(true);
    setFont(font);
    QFont buttonFont = font;
    buttonFont.setPointSizeF(11.25);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto button = [&](QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
        auto *b = make<QPushButton>(parent, place, caption);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setAutoDefault(false);
        b->setMouseTracking(true);
        b->installEventFilter(this);
        return b;
    };
    auto group = [&](QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
        auto *g = make<QGroupBox>(parent, place, caption);
        g->setObjectName(name);
        g->setMouseTracking(true);
        g->installEventFilter(this);
        return g;
    };
    auto option = [&](QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
        auto *o = make<QRadioButton>(parent, place, caption);
        o->setObjectName(name);
        return o;
    };

    PushButton8 = button(this, QStringLiteral("PushButton8"), QStringLiteral("Help"), twips(120, 120, 7800, 405));
    ListView1 = make<InputFileList>(this, twips(120, 630, 7800, 3555));
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->viewport()->setMouseTracking(true);
    ListView1->viewport()->installEventFilter(this);
    ListView1->header()->setMouseTracking(true);
    ListView1->header()->installEventFilter(this);
    PushButton1 = button(this, QStringLiteral("PushButton1"), QStringLiteral("Add PDF File(s)"), twips(120, 4290, 3840, 405));
    PushButton4 = button(this, QStringLiteral("PushButton4"), QStringLiteral("Add All PDF File(s) In Folder"), twips(4080, 4290, 3840, 405));
    PushButton5 = button(this, QStringLiteral("PushButton5"), QStringLiteral("Clear List"), twips(120, 4800, 3840, 405));
    PushButton6 = button(this, QStringLiteral("PushButton6"), QStringLiteral("Load Sample/Example Files"), twips(4080, 4800, 3840, 405));

    Frame1 = group(this, QStringLiteral("Frame1"), QStringLiteral("Conversion Method"), twips(8040, 60, 7800, 2535));
    Option2 = option(Frame1, QStringLiteral("Option2"), InfoOf(Method::Ghostscript).caption, twips(240, 300, 2775, 225));
    Option3 = option(Frame1, QStringLiteral("Option3"), InfoOf(Method::BlackWhite).caption, twips(240, 650, 3135, 225));
    Option1 = option(Frame1, QStringLiteral("Option1"), InfoOf(Method::Acrobat).caption, twips(240, 1000, 6735, 225));
    Option4 = option(Frame1, QStringLiteral("Option4"), InfoOf(Method::GflAx).caption, twips(240, 1350, 3060, 225));
    Option2->setChecked(true);

    Frame2 = group(Frame1, QStringLiteral("Frame2"), QStringLiteral("GflAx Option"), twips(480, 1600, 5760, 700));
    Frame2->setEnabled(false);
    Label3 = make<QLabel>(Frame2, twips(225, 270, 1515, 225), QStringLiteral("Number of Pages:"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Txt_Pages = make<QLineEdit>(Frame2, twips(1920, 225, 855, 375));
    Txt_Pages->setObjectName(QStringLiteral("Txt_Pages"));
    Txt_Pages->setMouseTracking(true);
    Txt_Pages->installEventFilter(this);
    Label1 = make<QLabel>(Frame2, twips(3240, 270, 945, 225), QStringLiteral("Resolution:"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Combo_Resolution = make<QComboBox>(Frame2, twips(4440, 240, 1095, 345));
    Combo_Resolution->setObjectName(QStringLiteral("Combo_Resolution"));
    Combo_Resolution->setEditable(true);
    Combo_Resolution->setInsertPolicy(QComboBox::NoInsert);
    Combo_Resolution->setEditText(QStringLiteral("144"));

    Frame3 = group(this, QStringLiteral("Frame3"), QStringLiteral("First Page Option"), twips(8040, 2640, 7800, 690));
    Check5 = make<QCheckBox>(Frame3, twips(240, 300, 2490, 225), QStringLiteral("Convert First Page Only"));
    Check5->setObjectName(QStringLiteral("Check5"));

    Frame4 = group(this, QStringLiteral("Frame4"), QStringLiteral("Save Results To This Folder"), twips(8040, 3390, 7800, 780));
    Text1 = make<QLineEdit>(Frame4, twips(240, 300, 6660, 345));
    Text1->setObjectName(QStringLiteral("Text1"));
    PushButton7 = button(Frame4, QStringLiteral("PushButton7"), QStringLiteral("..."), twips(6960, 300, 600, 345));

    PushButton2 = button(this, QStringLiteral("PushButton2"), QStringLiteral("Start Converting"), twips(8040, 4290, 7800, 405));
    ProgressBar1 = make<ProgressBar>(this, twips(8040, 4800, 7800, 400));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setLine(QStringLiteral("Progress Bar"));

    // Captions keep their places but never lose letters where the font is wider than the one
    // the places were measured with.
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label3),
                       static_cast<QWidget *>(Check5), static_cast<QWidget *>(Option1),
                       static_cast<QWidget *>(Option2), static_cast<QWidget *>(Option3),
                       static_cast<QWidget *>(Option4)}) {
        if (w->sizeHint().width() > w->width())
            w->resize(w->sizeHint().width(), w->height());
    }

    // Controls without a caption of their own are named for screen readers; the two GflAx
    // boxes are also tied to their labels, which is how Linux readers find a box's name.
    PushButton7->setAccessibleName(QStringLiteral("Choose Output Folder"));
    Txt_Pages->setAccessibleName(QStringLiteral("Number of Pages"));
    Combo_Resolution->setAccessibleName(QStringLiteral("Resolution"));
    Combo_Resolution->lineEdit()->setAccessibleName(QStringLiteral("Resolution"));
    Text1->setAccessibleName(QStringLiteral("Output Folder"));
    Label3->setBuddy(Txt_Pages);
    Label1->setBuddy(Combo_Resolution);

    setMouseTracking(true);
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

void Form1::Form_Load()
{
    ErrorTrap trap(m_dialogs, Form1Locations::FormLoad);
    trap.step(100, [&] { applySkin(); });
    const QString handFile = m_appFolder + QStringLiteral("/HAND-M.CUR");
    if (trap.test(104, [&] { return PathExists(handFile); }))
        trap.step(106, [&] { loadHandPointer(handFile); });
    trap.step(126, [&] {
        setWindowTitle(ProductName);
        setWindowIcon(QIcon(QStringLiteral(":/lumenpage/lumenpage.png")));
        m_applicationTitle = ApplicationTitleFor(ProductName);
    });
    trap.step(128, [&] { ListView1->setHeaderLabels({QStringLiteral("PDF File(s)")}); });
    trap.step(130, [&] {
        ListView1->header()->setStretchLastSection(false);
        ListView1->setColumnWidth(0, qRound(7000 / 15.0));
    });

    QString option;
    trap.step(132, [&] { option = m_settings.read(QStringLiteral("Option"), QStringLiteral("1")); });
    trap.step(134, [&] {
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
    trap.step(168, [&] {
        // Filling the list must not replace the box's text, nor store the first entry.
        const QSignalBlocker blocker(Combo_Resolution);
        const QString text = Combo_Resolution->currentText();
        Combo_Resolution->addItems({QStringLiteral("72"), QStringLiteral("144"), QStringLiteral("288"),
                                    QStringLiteral("576"), QStringLiteral("1152")});
        Combo_Resolution->setEditText(text);
    });
    trap.step(178, [&] {
        Combo_Resolution->setEditText(m_settings.read(QStringLiteral("Resolution"), QStringLiteral("144")));
    });
    trap.step(180, [&] { Txt_Pages->setText(m_settings.read(QStringLiteral("Pages"), QStringLiteral("1"))); });
    trap.step(182, [&] {
        const int state = toSmallInteger(m_settings.read(QStringLiteral("Check5"), QStringLiteral("0")));
        if (state != 0 && state != 1)
            throw Failure(QStringLiteral("Invalid property value"), ErrorCode::InvalidPropertyValue);
        Check5->setChecked(state == 1);
    });
    // The renderers' memory cap has no control: an advanced setting, read once like the others.
    RenderLimits::parseMemoryMB(m_settings.read(QStringLiteral("MemoryLimit"), QString()), &m_run.limits.memoryMB);
    // A start that fails outright counts as a refusal: the run must not try to save through it.
    bool started = false;
    trap.step(184, [&] {
        started = m_options.startImaging ? m_options.startImaging(m_imaging) : m_imaging.start();
    });
    if (!started) {
        trap.step(186, [&] {
            m_dialogs.message(QStringLiteral("GDI+ Initialization Failed."), m_applicationTitle,
                              Dialogs::Icon::Exclamation);
            m_gdiplusUnavailable = true;
        });
    }
    trap.step(192, [&] {
        Text1->setText(m_settings.read(QStringLiteral("Output Folder"),
                                       std::function<QString()>([] { return GetDesktopFolder(); })));
    });
}

void Form1::applySkin()
{
    const QString skinFile = m_appFolder + QStringLiteral("/x/o.cjs");
    // Only an ordinary file counts; a folder or a hidden file of that name does not.
    if (!IsExistingFile(skinFile)) {
        // Controls sit at fixed places measured from a group's top edge, so the group's frame
        // line must run through its title, not below it. The backgrounds are white whatever the
        // desktop's theme, so the text on them is dark whatever it is too (a dark theme's light
        // text would vanish); the labels take theirs from the method rule.
        setStyleSheet(QStringLiteral(
            "QGroupBox { border: 1px solid #b4b4b4; margin-top: 7px; }"
            "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: black; }"
            "QGroupBox::title:disabled { color: #a0a0a0; }"
            "QGroupBox, QRadioButton, QCheckBox, QLabel { background-color: white; }"
            "QRadioButton, QCheckBox { color: black; }"
            "QRadioButton:disabled, QCheckBox:disabled { color: #808080; }"));
        return;
    }
    const QColor face = QApplication::palette().color(QPalette::Button);
    QPalette p = palette();
    p.setColor(QPalette::Window, face);
    setPalette(p);
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Frame2),
                       static_cast<QWidget *>(Frame3), static_cast<QWidget *>(Frame4),
                       static_cast<QWidget *>(Option1), static_cast<QWidget *>(Option2),
                       static_cast<QWidget *>(Option3), static_cast<QWidget *>(Option4),
                       static_cast<QWidget *>(Check5), static_cast<QWidget *>(Label1),
                       static_cast<QWidget *>(Label3)}) {
        QPalette wp = w->palette();
        wp.setColor(QPalette::Window, face);
        w->setPalette(wp);
    }
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("The skin %1 cannot be read: %2").arg(skinFile, file.errorString()), ErrorCode::PathFileAccess);
    setStyleSheet(QString::fromUtf8(file.readAll()));
    m_skinApplied = true;
}

void Form1::loadHandPointer(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("The pointer %1 cannot be read: %2").arg(path, file.errorString()), ErrorCode::PathFileAccess);
    const QByteArray bytes = file.readAll();
    // A .cur file keeps its hot spot in the first directory entry.
    if (bytes.size() < 22 || qFromLittleEndian<quint16>(bytes.constData() + 2) != 2)
        throw Failure(QStringLiteral("%1 is not a pointer file").arg(path), ErrorCode::InvalidPicture);
    const int hotX = qFromLittleEndian<quint16>(bytes.constData() + 10);
    const int hotY = qFromLittleEndian<quint16>(bytes.constData() + 12);
    QImage image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes, "ICO"))
        throw Failure(QStringLiteral("%1 is not a pointer file").arg(path), ErrorCode::InvalidPicture);
    m_handPointer = QCursor(QPixmap::fromImage(image), hotX, hotY);
}

void Form1::methodRule(const QString &code, bool gflax)
{
    writeSetting(QStringLiteral("Option"), code);
    Frame2->setEnabled(gflax);
    // On the skin's background, the desktop's button face, the desktop's own text colours (black
    // and grey under a light theme). The plain window is white under any theme, so its colours
    // are fixed: a theme's colours, light under a dark theme, would vanish on white.
    const QPalette desktop = QApplication::palette();
    const QColor colour = gflax ? (m_skinApplied ? desktop.color(QPalette::Active, QPalette::WindowText) : QColor(Qt::black))
                                : (m_skinApplied ? desktop.color(QPalette::Disabled, QPalette::WindowText) : QColor(0x80, 0x80, 0x80));
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
    m_dialogs.message(QStringLiteral("Your settings could not be saved in ") + m_settings.fileName()
                          + QStringLiteral(". They will be lost when the program ends."),
                      m_applicationTitle, Dialogs::Icon::Exclamation);
}

AdderContext Form1::adderContext(const QString &location)
{
    return AdderContext{m_dialogs, *ListView1, m_applicationTitle, m_appFolder,
                        [this] { yield(); },
                        [this](bool on) {
                            m_walkDepth += on ? 1 : -1;
                            applyPointer();
                        },
                        location};
}

void Form1::PushButton1_Click()
{
    AdderContext ctx = adderContext(Form1Locations::PushButton1Click);
    AddFilesByDialog(ctx);
}

void Form1::PushButton2_Click()
{
    m_run.start();
}

void Form1::PushButton4_Click()
{
    AdderContext ctx = adderContext(Form1Locations::PushButton4Click);
    AddFolderTree(ctx);
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(m_dialogs, Form1Locations::PushButton5Click);
    trap.step(100, [&] { ListView1->clearEntries(); });
}

void Form1::PushButton6_Click()
{
    AdderContext ctx = adderContext(Form1Locations::PushButton6Click);
    AddSampleFiles(ctx);
}

void Form1::PushButton7_Click()
{
    ErrorTrap trap(m_dialogs, Form1Locations::PushButton7Click);
    QString folder;
    trap.step(100, [&] { folder = PickFolder(m_dialogs, QStringLiteral("Please select folder:")); });
    if (folder.isEmpty())
        return;
    if (trap.test(104, [&] { return !folder.endsWith(QLatin1Char('/')); }))
        trap.step(106, [&] { Text1->setText(folder + QLatin1Char('/')); });
    else
        trap.step(108, [&] { Text1->setText(folder); });
}

void Form1::PushButton8_Click()
{
    ErrorTrap trap(m_dialogs, Form1Locations::PushButton8Click);
    trap.step(100, [&] {
        m_dialogs.message(QStringLiteral("Questions? Please contact Team Quillfern at ") + ContactAddress,
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

int Form1::entryCount() const
{
    return ListView1->count();
}

QString Form1::entryAt(int position) const
{
    return ListView1->entryAt(position);
}

QRadioButton *Form1::optionButton(const MethodInfo &method) const
{
    const std::array<QRadioButton *, 4> buttons{Option1, Option2, Option3, Option4};
    return buttons.at(method.optionButton - 1);
}

bool Form1::isSelected(Method method) const
{
    return optionButton(InfoOf(method))->isChecked();
}

int Form1::check5() const
{
    return Check5->isChecked() ? 1 : 0;
}

QString Form1::resolutionText() const
{
    return Combo_Resolution->currentText();
}

QString Form1::pagesText() const
{
    return Txt_Pages->text();
}

QString Form1::outputFolderText() const
{
    return Text1->text();
}

void Form1::setProgress(double percent)
{
    // The list may have been cleared while the run yielded: the share is then no number.
    if (!std::isfinite(percent))
        percent = percent > 0 ? 100 : 0;
    ProgressBar1->setValue(int(std::lround(qBound(0.0, percent, 100.0))));
}

void Form1::setProgressText(const QString &text)
{
    ProgressBar1->setLine(text);
}

void Form1::setWaitPointer(bool on)
{
    m_runWait = on;
    applyPointer();
}

void Form1::setAppWaitPointer(bool on)
{
    // The hourglass is a state, not a count: the script methods ask for it several times per
    // file and reset it once, and one reset must bring the pointer back. Qt's override cursors
    // stack, so only a change of state touches them.
    if (on == m_appWait)
        return;
    m_appWait = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Form1::yield()
{
    QCoreApplication::processEvents();
}

void Form1::applyPointer()
{
    if (waitPointerShown())
        setCursor(Qt::WaitCursor);
    else if (m_hover == Hover::Hand && m_handPointer)
        setCursor(*m_handPointer);
    else
        setCursor(Qt::ArrowCursor);
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    // Moves over controls reach the window too; only the background itself counts.
    if (!childAt(event->position().toPoint())) {
        m_hover = Hover::Default;
        applyPointer();
    }
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (qobject_cast<QPushButton *>(watched)) {
            m_hover = Hover::Hand;
            applyPointer();
        } else if (qobject_cast<QGroupBox *>(watched)) {
            // A move over an option button inside the group is passed up to it; it does not count.
            const auto *move = static_cast<QMouseEvent *>(event);
            if (!widget->childAt(move->position().toPoint())) {
                m_hover = Hover::Default;
                applyPointer();
            }
        } else if (widget == ListView1->viewport() || widget == ListView1->header() || widget == Txt_Pages) {
            m_hover = Hover::Default;
            applyPointer();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    ErrorTrap trap(m_dialogs, Form1Locations::FormQueryUnload);
    trap.step(100, [&] { m_imaging.stop(); });
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
