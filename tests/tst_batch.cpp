// lumenpage-batch as a script would use it: exit status, streams, and no settings touched.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"

#include "engine/methods/methods.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
struct Result {
    int code;
    QString out, err;
};

QString batchProgram()
{
    return TestFiles::appFolder() + QStringLiteral("/lumenpage-batch");
}

// Settings in `home`, TEMP in home/tmp.
QProcessEnvironment batchEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("TEMP"), home + QStringLiteral("/tmp"));
    return env;
}

void startBatch(QProcess &p, const QStringList &args, const QString &home)
{
    p.setProcessEnvironment(batchEnvironment(home));
    p.start(batchProgram(), args);
}

Result batch(const QStringList &args, const QString &home, const QString &pageLog = QString())
{
    QProcess p;
    QProcessEnvironment env = batchEnvironment(home);
    if (!pageLog.isEmpty())
        env.insert(QStringLiteral("LUMENPAGE_PAGE_LOG"), pageLog); // each page drawn, a line
    p.setProcessEnvironment(env);
    p.start(batchProgram(), args);
    p.waitForFinished(300000);
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A home with an empty TEMP (home/tmp) and output folder (home/out).
struct Home {
    QTemporaryDir dir;
    QString path = dir.path(), tmp = path + QStringLiteral("/tmp"), out = path + QStringLiteral("/out");
    Home()
    {
        QDir().mkpath(tmp);
        QDir().mkpath(out);
    }
};

// The lines of a --report record; with `status`, those of that status only.
QList<QJsonObject> recordLines(const QString &path, const QString &status = QString())
{
    QFile file(path);
    QList<QJsonObject> lines;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.isEmpty()) {
                const QJsonObject object = QJsonDocument::fromJson(line).object();
                if (status.isEmpty() || object.value(QStringLiteral("status")).toString() == status)
                    lines << object;
            }
    return lines;
}

// The files a record shows done, by their path.
QSet<QString> doneFiles(const QString &record)
{
    QSet<QString> done;
    for (const QJsonObject &line : recordLines(record, QStringLiteral("done")))
        done << line.value(QStringLiteral("file")).toString();
    return done;
}

// How many pages the renderers drew, as LUMENPAGE_PAGE_LOG counts them (0 when none).
int pagesDrawn(const QString &log)
{
    QFile drawn(log);
    return drawn.open(QIODevice::ReadOnly) ? int(drawn.readAll().count('\n')) : 0;
}

// A file's identity and last change: equal only when nobody wrote or replaced it meanwhile.
QByteArray fileStamp(const QString &path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_ino)) + ':' + QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.'
           + QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT
private slots:
    void usage()
    {
        QTemporaryDir home;
        Result r = batch({QStringLiteral("--help")}, home.path());
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains(QLatin1String("--output")));
        QCOMPARE(batch({QStringLiteral("x.pdf")}, home.path()).code, 2);
        QCOMPARE(batch({"--output", home.path()}, home.path()).code, 2);
        r = batch({"--output", home.path(), "--method", "paint", "x.pdf"}, home.path());
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains(QLatin1String("unknown method")));
        QCOMPARE(batch({"--output", home.path(), "--method", "acrobat", "--first-page-only", "x.pdf"}, home.path()).code, 2);
    }

    void convertsAndReportsFailures()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        QTemporaryDir home;
        const QString out = home.path() + QStringLiteral("/out");
        QDir().mkpath(out);
        QDir().mkpath(home.path() + QStringLiteral("/tmp"));
        const QString good = home.path() + QStringLiteral("/two pages.pdf");
        TestFiles::writePdf(good, 2);
        Result r = batch({"--output", out, good}, home.path());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Done.\n"));
        QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name), (QStringList{"two pages-001.gif", "two pages-002.gif"}));

        const QString bad = home.path() + QStringLiteral("/bad.pdf");
        TestFiles::writeBytes(bad, "not a pdf");
        r = batch({"--output", out, "--first-page-only", bad, good}, home.path());
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: ") + bad + QStringLiteral(": ")), qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("Done.\n"));

        r = batch({"--output", home.path() + QStringLiteral("/nowhere"), good}, home.path());
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("lumenpage-batch: %1/nowhere: no such folder\n").arg(home.path()));
        r = batch({"--output", good, good}, home.path());
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("lumenpage-batch: %1: a file, not a folder\n").arg(good));
        QVERIFY(!QDir(home.path() + QStringLiteral("/.config")).exists());
        QCOMPARE(QDir(home.path() + QStringLiteral("/tmp")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // Two doc.pdf in one run: all three pages kept, the renamed one told on its own line; a
    // GflAx count that renders nothing is wrong usage, not "Done." with status 0.
    void sameNamesAndEmptyCounts()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        QDir().mkpath(home.path + QStringLiteral("/a"));
        QDir().mkpath(home.path + QStringLiteral("/b"));
        const QString a = home.path + QStringLiteral("/a/doc.pdf"), b = home.path + QStringLiteral("/b/doc.pdf");
        TestFiles::writePdf(a, 2);
        TestFiles::writePdf(b, 1);
        Result r = batch({"--output", home.out, a, b}, home.path);
        QCOMPARE(r.code, 0);
        QCOMPARE(entries(home.out), (QStringList{"doc (2)-001.gif", "doc-001.gif", "doc-002.gif"}));
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: ") + b + QStringLiteral(": "))
                     && r.err.endsWith(QStringLiteral(": doc (2)-001.gif\n")), qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("Done.\n"));

        // A count no page comes of is refused before any work (wrong usage).
        for (const char *pages : {"0", "abc"}) {
            r = batch({"--output", home.out, "--method", "gflax", "--pages", pages, a}, home.path);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: --pages '%1': ").arg(QLatin1String(pages))),
                     qPrintable(r.err));
        }
        QCOMPARE(entries(home.tmp), QStringList());
    }

    // --name: each page named by the pattern, zero padding and the file's place in the list
    // included; the record has those names, and --resume finds them (a file converted again
    // keeps its place). A pattern that gives two files one name falls back on the " (2)" rule.
    void namePattern()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        QDir().mkpath(home.path + QStringLiteral("/a"));
        QDir().mkpath(home.path + QStringLiteral("/b"));
        const QString a = home.path + QStringLiteral("/a/doc.pdf"), b = home.path + QStringLiteral("/b/doc.pdf");
        const QString record = home.path + QStringLiteral("/run.jsonl");
        TestFiles::writePdf(a, 2);
        TestFiles::writePdf(b, 1);
        const QStringList args{"--output", home.out, "--name", "{n}-{name}_p{page:03}", "--report", record, a, b};
        Result r = batch(args, home.path);
        QVERIFY2(r.code == 0 && r.err.isEmpty(), qPrintable(r.err));
        const QStringList named{"1-doc_p001.gif", "1-doc_p002.gif", "2-doc_p001.gif"};
        QCOMPARE(entries(home.out), named);
        const QList<QJsonObject> lines = recordLines(record, QStringLiteral("written"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(recordLines(record).size(), 5); // and a "done" line for each file
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(lines.at(i).value(QStringLiteral("gif")).toString(), home.out + QLatin1Char('/') + named.at(i));
            QCOMPARE(lines.at(i).value(QStringLiteral("page")).toInt(), i == 1 ? 2 : 1);
        }

        QVERIFY(QFile::remove(home.out + QStringLiteral("/2-doc_p001.gif")));
        r = batch(args + QStringList{"--resume", "--verbose"}, home.path);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.err.count(QStringLiteral("Skipped, converted by the earlier run: ")), 1);
        QCOMPARE(entries(home.out), named);

        QDir(home.out).removeRecursively();
        QDir().mkpath(home.out);
        r = batch({"--output", home.out, "--name", "p{page}", a, b}, home.path);
        QCOMPARE(r.code, 0);
        QCOMPARE(entries(home.out), (QStringList{"p1 (2).gif", "p1.gif", "p2.gif"}));
        QVERIFY2(r.err.endsWith(QStringLiteral(": p1 (2).gif\n")), qPrintable(r.err));
    }

    // Another user's link where the scratch folder used to be: nothing behind it is touched, the
    // link stays, and the run still converts.
    void plantedLinkIsLeftAlone()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString victim = home.path + QStringLiteral("/victim");
        QDir().mkpath(victim + QStringLiteral("/sub"));
        for (const char *name : {"a.jpg", "sub/b.jpg", "notes.txt"})
            TestFiles::writeBytes(victim + QLatin1Char('/') + QString::fromLatin1(name), name);
        QVERIFY(QFile::link(victim, home.tmp + QStringLiteral("/Lumenpage")));
        const QString pdf = home.path + QStringLiteral("/doc.pdf");
        TestFiles::writePdf(pdf, 2);

        const Result r = batch({"--output", home.out, pdf}, home.path);
        QCOMPARE(r.code, 0);
        QCOMPARE(entries(home.out), (QStringList{"doc-001.gif", "doc-002.gif"}));
        QCOMPARE(entries(home.tmp), QStringList{QStringLiteral("Lumenpage")});
        QVERIFY(QFileInfo(home.tmp + QStringLiteral("/Lumenpage")).isSymLink());
        QCOMPARE(entries(victim), (QStringList{"a.jpg", "notes.txt", "sub"}));
        QCOMPARE(entries(victim + QStringLiteral("/sub")), QStringList{QStringLiteral("b.jpg")});
        QFile b(victim + QStringLiteral("/sub/b.jpg"));
        QVERIFY(b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), QByteArray("sub/b.jpg"));
    }

    // GIF names others hold in the output folder (a shared drop folder): a folder there fails
    // its page alone, named, with the reason, and the status says so; a link there, to a file
    // or to nowhere, is replaced by the GIF itself and what it pointed to is never touched.
    void gifNamesHeldByOthers()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString pdf = home.path + QStringLiteral("/doc.pdf");
        TestFiles::writePdf(pdf, 3);
        const QString bashrc = home.path + QStringLiteral("/.bashrc");
        TestFiles::writeBytes(bashrc, "alias ll='ls -l'\n");
        QVERIFY(QDir().mkpath(home.out + QStringLiteral("/doc-001.gif")));
        QVERIFY(QFile::link(bashrc, home.out + QStringLiteral("/doc-002.gif")));
        QVERIFY(QFile::link(home.path + QStringLiteral("/planted.gif"), home.out + QStringLiteral("/doc-003.gif")));

        // A missing file beside it: after more than one failure, the last line counts them.
        const Result r = batch({"--output", home.out, pdf, home.path + QStringLiteral("/missing.pdf")}, home.path);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(home.out + QStringLiteral("/doc-001.gif: could not be written: Is a directory")), qPrintable(r.err));
        QVERIFY2(r.err.endsWith(QStringLiteral("\nlumenpage-batch: 1 of 2 files and 1 of 3 GIF files failed.\n")), qPrintable(r.err));
        QCOMPARE(entries(home.out), (QStringList{"doc-001.gif", "doc-002.gif", "doc-003.gif"}));
        QFile kept(bashrc);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("alias ll='ls -l'\n"));
        QVERIFY(!QFileInfo::exists(home.path + QStringLiteral("/planted.gif")));
        for (const char *name : {"doc-002.gif", "doc-003.gif"}) {
            const QString gif = home.out + QLatin1Char('/') + QLatin1String(name);
            QVERIFY2(!QFileInfo(gif).isSymLink(), name);
            QCOMPARE(QImageReader(gif).size(), QSize(1224, 1584));
        }
    }

    // Two runs at once with one TEMP, both converting a doc.pdf: each output folder holds
    // exactly its own document's pages (told apart by count and page size).
    void concurrentRunsKeepTheirOwnPages()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString outB = home.path + QStringLiteral("/outB");
        QDir().mkpath(outB);
        QDir().mkpath(home.path + QStringLiteral("/a"));
        QDir().mkpath(home.path + QStringLiteral("/b"));
        const QString a = home.path + QStringLiteral("/a/doc.pdf"), b = home.path + QStringLiteral("/b/doc.pdf");
        TestFiles::writePdf(a, 8);                     // letter: 1224 x 1584 at 144 dpi
        TestFiles::writePdf(b, 12, QSizeF(420, 595)); // A5: 840 x 1190
        QProcess runA, runB;
        startBatch(runA, {"--output", home.out, a}, home.path);
        startBatch(runB, {"--output", outB, b}, home.path);
        QVERIFY(runA.waitForFinished(180000) && runB.waitForFinished(180000));
        QCOMPARE(runA.exitCode(), 0);
        QCOMPARE(runB.exitCode(), 0);

        auto check = [](const QString &out, int pages, QSize size) {
            QStringList expected;
            for (int i = 1; i <= pages; ++i)
                expected << QStringLiteral("doc-%1.gif").arg(i, 3, 10, QLatin1Char('0'));
            QCOMPARE(entries(out), expected);
            for (const QString &name : expected)
                QCOMPARE(QImageReader(out + QLatin1Char('/') + name).size(), size);
        };
        check(home.out, 8, QSize(1224, 1584));
        check(outB, 12, QSize(840, 1190));
        QCOMPARE(entries(home.tmp), QStringList());
    }

    void animatedGifs_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("quality");
        QTest::newRow("ghostscript") << QStringLiteral("ghostscript") << 100;
        QTest::newRow("acrobat (page renderer)") << QStringLiteral("acrobat") << 100;
        QTest::newRow("ghostscript, quality 30") << QStringLiteral("ghostscript") << 30;
    }
    // --animate: one looping GIF per PDF, its frames the pages in order, at quality 100 the
    // pages' own GIFs pixel for pixel, below it close to them; pages of other sizes centred on
    // a white screen as large as the largest; a page that cannot be drawn leaves no animated
    // GIF at all.
    void animatedGifs()
    {
        QFETCH(QString, method);
        QFETCH(int, quality);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        Home home;
        const QString pdf = home.path + QStringLiteral("/doc.pdf");
        TestFiles::writePdf(pdf, 4); // a band of another colour on every page
        Result r = batch({"-o", home.out, "-m", method, "--animate=0.25", "--quality", QString::number(quality), "--page-range", "2-4", pdf},
                         home.path);
        QCOMPARE(r.code, 0);
        QCOMPARE(entries(home.out), QStringList{QStringLiteral("doc.gif")});
        QImageReader animation(home.out + QStringLiteral("/doc.gif"));
        QCOMPARE(animation.imageCount(), 3);
        QCOMPARE(animation.loopCount(), -1); // for ever
        const QString singles = home.path + QStringLiteral("/singles");
        QDir().mkpath(singles);
        QCOMPARE(batch({"-o", singles, "-m", method, "--page-range", "2-4", pdf}, home.path).code, 0);
        const QStringList pages = entries(singles);
        QCOMPARE(pages.size(), 3);
        for (const QString &page : pages) {
            const QImage frame = animation.read().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(animation.nextImageDelay(), 250);
            const QImage single = QImage(singles + QLatin1Char('/') + page).convertToFormat(QImage::Format_RGB32);
            if (quality == 100)
                QVERIFY2(frame == single, qPrintable(page));
            else
                QVERIFY2(TestImages::psnr(frame, single) > 30, qPrintable(page));
        }

        // 200 x 100 points, then twice 100 x 300, at 72 dpi: a screen of 200 x 300. The last page
        // adds a square low on the left, its frame only that.
        const QString mixed = home.path + QStringLiteral("/mixed.pdf");
        TestFiles::writeBytes(mixed, TestPdfs::withPages({{"1 0 0 rg 0 0 200 100 re f", TestPdfs::box(200, 100), {}},
                                                          {"0 0 1 rg 0 0 100 300 re f", TestPdfs::box(100, 300), {}},
                                                          {"0 0 1 rg 0 0 100 300 re f 0 0.6 0 rg 0 0 50 50 re f", TestPdfs::box(100, 300), {}}}));
        r = batch({"-o", home.out, "-m", method, "--resolution", "72", "--animate", mixed}, home.path);
        QCOMPARE(r.code, 0);
        QImageReader screens(home.out + QStringLiteral("/mixed.gif"));
        QCOMPARE(screens.imageCount(), 3);
        const auto colours = [](const QImage &image, const QList<QPoint> &points) {
            QList<QRgb> found;
            for (const QPoint &p : points)
                found << (image.pixel(p) & 0xF0F0F0); // the renderers' edges aside
            return found;
        };
        // Each frame right of the centre, at the left edge, at the top and low on the left.
        const QList<QPoint> probes{{120, 150}, {20, 150}, {100, 20}, {60, 280}};
        QList<QList<QRgb>> expected{{0xF00000, 0xF00000, 0xF0F0F0, 0xF0F0F0},
                                    {0x0000F0, 0xF0F0F0, 0x0000F0, 0x0000F0},
                                    {0x0000F0, 0xF0F0F0, 0x0000F0, 0x009000}};
        for (const QList<QRgb> &want : expected) {
            const QImage frame = screens.read();
            QCOMPARE(frame.size(), QSize(200, 300));
            QCOMPARE(colours(frame, probes), want);
        }

        // A page no renderer can draw (Ghostscript's pages fail), or one frame of one page.
        QList<TestPdfs::Page> broken;
        for (const QByteArray &box : {TestPdfs::box(200, 200), QByteArray("[0 0 9e9 200]"), TestPdfs::box(200, 200)})
            broken << TestPdfs::Page{"0 0 1 rg 20 20 100 100 re f", box, {}};
        TestFiles::writeBytes(home.path + QStringLiteral("/broken.pdf"), TestPdfs::withPages(broken));
        r = batch({"-o", home.out, "-m", method, "--animate", home.path + QStringLiteral("/broken.pdf")}, home.path);
        if (method == QLatin1String("ghostscript")) {
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.contains(QLatin1String("page(s) 2 could not be rendered")), qPrintable(r.err));
            QCOMPARE(entries(home.out), (QStringList{"doc.gif", "mixed.gif"}));
        }
        // One page gives one frame; a second mixed.pdf of the run gets " (2)".
        QDir().mkpath(home.path + QStringLiteral("/b"));
        QVERIFY(QFile::copy(mixed, home.path + QStringLiteral("/b/mixed.pdf")));
        r = batch({"-o", home.out, "-m", method, "--animate", "--page-range", "3", mixed, home.path + QStringLiteral("/b/mixed.pdf")},
                  home.path);
        QCOMPARE(r.code, 0);
        QCOMPARE(QImageReader(home.out + QStringLiteral("/mixed.gif")).imageCount(), 1);
        QCOMPARE(QImageReader(home.out + QStringLiteral("/mixed (2).gif")).size(), QSize(200, 600)); // 144 dpi
        QCOMPARE(entries(home.tmp), QStringList());
    }

    void interruptedRunLeavesNothing_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("SIGINT (Ctrl-C)") << int(SIGINT) << QStringList();
        QTest::newRow("SIGTERM") << int(SIGTERM) << QStringList();
        QTest::newRow("SIGHUP") << int(SIGHUP) << QStringList();
        // The animated GIF being written beside its name goes too.
        QTest::newRow("SIGINT, --animate") << int(SIGINT) << QStringList{QStringLiteral("--animate")};
    }
    // The signal comes while Ghostscript renders and pages are being encoded meanwhile:
    // Ghostscript is stopped with its script, the page being written is finished, the scratch
    // folder goes, and the status says which signal ended the run. A GIF that is there is
    // whole, and nothing else is there.
    void interruptedRunLeavesNothing()
    {
        QFETCH(int, signal);
        QFETCH(QStringList, options);
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString pdf = home.path + QStringLiteral("/long.pdf");
        TestFiles::writePdf(pdf, 80);
        QProcess run;
        startBatch(run, QStringList{"--output", home.out, pdf, pdf} + options, home.path);
        QVERIFY(run.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        while (!TestFiles::processesWorkingIn(home.tmp).join(QLatin1Char(',')).contains(QLatin1String(" gs"))
               || entries(home.out).isEmpty()) {
            QVERIFY2(clock.elapsed() < 60000, "Ghostscript never started");
            QVERIFY2(run.state() == QProcess::Running, qPrintable(run.readAllStandardError()));
            QThread::msleep(10);
        }
        ::kill(pid_t(run.processId()), signal);
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 128 + signal);
        QCOMPARE(TestFiles::processesWorkingIn(home.tmp), QStringList());
        QCOMPARE(entries(home.tmp), QStringList());
        QVERIFY(!run.readAllStandardOutput().contains("Done."));
        for (const QString &name : entries(home.out)) {
            QVERIFY2(name.endsWith(QLatin1String(".gif")), qPrintable(name));
            QVERIFY(!QImageReader(home.out + QLatin1Char('/') + name).read().isNull());
        }
    }

    // A batch of 50 interrupted goes on with --resume where it stopped: the files its record
    // shows done are not drawn again and their GIFs are left as they are; the file it was in, and
    // one whose GIF was damaged since, are converted again; the new record has every page.
    void resumeGoesOnWhereItStopped()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString one = home.path + QStringLiteral("/one.pdf"), record = home.path + QStringLiteral("/run.jsonl");
        TestFiles::writePdf(one, 1);
        QStringList args{"--output", home.out, "--report", record};
        for (int i = 1; i <= 50; ++i) {
            args << home.path + QStringLiteral("/f%1.pdf").arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY(QFile::copy(one, args.last()));
        }
        QProcess run;
        startBatch(run, args, home.path);
        QVERIFY(run.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        while (entries(home.out).filter(QStringLiteral(".gif")).size() < 8) {
            QVERIFY2(clock.elapsed() < 120000 && run.state() == QProcess::Running, qPrintable(run.readAllStandardError()));
            QThread::msleep(5);
        }
        ::kill(pid_t(run.processId()), SIGTERM);
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 128 + SIGTERM);

        const QSet<QString> done = doneFiles(record);
        QHash<QString, QByteArray> stamps; // of the GIFs of the files done
        QVERIFY2(done.size() >= 7 && done.size() < 50, qPrintable(QString::number(done.size())));
        for (const QString &pdf : std::as_const(done)) {
            const QString gif = home.out + QLatin1Char('/') + QFileInfo(pdf).baseName() + QStringLiteral("-001.gif");
            stamps.insert(gif, fileStamp(gif));
        }
        // One GIF damaged since, its size kept: it no longer decodes.
        const QString damaged = stamps.keys().first();
        QFile spoil(damaged);
        QVERIFY(spoil.open(QIODevice::ReadWrite) && spoil.write(QByteArray(spoil.size(), 'x')) > 0);
        spoil.close();
        stamps.remove(damaged);

        const QString log = home.path + QStringLiteral("/drawn.log");
        QProcess again;
        QProcessEnvironment env = batchEnvironment(home.path);
        env.insert(QStringLiteral("LUMENPAGE_PAGE_LOG"), log);
        again.setProcessEnvironment(env);
        again.start(batchProgram(), args + QStringList{"--resume", "--verbose"});
        QVERIFY(again.waitForFinished(300000));
        const QString err = QString::fromLocal8Bit(again.readAllStandardError());
        QVERIFY2(again.exitCode() == 0, qPrintable(err));
        QCOMPARE(err.count(QStringLiteral("Skipped, converted by the earlier run: ")), int(stamps.size()));
        QFile drawn(log);
        QVERIFY(drawn.open(QIODevice::ReadOnly));
        QCOMPARE(int(drawn.readAll().count('\n')), 50 - int(stamps.size()));
        QCOMPARE(entries(home.out).size(), 50);
        for (auto it = stamps.cbegin(); it != stamps.cend(); ++it)
            QVERIFY2(fileStamp(it.key()) == it.value(), qPrintable(it.key()));
        QVERIFY(!QImageReader(damaged).read().isNull());
        // A page and a "done" line a file, the interrupted file's lines replaced by its new ones.
        QSet<QString> written;
        for (const QJsonObject &line : recordLines(record, QStringLiteral("written")))
            written << line.value(QStringLiteral("file")).toString();
        QCOMPARE(written, QSet<QString>(args.begin() + 4, args.end()));
        QCOMPARE(doneFiles(record), written);
        QCOMPARE(recordLines(record).size(), 100);
    }

    // SIGKILL (as from the out-of-memory killer) halfway through a run of 20 files: the record
    // has every line up to the kill, and --resume draws only the files not done. While the run
    // goes, a second run on its record is refused before any work, and takes no line from it.
    void killedRunResumesWithOneWriter()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString one = home.path + QStringLiteral("/one.pdf"), record = home.path + QStringLiteral("/run.jsonl");
        TestFiles::writePdf(one, 2);
        QStringList args{"--output", home.out, "--report", record};
        for (int i = 1; i <= 20; ++i) {
            args << home.path + QStringLiteral("/f%1.pdf").arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY(QFile::copy(one, args.last()));
        }
        QProcess run;
        startBatch(run, args, home.path);
        QVERIFY(run.waitForStarted());
        const auto waitForDone = [&](int files) {
            QElapsedTimer clock;
            clock.start();
            while (doneFiles(record).size() < files) {
                if (clock.elapsed() > 120000 || run.state() != QProcess::Running)
                    return false;
                QThread::msleep(2);
            }
            return true;
        };
        QVERIFY2(waitForDone(3), qPrintable(run.readAllStandardError()));

        const QString other = home.path + QStringLiteral("/other"), log = home.path + QStringLiteral("/drawn.log");
        QDir().mkpath(other);
        Result r = batch({"--output", other, "--report", record, one}, home.path, log);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QStringLiteral("lumenpage-batch: --report '%1': another run is writing this record; one record has "
                                       "one run at a time\n").arg(record));
        QCOMPARE(pagesDrawn(log), 0);
        QCOMPARE(entries(other), QStringList());

        QVERIFY2(waitForDone(8), qPrintable(run.readAllStandardError()));
        ::kill(pid_t(run.processId()), SIGKILL);
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitStatus(), QProcess::CrashExit);
        const QSet<QString> done = doneFiles(record);
        QVERIFY2(done.size() >= 8 && done.size() < 20, qPrintable(QString::number(done.size())));
        // Every line before the kill: each file done has both its pages, the first ones first.
        for (int i = 0; i < 8; ++i)
            QVERIFY(done.contains(args.at(4 + i)));
        for (const QString &pdf : done) {
            int pages = 0;
            for (const QJsonObject &line : recordLines(record, QStringLiteral("written")))
                pages += line.value(QStringLiteral("file")).toString() == pdf;
            QCOMPARE(pages, 2);
        }

        r = batch(args + QStringList{"--resume"}, home.path, log);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(pagesDrawn(log), 2 * (20 - int(done.size())));
        QCOMPARE(doneFiles(record), QSet<QString>(args.begin() + 4, args.end()));
        QCOMPARE(recordLines(record, QStringLiteral("written")).size(), 40);
        QCOMPARE(recordLines(record).size(), 60);
        QCOMPARE(QDir(home.out).entryList({QStringLiteral("*.gif")}, QDir::Files).size(), 40);
    }

    // --resume converts again what its record no longer holds true: a GIF cut to 80 %, a GIF
    // replaced by another picture of the same size, and every file when the options that shape
    // the output are others (--format png); a resume keeps the lines of the files not in its list.
    void resumeRedoesWhatChanged()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString record = home.path + QStringLiteral("/run.jsonl"), log = home.path + QStringLiteral("/drawn.log");
        QStringList pdfs;
        for (const char *name : {"a.pdf", "b.pdf", "c.pdf"}) {
            pdfs << home.path + QLatin1Char('/') + QLatin1String(name);
            TestFiles::writePdf(pdfs.last(), 2); // a band of another colour on every page
        }
        const QStringList args = QStringList{"--output", home.out, "--report", record} + pdfs;
        Result r = batch(args, home.path);
        QVERIFY2(r.code == 0, qPrintable(r.err));

        // a-001.gif cut to 80 %; in place of b's larger page, its smaller one, padded to the size.
        const QString cut = home.out + QStringLiteral("/a-001.gif");
        QFile cutFile(cut);
        const qint64 whole = cutFile.size();
        QVERIFY(cutFile.resize(whole * 8 / 10));
        QString larger = home.out + QStringLiteral("/b-001.gif"), smaller = home.out + QStringLiteral("/b-002.gif");
        if (QFileInfo(larger).size() < QFileInfo(smaller).size())
            std::swap(larger, smaller);
        QFile small(smaller);
        QVERIFY(small.open(QIODevice::ReadOnly));
        QByteArray other = small.readAll();
        const QByteArray original = [&] {
            QFile f(larger);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(other.size() < original.size());
        other.append(QByteArray(original.size() - other.size(), '\0'));
        TestFiles::writeBytes(larger, other);
        QVERIFY(!QImageReader(larger).read().isNull()); // still a picture, just not this page's

        r = batch(args + QStringList{"--resume", "--verbose"}, home.path, log);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.err.count(QStringLiteral("Skipped, converted by the earlier run: ")), 1);
        QVERIFY(r.err.contains(QStringLiteral("Skipped, converted by the earlier run: ") + pdfs.at(2)));
        QCOMPARE(pagesDrawn(log), 4);
        QCOMPARE(QFileInfo(cut).size(), whole);
        QCOMPARE(QFileInfo(larger).size(), qint64(original.size()));
        QFile redone(larger);
        QVERIFY(redone.open(QIODevice::ReadOnly) && redone.readAll() != other);

        // Other options: every file converted again, into PNG files.
        QFile::remove(log);
        r = batch(args + QStringList{"--resume", "--format", "png"}, home.path, log);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(pagesDrawn(log), 6);
        QCOMPARE(QDir(home.out).entryList({QStringLiteral("*.png")}, QDir::Files),
                 (QStringList{"a-001.png", "a-002.png", "b-001.png", "b-002.png", "c-001.png", "c-002.png"}));
        for (const QJsonObject &line : recordLines(record, QStringLiteral("done")))
            QCOMPARE(line.value(QStringLiteral("options")).toObject().value(QStringLiteral("format")).toString(),
                     QStringLiteral("image/png"));

        // A resume of one file: it is done, nothing is drawn, and the others' lines stay.
        QFile::remove(log);
        r = batch({"--output", home.out, "--report", record, "--resume", "--format", "png", pdfs.at(1)}, home.path, log);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(pagesDrawn(log), 0);
        QCOMPARE(doneFiles(record), QSet<QString>(pdfs.begin(), pdfs.end()));
        QCOMPARE(recordLines(record).size(), 9);
    }

    // The same while the GflAx stand-in draws a page and the next one ahead, in two renderer
    // processes: both are stopped with the run, and the scratch folder goes.
    void interruptedRenderersAreStopped()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::GflAx));
        Home home;
        const QString pdf = home.path + QStringLiteral("/long.pdf");
        TestFiles::writePdf(pdf, 40);
        QProcess run;
        run.setWorkingDirectory(home.path); // the renderers work there too
        startBatch(run, {"--output", home.out, "--method", "gflax", "--pages", "40", pdf}, home.path);
        QVERIFY(run.waitForStarted());
        const auto renderers = [&] { return TestFiles::processesWorkingIn(home.path).filter(QStringLiteral("lumenpage-rend")); };
        QElapsedTimer clock;
        clock.start();
        while (renderers().size() < 2) {
            QVERIFY2(clock.elapsed() < 60000, "the renderers never started");
            QVERIFY2(run.state() == QProcess::Running, qPrintable(run.readAllStandardError()));
            QThread::msleep(5);
        }
        ::kill(pid_t(run.processId()), SIGINT);
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 128 + SIGINT);
        QCOMPARE(TestFiles::processesWorkingIn(home.path), QStringList());
        QCOMPARE(entries(home.tmp), QStringList());
    }

    // Output into a pipe nobody reads any more (as with "| head"): the run still converts
    // everything and leaves nothing behind.
    void closedPipeLeavesNothing()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the console's default method
        Home home;
        const QString pdf = home.path + QStringLiteral("/doc.pdf");
        TestFiles::writePdf(pdf, 3);
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        ::close(fds[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        const QByteArray program = QFile::encodeName(batchProgram());
        QList<QByteArray> args{program, "--output", QFile::encodeName(home.out), QFile::encodeName(pdf)};
        QList<QByteArray> env;
        for (const QString &e : batchEnvironment(home.path).toStringList())
            env << e.toLocal8Bit();
        std::vector<char *> argv, envp;
        for (QByteArray &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (QByteArray &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = 0;
        QCOMPARE(posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY2(WIFEXITED(status), qPrintable(QStringLiteral("ended by signal %1").arg(WTERMSIG(status))));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(entries(home.out), (QStringList{"doc-001.gif", "doc-002.gif", "doc-003.gif"}));
        QCOMPARE(entries(home.tmp), QStringList());
    }
};

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
