// The Ghostscript method end to end: the shipped script, real Ghostscript, real PDFs.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "engine/run/conversionrun.h"
#include "engine/encode/pageimage.h"
#include "engine/methods/methods.h"
#include "engine/sources/pagesource.h"
#include "engine/methods/scriptmethod.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The run's side of the hand-over as a run on a loaded machine may be: it keeps up with the
// script until the last page, and is still busy with the pages before when the script ends.
class BusyAtTheEnd final : public PageSink {
public:
    explicit BusyAtTheEnd(QString workFolder) : m_work(std::move(workFolder)) {}
    void expect(const QStringList &) override {}
    void take(int page, const QString &name, int expected, const PageImage::DrawnPixels &pixels) override
    {
        m_expected = expected;
        const QString image = m_work + QLatin1Char('/') + name;
        QImage drawn;
        taken << page;
        withPixels << PageImage::readDrawnPixels(pixels, QImageReader(image).size(), &drawn);
        QFile::remove(image);
        if (!pixels.isEmpty())
            QFile::remove(pixels.path);
    }
    int backlog() const override { return m_expected > 0 && taken.size() >= m_expected - 1 ? MaxPendingPages : 0; }
    int poll() override { return int(taken.size()); }
    bool takesDrawnPixels() const override { return true; }

