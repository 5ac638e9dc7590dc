#include "ui/form1layout.h"

#include "inputlist/inputfilelist.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <functional>


namespace {

// On Linux Qt gives an editable box its text as its name ("144"); a screen reader should read
// the name the box was given ("Resolution") and the text as its value.
class NamedComboBoxAccessible : public QAccessibleWidget {
public:
    explicit NamedComboBoxAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        const auto *box = static_cast<const QComboBox *>(widget());
        if (t == QAccessible::Value)
            return box->currentText();
        if (t == QAccessible::Name && !box->accessibleName().isEmpty())
            return box->accessibleName();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = static_cast<const QComboBox *>(widget())->isEditable();
        s.expandable = true;
        return s;
    }
    QStringList actionNames() const override { return QStringList{showMenuAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction())
            static_cast<QComboBox *>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *namedComboBoxes(const QString &, QObject *object)
{
    auto *box = qobject_cast<QComboBox *>(object);
    if (box && box->property("namedForReaders").toBool())
        return new NamedComboBoxAccessible(box);
    return nullptr;
}

template <typename W, typename... A>
W *make(QWidget *parent, const QRect &place, const QString &name, A &&...args)
{
    auto *w = new W(std::forward<A>(args)..., parent);
    w->setGeometry(place);
    w->setObjectName(name);
    return w;
}

} // namespace

QRect Twips(int left, int top, int width, int height)
{
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0), qRound(height / 15.0));
}

QRadioButton *Form1Controls::optionButton(const MethodInfo &method) const
{
    const QString name = QStringLiteral("Option") + QString::number(method.optionButton);
    for (QRadioButton *button : optionButtons)
        if (button->objectName() == name)
            return button;
    return nullptr;
}

namespace {

// Captions keep their places but never lose letters where the font is wider than the one the
// places were measured with.
void widenCaptions(Form1Controls &c)
{
    QList<QWidget *> captioned{c.Label1, c.Label3, c.Check5};
    for (QRadioButton *option : std::as_const(c.optionButtons))
        captioned << option;
    for (QWidget *w : std::as_const(captioned)) {
        if (w->sizeHint().width() > w->width())
            w->resize(w->sizeHint().width(), w->height());
    }
}

// Alt and a letter press a button: the first letter of a word of its caption, else any letter,
// that no button before it took (Stop shares Start Converting's place and may share its letter).
// The captions read as before, the letter underlined.
void giveMnemonics(const QList<QPushButton *> &buttons)
{
    QString taken;
    for (QPushButton *b : buttons) {
        QString caption = b->text();
        if (const qsizetype marked = caption.indexOf(QLatin1Char('&')); marked >= 0 && marked + 1 < caption.size()) {
            taken += caption.at(marked + 1).toLower();
            continue;
        }
        qsizetype at = -1;
        for (int pass = 0; pass < 2 && at < 0; ++pass)
            for (qsizetype i = 0; i < caption.size() && at < 0; ++i) {
                const QChar ch = caption.at(i);
                const bool wordStart = i == 0 || !caption.at(i - 1).isLetter();
                if (ch.isLetter() && (pass == 1 || wordStart) && !taken.contains(ch.toLower()))
                    at = i;
            }
        if (at < 0)
            continue;
        taken += caption.at(at).toLower();
        b->setText(caption.insert(at, QLatin1Char('&')));
    }
}

// Controls without a caption of their own are named for screen readers; the two GflAx boxes are
// also tied to their labels, which is how Linux readers find a box's name.
void nameForReaders(Form1Controls &c)
{
    c.PushButton7->setAccessibleName(QCoreApplication::translate("Form1", "Choose Output Folder"));
    c.StopButton->setAccessibleName(QCoreApplication::translate("Form1", "Stop Converting"));
    c.StopButton->setAccessibleDescription(
        QCoreApplication::translate("Form1", "Ends the run; the GIF files written so far are kept. Escape does the same."));
    c.Txt_Pages->setAccessibleName(QCoreApplication::translate("Form1", "Number of Pages"));
    c.Combo_Resolution->setAccessibleName(QCoreApplication::translate("Form1", "Resolution"));

    c.Combo_Resolution->lineEdit()->setAccessibleName(QCoreApplication::translate("Form1", "Resolution"));
    c.Text1->setAccessibleName(QCoreApplication::translate("Form1", "Output Folder"));
    c.Combo_Resolution->setAccessibleDescription(QCoreApplication::translate("Form1", "Dots per inch of the GflAx method's pages"));
    c.ListView1->setAccessibleName(QCoreApplication::translate("Form1", "PDF File(s)"));
    c.ListView1->setAccessibleDescription(
        QCoreApplication::translate("Form1", "The files to convert. Delete or a double click removes the selected file."));
    c.ProgressBar1->setAccessibleName(QCoreApplication::translate("Form1", "Conversion Progress"));
    // Each group by its own title: a reader must not give the outer group's name to the inner one.
    for (QGroupBox *frame : {c.Frame1, c.Frame2, c.Frame3, c.Frame4})
        frame->setAccessibleName(frame->title());
    c.Frame2->setAccessibleDescription(QCoreApplication::translate("Form1", "Used by the GflAx method only"));
    c.Label3->setBuddy(c.Txt_Pages);
    c.Label1->setBuddy(c.Combo_Resolution);
}

// The page the controls stand on: at its smallest the layout as measured; what it has beyond
// is handed to `grown`.
class FormPage : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void(const QSize &extra)> grown;

protected:
    void resizeEvent(QResizeEvent *) override
    {
        if (grown)
            grown((size() - minimumSize()).expandedTo(QSize(0, 0)));
    }
};

