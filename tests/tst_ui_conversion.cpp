// "Start Converting" on the real window, and closing the window in the middle of long work.

#include "tests/support/testwindow.h"
#include "tests/support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "inputlist/inputfilelist.h"
#include "sys/fileutil.h"
#include "ui/form1.h"

#include <QApplication>
#include <QAction>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace {

using Window = TestWindow;

// The pointer the user sees over `control` after moving there: the application-wide one while
// it is set, otherwise the control's (which it takes from the window).
Qt::CursorShape pointerOver(QWidget *control)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), control->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(control, &move);
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : control->cursor().shape();
}

// Calls `action` each time the window yields while a file is being processed.
void whileProcessing(Form1 &f, std::function<void()> action)
{
    auto *timer = new QTimer(&f);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, &f, [&f, action] {
        if (f.conversionRun().isActive() && f.ProgressBar1->text().startsWith(QLatin1String("Processing: ")))
            action();
    });
    timer->start();
}

// The child side of the closing tests: prints every box, then closes the window mid-way.
int closingChild(const QString &mode, const QString &input, const QString &output)
{
    FakeDialogs dialogs;
    dialogs.onMessage = [](const FakeDialogs::Box &box) {
        std::printf("BOX: %s\n", box.text.toLocal8Bit().constData());
        std::fflush(stdout);
    };
    Form1Options options;
    options.settingsFile = output + QStringLiteral("/settings.ini");
    Form1 form(dialogs, options); // the real unload
    form.show();
    if (mode != QLatin1String("walk")) {
        form.ListView1->append(input);
        form.ListView1->append(input);
        form.Text1->setText(output);
        // Closed while Ghostscript renders the first document, or while the page renderer of
        // the Acrobat method is inside its slow page.
        const bool acrobat = mode == QLatin1String("acrobat");
        if (acrobat)
            form.Option1->setChecked(true);
        auto *poll = new QTimer(&form);
        QObject::connect(poll, &QTimer::timeout, &form, [&form, acrobat] {
            const QStringList working = acrobat ? TestFiles::processesWorkingIn(QDir::currentPath()).filter(QStringLiteral("lumenpage-rend"))
                                                : TestFiles::processesWorkingIn(TempFolder()).filter(QStringLiteral(" gs"));
            if (form.waitPointerShown() && !working.isEmpty()) {
                QThread::msleep(acrobat ? 500 : 0);
                std::printf("CLOSING %lld\n", QDateTime::currentMSecsSinceEpoch());
                std::fflush(stdout);
                form.close();
            }
        });
        poll->start(0);
        form.PushButton2->click();
    } else {
        dialogs.inputs = {QStringLiteral("pdf")};
        dialogs.folders = {input};
        QTimer::singleShot(0, &form, [&form] { form.close(); });
        form.PushButton4->click();
    }
    std::printf("RETURNED %d entries\n", form.ListView1->count());
    return 1;
}

} // namespace

