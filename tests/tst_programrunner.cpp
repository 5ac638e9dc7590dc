#include "support/testsupport.h"
#include "sys/errortrap.h"
#include "sys/interruption.h"
#include "sys/programrunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Gone, or a zombie waiting for a parent that never reaps it in a container.
bool isAlive(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}
} // namespace

class TestProgramRunner : public QObject {
    Q_OBJECT
public:
    // With LUMENPAGE_TEST_LIFELINE_ON_3 naming a script, this test only runs the script and ends
    // with its status, the lifeline's read end on descriptor 3: a program started with nothing
    // open past the standard three (see runAndWaitReturnsExitCodeAndYields).
    static void initMain()
    {
        const QString script = qEnvironmentVariable("LUMENPAGE_TEST_LIFELINE_ON_3");
        if (script.isEmpty())
            return;
        ::close(3);
        Interruption::PrepareLifeline();
        struct stat lifeline {};
        if (::fstat(3, &lifeline) != 0 || !S_ISFIFO(lifeline.st_mode))
            std::exit(99);
        std::exit(RunAndWait(QLatin1Char('"') + script + QLatin1Char('"'), QFileInfo(script).path()));
    }

private slots:
    void refusalTable()
    {
        QCOMPARE(ShellRefusalTable(2).number, 53);
        QCOMPARE(ShellRefusalTable(2).description, QStringLiteral("File not found"));
        QCOMPARE(ShellRefusalTable(3).number, 76);
        QCOMPARE(ShellRefusalTable(5).description, QStringLiteral("Path/file access error"));
        QCOMPARE(ShellRefusalTable(8).number, 7);
        QCOMPARE(ShellRefusalTable(11).number, -2147220445);
        QCOMPARE(ShellRefusalTable(31).number, -2147220425);
        QCOMPARE(ShellRefusalTable(28).number, 286);
        QCOMPARE(ShellRefusalTable(13).description,
                 QStringLiteral("An error occurred occurred whilst trying to open or print the selected file."));
        QCOMPARE(RefusalResult(53), -2147221451);
        // A default of the table is a result already: never 0, which would read as started.
        QCOMPARE(RefusalResult(ShellRefusalTable(31).number), ShellRefusalTable(31).number);
    }

