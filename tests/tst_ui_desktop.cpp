// The window as a desktop program: files handed over on its command line, and how it starts
// from a console.

#include "tests/support/testwindow.h"
#include "tests/support/testsupport.h"
#include "inputlist/inputfilelist.h"
#include "ui/commandline.h"
#include "ui/form1.h"
#include "ui/qtdialogs.h"
#include "sys/translations.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <algorithm>

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

// The desktop palettes the window is looked at under: a dark theme's and a light one's.
QPalette desktopPalette(bool dark)
{
    QPalette p;
    const QColor window = dark ? QColor(0x30, 0x2f, 0x2e) : QColor(0xef, 0xef, 0xef);
    const QColor text = dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(0x10, 0x10, 0x10);
    const QColor base = dark ? QColor(0x3d, 0x3d, 0x3d) : QColor(0xff, 0xff, 0xff);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::Button, window);
        p.setColor(g, QPalette::Base, base);
        p.setColor(g, QPalette::AlternateBase, base);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(g, role, text);
    }
    // A light theme may draw disabled text in white on its grey (so does qt6ct's "airy").
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dark ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white));
    p.setColor(QPalette::Disabled, QPalette::Window, window);
    p.setColor(QPalette::Disabled, QPalette::Button, window);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    return p;
}

// How far apart the darkest and the lightest pixel of a part of a widget are (0 to 255): text
// that reads stands out from its background; text in its background's colour leaves it flat.
int contrast(QWidget *w, const QRect &part)
{
    const QImage image = w->grab(part).toImage();
    int lo = 255, hi = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int v = qGray(image.pixel(x, y));
            lo = qMin(lo, v);
            hi = qMax(hi, v);
        }
    return hi - lo;
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

    // Whatever the desktop's theme, every caption and text the window shows stands out from
    // the background it is drawn on, with and without the skin.
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
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));

        const auto captionOf = [](QWidget *w) { return QRect(20, 0, w->width() - 20, w->height()); };
        const auto titleOf = [](QGroupBox *g) { return QRect(0, 0, g->width(), 14); };
        const auto insideOf = [](QWidget *w) { return w->rect().adjusted(4, 4, -4, -4); };
        const struct { const char *what; QWidget *w; QRect part; } parts[] = {
            {"Frame1 title", f.Frame1, titleOf(f.Frame1)},
            {"Frame3 title", f.Frame3, titleOf(f.Frame3)},
            {"Frame4 title", f.Frame4, titleOf(f.Frame4)},
            {"Option2 caption", f.Option2, captionOf(f.Option2)},
            {"Option4 caption", f.Option4, captionOf(f.Option4)},
            {"Check5 caption", f.Check5, captionOf(f.Check5)},
            {"Label3", f.Label3, f.Label3->rect()},
            {"Label1", f.Label1, f.Label1->rect()},
            {"Text1", f.Text1, insideOf(f.Text1)},
            {"list entry", f.ListView1->viewport(),
             f.ListView1->visualItemRect(f.ListView1->topLevelItem(0)).adjusted(0, 1, 0, -1)},
        };
        for (const auto &p : parts) {
            const int c = contrast(p.w, p.part);
            QVERIFY2(c >= 120, qPrintable(QStringLiteral("%1: contrast %2").arg(QLatin1String(p.what)).arg(c)));
        }
        // Greyed on the white window, the GflAx labels still show; on the skin they take the
        // theme's own grey for its own background.
        f.Option2->setChecked(true);
        if (!skin) {
            for (QLabel *label : {f.Label3, f.Label1}) {
                const int c = contrast(label, label->rect());
                QVERIFY2(c >= 100, qPrintable(QStringLiteral("%1 greyed: contrast %2").arg(label->text()).arg(c)));
            }
        }
        QApplication::setPalette(original);
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
        QCOMPARE(f.PushButton2->text(), caption);
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