// How a control on the page takes the room beyond the layout.
enum class Share { None, Width, WidthAndHeight, LeftHalf, RightHalf };
struct Anchor {
    QWidget *w;
    Share share;
    bool right; // keeps its distance from the right edge
    bool down;  // keeps its distance from the bottom edge
    QRect place = {};
};

void Reflow(QList<Anchor> &anchors, const QSize &extra)
{
    const int ew = extra.width(), eh = extra.height(), half = ew / 2;
    for (Anchor &a : anchors) {
        QRect r = a.place.translated(a.right ? ew : 0, a.down ? eh : 0);
        switch (a.share) {
        case Share::None: break;
        case Share::Width: r.setWidth(r.width() + ew); break;
        case Share::WidthAndHeight: r.setSize(r.size() + extra); break;
        case Share::LeftHalf: r.setWidth(r.width() + half); break;
        case Share::RightHalf: r.translate(half, 0); r.setWidth(r.width() + ew - half); break;
        }
        a.w->setGeometry(r);
    }
}

// The file list and the buttons around it widen, the list takes the height; the groups on the
// right stay at the top, Start Converting and the progress bar at the bottom.
void AnchorPage(FormPage *page, Form1Controls &c)
{
    QList<Anchor> anchors{
        {c.PushButton8, Share::Width, false, false}, {c.ListView1, Share::WidthAndHeight, false, false},
        {c.PushButton1, Share::LeftHalf, false, true}, {c.PushButton4, Share::RightHalf, false, true},
        {c.PushButton5, Share::LeftHalf, false, true}, {c.PushButton6, Share::RightHalf, false, true},
        {c.Frame1, Share::None, true, false}, {c.Frame3, Share::None, true, false}, {c.Frame4, Share::None, true, false},
        {c.PushButton2, Share::None, true, true}, {c.StopButton, Share::None, true, true},
        {c.ProgressBar1, Share::None, true, true}};
    for (Anchor &a : anchors)
        a.place = a.w->geometry();
    page->grown = [anchors](const QSize &extra) mutable { Reflow(anchors, extra); };
}

// The window's font and white background; gives the buttons' font.
QFont setWindowLook(QWidget &window)
{
    QFont font(QStringLiteral("Arial"), 9);
    font.setPointSizeF(9);
    font.setBold(true);
    window.setFont(font);
    QFont buttonFont = font;
    buttonFont.setPointSizeF(11.25);

    QPalette white = window.palette();
    white.setColor(QPalette::Window, Qt::white);
    window.setPalette(white);
    window.setAutoFillBackground(true);
    return buttonFont;
}

