// The main window: layout, restored options and their rules, the pickers, pointers, skin, close.

#include "tests/support/testwindow.h"
#include "tests/support/testsupport.h"
#include "ui/form1.h"
#include "inputlist/inputfilelist.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Window = TestWindow;

QRect px(int l, int t, int w, int h)
{
    return QRect(qRound(l / 15.0), qRound(t / 15.0), qRound(w / 15.0), qRound(h / 15.0));
}

void moveOver(QWidget *w, QPoint at = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// An AppFolder of our own, with or without the optional skin and pointer files.
QString appFolderWith(QTemporaryDir &dir, bool skin, bool hand)
{
    const QString app = dir.filePath(QStringLiteral("app"));
    QDir().mkpath(app + QStringLiteral("/x"));
    if (skin)
        TestFiles::writeBytes(app + QStringLiteral("/x/o.cjs"), "QPushButton { color: #123456; }");
    if (hand)
        QFile::copy(TestFiles::appFolder() + QStringLiteral("/HAND-M.CUR"), app + QStringLiteral("/HAND-M.CUR"));
    return app;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void layoutAndInitialState()
    {
        Window w;
        Form1 &f = w.open();
        QCOMPARE(f.windowTitle(), QStringLiteral("Lumenpage"));
        QCOMPARE(f.applicationTitle(), QStringLiteral("Lumenpage"));
        QCOMPARE(f.size(), QSize(1064, 355));
        // The layout is the smallest size; the window may grow.
        QCOMPARE(f.minimumSize(), QSize(1064, 355));
        QVERIFY(f.maximumSize().width() > 2000 && f.maximumSize().height() > 2000);

        const struct { QWidget *w; QRect place; QString caption; } controls[] = {
            {f.PushButton8, px(120, 120, 7800, 405), "Help"},
            {f.ListView1, px(120, 630, 7800, 3555), {}},
            {f.PushButton1, px(120, 4290, 3840, 405), "Add PDF File(s)"},
            {f.PushButton4, px(4080, 4290, 3840, 405), "Add All PDF File(s) In Folder"},
            {f.PushButton5, px(120, 4800, 3840, 405), "Clear List"},
            {f.PushButton6, px(4080, 4800, 3840, 405), "Load Sample/Example Files"},
            {f.Frame1, px(8040, 60, 7800, 2535), "Conversion Method"},
            {f.Option2, px(240, 300, 2775, 225), "Ghostscript Method"},
            {f.Option3, px(240, 650, 3135, 225), "Black/White Method"},
            {f.Option1, px(240, 1000, 6735, 225), "Adobe Acrobat Pro Method (You must have Acrobat Pro installed)"},
            {f.Option4, px(240, 1350, 3060, 225), "GflAx Method"},
            {f.Frame2, px(480, 1600, 5760, 700), "GflAx Option"},
            {f.Label3, px(225, 270, 1515, 225), "Number of Pages:"},
            {f.Txt_Pages, px(1920, 225, 855, 375), {}},
            {f.Label1, px(3240, 270, 945, 225), "Resolution:"},
            {f.Combo_Resolution, px(4440, 240, 1095, 345), {}},
            {f.Frame3, px(8040, 2640, 7800, 690), "First Page Option"},
            {f.Check5, px(240, 300, 2490, 225), "Convert First Page Only"},
            {f.Frame4, px(8040, 3390, 7800, 780), "Save Results To This Folder"},
            {f.Text1, px(240, 300, 6660, 345), {}},
            {f.PushButton7, px(6960, 300, 600, 345), "..."},
            {f.PushButton2, px(8040, 4290, 7800, 405), "Start Converting"},
            {f.ProgressBar1, px(8040, 4800, 7800, 400), {}},
        };
        for (const auto &c : controls) {
            // Captions may grow to the right where the font is wider; nothing else moves.
            const bool growable = qobject_cast<QLabel *>(c.w) || qobject_cast<QRadioButton *>(c.w)
                                 || qobject_cast<QCheckBox *>(c.w);
            QVERIFY2(growable ? c.w->pos() == c.place.topLeft() && c.w->height() == c.place.height()
                                   && c.w->width() >= c.place.width()
                             : c.w->geometry() == c.place,
                     qPrintable(c.w->objectName()));
            QString caption;
            if (auto *b = qobject_cast<QAbstractButton *>(c.w)) caption = b->text().remove(QLatin1Char('&')); // read as shown
            if (auto *g = qobject_cast<QGroupBox *>(c.w)) caption = g->title();
            if (auto *l = qobject_cast<QLabel *>(c.w)) caption = l->text();
            QCOMPARE(caption, c.caption);
        }
        // Alt and a letter press each button but "...", no letter twice among those shown.
        QStringList letters;
        for (QPushButton *b : {f.PushButton8, f.PushButton1, f.PushButton4, f.PushButton5, f.PushButton6, f.PushButton2})
            letters << QKeySequence::mnemonic(b->text()).toString();
        QCOMPARE(letters, QStringList({"Alt+H", "Alt+A", "Alt+P", "Alt+C", "Alt+L", "Alt+S"}));
        QCOMPARE(QKeySequence::mnemonic(f.StopButton->text()).toString(), QStringLiteral("Alt+S"));
        QCOMPARE(f.Option2->parentWidget(), f.Frame1);
        QCOMPARE(f.Frame2->parentWidget(), f.Frame1);
        QCOMPARE(f.Txt_Pages->parentWidget(), f.Frame2);
        QCOMPARE(f.PushButton7->parentWidget(), f.Frame4);

        QVERIFY(f.font().bold());
        QCOMPARE(f.font().pointSizeF(), 9.0);
        QCOMPARE(f.PushButton1->font().pointSizeF(), 11.25);
        QCOMPARE(f.Check5->font().pointSizeF(), 9.0);

        QCOMPARE(f.ListView1->columnCount(), 1);
        QCOMPARE(f.ListView1->headerItem()->text(0), QStringLiteral("PDF File(s)"));
        QCOMPARE(f.ListView1->columnWidth(0), 467);
        QCOMPARE(f.ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(f.ProgressBar1->value(), 0);
        QStringList items;
        for (int i = 0; i < f.Combo_Resolution->count(); ++i)
            items << f.Combo_Resolution->itemText(i);
        QCOMPARE(items, QStringList({"72", "144", "288", "576", "1152"}));

        // First start: defaults in every control and no box.
        QVERIFY(f.Option2->isChecked());
        QVERIFY(!f.Frame2->isEnabled());
        QCOMPARE(f.Combo_Resolution->currentText(), QStringLiteral("144"));
        QCOMPARE(f.Txt_Pages->text(), QStringLiteral("1"));
        QVERIFY(!f.Check5->isChecked());
        QCOMPARE(f.Text1->text(), GetDesktopFolder());
        QVERIFY(f.Text1->text().endsWith(QLatin1Char('/')));
        QVERIFY(w.dialogs.boxes.isEmpty());
        QVERIFY(!f.options().imagingUnavailable);
        QVERIFY(f.imaging().isStarted());
    }

    void applicationTitleRule_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("one word") << "Lumenpage" << "Lumenpage";
        QTest::newRow("two words") << "Lumenpage Pro" << "Lumenpage";
        QTest::newRow("long") << "Lumenpage PDF to GIF Converter for Windows and Friends Edition"
                              << "Lumenpage PDF to GIF Converter for";
    }
    void applicationTitleRule()
    {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitleFor(product), title);
    }

    void restoredOptions_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("check5");
        QTest::addColumn<int>("selected");      // OptionN
        QTest::addColumn<QString>("storedOption");
        QTest::addColumn<bool>("acrobatEnabled");
        QTest::newRow("gflax") << "4" << "0" << 4 << "4" << true;
        QTest::newRow("black/white") << "2" << "0" << 3 << "2" << true;
        QTest::newRow("acrobat") << "3" << "0" << 1 << "3" << true;
        QTest::newRow("unknown code") << "5" << "0" << 2 << "5" << true;
        QTest::newRow("empty code") << "" << "0" << 2 << "" << true;
        QTest::newRow("acrobat with first page") << "3" << "1" << 2 << "1" << false;
        QTest::newRow("gflax with first page") << "4" << "1" << 4 << "4" << false;
    }
    void restoredOptions()
    {
        QFETCH(QString, option);
        QFETCH(QString, check5);
        QFETCH(int, selected);
        QFETCH(QString, storedOption);
        QFETCH(bool, acrobatEnabled);
        Window w;
        w.store(QStringLiteral("Option"), option);
        w.store(QStringLiteral("Check5"), check5);
        Form1 &f = w.open();
        for (const MethodInfo &method : MethodTable())
            QCOMPARE(f.options().method == method.method, method.optionButton == selected);
        QCOMPARE(f.Option1->isEnabled(), acrobatEnabled);
        QCOMPARE(f.Check5->isChecked(), check5 == QLatin1String("1"));
        QCOMPARE(w.stored(QStringLiteral("Option")).toString(), storedOption);
        const bool gflax = selected == 4;
        QCOMPARE(f.Frame2->isEnabled(), gflax);
        const QColor label = f.Label3->palette().color(QPalette::WindowText);
        QCOMPARE(label == QColor(Qt::black), gflax);
        QCOMPARE(f.Label1->palette().color(QPalette::WindowText), label);
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    void restoredTexts()
    {
        Window w;
        w.store(QStringLiteral("Resolution"), QStringLiteral("300"));
        w.store(QStringLiteral("Pages"), QStringLiteral("12 pages"));
        w.store(QStringLiteral("Output Folder"), QString());
        Form1 &f = w.open();
        QCOMPARE(f.Combo_Resolution->currentText(), QStringLiteral("300"));
        QCOMPARE(f.Txt_Pages->text(), QStringLiteral("12 pages"));
        // An empty stored folder is a value, not a missing key.
        QCOMPARE(f.Text1->text(), QString());
        QCOMPARE(w.stored(QStringLiteral("Resolution")).toString(), QStringLiteral("300"));
    }

    // The renderers' memory and time caps have no control, only the settings: a usable value
    // is the run's cap; anything else leaves the default, with no box (the run still has a cap).
    void capSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint64>("cap");
        const qint64 mb = RenderLimits::DefaultMemoryMB, seconds = RenderLimits::DefaultPageSeconds;
        QTest::newRow("memory absent") << "MemoryLimit" << QString() << mb;
        QTest::newRow("memory 512") << "MemoryLimit" << QStringLiteral("512") << qint64(512);
        QTest::newRow("memory spaces around") << "MemoryLimit" << QStringLiteral(" 4096 ") << qint64(4096);
        QTest::newRow("memory below the minimum") << "MemoryLimit" << QStringLiteral("16") << mb;
        QTest::newRow("memory not a number") << "MemoryLimit" << QStringLiteral("lots") << mb;
        QTest::newRow("memory negative") << "MemoryLimit" << QStringLiteral("-1") << mb;
        QTest::newRow("time absent") << "TimeLimit" << QString() << seconds;
        QTest::newRow("time 30") << "TimeLimit" << QStringLiteral("30") << qint64(30);
        QTest::newRow("time zero") << "TimeLimit" << QStringLiteral("0") << seconds;
        QTest::newRow("time over a day") << "TimeLimit" << QStringLiteral("86401") << seconds;
    }
    void capSettings()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(qint64, cap);
        Window w;
        if (!stored.isNull())
            w.store(key, stored);
        Form1 &f = w.open();
        const RenderLimits limits = f.options().limits;
        QCOMPARE(key == QLatin1String("TimeLimit") ? qint64(limits.pageSeconds) : limits.memoryMB, cap);
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    void check5NotANumber()
    {
        Window w;
        w.store(QStringLiteral("Check5"), QStringLiteral("abc"));
        w.store(QStringLiteral("Output Folder"), QStringLiteral("/tmp/"));
        Form1 &f = w.open();
        QCOMPARE(w.dialogs.boxes.size(), 1);
        QCOMPARE(w.dialogs.boxes[0].title, QStringLiteral("Application Error"));
        QVERIFY(w.dialogs.boxes[0].text.contains(Form1Locations::FormLoad + QStringLiteral("at line 182\r\r")));
        QVERIFY(!f.Check5->isChecked());
        QVERIFY(f.Option1->isEnabled());
        // Loading went on with the output folder.
        QCOMPARE(f.Text1->text(), QStringLiteral("/tmp/"));
    }

    void writeThrough()
    {
        Window w;
        Form1 &f = w.open();
        f.Option4->click();
        QCOMPARE(w.stored("Option").toString(), QStringLiteral("4"));
        QVERIFY(f.Frame2->isEnabled());
        QCOMPARE(f.Label1->palette().color(QPalette::WindowText), QColor(Qt::black));
        f.Option3->click();
        QCOMPARE(w.stored("Option").toString(), QStringLiteral("2"));
        QVERIFY(!f.Frame2->isEnabled());
        QVERIFY(f.Label1->palette().color(QPalette::WindowText) != QColor(Qt::black));
        f.Option1->click();
        QCOMPARE(w.stored("Option").toString(), QStringLiteral("3"));

        // The GflAx boxes take input only while their group is enabled.
        f.Option4->click();
        f.Combo_Resolution->setCurrentIndex(4);
        QCOMPARE(w.stored("Resolution").toString(), QStringLiteral("1152"));
        f.Combo_Resolution->lineEdit()->clear();
        QTest::keyClicks(f.Combo_Resolution->lineEdit(), QStringLiteral("600"));
        QCOMPARE(w.stored("Resolution").toString(), QStringLiteral("600"));
        f.Txt_Pages->clear();
        QTest::keyClicks(f.Txt_Pages, QStringLiteral("7"));
        QCOMPARE(w.stored("Pages").toString(), QStringLiteral("7"));
        f.Text1->clear();
        QCOMPARE(w.stored("Output Folder").toString(), QString());
        QTest::keyClicks(f.Text1, QStringLiteral("/srv/out/"));
        QCOMPARE(w.stored("Output Folder").toString(), QStringLiteral("/srv/out/"));

        f.Option1->click();
        // First page only while Acrobat is selected: Ghostscript takes over, Acrobat is locked.
        f.Check5->click();
        QCOMPARE(w.stored("Check5").toString(), QStringLiteral("1"));
        QVERIFY(f.Option2->isChecked());
        QVERIFY(!f.Option1->isEnabled());
        QCOMPARE(w.stored("Option").toString(), QStringLiteral("1"));
        f.Check5->click();
        QCOMPARE(w.stored("Check5").toString(), QStringLiteral("0"));
        QVERIFY(f.Option1->isEnabled());
        QVERIFY(f.Option2->isChecked());

        // The next start reads what was written.
        w.form.reset();
        Form1 &again = w.open();
        QVERIFY(again.Option2->isChecked());
        QCOMPARE(again.Combo_Resolution->currentText(), QStringLiteral("600"));
        QCOMPARE(again.Txt_Pages->text(), QStringLiteral("7"));
        QCOMPARE(again.Text1->text(), QStringLiteral("/srv/out/"));
    }

    void outputFolderPicker()
    {
        Window w;
        w.store(QStringLiteral("Output Folder"), QStringLiteral("/before/"));
        Form1 &f = w.open();
        w.dialogs.folders = {QStringLiteral("/home/ann/GIFs"), QStringLiteral("/"), QString()};
        f.PushButton7->click();
        QCOMPARE(w.dialogs.prompts.last(), QStringLiteral("Please select folder:"));
        QCOMPARE(f.Text1->text(), QStringLiteral("/home/ann/GIFs/"));
        QCOMPARE(w.stored("Output Folder").toString(), QStringLiteral("/home/ann/GIFs/"));
        f.PushButton7->click();
        QCOMPARE(f.Text1->text(), QStringLiteral("/"));
        f.PushButton7->click(); // cancelled
        QCOMPARE(f.Text1->text(), QStringLiteral("/"));
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    void help()
    {
        Window w;
        Form1 &f = w.open();
        f.PushButton8->click();
        QCOMPARE(w.dialogs.boxes.size(), 1);
        QCOMPARE(w.dialogs.boxes[0].text,
                 QStringLiteral("Questions? Please contact Team Quillfern at https://lumenpage.org/contact"));
        QCOMPARE(w.dialogs.boxes[0].title, QStringLiteral("Lumenpage"));
        QCOMPARE(w.dialogs.boxes[0].icon, Dialogs::Icon::None);
    }

    void skinAndBackgrounds()
    {
        QTemporaryDir apps;
        Window plain;
        Form1 &p = plain.open({QString(), appFolderWith(apps, false, false), {}, {}, {}});
        QVERIFY(!p.skinApplied());
        QCOMPARE(p.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(p.Frame1->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(p.Check5->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(!p.styleSheet().contains(QStringLiteral("#123456")));

        QTemporaryDir skinned;
        Window s;
        Form1 &f = s.open({QString(), appFolderWith(skinned, true, false), {}, {}, {}});
        QVERIFY(f.skinApplied());
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(f.palette().color(QPalette::Window), face);
        QCOMPARE(f.Frame2->palette().color(QPalette::Window), face);
        QCOMPARE(f.Option4->palette().color(QPalette::Window), face);
        QCOMPARE(f.Label1->palette().color(QPalette::Window), face);
        QVERIFY(f.styleSheet().contains(QStringLiteral("#123456")));
        QVERIFY(s.dialogs.boxes.isEmpty());

        // A folder named like the skin is no skin.
        QTemporaryDir odd;
        const QString app = appFolderWith(odd, false, false);
        QDir().mkpath(app + QStringLiteral("/x/o.cjs"));
        Window o;
        QVERIFY(!o.open({QString(), app, {}, {}, {}}).skinApplied());
        QVERIFY(o.dialogs.boxes.isEmpty());
    }

    void pointerShapes()
    {
        QTemporaryDir apps;
        Window w;
        Form1 &f = w.open({QString(), appFolderWith(apps, false, true), {}, {}, {}});
        QVERIFY(f.handPointerLoaded());
        moveOver(f.PushButton1);
        QCOMPARE(f.cursor().shape(), Qt::BitmapCursor);
        // An option button keeps what the pointer had.
        moveOver(f.Option3);
        QCOMPARE(f.cursor().shape(), Qt::BitmapCursor);
        moveOver(f.Frame1, QPoint(f.Frame1->width() - 3, f.Frame1->height() - 3));
        QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
        moveOver(f.PushButton7);
        QCOMPARE(f.cursor().shape(), Qt::BitmapCursor);
        moveOver(f.ListView1->viewport());
        QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
        moveOver(f.PushButton2);
        moveOver(&f, QPoint(530, 350)); // window background below the buttons
        QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);

        // The WaitPointer is never replaced by the hover rules.
        f.setWaitPointer(true);
        QCOMPARE(f.cursor().shape(), Qt::WaitCursor);
        moveOver(f.PushButton1);
        moveOver(f.Txt_Pages);
        moveOver(&f, QPoint(530, 350));
        QCOMPARE(f.cursor().shape(), Qt::WaitCursor);
        f.setWaitPointer(false);
        QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);

        // The application-wide hourglass is one state however often it is asked for: one reset
        // brings the pointer back, as the script methods ask five times and reset once.
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        for (int i = 0; i < 5; ++i)
            f.setAppWaitPointer(true);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        f.setAppWaitPointer(false);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        f.setAppWaitPointer(false); // a second reset restores nothing that is not its own
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // Without HAND-M.CUR the buttons keep the default pointer.
        QTemporaryDir bare;
        Window b;
        Form1 &g = b.open({QString(), appFolderWith(bare, false, false), {}, {}, {}});
        QVERIFY(!g.handPointerLoaded());
        moveOver(g.PushButton1);
        QCOMPARE(g.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(b.dialogs.boxes.isEmpty());
    }

    void imagingServiceFailsToStart()
    {
        Window w;
        Form1 &f = w.open({QString(), QString(), [](ImagingService &) { return false; }, {}, {}});
        QCOMPARE(w.dialogs.texts(), QStringList{QStringLiteral("GDI+ Initialization Failed.")});
        QCOMPARE(w.dialogs.boxes[0].icon, Dialogs::Icon::Exclamation);
        QCOMPARE(w.dialogs.boxes[0].title, QStringLiteral("Lumenpage"));
        QVERIFY(f.options().imagingUnavailable);
        // Loading went on, and converting refuses with the same text.
        QCOMPARE(f.Text1->text(), GetDesktopFolder());
        f.ListView1->append(QStringLiteral("/nowhere/a.pdf"));
        f.Text1->setText(QDir::tempPath());
        f.PushButton2->click();
        QCOMPARE(w.dialogs.texts().last(), QStringLiteral("GDI+ Initialization Failed."));
        QCOMPARE(w.dialogs.boxes.size(), 2);
    }

    void imagingServiceStartThrows()
    {
        Window w;
        Form1 &f = w.open({QString(), QString(),
                           [](ImagingService &) -> bool { throw Failure(QStringLiteral("Class not registered")); }, {}, {}});
        QCOMPARE(w.dialogs.boxes.size(), 2);
        QVERIFY(w.dialogs.boxes[0].text.startsWith(QStringLiteral("Class not registered\r\n") + Form1Locations::FormLoad
                                                   + QStringLiteral("at line 184")));
        QCOMPARE(w.dialogs.boxes[1].text, QStringLiteral("GDI+ Initialization Failed."));
        QVERIFY(f.options().imagingUnavailable);
    }

    void closeStopsTheServiceAndUnloads()
    {
        Window w;
        Form1 &f = w.open();
        f.show();
        QVERIFY(f.imaging().isStarted());
        QVERIFY(f.close());
        QVERIFY(!f.imaging().isStarted());
        QCOMPARE(w.unloads, 1);
        QVERIFY(w.dialogs.boxes.isEmpty());
    }

    void progressTextKeepsPercentSigns()
    {
        Window w;
        Form1 &f = w.open();
        f.setProgress(100.0 / 3);
        f.setProgressText(QStringLiteral("Processing: 100%p 50%v.pdf"));
        QCOMPARE(f.ProgressBar1->value(), 33);
        QCOMPARE(f.ProgressBar1->text(), QStringLiteral("Processing: 100%p 50%v.pdf"));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_ui_form1.moc"