    // Each start that cannot be made gives its refusal code; a script that can is started.
    void startRefusals_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("code");
        QTest::newRow("started") << "run.sh" << "" << 0;
        QTest::newRow("missing file") << "none.sh" << "" << 2;
        QTest::newRow("missing folder") << "nofolder/x.sh" << "" << 3;
        QTest::newRow("missing working folder") << "run.sh" << "nowhere" << 3;
        QTest::newRow("not a file") << "sub" << "" << 5;
        QTest::newRow("bad format") << "bin.bad" << "" << 11;
        QTest::newRow("no interpreter") << "doc.pdf" << "" << 31;
    }
    void startRefusals()
    {
        QFETCH(QString, target);
        QFETCH(QString, folder);
        QFETCH(int, code);
        QTemporaryDir dir;
        TestFiles::writeScript(dir.filePath(QStringLiteral("run.sh")), "exit 0\n");
        QDir(dir.path()).mkdir(QStringLiteral("sub"));
        TestFiles::writeScript(dir.filePath(QStringLiteral("bin.bad")), "");
        TestFiles::writeBytes(dir.filePath(QStringLiteral("bin.bad")), "garbage");
        TestFiles::writeBytes(dir.filePath(QStringLiteral("doc.pdf")), "%PDF");
        std::unique_ptr<QProcess> p;
        QCOMPARE(ShellOpen(dir.filePath(target), dir.filePath(folder), p), code);
        QCOMPARE(bool(p), code == 0);
        QVERIFY(!p || p->waitForFinished(5000));
    }

    void runAndWaitReturnsExitCodeAndYields()
    {
        QTemporaryDir dir;
        const QString script = dir.path() + QStringLiteral("/wait.sh");
        TestFiles::writeScript(script, "sleep 1\npwd > where.txt\nexit 7\n");
        int yields = 0;
        WaitOptions options;
        options.yield = [&] { ++yields; };
        QElapsedTimer clock;
        clock.start();
        const int code = RunAndWait(QLatin1Char('"') + script + QLatin1Char('"'), dir.path() + QLatin1Char('/'),
                                    options);
        QCOMPARE(code, 7);
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY2(yields >= 5 && yields <= 25, qPrintable(QString::number(yields)));
        QFile where(dir.path() + QStringLiteral("/where.txt"));
        QVERIFY(where.open(QIODevice::ReadOnly));
        QCOMPARE(QDir(QString::fromLocal8Bit(where.readAll().trimmed())).canonicalPath(),
                 QDir(dir.path()).canonicalPath());

        // The same with the lifeline's read end on descriptor 3, which keeps its close-on-exec
        // flag unless that is cleared by hand: in a copy of this test started for that alone.
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LUMENPAGE_TEST_LIFELINE_ON_3"), script);
        copy.setProcessEnvironment(environment);
        copy.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(copy.waitForFinished(30000));
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.exitCode(), 7);
    }

    void runAndWaitRefusedAtOnce()
    {
        QTemporaryDir dir;
        int yields = 0;
        WaitOptions options;
        options.yield = [&] { ++yields; };
        QCOMPARE(RunAndWait(QStringLiteral("\"%1/none.sh\"").arg(dir.path()), dir.path(), options), -2147221451);
        QCOMPARE(yields, 0);

        // What a program is told reaches it alone (encoder threads read the caller's
        // environment meanwhile, so it is never changed), a null value removing a variable.
        const QString script = dir.path() + QStringLiteral("/run.sh");
        TestFiles::writeScript(script, "echo \"$LUMENPAGE_TEST_TOLD/${HOME-none}\"\n");
        StartedProgram told;
        QCOMPARE(StartProgram(script, dir.path(), {}, told, {{"LUMENPAGE_TEST_TOLD", "yes"}, {"HOME", QByteArray()}}), 0);
        QString output;
        WaitOptions heard;
        heard.output = &output;
        QCOMPARE(WaitFor(told, heard), 0);
        QCOMPARE(output.trimmed(), QStringLiteral("yes/none"));
        QVERIFY(!qEnvironmentVariableIsSet("LUMENPAGE_TEST_TOLD") && qEnvironmentVariableIsSet("HOME"));

        // The system refuses the start itself (one string of the environment beyond its
        // bound): a refusal with the system's reason, and a wait that says so.
        StartedProgram program;
        QVERIFY(StartProgram(script, dir.path(), {}, program, {{"LUMENPAGE_TEST_HUGE", QByteArray(200000, 'x')}}) != 0);
        QCOMPARE(program.refusal, QStringLiteral("Argument list too long"));
        QVERIFY_THROWS_EXCEPTION(Failure, WaitFor(program, options));
        qputenv("LUMENPAGE_TEST_HUGE", QByteArray(200000, 'x'));
        const auto unset = qScopeGuard([] { qunsetenv("LUMENPAGE_TEST_HUGE"); });
        QCOMPARE(RunAndWait(script, dir.path(), options), ShellRefusalTable(11).number);
    }

    // Names full of shell syntax are data, never code.
    void hostileNamesAreNotInterpreted()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/it's \"q\" $(touch pwned) ; ü 日本");
        QVERIFY(QDir().mkpath(folder));
        const QString script = folder + QStringLiteral("/a b;`touch pwned2`.sh");
        TestFiles::writeScript(script, "echo ran > ran.txt\n");
        QCOMPARE(RunAndWait(QLatin1Char('"') + script + QLatin1Char('"'), folder), 0);
        QVERIFY(QFile::exists(folder + QStringLiteral("/ran.txt")));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned")));
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/pwned")));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned2")));
    }

    // A script that never ends is stopped, its children with it, and the caller is told.
    // The wait ends at its bound, or when what the caller does meanwhile fails: either way the
    // program is stopped with everything it started.
    void boundedWait_data()
    {
        QTest::addColumn<bool>("callerFails");
        QTest::newRow("bound reached") << false;
        QTest::newRow("caller's work fails") << true;
    }
    void boundedWait()
    {
        QFETCH(bool, callerFails);
        QTemporaryDir dir;
        const QString script = dir.path() + QStringLiteral("/hang.sh");
        TestFiles::writeScript(script, "sleep 300 &\necho $! > child.pid\nwait\n");
        WaitOptions options;
        QElapsedTimer sinceStart;
        sinceStart.start();
        if (callerFails)
            options.yield = [&] {
                if (sinceStart.elapsed() > 500)
                    throw Failure(QStringLiteral("the caller failed"));
            };
        else
            options.timeoutMs = 1000;
        QElapsedTimer clock;
        clock.start();
        QVERIFY_THROWS_EXCEPTION(Failure, RunAndWait(script, dir.path(), options));
        QVERIFY(clock.elapsed() < 10000);
        QFile pidFile(dir.path() + QStringLiteral("/child.pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const int child = pidFile.readAll().trimmed().toInt();
        QVERIFY(child > 0);
        QTRY_VERIFY(!isAlive(child));
    }

    // The limits reach the script and what it starts; its two streams come back apart.
    void limitsAndStreams()
    {
        QTemporaryDir dir;
        const QString script = dir.path() + QStringLiteral("/limits.sh");
        TestFiles::writeScript(script, "echo \"as=$(ulimit -v) fsize=$(ulimit -f) core=$(ulimit -c)\"\n"
                                       "sh -c 'echo child as=$(ulimit -v)' >&2\n"
                                       "head -c 3000000 /dev/zero > big || echo 'write refused' >&2\n"
                                       "exit 3\n");
        WaitOptions options;
        options.limits.memoryBytes = qint64(700) * 1024 * 1024;
        options.limits.fileSizeBytes = 1024 * 1024;
        QString out, err;
        options.output = &out;
        options.errors = &err;
        QCOMPARE(RunAndWait(script, dir.path(), options), 3);
        QCOMPARE(out.trimmed(), QStringLiteral("as=716800 fsize=2048 core=0"));
        QVERIFY2(err.contains(QLatin1String("child as=716800")), qPrintable(err));
        QVERIFY2(err.contains(QLatin1String("write refused")), qPrintable(err));
        QCOMPARE(QFileInfo(dir.path() + QStringLiteral("/big")).size(), 1024 * 1024);
    }

    // The watchdog: no progress for the stall bound stops the whole group with the caller's
    // text; progress keeps the program running past it.
    void stallWatchdog()
    {
        QTemporaryDir dir;
        const QString script = dir.path() + QStringLiteral("/stall.sh");
        TestFiles::writeScript(script, "for i in 1 2 3; do sleep 0.7; touch page$i; done\n"
                                       "sleep 300 &\necho $! > child.pid\nwait\n");
        WaitOptions options;
        options.stallMs = 2500;
        int pages = 0;
        options.progressed = [&] {
            const int now = int(QDir(dir.path()).entryList({QStringLiteral("page*")}, QDir::Files).size());
            const bool more = now > pages;
            pages = now;
            return more;
        };
        options.stalled = [&] { return QStringLiteral("stalled after page %1").arg(pages); };
        QElapsedTimer clock;
        clock.start();
        try {
            RunAndWait(script, dir.path(), options);
            QFAIL("not stopped");
        } catch (const Failure &f) {
            QCOMPARE(f.description(), QStringLiteral("stalled after page 3"));
        }
        QVERIFY(clock.elapsed() > 4000 && clock.elapsed() < 15000);
        QFile pidFile(dir.path() + QStringLiteral("/child.pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const int child = pidFile.readAll().trimmed().toInt();
        QTRY_VERIFY(!isAlive(child));
    }
};

QTEST_GUILESS_MAIN(TestProgramRunner)
#include "tst_programrunner.moc"
