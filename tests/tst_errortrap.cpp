#include "support/testsupport.h"
#include "engine/run/conversionrun.h"
#include "engine/methods/methods.h"
#include "sys/errortrap.h"
#include "ui/form1locations.h"

#include <QtTest>

class TestErrorTrap : public QObject {
    Q_OBJECT
private slots:
    void boxTextIsExact()
    {
        QCOMPARE(errorBoxText(QStringLiteral("Division by zero"), ConversionRun::ErrorLocation, 120),
                 QStringLiteral("Division by zero\r\nin Lumenpg2017/04/05.Form1.PushButton2_Click at line 120"
                                "\r\rPlease email screenshot of this message to ")
                     + SupportAddress);
    }

    void locationsAreComplete()
    {
        QStringList all{Form1Locations::FormLoad, Form1Locations::FormQueryUnload,
                        Form1Locations::PushButton1Click, ConversionRun::ErrorLocation,
                        Form1Locations::PushButton4Click, Form1Locations::PushButton5Click,
                        Form1Locations::PushButton6Click, Form1Locations::PushButton7Click,
                        Form1Locations::PushButton8Click, KillFolderLocation};
        for (const MethodInfo &method : MethodTable())
            all << method.errorLocation;
        QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 14);
        for (const QString &l : all) {
            QVERIFY(l.startsWith(QLatin1String("in Lumenpg2017/04/05.")));
            QVERIFY(l.endsWith(QLatin1Char(' ')) && !l.endsWith(QLatin1String("  ")));
        }
    }

    // Each failure is reported once, with its own step, and the procedure goes on.
    void recoversAndReportsEachFailure()
    {
        FakeDialogs dialogs;
        ErrorTrap trap(dialogs, InfoOf(Method::Ghostscript).errorLocation);
        QStringList ran;
        QVERIFY(!trap.step(100, [&] { throw Failure(QStringLiteral("first")); }));
        QVERIFY(trap.step(102, [&] { ran << QStringLiteral("102"); }));
        QVERIFY(!trap.step(104, [&] { throw std::runtime_error("second"); }));
        QVERIFY(!trap.step(106, [&] { throw 42; }));
        QCOMPARE(ran, QStringList{QStringLiteral("102")});
        QCOMPARE(dialogs.boxes.size(), 3);
        QCOMPARE(dialogs.boxes[0].title, QStringLiteral("Application Error"));
        QCOMPARE(dialogs.boxes[0].icon, Dialogs::Icon::Exclamation);
        QVERIFY(dialogs.boxes[0].text.startsWith(QLatin1String("first\r\nin Lumenpg2017/04/05.PDF.PDF_To_GIF_GS at line 100\r\r")));
        QVERIFY(dialogs.boxes[1].text.startsWith(QLatin1String("second\r\n")));
        QVERIFY(dialogs.boxes[1].text.contains(QLatin1String("at line 104\r\r")));
        QVERIFY(dialogs.boxes[2].text.contains(QLatin1String("at line 106\r\r")));
        QCOMPARE(trap.failures(), 3);
    }

    // A test that fails runs the step it guards, as if it had passed.
    void failedTestRunsGuardedStep()
    {
        FakeDialogs dialogs;
        ErrorTrap trap(dialogs, ConversionRun::ErrorLocation);
        QVERIFY(trap.test(166, [] () -> bool { throw Failure(QStringLiteral("cannot test")); }));
        QVERIFY(!trap.test(168, [] { return false; }));
        QVERIFY(trap.test(170, [] { return true; }));
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY(dialogs.boxes[0].text.contains(QLatin1String("at line 166")));
    }

    // A filter can take a failure over: no ErrorBox, and the procedure ends.
    void filterEndsProcedure()
    {
        FakeDialogs dialogs;
        ErrorTrap trap(dialogs, Form1Locations::PushButton1Click);
        trap.filter = [](const Failure &f) { return f.code() == 20476; };
        trap.step(100, [] { throw Failure(QStringLiteral("other"), ErrorCode::InvalidCall); });
        QVERIFY(!trap.aborted());
        trap.step(102, [] { throw Failure(QStringLiteral("buffer too small"), 20476); });
        QVERIFY(trap.aborted());
        bool ran = false;
        QVERIFY(!trap.step(104, [&] { ran = true; }));
        QVERIFY(!ran);
        QCOMPARE(dialogs.boxes.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestErrorTrap)
#include "tst_errortrap.moc"