    QList<int> taken;
    QList<bool> withPixels;

private:
    const QString m_work;
    int m_expected = 0;
};

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

    // A script is believed only while it keeps to the conversation: a page image named outside
    // its folder, a page that was not to be drawn or a line that is no event fails the document,
    // named, and no page of it is taken.
    void scriptBreakingTheConversationFails_data()
    {
        QTest::addColumn<QByteArray>("says");
        QTest::addColumn<QString>("why");
        QTest::newRow("a page image outside its folder")
            << QByteArray(": > ../outside.jpg; echo count 1; echo page 1 ../outside.jpg\n") << "outside its own folder";
        QTest::newRow("a page not planned")
            << QByteArray("echo count 1; : > page2.jpg; echo page 2 page2.jpg\n") << "gave page 2, which was not to be drawn";
        QTest::newRow("a line that is no event")
            << QByteArray("echo count 1; echo hello; : > page1.jpg; echo page 1 page1.jpg\n") << "not an event";
    }
    void scriptBreakingTheConversationFails()
    {
        QFETCH(QByteArray, says);
        QFETCH(QString, why);
        Fixture f;
        QTemporaryDir app;
        QDir().mkpath(app.path() + QStringLiteral("/ps"));
        TestFiles::writeScript(app.path() + QStringLiteral("/ps/pdf2tiff.sh"), says + "rm -f current.pdf\n");
        f.host.appFolderPath = app.path();
        QDir().mkpath(f.work);
        MethodContext ctx{f.host, f.work};
        ctx.fileWaitTimeoutMs = 500;
        const QString pdf = f.pdf(QStringLiteral("z.pdf"), 2);
        const MethodResult result = PDF_To_GIF_GS(ctx, pdf);
        QVERIFY(!result.pagesProduced);
        QVERIFY2(result.cause.startsWith(pdf + QStringLiteral(" could not be converted")) && result.cause.contains(why),
                 qPrintable(result.cause));
        QVERIFY(!result.cause.contains(f.work));
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

    // What Ghostscript drew is what is saved, every page alike however the run is timed: a PNG
    // or TIFF holds Ghostscript's own render (at the script's settings) pixel for pixel, and a
    // GIF is the one the encoder makes of that render, the last page of the document (said as
    // the script ends) as well as the others.
    void pagesHoldWhatGhostscriptDrew_data()
    {
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<bool>("firstPageOnly");
        QTest::newRow("GIF") << QStringLiteral("image/gif") << false;
        QTest::newRow("PNG") << QStringLiteral("image/png") << false;
        QTest::newRow("TIFF") << QStringLiteral("image/tiff") << false;
        QTest::newRow("PNG, first page only") << QStringLiteral("image/png") << true;
    }
    void pagesHoldWhatGhostscriptDrew()
    {
        QFETCH(QString, mimeType);
        QFETCH(bool, firstPageOnly);
        Fixture f;
        if (f.host.imaging.extensionOf(mimeType).isEmpty())
            QSKIP("no encoder of this format here");
        const int pages = firstPageOnly ? 1 : 5;
        const QString pdf = f.pdf(QStringLiteral("five.pdf"), 5);
        f.host.entries << pdf;
        f.host.format.mimeType = mimeType;
        f.host.check5Value = firstPageOnly ? 1 : 0;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(run.lastReport().failedFiles(), QStringList());
        QCOMPARE(int(QDir(f.out).entryList(QDir::Files).size()), pages);
        const QString renders = f.root.path() + QStringLiteral("/gs");
        QVERIFY(QDir().mkpath(renders));
        QProcess gs;
        gs.start(QStringLiteral("gs"), {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ppmraw", "-r144", "-dTextAlphaBits=4",
                                        "-dGraphicsAlphaBits=4", "-sOutputFile=" + renders + "/%d.ppm", pdf});
        QVERIFY(gs.waitForFinished(120000) && gs.exitCode() == 0);
        const QString extension = f.host.imaging.extensionOf(mimeType);
        for (int n = 1; n <= pages; ++n) {
            const QImage drawn = QImage(renders + QStringLiteral("/%1.ppm").arg(n)).convertToFormat(QImage::Format_RGB32);
            QVERIFY(!drawn.isNull());
            const QString saved = f.out + QStringLiteral("/five-%1").arg(n, 3, 10, QLatin1Char('0')) + extension;
            if (mimeType == ImagingService::pageType()) {
                const QString again = renders + QStringLiteral("/%1.gif").arg(n);
                QString error;
                QVERIFY2(f.host.imaging.SavePictureAs(drawn, again, mimeType, &error), qPrintable(error));
                QVERIFY2(readBytes(saved) == readBytes(again), qPrintable(saved));
            } else {
                QCOMPARE(QImage(saved).convertToFormat(QImage::Format_RGB32), drawn);
            }
        }
    }

    // The window reads "Convert First Page Only" for each file: changed while the file before is
    // converted (after the next file's script may have been started for it), the next file gets
    // the pages the option says when its turn comes.
    void firstPageOnlyChangedDuringTheFileBefore_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("every page, then page 1") << false;
        QTest::newRow("page 1, then every page") << true;
    }
    void firstPageOnlyChangedDuringTheFileBefore()
    {
        QFETCH(bool, before);
        Fixture f;
        f.host.entries << f.pdf(QStringLiteral("one.pdf"), 6) << f.pdf(QStringLiteral("two.pdf"), 6);
        f.host.check5Value = before ? 1 : 0;
        // Changed once the second file's script has been started ahead, with the option as it was.
        bool changed = false;
        f.host.onYield = [&] {
            if (changed || f.host.events.filter(QStringLiteral("start 2 ")).size() > 0)
                return;
            if (QDirIterator(f.temp, {QStringLiteral("ps-2")}, QDir::Dirs, QDirIterator::Subdirectories).hasNext()) {
                changed = true;
                f.host.check5Value = before ? 0 : 1;
            }
        };
        ConversionRun run(f.host);
        run.start();
        QVERIFY(changed);
        QStringList second;
        for (const QString &gif : f.gifs())
            if (gif.startsWith(QStringLiteral("two-")))
                second << gif;
        QCOMPARE(int(second.size()), before ? 6 : 1);
    }

    // The last page goes to the run as every other does, with Ghostscript's pixels, also when
    // the script has ended before the run could take it.
    void theLastPageIsHandedOverAsTheOthers()
    {
        Fixture f;
        QDir().mkpath(f.work);
        BusyAtTheEnd sink(f.work);
        MethodContext ctx{f.host, f.work};
        ctx.pageSink = &sink;
        const MethodResult result = PDF_To_GIF_GS(ctx, f.pdf(QStringLiteral("four.pdf"), 4));
        QVERIFY(result.pagesProduced && result.cause.isEmpty());
        QCOMPARE(sink.taken, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(sink.withPixels, (QList<bool>{true, true, true, true}));
        QCOMPARE(ListFiles(f.work, QStringLiteral("*.jpg")), QStringList());
    }

    // A document rewritten in place while it is drawn gives no page of one version beside a
    // page of the other: the renderer reads it as it draws (Ghostscript and poppler alike), so
    // the pages drawn once it changed are not taken, and the file fails with that reason.
    void aDocumentRewrittenWhileDrawnFails_data()
    {
        QTest::addColumn<int>("method");
        QTest::newRow("ghostscript") << int(Method::Ghostscript);
        QTest::newRow("acrobat (poppler)") << int(Method::Acrobat);
    }
    void aDocumentRewrittenWhileDrawnFails()
    {
        QFETCH(int, method);
        LP_SKIP_WITHOUT(TestPrograms::of(Method(method)));
        RunFixture f{Method(method)};
        constexpr int pages = 24;
        const QString pdf = f.pdf(QStringLiteral("doc.pdf"), pages);
        const QByteArray other = readBytes(f.pdf(QStringLiteral("other.pdf"), pages, QSizeF(300, 300)));
        f.host.entries << pdf;
        bool rewritten = false;
        f.host.onYield = [&] {
            if (rewritten || f.host.pagesEnded.isEmpty())
                return;
            rewritten = true;
            QFile file(pdf); // the same file, truncated and written again
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(other) == other.size());
        };
        ConversionRun run(f.host);
        run.start();
        QVERIFY(rewritten);
        const QStringList gifs = f.gifs();
        QVERIFY(gifs.size() < pages);
        for (const QString &gif : gifs)
            QCOMPARE(QImageReader(f.out + QLatin1Char('/') + gif).size(), QSize(1224, 1584));
        QCOMPARE(f.host.outcomes.size(), 1);
        QStringList why;
        for (const FileFailure &failure : std::as_const(f.host.outcomes[0].failures))
            why << failure.cause;
        for (const PageFailure &failure : std::as_const(f.host.outcomes[0].failedPages))
            why << failure.reason;
        QVERIFY2(why.join(QLatin1Char('\n')).contains(QStringLiteral("changed while it was converted")), qPrintable(why.join(QLatin1Char('\n'))));
        QCOMPARE(f.tempEntries(), QStringList());
    }
};

QTEST_MAIN(TestMethodGs)
#include "tst_method_gs.moc"
