// lumenpage-batch as a Unix tool: its options, messages, progress and exit statuses as a shell
// sees them, alone and spread with GNU parallel.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Result {
    int code = -1;
    QString out, err;
};

// A scratch home with documents in `docs`, an output folder `out` and a TEMP of its own, the
// build's programs first on the path.
struct Shell {
    QTemporaryDir home;
    QString docs = home.filePath(QStringLiteral("docs"));
    QString out = home.filePath(QStringLiteral("out"));

    Shell()
    {
        for (const QString &d : {docs, out, home.filePath(QStringLiteral("tmp"))})
            QDir().mkpath(d);
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("TEMP"), home.filePath(QStringLiteral("tmp")));
        env.insert(QStringLiteral("PATH"), TestFiles::appFolder() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        return env;
    }
    // Runs a command line with bash in the documents folder.
    Result bash(const QString &command, const QByteArray &input = QByteArray()) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(docs);
        p.start(QStringLiteral("bash"), {QStringLiteral("-c"), command});
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(300000))
            p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QStringList gifs() const { return QDir(out).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name); }
};

// Lines of a stream, without the empty one after the last newline.
QStringList lines(const QString &text)
{
    QStringList l = text.split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

} // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void versionAndHelp()
    {
        Shell sh;
        Result r = sh.bash(QStringLiteral("lumenpage-batch --version"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("lumenpage-batch " LUMENPAGE_VERSION "\n"));
        // Started through its full path, it still calls itself by its name.
        for (const QString &help : {QStringLiteral("--help"), QStringLiteral("--help-all")}) {
            r = sh.bash(QStringLiteral("\"$(command -v lumenpage-batch)\" ") + help);
            QCOMPARE(r.code, 0);
            QVERIFY2(r.out.startsWith(QStringLiteral("Usage: lumenpage-batch [options] FILE...\n")), qPrintable(r.out));
            for (const char *option : {"--output", "--files-from", "--quiet", "--verbose", "--version"})
                QVERIFY2(r.out.contains(QLatin1String(option)), option);
        }
        r = sh.bash(QStringLiteral("lumenpage-batch -o ../out --colour x.pdf"));
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: ")), qPrintable(r.err));
    }

    // Under a German or French locale the help and the messages are translated, Qt's own
    // lines of the help too; LANGUAGE picks among several.
    void speaksTheDesktopsLanguage_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("usage");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message");
        QTest::newRow("de") << QStringList{QStringLiteral("LANG=de_DE.UTF-8")} << QStringLiteral("Aufruf: ")
                            << QStringLiteral("Wandelt jede Seite jeder PDF-Datei FILE in eine GIF-Datei im Ausgabeordner um.")
                            << QStringLiteral("lumenpage-batch: --output DIR muss angegeben werden.");
        QTest::newRow("fr") << QStringList{QStringLiteral("LANG=en_GB.UTF-8"), QStringLiteral("LANGUAGE=es:fr")}
                            << QStringLiteral("Utilisation") << QString::fromUtf8("Convertit chaque page de chaque fichier PDF FILE")
                            << QString::fromUtf8("lumenpage-batch: --output DIR est obligatoire.");
    }
    void speaksTheDesktopsLanguage()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, usage);
        QFETCH(QString, description);
        QFETCH(QString, message);
        Shell sh;
        const QString env = QStringLiteral("env -u LC_ALL -u LC_MESSAGES ") + environment.join(QLatin1Char(' '));
        Result r = sh.bash(env + QStringLiteral(" lumenpage-batch --help"));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(usage), qPrintable(r.out));
        QVERIFY2(r.out.contains(description), qPrintable(r.out));
        r = sh.bash(env + QStringLiteral(" lumenpage-batch x.pdf"));
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
        // The C locale is English, whatever LANGUAGE says.
        r = sh.bash(QStringLiteral("env -u LC_ALL LANG=C LANGUAGE=de:fr lumenpage-batch x.pdf"));
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: --output DIR is required.")), qPrintable(r.err));
    }

    // Each failed file is one line naming the file and why, with the renderer's own reason;
    // the window's boxes only on request.
    void oneLinePerFailedFile_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("ghostscript") << QStringLiteral("ghostscript");
        QTest::newRow("gflax") << QStringLiteral("gflax");
    }
    void oneLinePerFailedFile()
    {
        QFETCH(QString, method);
        // Ghostscript locks the PDF, whichever method then refuses it.
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method) << QStringLiteral("gs"));
        Shell sh;
        TestFiles::writePdf(sh.docs + QStringLiteral("/good.pdf"), 1);
        QVERIFY(TestPdfs::writeLocked(sh.docs + QStringLiteral("/good.pdf"), sh.docs + QStringLiteral("/locked file.pdf"),
                                      QStringLiteral("secret")));
        TestFiles::writeBytes(sh.docs + QStringLiteral("/notes.pdf"), "These are notes, not a PDF.\n");

        Result r = sh.bash(QStringLiteral("lumenpage-batch -m %1 -o ../out 'locked file.pdf' good.pdf notes.pdf").arg(method));
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringLiteral("Done.\n"));
        const QStringList err = lines(r.err);
        QCOMPARE(err.size(), 2);
        QVERIFY2(err.at(0).startsWith(QStringLiteral("lumenpage-batch: locked file.pdf: ")), qPrintable(r.err));
        // The renderer's own reason: Ghostscript's or poppler's.
        QVERIFY2(err.at(0).contains(QStringLiteral("password"), Qt::CaseInsensitive), qPrintable(r.err));
        QVERIFY2(err.at(1).startsWith(QStringLiteral("lumenpage-batch: notes.pdf: ")), qPrintable(r.err));
        for (const QString &line : err) {
            const QString cause = line.section(QStringLiteral(".pdf: "), 1);
            QVERIFY2(cause.size() > 3, qPrintable(line));
            QVERIFY2(!line.contains(QLatin1String("Application Error")) && !line.contains(QLatin1String("Lumenpg")),
                     qPrintable(line));
        }
        QCOMPARE(sh.gifs().size(), 1);

        r = sh.bash(QStringLiteral("lumenpage-batch --verbose -m %1 -o ../out notes.pdf").arg(method));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Could not create GIF on ") + sh.docs + QStringLiteral("/notes.pdf")), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("lumenpage-batch: notes.pdf: ")));
    }

    // A list of names from a file or standard input, names with blanks included; -q keeps
    // everything but errors to itself.
    void filesFromAndQuiet()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript)); // the default method
        Shell sh;
        QVERIFY(QDir().mkpath(sh.docs + QStringLiteral("/sub folder")));
        TestFiles::writePdf(sh.docs + QStringLiteral("/sub folder/first report.pdf"), 2);
        TestFiles::writePdf(sh.docs + QStringLiteral("/second.pdf"), 1);
        TestFiles::writePdf(sh.docs + QStringLiteral("/third.pdf"), 1);
        TestFiles::writeBytes(sh.home.filePath(QStringLiteral("list.txt")), "third.pdf\n\n");

        Result r = sh.bash(QStringLiteral("printf 'sub folder/first report.pdf\\n%s\\n' \"$PWD/second.pdf\" "
                                          "| lumenpage-batch -q -o ../out --files-from - --files-from ../list.txt"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QString());
        QCOMPARE(sh.gifs(), (QStringList{QStringLiteral("first report-001.gif"), QStringLiteral("first report-002.gif"),
                                         QStringLiteral("second-001.gif"), QStringLiteral("third-001.gif")}));

        // Quiet, but not about a failure.
        r = sh.bash(QStringLiteral("lumenpage-batch -q -o ../out missing.pdf"));
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(lines(r.err).size(), 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: missing.pdf: ")), qPrintable(r.err));

        r = sh.bash(QStringLiteral("lumenpage-batch -o ../out --files-from no-such-list.txt"));
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(QStringLiteral("lumenpage-batch: no-such-list.txt: ")), qPrintable(r.err));
    }

    // Progress is kept up to date in place on a terminal and left out of pipes and files.
    void progressOnlyOnATerminal()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript) << QStringLiteral("script"));
        Shell sh;
        // A chroot or container without /dev/pts cannot give anyone a terminal.
        if (sh.bash(QStringLiteral("script -qec true /dev/null")).code != 0)
            QSKIP("no pseudo-terminal can be opened here (is /dev/pts mounted?)");
        TestFiles::writePdf(sh.docs + QStringLiteral("/six.pdf"), 6);
        // script gives the program a pseudo-terminal and copies what it shows to its output.
        Result r = sh.bash(QStringLiteral("script -qec 'lumenpage-batch -o ../out six.pdf' /dev/null"));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QStringLiteral("\r[1/1] six.pdf  6/6 pages")), qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("Done.")));

        r = sh.bash(QStringLiteral("lumenpage-batch -o ../out six.pdf 2>&1 | cat"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Done.\n"));
        // -q: not even on a terminal.
        r = sh.bash(QStringLiteral("script -qec 'lumenpage-batch -q -o ../out six.pdf' /dev/null"));
        QCOMPARE(r.code, 0);
        QVERIFY2(!r.out.contains(QStringLiteral("pages")) && !r.out.contains(QStringLiteral("Done.")), qPrintable(r.out));
    }

    // The README's recipe for many files: one lumenpage-batch per file, two at a time, all
    // writing into one output folder. Every page of every file arrives.
    void gnuParallelSpreadsABatch()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript) << QStringLiteral("parallel"));
        Shell sh;
        const struct { const char *name; int pages; } files[] = {
            {"alpha.pdf", 3}, {"two words.pdf", 2}, {"gamma.pdf", 1}, {"delta.pdf", 2}, {"epsilon.pdf", 1}};
        QStringList expected;
        for (const auto &f : files) {
            TestFiles::writePdf(sh.docs + QLatin1Char('/') + QLatin1String(f.name), f.pages);
            for (int page = 1; page <= f.pages; ++page)
                expected << QString::fromLatin1(f.name).chopped(4) + QStringLiteral("-%1.gif").arg(page, 3, 10, QLatin1Char('0'));
        }
        expected.sort();
        const Result r = sh.bash(QStringLiteral("parallel -j2 lumenpage-batch -o ../out ::: *.pdf"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(sh.gifs(), expected);
        QCOMPARE(r.out.count(QStringLiteral("Done.\n")), 5);
        // Each run cleaned up after itself.
        QCOMPARE(QDir(sh.home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
