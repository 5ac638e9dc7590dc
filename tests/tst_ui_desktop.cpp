// The window as a desktop program: files handed over on its command line, and how it starts
// from a console.

#include "tests/support/testwindow.h"
#include "tests/support/screenlook.h"
#include "tests/support/testsupport.h"
#include "inputlist/inputfilelist.h"
#include "ui/commandline.h"
#include "ui/focusring.h"
#include "ui/form1.h"
#include "ui/qtdialogs.h"
#include "sys/translations.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <algorithm>
#include <cmath>

#include <memory>

namespace {

using Window = TestWindow;

void drop(InputFileList *list, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &dropped);
}

struct Result {
    int code = -1;
    QString out, err;
};

// The real program, started as from a console without any display.
Result lumenpage(const QStringList &args, const QStringList &setting = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    for (const QString &pair : setting)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.start(TestFiles::appFolder() + QStringLiteral("/lumenpage"), args);
    if (!p.waitForFinished(30000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // What a file manager's "Open With" hands over ends up in the list as a drop of the same
    // files and folders would put it there.
    void commandLineFilesAreListedAsADropWould()
    {
        QTemporaryDir tree;
        const QString root = tree.path();
        QVERIFY(QDir().mkpath(root + QStringLiteral("/docs/sub")));
        for (const QString &name : {QStringLiteral("docs/a.pdf"), QStringLiteral("docs/~lock.pdf"),
                                   QStringLiteral("docs/notes.txt"), QStringLiteral("docs/sub/b.pdf"),
                                   QStringLiteral("two words.pdf"), QStringLiteral("~own.pdf")})
            TestFiles::writeBytes(root + QLatin1Char('/') + name, "%PDF-1.4\n");

        const QStringList names = {QStringLiteral("two words.pdf"), QStringLiteral("docs/"),
                                   QUrl::fromLocalFile(root + QStringLiteral("/~own.pdf")).toString(),
                                   QStringLiteral("./docs/../missing.pdf")};
        const QStringList paths = CommandLinePaths(names, root);
        QCOMPARE(paths, (QStringList{root + QStringLiteral("/two words.pdf"), root + QStringLiteral("/docs"),
                                     root + QStringLiteral("/~own.pdf"), root + QStringLiteral("/missing.pdf")}));
        // Addresses of other machines are not files to convert; empty names are no names.
        QCOMPARE(CommandLinePaths({QStringLiteral("https://example.org/a.pdf"), QString()}, root), QStringList());

        Window fromCommandLine;
        fromCommandLine.open().ListView1_OLEDragDrop(paths);
        Window dropped;
        drop(dropped.open().ListView1, paths);
        QCOMPARE(fromCommandLine.entries(), dropped.entries());
        QCOMPARE(fromCommandLine.entries(),
                 (QStringList{root + QStringLiteral("/two words.pdf"), root + QStringLiteral("/docs/a.pdf"),
                              root + QStringLiteral("/docs/notes.txt"), root + QStringLiteral("/docs/sub/b.pdf"),
                              root + QStringLiteral("/~own.pdf"), root + QStringLiteral("/missing.pdf")}));

        // With nothing named the list starts empty.
        Window plain;
        plain.open().ListView1_OLEDragDrop(CommandLinePaths({}, root));
        QCOMPARE(plain.entries(), QStringList());
    }

    // Whatever the desktop's theme, the window is of one look, every control on the plain
    // window's white or the skin's face of the theme alike, and every caption, text, frame and
    // indicator it shows stands out from the background it is drawn on: text by 4.5:1, the
    // indicators, checked or not, and greyed text by 3:1.
    void readsUnderDarkAndLightThemes_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("skin");
        QTest::newRow("dark, plain") << true << false;
        QTest::newRow("dark, skin") << true << true;
        QTest::newRow("light, plain") << false << false;
        QTest::newRow("light, skin") << false << true;
    }
    void readsUnderDarkAndLightThemes()
    {
        QFETCH(bool, dark);
        QFETCH(bool, skin);
        const QPalette original = QApplication::palette();
        QApplication::setPalette(desktopPalette(dark));
        const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
        QTemporaryDir apps;
        QVERIFY(QDir().mkpath(apps.filePath(QStringLiteral("app/x"))));
        if (skin)
            QVERIFY(QFile::copy(TestFiles::appFolder() + QStringLiteral("/x/o.cjs"), apps.filePath(QStringLiteral("app/x/o.cjs"))));
        Window w;
        Form1 &f = w.open(apps.filePath(QStringLiteral("app")));
        QCOMPARE(f.skinApplied(), skin);
        f.Option4->setChecked(true); // the GflAx labels in their enabled colour
        f.Text1->setText(QStringLiteral("/home/someone/Output Folder/"));
        f.ListView1->append(QStringLiteral("/home/someone/Documents/report.pdf"));
        f.ProgressBar1->setValue(40);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));

        const auto captionOf = [](QWidget *w) { return QRect(20, 0, w->width() - 20, w->height()); };
        const auto boxOf = [](QWidget *w) { return QRect(0, 0, 18, w->height()); };
        const auto titleOf = [](QGroupBox *g) { return QRect(0, 0, g->width(), 14); };
        const auto insideOf = [](QWidget *w) { return w->rect().adjusted(4, 4, -4, -4); };
        const auto edgeOf = [](QWidget *w) { return QRect(0, 0, 8, w->height()); };
        const auto check = [&](const char *what, QWidget *w, const QRect &part, double least) {
            const Seen s = seen(w, part);
            // The plain window is white under any theme; the skin takes the theme's own shade.
            QVERIFY2((luminance(s.background) < 0.2) == (dark && skin),
                     qPrintable(QStringLiteral("%1: background #%2").arg(QLatin1String(what)).arg(s.background & 0xffffff, 6, 16)));
            QVERIFY2(s.ratio >= least, qPrintable(QStringLiteral("%1: contrast %2:1").arg(QLatin1String(what)).arg(s.ratio)));
        };
        const struct { const char *what; QWidget *w; QRect part; double least; } parts[] = {
            {"Frame1 title", f.Frame1, titleOf(f.Frame1), 4.5},
            {"Frame3 title", f.Frame3, titleOf(f.Frame3), 4.5},
            {"Frame4 title", f.Frame4, titleOf(f.Frame4), 4.5},
            {"Option2 caption", f.Option2, captionOf(f.Option2), 4.5},
            {"Option4 caption", f.Option4, captionOf(f.Option4), 4.5},
            {"Check5 caption", f.Check5, captionOf(f.Check5), 4.5},
            {"Label3", f.Label3, f.Label3->rect(), 4.5},
            {"Label1", f.Label1, f.Label1->rect(), 4.5},
            {"Text1", f.Text1, insideOf(f.Text1), 4.5},
            {"Txt_Pages", f.Txt_Pages, insideOf(f.Txt_Pages), 4.5},
            {"Combo_Resolution", f.Combo_Resolution, insideOf(f.Combo_Resolution), 4.5},
            {"list entry", f.ListView1->viewport(),
             f.ListView1->visualItemRect(f.ListView1->topLevelItem(0)).adjusted(0, 1, 0, -1), 4.5},
            {"list header", f.ListView1->header(), f.ListView1->header()->rect(), 4.5},
            {"PushButton2 caption", f.PushButton2, insideOf(f.PushButton2), 4.5},
            {"progress bar", f.ProgressBar1, f.ProgressBar1->rect(), 3},
            {"Text1 edge", f.Frame4, edgeOf(f.Text1).translated(f.Text1->pos() - QPoint(4, 0)), 3},
            {"Option4 checked", f.Option4, boxOf(f.Option4), 3},
            {"Option2 unchecked", f.Option2, boxOf(f.Option2), 3},
            {"Check5 unchecked", f.Check5, boxOf(f.Check5), 3},
        };
        for (const auto &p : parts)
            check(p.what, p.w, p.part, p.least);
        f.Check5->setChecked(true);
        check("Check5 checked", f.Check5, boxOf(f.Check5), 3);
        check("Option1 greyed", f.Option1, f.Option1->rect(), 3);
        // Greyed, the GflAx labels still show, on the white window and on the skin.
        f.Option2->setChecked(true);
        check("Label3 greyed", f.Label3, f.Label3->rect(), 3);
        check("Label1 greyed", f.Label1, f.Label1->rect(), 3);
        check("Frame2 title greyed", f.Frame2, titleOf(f.Frame2), 3);
        // The keyboard focus: a ring around the control, standing out from the background.
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.PushButton2->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f.focusRing()->isVisible());
        const QRect ring = f.focusRing()->geometry();
        QVERIFY(ring.contains(f.PushButton2->geometry()) && ring != f.PushButton2->geometry());
        check("focus ring", f.Page, QRect(ring.x() - 3, ring.y() + 4, 6, ring.height() - 8), 3);
    }

    // The layout is the window's smallest size where the screen has room for it, and the list
    // takes what more it is given; on a smaller screen (a 1280x800 one at a scale factor of
    // 2) the window fits the screen and every control can still be scrolled into view.
    void sizeToTheScreen_data()
    {
        QTest::addColumn<QSize>("room");
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("window");
        QTest::newRow("as laid out") << QSize(1920, 1080) << QSize(1064, 355) << QSize(1064, 355);
        QTest::newRow("grown") << QSize(1920, 1080) << QSize(1400, 600) << QSize(1400, 600);
        QTest::newRow("no smaller than the layout") << QSize(1920, 1080) << QSize(700, 300) << QSize(1064, 355);
        QTest::newRow("1280x800 at scale factor 2") << QSize(640, 400) << QSize() << QSize(640, 355);
    }
    void sizeToTheScreen()
    {
        QFETCH(QSize, room);
        QFETCH(QSize, asked);
        QFETCH(QSize, window);
        Window w;
        Form1 &f = w.open();
        FitToScreen(f, room);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        if (asked.isValid())
            f.resize(asked);
        QTRY_COMPARE(f.size(), window);
        const QSize extra = (window - Form1LayoutSize).expandedTo(QSize(0, 0));
        QTRY_COMPARE(f.ListView1->size(), Twips(120, 630, 7800, 3555).size() + extra);
        // Start Converting keeps its distance from the bottom right corner.
        QCOMPARE(f.PushButton2->geometry(), Twips(8040, 4290, 7800, 405).translated(extra.width(), extra.height()));
        QWidget *view = f.Scroller->viewport();
        for (QWidget *c : f.Page->findChildren<QWidget *>()) {
            if (c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_")) || !c->isVisibleTo(f.Page))
                continue;
            f.Scroller->ensureWidgetVisible(c, 0, 0);
            const QRect shown(c->mapTo(view, QPoint(0, 0)), c->size());
            QVERIFY2(view->rect().contains(shown), qPrintable(c->objectName()));
        }
        QVERIFY(f.width() <= room.width() && f.height() <= room.height());
    }

    // Controls without a caption still tell a screen reader what they are: by name, and on
    // Linux, where an editable box's name is its text, through the label beside it.
    void accessibleNames()
    {
        Window w;
        Form1 &f = w.open();
        const struct { QWidget *w; QString name; } named[] = {
            {f.PushButton7, QStringLiteral("Choose Output Folder")},
            {f.Txt_Pages, QStringLiteral("Number of Pages")},
            {f.Combo_Resolution->lineEdit(), QStringLiteral("Resolution")},
            {f.Combo_Resolution, QStringLiteral("Resolution")},
            {f.Text1, QStringLiteral("Output Folder")},
            {f.StopButton, QStringLiteral("Stop Converting")},
            {f.Text1->findChild<QToolButton *>(), QStringLiteral("Open Output Folder")},
        };
        for (const auto &n : named) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(n.w);
            QVERIFY(a);
            QCOMPARE(a->text(QAccessible::Name), n.name);
        }
        QCOMPARE(f.Combo_Resolution->accessibleName(), QStringLiteral("Resolution"));
        const struct { QWidget *control; QLabel *label; } labelled[] = {
            {f.Txt_Pages, f.Label3}, {f.Combo_Resolution, f.Label1}};
        for (const auto &l : labelled) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(l.control);
            const auto relations = a->relations(QAccessible::Label);
            QVERIFY2(std::any_of(relations.begin(), relations.end(),
                                 [&](const auto &r) { return r.first->object() == l.label; }),
                     qPrintable(l.label->text()));
        }
    }

    // Under a German or French desktop the window's captions, its boxes and Qt's own buttons
    // on them are in that language; the list, progress bar and groups are named for readers.
    void speaksTheDesktopsLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("cancel");
        QTest::newRow("de") << QStringLiteral("de_DE") << QStringLiteral("Umwandlung starten")
                            << QStringLiteral("Keine Dateien hinzugefügt.") << QStringLiteral("Abbrechen");
        QTest::newRow("fr") << QStringLiteral("fr_FR") << QStringLiteral("Lancer la conversion")
                            << QStringLiteral("Aucun fichier ajouté.") << QStringLiteral("Annuler");
    }
    void speaksTheDesktopsLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QString, caption);
        QFETCH(QString, box);
        QFETCH(QString, cancel);
        InstallTranslations(QLocale(locale));
        const auto english = qScopeGuard([] { InstallTranslations(QLocale::c()); });
        Window w;
        Form1 &f = w.open();
        QCOMPARE(f.PushButton2->text().remove(QLatin1Char('&')), caption);
        f.PushButton2->click(); // nothing on the list
        QCOMPARE(w.dialogs.texts(), QStringList{box});
        // Qt's own buttons, on a real box of the window.
        QtDialogs dialogs(&f);
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            QWidget *shown = QApplication::activeModalWidget();
            if (!shown)
                return;
            for (QPushButton *b : shown->findChildren<QPushButton *>())
                buttons << b->text().remove(QLatin1Char('&'));
            shown->close();
        });
        QString text;
        dialogs.inputBox(QStringLiteral("?"), QStringLiteral("Lumenpage"), text);
        QVERIFY2(buttons.contains(cancel), qPrintable(buttons.join(QLatin1Char('|'))));
        for (QWidget *named : {static_cast<QWidget *>(f.ListView1), static_cast<QWidget *>(f.ProgressBar1),
                               static_cast<QWidget *>(f.Frame2)})
            QVERIFY2(!QAccessible::queryAccessibleInterface(named)->text(QAccessible::Name).isEmpty(),
                     named->objectName().toLatin1());
        QCOMPARE(QAccessible::queryAccessibleInterface(f.Frame2)->text(QAccessible::Name), f.Frame2->title());
    }

    // Help and version are answered without a display, under the program's name.
    void helpAndVersionWithoutDisplay()
    {
        Result r = lumenpage({QStringLiteral("--version")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Lumenpage " LUMENPAGE_VERSION "\n"));
        r = lumenpage({QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("Usage: lumenpage [options] [FILE...]\n")), qPrintable(r.out));
        r = lumenpage({QStringLiteral("--help-all")});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("Usage: lumenpage ")));
        // The window itself is refused in one line of the user's language, not with Qt's abort.
        r = lumenpage({}, {QStringLiteral("LC_ALL=de_DE.UTF-8")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage: keine Anzeige gefunden")) && r.err.count(QLatin1Char('\n')) == 1,
                 qPrintable(r.err));
        r = lumenpage({}, {QStringLiteral("DISPLAY=:73"), QStringLiteral("LC_ALL=C")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage: cannot open a window on the display ':73'")), qPrintable(r.err));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_ui_desktop.moc"
