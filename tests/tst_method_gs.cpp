// The Ghostscript method end to end: the shipped script, real Ghostscript, real PDFs.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "engine/run/conversionrun.h"
#include "engine/pages/methods.h"
#include "engine/pages/scriptmethod.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QDirIterator>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Fixture : RunFixture {
    Fixture() : RunFixture(Method::Ghostscript, QStringLiteral("out put")) {}
};

} // namespace

class TestMethodGs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript));
    }

    // Every page in page order, at 144 dpi, under awkward names; the scratch folder is gone after.
    void convertsEveryPage()
    {
        Fixture f;
        const QString a = f.pdf(QStringLiteral("my.report.final.pdf"), 12);
        const QString b = f.pdf(QStringLiteral("it's \"quoted\" — ünïcödé/Отчёт 日本.pdf"), 2);
        f.host.entries << a << b;
        ConversionRun run(f.host);
        run.start();
        QStringList expected;
        for (int i = 1; i <= 12; ++i)
            expected << QStringLiteral("my-%1.gif").arg(i, 3, 10, QLatin1Char('0'));
        expected << QStringLiteral("Отчёт 日本-001.gif") << QStringLiteral("Отчёт 日本-002.gif");
        QStringList got = f.gifs();
        std::sort(got.begin(), got.end(), NameLess);
        std::sort(expected.begin(), expected.end(), NameLess);
        QCOMPARE(got, expected);
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(f.tempEntries(), QStringList());

        // Page 7 shows its own page: letter at 144 dpi, the coloured band of that page on top.
        QImage page7;
        QVERIFY(QImageReader(f.out + QStringLiteral("/my-007.gif")).read(&page7));
        QCOMPARE(page7.size(), QSize(1224, 1584));
        const QColor band = page7.pixelColor(600, 100);
        const QColor expectedBand = QColor::fromHsv((7 * 47) % 360, 200, 230);
        QVERIFY2(qAbs(band.hue() - expectedBand.hue()) < 12, qPrintable(band.name()));
        QCOMPARE(page7.pixelColor(600, 1500).lightness() > 240, true);
        QVERIFY(page7.pixelColor(600, 100) != QImage(f.out + QStringLiteral("/my-008.gif")).pixelColor(600, 100));
    }

    void firstPageOnly()
    {
        Fixture f;
        f.host.entries << f.pdf(QStringLiteral("twelve.pdf"), 12);
        f.host.check5Value = 1;
        bool pagesProduced = false;
        QDir().mkpath(f.work);
        MethodContext ctx{f.host, f.work};
        pagesProduced = PDF_To_GIF_GS(ctx, f.host.entries[0]).pagesProduced;
        QVERIFY(pagesProduced);
        QCOMPARE(ListFiles(ctx.workFolder, QStringLiteral("*.jpg")), QStringList{QStringLiteral("twelve-001.jpg")});
        QVERIFY(ListFiles(ctx.workFolder + QStringLiteral("/ps"), QStringLiteral("current*")).isEmpty());
        QVERIFY(!f.host.appWaitPointer);
        QCOMPARE(f.host.shownPointer(), Qt::ArrowCursor);
        QVERIFY(f.host.fakeDialogs.boxes.isEmpty());
    }

    // Broken inputs each get their message; the good file between them still converts.
    void badInputsFailAlone()
    {
        Fixture f;
        const QString corrupt = f.docs + QStringLiteral("/corrupt.pdf");
        TestFiles::writeBytes(corrupt, TestPdfs::damaged());
        const QString empty = f.docs + QStringLiteral("/empty.pdf");
        TestFiles::writeBytes(empty, "");
        const QString text = f.docs + QStringLiteral("/notes.txt");
        TestFiles::writeBytes(text, "just some text\n");
        const QString plain = f.pdf(QStringLiteral("plain.pdf"), 3);
        const QString locked = f.docs + QStringLiteral("/locked.pdf");
        QVERIFY(TestPdfs::writeLocked(plain, locked));
        const QString missing = f.docs + QStringLiteral("/missing.pdf");
        f.host.entries << corrupt << empty << plain << text << locked << missing;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), (QStringList{"plain-001.gif", "plain-002.gif", "plain-003.gif"}));
        for (const QString &bad : {corrupt, empty, text, locked, missing})
            QVERIFY2(f.host.fakeDialogs.texts().contains(QStringLiteral("Could not create GIF on ") + bad), qPrintable(bad));
        QCOMPARE(f.host.fakeDialogs.texts().last(), QStringLiteral("Done."));
        QCOMPARE(run.lastReport().failedFiles().size(), 5);
        // The missing file could not even be copied: that is reported where it happened, once,
        // naming the user's file and never the scripts' name for it.
        QCOMPARE(f.host.fakeDialogs.countTitled(QStringLiteral("Application Error")), 1);
        for (const auto &box : std::as_const(f.host.fakeDialogs.boxes))
            QVERIFY(box.title != QLatin1String("Application Error") || box.text.contains(missing));
        QCOMPARE(f.host.fakeDialogs.texts().filter(QStringLiteral("current.pdf")), QStringList());
        QCOMPARE(f.tempEntries(), QStringList());
    }

    void missingScriptFolderAndStaleInput()
    {
        Fixture f;
        QTemporaryDir emptyApp;
        f.host.appFolderPath = emptyApp.path();
        const QString &work = f.work;
        QDir().mkpath(work + QStringLiteral("/ps"));
        bool pagesProduced = true;
        MethodContext ctx{f.host, work};
        ctx.fileWaitTimeoutMs = 500;
        pagesProduced = PDF_To_GIF_GS(ctx, f.pdf(QStringLiteral("x.pdf"), 1)).pagesProduced;
        QVERIFY(!pagesProduced);
        const QStringList texts = f.host.fakeDialogs.texts();
        QVERIFY(!texts.isEmpty());
        QVERIFY(texts.first().contains(QLatin1String("PDF_To_GIF_GS at line 102")));

        // A stale current.pdf from an interrupted file is replaced before the script runs.
        f.host.appFolderPath = TestFiles::appFolder();
        f.host.fakeDialogs.boxes.clear();
        TestFiles::writeBytes(work + QStringLiteral("/ps/current.pdf"), "stale");
        pagesProduced = PDF_To_GIF_GS(ctx, f.pdf(QStringLiteral("y.pdf"), 2)).pagesProduced;
        QVERIFY(pagesProduced);
        QCOMPARE(ListFiles(work, QStringLiteral("y-*.jpg")).size(), 2);
        QVERIFY(f.host.fakeDialogs.boxes.isEmpty());
    }

    // A script that never ends cannot hang the program.
    void hangingScriptIsStopped()
    {
        Fixture f;
        QTemporaryDir app;
        QDir().mkpath(app.path() + QStringLiteral("/ps"));
        TestFiles::writeScript(app.path() + QStringLiteral("/ps/pdf2tiff.sh"), "sleep 600\n");
        f.host.appFolderPath = app.path();
        const QString &work = f.work;
        QDir().mkpath(work);
        bool pagesProduced = true;
        MethodContext ctx{f.host, work};
        ctx.scriptTimeoutMs = 1500;
        ctx.fileWaitTimeoutMs = 500;
        pagesProduced = PDF_To_GIF_GS(ctx, f.pdf(QStringLiteral("z.pdf"), 1)).pagesProduced;
        QVERIFY(!pagesProduced);
        const QStringList texts = f.host.fakeDialogs.texts();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts[0].contains(QLatin1String("did not finish")));
        QVERIFY(texts[0].contains(QLatin1String("at line 122")));
        QVERIFY(texts[1].contains(QLatin1String("without removing current.pdf")));
        QVERIFY(texts[1].contains(QLatin1String("at line 126")));
        QVERIFY(!IsExistingFile(work + QStringLiteral("/ps/current.pdf")));
    }

    // The password reaches Ghostscript through a file in the script's folder, and nothing of it
    // is left in the scratch folder once the file is done, whether it opened the document or not.
    void passwordLeavesNoTrace_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<bool>("opens");
        QTest::newRow("ghostscript, right") << Method::Ghostscript << QByteArray("Pw-4711 \\ \"x\"") << true;
        QTest::newRow("ghostscript, wrong") << Method::Ghostscript << QByteArray("Wrong-4711") << false;
        QTest::newRow("bw, right") << Method::BlackWhite << QByteArray("Pw-4711 \\ \"x\"") << true;
        QTest::newRow("bw, wrong") << Method::BlackWhite << QByteArray("Wrong-4711") << false;
    }
    void passwordLeavesNoTrace()
    {
        QFETCH(Method, method);
        QFETCH(QByteArray, password);
        QFETCH(bool, opens);
        LP_SKIP_WITHOUT(TestPrograms::of(method) << QStringLiteral("qpdf"));
        Fixture f;
        f.host.method = method;
        const QString plain = f.pdf(QStringLiteral("plain.pdf"), 2);
        const QString locked = f.docs + QStringLiteral("/locked.pdf");
        QVERIFY(TestPdfs::writeLockedAes256(plain, locked, QStringLiteral("Pw-4711 \\ \"x\"")));
        bool pagesProduced = false;
        QDir().mkpath(f.work);
        MethodContext ctx{f.host, f.work};
        ctx.choice.hasPassword = true;
        ctx.choice.password = password;
        const MethodResult result = InfoOf(method).convert(ctx, locked);
        pagesProduced = result.pagesProduced;
        QCOMPARE(pagesProduced, opens);
        QCOMPARE(ListFiles(ctx.workFolder, QStringLiteral("*.jpg")).size(), opens ? 2 : 0);
        if (!opens)
            QVERIFY2(result.cause.contains(QStringLiteral("password-protected, and the password given does not open it")),
                     qPrintable(result.cause));
        QDirIterator it(f.work, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(!bytes.contains(password) && !bytes.contains(password.toHex()), qPrintable(file.fileName()));
        }
    }
};

QTEST_MAIN(TestMethodGs)
#include "tst_method_gs.moc"