class TestConversion : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;
    QList<QUrl> m_opened; // what the desktop was asked to open

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        // The run's scratch folder goes below TEMP.
        qputenv("TEMP", m_temp.path().toLocal8Bit());
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void wholeRunWithGhostscript()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript));
        QTemporaryDir work;
        const QString pdf = work.filePath(QStringLiteral("report.pdf"));
        TestFiles::writePdf(pdf, 3);
        const QString out = work.filePath(QStringLiteral("out"));
        QDir().mkpath(out);

        Window w;
        QStringList notices;
        Form1Options options;
        options.notify = [&](const QString &title, const QString &text) { notices << title + QLatin1String(": ") + text; };
        Form1 &f = w.open(options);
        f.Option2->click();
        f.ListView1->append(pdf);
        f.Text1->setText(out);
        QStringList seen;
        bool waitShown = false;
        bool hourglassOverButtons = false;
        int presses = 0;
        const Qt::CursorShape before = pointerOver(f.PushButton1);
        // Stop stands in Start Converting's place while the file is converted, not at the boxes.
        bool stopShown = false;
        QList<bool> startShownAtBoxes;
        w.dialogs.onMessage = [&](const FakeDialogs::Box &) { startShownAtBoxes << f.PushButton2->isVisibleTo(&f); };
        whileProcessing(f, [&] {
            stopShown = stopShown || (f.StopButton->isVisibleTo(&f) && !f.PushButton2->isVisibleTo(&f));
            waitShown = waitShown || f.waitPointerShown();
            hourglassOverButtons = hourglassOverButtons || pointerOver(f.PushButton1) == Qt::WaitCursor;
            if (!seen.contains(f.ProgressBar1->text()))
                seen << f.ProgressBar1->text();
            // A second press while the run is active is ignored.
            if (presses++ == 0)
                f.PushButton2->click();
        });
        QVERIFY(!f.OpenOutputFolder->isVisible());
        QTest::mouseClick(f.PushButton2, Qt::LeftButton);

        QCOMPARE(w.dialogs.texts(), QStringList{QStringLiteral("Done.")});
        QVERIFY(stopShown);
        QCOMPARE(startShownAtBoxes, QList<bool>{true});
        QVERIFY(f.OpenOutputFolder->isVisible());
        // The window was not the active one: the desktop heard of the end.
        QCOMPARE(notices, QStringList{QStringLiteral("Lumenpage: Conversion finished; 3 GIF files were written.")});
        QCOMPARE(w.dialogs.boxes[0].title, QStringLiteral("Lumenpage"));
        QVERIFY(waitShown);
        QVERIFY(hourglassOverButtons);
        QCOMPARE(seen, QStringList{QStringLiteral("Processing: report.pdf")});
        QVERIFY(!f.waitPointerShown());
        // Over a control the pointer is what it was before the run (the hand over a button).
        QCOMPARE(before, Qt::BitmapCursor);
        QCOMPARE(pointerOver(f.PushButton1), before);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(f.ProgressBar1->value(), 0);
        QCOMPARE(f.ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(QDir(m_temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 QStringList({"report-001.gif", "report-002.gif", "report-003.gif"}));
        for (const QString &name : QDir(out).entryList(QDir::Files)) {
            QImageReader reader(out + QLatin1Char('/') + name);
            QCOMPARE(reader.format(), QByteArray("gif"));
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
            QVERIFY(image.width() > 100 && image.height() > image.width());
        }
        // The entries stay for another run.
        QCOMPARE(f.ListView1->count(), 1);
    }

    // A file that failed says why behind "Show Details...", the box's own text unchanged.
    void failedFileBoxGivesTheReason()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript));
        QTemporaryDir work;
        const QString good = work.filePath(QStringLiteral("good.pdf"));
        const QString locked = work.filePath(QStringLiteral("locked.pdf"));
        TestFiles::writePdf(good, 1);
        QVERIFY(TestPdfs::writeLocked(good, locked, QStringLiteral("secret")));
        Window w;
        Form1 &f = w.open();
        f.ListView1->append(locked);
        f.Text1->setText(work.path());
        f.PushButton2->click();
        QCOMPARE(w.dialogs.texts(), (QStringList{QStringLiteral("Could not create GIF on ") + locked, QStringLiteral("Done.")}));
        QCOMPARE(w.dialogs.boxes[0].title, QStringLiteral("Could not create GIF"));
        QVERIFY2(w.dialogs.boxes[0].detail.contains(QStringLiteral("password"), Qt::CaseInsensitive),
                 qPrintable(w.dialogs.boxes[0].detail));
        QCOMPARE(w.dialogs.boxes[1].detail, QString());
    }

    void clearListDuringARun()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript));
        QTemporaryDir work;
        const QString pdf = work.filePath(QStringLiteral("a.pdf"));
        TestFiles::writePdf(pdf, 1);
        Window w;
        Form1 &f = w.open();
        f.ListView1->append(pdf);
        f.ListView1->append(pdf);
        f.Text1->setText(work.path());
        whileProcessing(f, [&] { f.PushButton5->click(); });
        f.PushButton2->click();

        // The first file was read before the list went; the second position is gone, which
        // ends the loop without any box, and the run still ends as usual.
        QVERIFY(QFileInfo::exists(work.filePath(QStringLiteral("a-001.gif"))));
        QCOMPARE(w.dialogs.texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(f.ListView1->count(), 0);
        QCOMPARE(f.ProgressBar1->value(), 0);
        QVERIFY(!f.waitPointerShown());
    }

    // Stop (the button, or Escape) in the middle of a long document, with each method: the
    // run ends at once with one box saying how far it got; what it wrote is whole, nothing
    // half-written or scratch is left, and Start Converting is back.
    void stopEndsTheRunAtOnce_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<bool>("escape");
        QTest::newRow("Ghostscript, Stop") << Method::Ghostscript << false;
        QTest::newRow("Ghostscript, Escape") << Method::Ghostscript << true;
        QTest::newRow("Black/White, Stop") << Method::BlackWhite << false;
        QTest::newRow("GflAx, Escape") << Method::GflAx << true;
        QTest::newRow("Acrobat, Stop") << Method::Acrobat << false;
    }
    void stopEndsTheRunAtOnce()
    {
        QFETCH(Method, method);
        QFETCH(bool, escape);
        LP_SKIP_WITHOUT(TestPrograms::of(method));
        QTemporaryDir work;
        const QString first = work.filePath(QStringLiteral("a.pdf")), doc = work.filePath(QStringLiteral("doc.pdf"));
        TestFiles::writePdf(first, 1);
        TestFiles::writePdf(doc, 40);
        const QString out = work.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        // Renderers work in the program's folder: this test's own, not one other suites share.
        const auto back = qScopeGuard([home = QDir::currentPath()] { QDir::setCurrent(home); });
        QVERIFY(QDir::setCurrent(work.path()));

        Window w;
        int notices = 0;
        Form1Options options;
        options.notify = [&](const QString &, const QString &) { ++notices; };
        Form1 &f = w.open(options);
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.optionButton(InfoOf(method))->click();
        f.Txt_Pages->setText(QStringLiteral("40"));
        f.ListView1->append(first);
        f.ListView1->append(doc);
        f.Text1->setText(out);
        QElapsedTimer sincePress;
        bool stopShown = false;
        qsizetype boxesAtPress = 0;
        auto *poll = new QTimer(&f);
        QObject::connect(poll, &QTimer::timeout, &f, [&] {
            // Once the first file is done and the second has given a page.
            if (sincePress.isValid() || f.ProgressBar1->text() != QLatin1String("Processing: doc.pdf")
                || QDir(out).entryList({QStringLiteral("*.gif")}).size() < 2)
                return;
            stopShown = f.StopButton->isVisible() && !f.PushButton2->isVisible();
            boxesAtPress = w.dialogs.boxes.size();
            sincePress.start();
            if (escape)
                QTest::keyClick(&f, Qt::Key_Escape);
            else
                QTest::mouseClick(f.StopButton, Qt::LeftButton);
        });
        poll->start(20);
        f.PushButton2->click();
        const qint64 took = sincePress.elapsed();
        delete poll;

        qInfo("stopped %lld ms after the press", took);
        QVERIFY2(sincePress.isValid() && took < 10000, qPrintable(QString::number(took))); // a hang, not the 2 s goal
        QVERIFY(stopShown);
        const QStringList files = QDir(out).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(files.size() >= 2 && files.size() < 41);
        for (const QString &name : files) {
            QImageReader reader(out + QLatin1Char('/') + name);
            QCOMPARE(reader.format(), QByteArray("gif"));
            QVERIFY2(!reader.read().isNull(), qPrintable(name + QLatin1String(": ") + reader.errorString()));
        }
        // After the press one box alone (GflAx has said already that a.pdf has no page 2).
        QCOMPARE(w.dialogs.boxes.size(), boxesAtPress + 1);
        QCOMPARE(w.dialogs.texts().last(), QStringLiteral("Stopped after 1 of 2 files; %1 GIF files were written.").arg(files.size()));
        QCOMPARE(TestFiles::processesWorkingIn(m_temp.path()), QStringList());
        QCOMPARE(TestFiles::processesWorkingIn(work.path()).filter(QStringLiteral("lumenpage-rend")), QStringList());
        QCOMPARE(QDir(m_temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(!f.conversionRun().isActive() && !f.waitPointerShown());
        QVERIFY(!f.StopButton->isVisible() && f.PushButton2->isVisible());
        QCOMPARE(f.ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QVERIFY(f.OpenOutputFolder->isVisible()); // and opens from the keyboard too
        m_opened.clear();
        QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(out)});
        QCOMPARE(notices, 0); // the user is looking at the window
    }

    void closingEndsTheProgramAtOnce_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("during a run") << "run";
        QTest::newRow("during a folder walk") << "walk";
        QTest::newRow("during a slow page of the Acrobat method") << "acrobat";
    }
    void closingEndsTheProgramAtOnce()
    {
        QFETCH(QString, mode);
        if (mode == QLatin1String("run"))
            LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript));
        if (mode == QLatin1String("acrobat"))
            LP_SKIP_WITHOUT(TestPrograms::of(Method::Acrobat));
        QTemporaryDir work;
        QString input;
        if (mode == QLatin1String("run")) {
            input = work.filePath(QStringLiteral("doc.pdf"));
            TestFiles::writePdf(input, 40);
        } else if (mode == QLatin1String("acrobat")) {
            // Hundreds of thousands of lines: seconds of drawing for poppler.
            QByteArray lines;
            for (int i = 0; i < 300000; ++i)
                lines += QByteArray::number(i * 7 % 612) + " 0 m " + QByteArray::number(i * 13 % 612) + " 792 l S\n";
            input = work.filePath(QStringLiteral("slow.pdf"));
            TestFiles::writeBytes(input, TestPdfs::withPages({TestPdfs::Page{lines, "[0 0 612 792]", {}, true}}));
        } else {
            input = work.filePath(QStringLiteral("tree"));
            for (const char *n : {"a/x.pdf", "b/y.pdf", "b/c/z.pdf"}) {
                QDir().mkpath(QFileInfo(input + QLatin1Char('/') + QString::fromLatin1(n)).path());
                TestFiles::writeBytes(input + QLatin1Char('/') + QString::fromLatin1(n), "x");
            }
        }
        const QString out = work.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        QProcess child;
        const QString temp = work.filePath(QStringLiteral("temp"));
        QDir().mkpath(temp);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TEMP"), temp);
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(work.path()); // the page renderer works there too
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--closing-child"), mode, input, out});
        QVERIFY(child.waitForFinished(60000));
        const qint64 ended = QDateTime::currentMSecsSinceEpoch();
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        // Acted on at once, whatever the renderer was doing.
        static const QRegularExpression closing(QStringLiteral("CLOSING (\\d+)"));
        if (const QRegularExpressionMatch m = closing.match(output); m.hasMatch())
            QVERIFY2(ended - m.captured(1).toLongLong() < 2000, qPrintable(QString::number(ended - m.captured(1).toLongLong())));
        else
            QVERIFY2(mode == QLatin1String("walk"), qPrintable(output));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        // No box at all (no ErrorBox, no "Done."), and the work did not go on after the close.
        QVERIFY2(!output.contains(QLatin1String("BOX:")), qPrintable(output));
        QVERIFY2(!output.contains(QLatin1String("RETURNED")), qPrintable(output));
        QCOMPARE(QDir(out).entryList({QStringLiteral("*.gif")}, QDir::Files), QStringList());
        // Ghostscript went with the program, and so did the run's folder.
        QCOMPARE(TestFiles::processesWorkingIn(temp), QStringList());
        QCOMPARE(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--closing-child") == 0)
        return closingChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                            QString::fromLocal8Bit(argv[4]));
    TestConversion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ui_conversion.moc"