// The page in its scroll area, which fills the window.
FormPage *makePage(QWidget &window, Form1Controls &c)
{
    auto *page = new FormPage;
    page->setObjectName(QStringLiteral("Page"));
    page->setMinimumSize(Form1LayoutSize);
    c.Page = page;
    c.Scroller = new QScrollArea(&window);
    c.Scroller->setObjectName(QStringLiteral("Scroller"));
    c.Scroller->setFrameShape(QFrame::NoFrame);
    c.Scroller->setWidgetResizable(true);
    c.Scroller->setWidget(page);
    // The window's own background behind the page, whatever the scroll area would paint.
    c.Scroller->viewport()->setBackgroundRole(QPalette::Window);
    c.Scroller->viewport()->setAutoFillBackground(true);
    auto *fill = new QVBoxLayout(&window);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(c.Scroller);
    return page;
}

// At the end of the output folder box, shown once a run has ended: where its files went is one
// click, or Ctrl+Shift+O, away.
void addOpenOutputFolder(QWidget &window, Form1Controls &c)
{
    c.OpenOutputFolder = c.Text1->addAction(window.style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    c.OpenOutputFolder->setObjectName(QStringLiteral("OpenOutputFolder"));
    c.OpenOutputFolder->setText(QCoreApplication::translate("Form1", "Open Output Folder"));
    c.OpenOutputFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    c.OpenOutputFolder->setShortcutContext(Qt::WindowShortcut);
    c.OpenOutputFolder->setToolTip(QCoreApplication::translate("Form1", "Open Output Folder (%1)")
                                       .arg(c.OpenOutputFolder->shortcut().toString(QKeySequence::NativeText)));
    c.OpenOutputFolder->setVisible(false);
}

} // namespace

void FitToScreen(QWidget &window, const QSize &room)
{
    const QSize fits = Form1LayoutSize.boundedTo(room);
    window.setMinimumSize(fits);
    window.resize(window.size().boundedTo(room).expandedTo(fits));
}

