// lumenpage-batch as a Unix tool: how it runs from a shell, alone and spread with GNU parallel.
#include "support/testsupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
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

} // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    // The README's recipe for many files: one lumenpage-batch per file, two at a time, all
    // writing into one output folder. Every page of every file arrives.
    void gnuParallelSpreadsABatch()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("parallel")).isEmpty())
            QSKIP("GNU parallel is not installed");
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
