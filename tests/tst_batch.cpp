// lumenpage-batch as a script would use it: exit status, streams, and no settings touched.
#include "support/testsupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Result {
    int code;
    QString out, err;
};

Result batch(const QStringList &args, const QString &home)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("TEMP"), home + QStringLiteral("/tmp"));
    p.setProcessEnvironment(env);
    p.start(TestFiles::appFolder() + QStringLiteral("/lumenpage-batch"), args);
    p.waitForFinished(180000);
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
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
        QVERIFY(r.err.contains(QStringLiteral("Could not create GIF on ") + bad));
        QCOMPARE(r.out, QStringLiteral("Done.\n"));

        r = batch({"--output", home.path() + QStringLiteral("/nowhere"), good}, home.path());
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QLatin1String("Folder does not exist. Please select another folder.")));
        QVERIFY(!QDir(home.path() + QStringLiteral("/.config")).exists());
        QVERIFY(!QDir(home.path() + QStringLiteral("/tmp/Lumenpage")).exists());
    }
};

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