void LayOutForm1(QWidget &window, Form1Controls &c)
{
    static const bool factoryInstalled = (QAccessible::installFactory(namedComboBoxes), true);
    Q_UNUSED(factoryInstalled);
    window.setMinimumSize(Form1LayoutSize);
    window.resize(Form1LayoutSize);
    const QFont buttonFont = setWindowLook(window);

    auto button = [&](QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
        auto *b = make<QPushButton>(parent, place, name, caption);
        b->setFont(buttonFont);
        b->setAutoDefault(false);
        return b;
    };
    auto group = [&](QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
        return make<QGroupBox>(parent, place, name, caption);
    };
    // A method's option button, named for its row's number.
    auto option = [&](QWidget *parent, Method method, const QRect &place) {
        const MethodInfo &info = InfoOf(method);
        QRadioButton *button = make<QRadioButton>(parent, place, QStringLiteral("Option") + QString::number(info.optionButton),
                                                  QCoreApplication::translate("Methods", info.caption.toUtf8().constData()));
        c.optionButtons << button;
        return button;
    };
    FormPage *page = makePage(window, c);
    QWidget *form = page;

    c.PushButton8 = button(form, QStringLiteral("PushButton8"), QCoreApplication::translate("Form1", "Help"), Twips(120, 120, 7800, 405));
    c.ListView1 = make<InputFileList>(form, Twips(120, 630, 7800, 3555), QStringLiteral("ListView1"));
    c.PushButton1 = button(form, QStringLiteral("PushButton1"), QCoreApplication::translate("Form1", "Add PDF File(s)"), Twips(120, 4290, 3840, 405));
    c.PushButton4 = button(form, QStringLiteral("PushButton4"), QCoreApplication::translate("Form1", "Add All PDF File(s) In Folder"), Twips(4080, 4290, 3840, 405));
    c.PushButton5 = button(form, QStringLiteral("PushButton5"), QCoreApplication::translate("Form1", "Clear List"), Twips(120, 4800, 3840, 405));
    c.PushButton6 = button(form, QStringLiteral("PushButton6"), QCoreApplication::translate("Form1", "Load Sample/Example Files"), Twips(4080, 4800, 3840, 405));

    c.Frame1 = group(form, QStringLiteral("Frame1"), QCoreApplication::translate("Form1", "Conversion Method"), Twips(8040, 60, 7800, 2535));
    c.Option2 = option(c.Frame1, Method::Ghostscript, Twips(240, 300, 2775, 225));
    c.Option3 = option(c.Frame1, Method::BlackWhite, Twips(240, 650, 3135, 225));
    c.Option1 = option(c.Frame1, Method::Acrobat, Twips(240, 1000, 6735, 225));
    c.Option4 = option(c.Frame1, Method::GflAx, Twips(240, 1350, 3060, 225));
    c.Option2->setChecked(true);

    c.Frame2 = group(c.Frame1, QStringLiteral("Frame2"), QCoreApplication::translate("Form1", "GflAx Option"), Twips(480, 1600, 5760, 700));
    c.Frame2->setEnabled(false);
    c.Label3 = make<QLabel>(c.Frame2, Twips(225, 270, 1515, 225), QStringLiteral("Label3"), QCoreApplication::translate("Form1", "Number of Pages:"));
    c.Txt_Pages = make<QLineEdit>(c.Frame2, Twips(1920, 225, 855, 375), QStringLiteral("Txt_Pages"));
    c.Label1 = make<QLabel>(c.Frame2, Twips(3240, 270, 945, 225), QStringLiteral("Label1"), QCoreApplication::translate("Form1", "Resolution:"));
    c.Combo_Resolution = make<QComboBox>(c.Frame2, Twips(4440, 240, 1095, 345), QStringLiteral("Combo_Resolution"));
    c.Combo_Resolution->setProperty("namedForReaders", true);
    c.Combo_Resolution->setEditable(true);
    c.Combo_Resolution->setInsertPolicy(QComboBox::NoInsert);
    c.Combo_Resolution->setEditText(QStringLiteral("144"));

    c.Frame3 = group(form, QStringLiteral("Frame3"), QCoreApplication::translate("Form1", "First Page Option"), Twips(8040, 2640, 7800, 690));
    c.Check5 = make<QCheckBox>(c.Frame3, Twips(240, 300, 2490, 225), QStringLiteral("Check5"), QCoreApplication::translate("Form1", "Convert First Page Only"));

    c.Frame4 = group(form, QStringLiteral("Frame4"), QCoreApplication::translate("Form1", "Save Results To This Folder"), Twips(8040, 3390, 7800, 780));
    c.Text1 = make<QLineEdit>(c.Frame4, Twips(240, 300, 6660, 345), QStringLiteral("Text1"));
    addOpenOutputFolder(window, c);
    c.PushButton7 = button(c.Frame4, QStringLiteral("PushButton7"), QStringLiteral("..."), Twips(6960, 300, 600, 345));

    c.PushButton2 = button(form, QStringLiteral("PushButton2"), QCoreApplication::translate("Form1", "Start Converting"), Twips(8040, 4290, 7800, 405));
    // Start is pressed once a run; while the run is on, Stop stands in its place.
    c.StopButton = button(form, QStringLiteral("StopButton"), QCoreApplication::translate("Form1", "&Stop"), Twips(8040, 4290, 7800, 405));
    c.StopButton->hide();
    c.ProgressBar1 = make<ProgressBar>(form, Twips(8040, 4800, 7800, 400), QStringLiteral("ProgressBar1"));
    c.ProgressBar1->setRange(0, 100);
    c.ProgressBar1->setValue(0);
    c.ProgressBar1->setTextVisible(true);
    c.ProgressBar1->setAlignment(Qt::AlignCenter);
    c.ProgressBar1->setLine(QCoreApplication::translate("Form1", "Progress Bar"));

    widenCaptions(c);
    nameForReaders(c);
    giveMnemonics({c.StopButton, c.PushButton8, c.PushButton1, c.PushButton4, c.PushButton5, c.PushButton6});
    giveMnemonics({c.PushButton2, c.PushButton8, c.PushButton1, c.PushButton4, c.PushButton5, c.PushButton6});
    AnchorPage(page, c);
    // Placed now, not first when shown: what is under the pointer is known from the start.
    window.layout()->activate();
}
