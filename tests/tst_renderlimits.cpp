// Hostile PDFs against the caps on the renderers: each fails alone, names the cap and the page,
// and the next file converts. The page renderer's JPEG loses almost nothing.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "engine/run/conversionrun.h"
#include "engine/methods/gflax.h"
#include "engine/methods/methods.h"
#include "engine/sources/renderer/pagerenderer.h"
#include "engine/sources/renderer/renderanswer.h"
#include "engine/render/pdfpages.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>

#include <poppler-qt6.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

namespace {

// What every method says of a page past the pixel limits at the size asked.
QString tooLargeWords()
{
    return QStringLiteral("at the size asked it would be more than 65535 pixels a side or 134 million pixels in all");
}

// A PDF with one page per content stream, each compressed, so that two million operators
// take a few kilobytes.
void writeRawPdf(const QString &path, const QList<QByteArray> &pages, const QList<QSizeF> &sizes = {})
{
    QList<TestPdfs::Page> list;
    for (int i = 0; i < pages.size(); ++i) {
        const QSizeF size = sizes.value(i, QSizeF(612, 792));
        list << TestPdfs::Page{pages[i], TestPdfs::box(qint64(size.width()), qint64(size.height())), {}, true};
    }
    TestFiles::writeBytes(path, TestPdfs::withPages(list));
}

QByteArray nestedQ() { return QByteArray("q ").repeated(2000000); }

// A page of three transparency groups, one inside the other, each half transparent: each needs
// a bitmap of the page's size besides the page's own.
QByteArray nestedGroups()
{
    const auto stream = [](const QByteArray &dictionary, const QByteArray &content) {
        return "<< " + dictionary + " /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream";
    };
    const auto group = [&](int inner) {
        const QByteArray form = "/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Group << /S /Transparency /I true >> ";
        if (!inner)
            return stream(form + "/Resources << >>", "1 0 0 rg 100 100 400 500 re f");
        return stream(form + "/Resources << /XObject << /X " + QByteArray::number(inner) + " 0 R >> /ExtGState << /G << /ca 0.5 >> >> >>",
                      "0 0 1 rg 50 50 500 700 re f /G gs /X Do");
    };
    return TestPdfs::fromObjects({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /XObject << "
                                  "/F 5 0 R >> /ExtGState << /G << /ca 0.5 /CA 0.5 >> >> >> >>",
                                  stream(QByteArray(), "/G gs /F Do"), group(6), group(7), group(0)});
}

QByteArray slowLines(int count)
{
    QByteArray c;
    QRandomGenerator random(8);
    for (int i = 0; i < count; ++i)
        c += QByteArray::number(random.bounded(612)) + ' ' + QByteArray::number(random.bounded(792)) + " m "
             + QByteArray::number(random.bounded(612)) + ' ' + QByteArray::number(random.bounded(792)) + " l S\n";
    return c;
}

QByteArray plainPage(int n)
{
    return "0 0 1 rg 72 72 " + QByteArray::number(40 * n) + " 100 re f";
}

using TestImages::psnr;

// The page renderers this test has started that are still running, parked ones included.
int RenderersRunning()
{
    int n = 0;
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold spaces, the part after ')' does not.
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (line.contains("(lumenpage-rende") && rest.value(1) == self.toLatin1() && rest.value(0) != "Z")
            ++n;
    }
    return n;
}

// Luma sampling factors of a baseline JPEG (0x11 for none, 0x22 for 4:2:0).
int lumaSampling(const QByteArray &jpeg)
{
    for (qsizetype i = 2; i + 12 < jpeg.size();) {
        if (uchar(jpeg[i]) != 0xFF)
            return -1;
        const uchar marker = uchar(jpeg[i + 1]);
        if (marker == 0xC0 || marker == 0xC2)
            return uchar(jpeg[i + 11]);
        i += 2 + ((uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]));
    }
    return -1;
}

} // namespace

class TestRenderLimits : public QObject {
    Q_OBJECT

    // The slot a run would hold for its next document, where renderers wait between documents.
    NextDocument m_next;

private slots:
    // Every test starts without renderers kept by the one before.
    void init() { m_next.dropAll(); }

    // Two million nested q reach the memory cap on page 1 in a few seconds, far within the time
    // cap; the box names the cap and the page, and the next file converts.
    void nestedSavesFailAloneUnderTheMemoryCap_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<QStringList>("gifs");
        QTest::newRow("GflAx") << Method::GflAx << QStringList{"good1.gif", "good2.gif"};
        QTest::newRow("Acrobat") << Method::Acrobat << QStringList{"good_Page_1.gif", "good_Page_2.gif"};
    }
    void nestedSavesFailAloneUnderTheMemoryCap()
    {
        QFETCH(Method, method);
        QFETCH(QStringList, gifs);
        RunFixture f(method);
        f.host.pages = QStringLiteral("2");
        const QString nested = f.docs + QStringLiteral("/nested.pdf");
        writeRawPdf(nested, {nestedQ()});
        QVERIFY(QFileInfo(nested).size() < 100000);
        f.host.entries << nested << f.pdf(QStringLiteral("good.pdf"), 2);
        ConversionRun run(f.host);
        QElapsedTimer clock;
        clock.start();
        run.start();
        QVERIFY2(clock.elapsed() < f.host.limits.pageSeconds * 1000 / 5, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.gifs(), gifs);
        const QStringList texts = f.host.fakeDialogs.texts();
        QVERIFY2(texts.filter(QStringLiteral("reached the memory cap of 2048 MB on page 1 of ") + nested).size() == 1,
                 qPrintable(texts.join(QLatin1Char('\n'))));
        QCOMPARE(texts.last(), QStringLiteral("Done."));
    }

    // The page after the current one is drawn ahead by a second renderer: when that page
    // reaches the memory cap, it fails alone, at its own turn, and the pages around it convert.
    void failingPageDrawnAheadFailsAlone_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<QStringList>("gifs");
        QTest::newRow("GflAx") << Method::GflAx << QStringList{"doc1.gif", "doc3.gif"};
        QTest::newRow("Acrobat") << Method::Acrobat << QStringList{"doc_Page_1.gif", "doc_Page_3.gif"};
    }
    void failingPageDrawnAheadFailsAlone()
    {
        QFETCH(Method, method);
        QFETCH(QStringList, gifs);
        RunFixture f(method);
        f.host.pages = QStringLiteral("3");
        const QString doc = f.docs + QStringLiteral("/doc.pdf");
        writeRawPdf(doc, {plainPage(1), nestedQ(), plainPage(3)});
        f.host.entries << doc;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), gifs);
        const QStringList texts = f.host.fakeDialogs.texts();
        QVERIFY2(texts.filter(QStringLiteral("reached the memory cap of 2048 MB on page 2 of ") + doc).size() == 1,
                 qPrintable(texts.join(QLatin1Char('\n'))));
        QCOMPARE(texts.last(), QStringLiteral("Done."));
        QVERIFY(f.tempEntries().isEmpty());
    }

    // Pages drawn ahead are the pages drawn when asked for; one drawn ahead and never asked
    // for (the caller stopped early) neither delays the end nor leaves a renderer behind: the
    // other one waits, document closed, for the next document.
    void pagesDrawnAheadAreThePagesAskedFor()
    {
        QTemporaryDir dir;
        const QString pdf = dir.path() + QStringLiteral("/three.pdf");
        writeRawPdf(pdf, {plainPage(1), plainPage(2), slowLines(400000)}); // page 3 takes seconds
        QList<QByteArray> plain;
        {
            PageRenderer renderer(pdf, RenderLimits());
            for (int page = 1; page <= 2; ++page)
                plain << renderer.render(page, 144, false).jpeg;
        }
        QElapsedTimer clock;
        {
            PageRenderer renderer(pdf, RenderLimits());
            renderer.setNextDocument(&m_next);
            for (int page = 1; page <= 2; ++page) {
                renderer.renderAhead(page + 1, 144, false);
                QCOMPARE(renderer.render(page, 144, false).jpeg, plain[page - 1]);
            }
            QCOMPARE(RenderersRunning(), 2);
            clock.start(); // page 3 is being drawn ahead, and is not asked for
        }
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_next.spareCount(), 1);
        QCOMPARE(RenderersRunning(), 1);
        // The resolution changed after a page was drawn ahead: each page comes at the one asked
        // for, and a page drawn ahead at the new one is kept while another page is drawn.
        PageRenderer renderer(pdf, RenderLimits());
        renderer.setNextDocument(&m_next);
        renderer.renderAhead(2, 72, false);
        QCOMPARE(renderer.render(1, 144, false).jpeg, plain[0]);
        renderer.renderAhead(2, 144, false);
        QCOMPARE(renderer.render(1, 144, false).jpeg, plain[0]);
        QCOMPARE(m_next.spareCount(), 0);
        QCOMPARE(RenderersRunning(), 2);
        QCOMPARE(renderer.render(2, 144, false).jpeg, plain[1]);
    }

    // Once a page of a document reached a cap, the rest of it is drawn one page at a time: a
    // hostile document costs at most one renderer's caps at once.
    void afterACapNothingIsDrawnAhead()
    {
        QTemporaryDir dir;
        const QString pdf = dir.path() + QStringLiteral("/doc.pdf");
        writeRawPdf(pdf, {plainPage(1), nestedQ(), plainPage(3), plainPage(4)});
        RenderLimits limits;
        limits.memoryMB = 400;
        PageRenderer renderer(pdf, limits);
        renderer.renderAhead(2, 144, false);
        QVERIFY(!renderer.render(1, 144, false).jpeg.isEmpty());
        renderer.renderAhead(3, 144, false);
        try {
            renderer.render(2, 144, false);
            QFAIL("page 2 was drawn under the memory cap");
        } catch (const Failure &f) {
            QCOMPARE(FaultOf(f), Fault::MemoryCap);
        }
        renderer.renderAhead(4, 144, false);
        QCOMPARE(RenderersRunning(), 0);
        QVERIFY(!renderer.render(3, 144, false).jpeg.isEmpty());
        QCOMPARE(RenderersRunning(), 1);
        QVERIFY(!renderer.render(4, 144, false).jpeg.isEmpty());
    }

    // The next document is replaced after a renderer opened it ahead, by another file under its
    // name or rewritten in place: its pages all come from the version there at its turn, none
    // from the one opened ahead.
    void nextDocumentReplacedAfterItWasOpenedAhead_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("renamed over it") << false;
        QTest::newRow("rewritten in place") << true;
    }
    void nextDocumentReplacedAfterItWasOpenedAhead()
    {
        QFETCH(bool, inPlace);
        QTemporaryDir dir;
        const QString first = dir.path() + QStringLiteral("/first.pdf"), next = dir.path() + QStringLiteral("/next.pdf");
        writeRawPdf(first, {plainPage(1)});
        writeRawPdf(next, {plainPage(1)});
        m_next.setPdf(next);
        {
            PageRenderer renderer(first, RenderLimits());
            renderer.setNextDocument(&m_next);
            renderer.plan({1}, true);
            QVERIFY(!renderer.drawPlanned(1, 72, false).jpeg.isEmpty());
        }
        QVERIFY(m_next.holds());
        const QString newer = dir.path() + QStringLiteral("/newer.pdf");
        writeRawPdf(newer, {plainPage(1), plainPage(2)}, {QSizeF(300, 200), QSizeF(300, 200)});
        if (inPlace) {
            QFile from(newer), to(next);
            QVERIFY(from.open(QIODevice::ReadOnly) && to.open(QIODevice::ReadWrite));
            const QByteArray bytes = from.readAll();
            QVERIFY(to.write(bytes) == bytes.size() && to.resize(bytes.size()));
        } else {
            QVERIFY(::rename(QFile::encodeName(newer).constData(), QFile::encodeName(next).constData()) == 0);
        }
        PageRenderer renderer(next, RenderLimits());
        renderer.setNextDocument(&m_next);
        QCOMPARE(renderer.pageCount(), 2);
        QCOMPARE(renderer.render(1, 72, false).size, QSize(300, 200));
    }

    // The document is removed, or replaced by another version, while it is converted: the
    // renderer that has it open draws every page, as before pages were drawn ahead; a second
    // process can no longer open it, or finds the other version and draws none of its pages.
    void documentRemovedMidwayStillConverts_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("removed") << false;
        QTest::newRow("replaced by another version") << true;
    }
    void documentRemovedMidwayStillConverts()
    {
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString pdf = dir.path() + QStringLiteral("/gone.pdf");
        TestFiles::writePdf(pdf, 3);
        PageRenderer renderer(pdf, RenderLimits());
        const QSize size = renderer.render(1, 144, false).size;
        QVERIFY(QFile::remove(pdf));
        if (replaced)
            writeRawPdf(pdf, {plainPage(1), plainPage(2), plainPage(3)}, {QSizeF(300, 200), QSizeF(300, 200), QSizeF(300, 200)});
        renderer.renderAhead(3, 144, false);
        QCOMPARE(renderer.render(2, 144, false).size, size);
        QCOMPARE(renderer.render(3, 144, false).size, size);
    }

    // Ghostscript does not run out of memory on them: it works on, page 2 never appears, and
    // the script stops it at the time cap (shortened here), names the cap and the page, and a
    // new Ghostscript draws the page after it.
    void nestedSavesFailAloneUnderTheTimeCapInTheScripts_data()
    {
        QTest::addColumn<Method>("method");
        QTest::newRow("Ghostscript") << Method::Ghostscript;
        QTest::newRow("Black/White") << Method::BlackWhite;
    }
    void nestedSavesFailAloneUnderTheTimeCapInTheScripts()
    {
        QFETCH(Method, method);
        LP_SKIP_WITHOUT(TestPrograms::of(method));
        RunFixture f(method);
        const QString nested = f.docs + QStringLiteral("/nested.pdf");
        writeRawPdf(nested, {plainPage(1), nestedQ(), plainPage(3)});
        f.host.entries << nested << f.pdf(QStringLiteral("good.pdf"), 2);
        ConversionRun run(f.host);
        f.host.limits.pageSeconds = 3;
        QElapsedTimer clock;
        clock.start();
        run.start();
        // The cap is held to within a few seconds, and its watch ends with the run.
        QVERIFY2(clock.elapsed() < 12000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(TestFiles::processesWorkingIn(f.temp), QStringList());
        QCOMPARE(f.gifs(), (QStringList{"good-001.gif", "good-002.gif", "nested-001.gif", "nested-003.gif"}));
        const RunReport &report = run.lastReport();
        QCOMPARE(report.failedFiles(), QStringList{nested});
        QCOMPARE(report.failures.size(), 1);
        QCOMPARE(report.failures[0].cause, QStringLiteral("page(s) 2 could not be rendered: page 2 could not be drawn: "
                                                          "the time cap of 3 seconds per page was reached"));
        // The method names the page it could not draw, with the script's own reason.
        QCOMPARE(f.host.outcomes.size(), 2);
        QCOMPARE(f.host.outcomes[0].failedPages.size(), 1);
        QCOMPARE(f.host.outcomes[0].failedPages[0].page, 2);
        QCOMPARE(f.host.outcomes[0].failedPages[0].reason, QStringLiteral("the time cap of 3 seconds per page was reached"));

        // Page 1 alone: the cap holds there too, and names the page.
        const QString first = f.docs + QStringLiteral("/nestedfirst.pdf");
        writeRawPdf(first, {nestedQ(), plainPage(2)});
        f.host.entries = {first};
        f.host.check5Value = 1;
        ConversionRun firstOnly(f.host);
        clock.restart();
        firstOnly.start();
        QVERIFY2(clock.elapsed() < 7000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(firstOnly.lastReport().failures.size(), 1);
        QCOMPARE(firstOnly.lastReport().failures[0].cause, QStringLiteral("page(s) 1 could not be rendered: page 1 could not be drawn: "
                                                                          "the time cap of 3 seconds per page was reached"));
    }

    // A page in the middle that cannot be drawn (1,000,000 points a side, which no resolution
    // draws within the pixel limits; a strip 100,000 points long, past them at the 72 dpi asked;
    // a strip 3 points high, which has no pixel row at the lowest resolution, 2 dpi): every
    // method fails it alone, in the same words, never drawn at another size than asked; the
    // pages after it keep their numbers, and the next file converts.
    void hugePageInTheMiddle_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<QSizeF>("middle");
        QTest::addColumn<double>("dpi"); // 0: the method's own
        QTest::addColumn<QStringList>("gifs");
        QTest::addColumn<QString>("says");
        const QSizeF huge(1000000, 1000000), strip(1000, 3), long_(100000, 10);
        const QString tooLarge = tooLargeWords();
        const QStringList scriptGifs{"doc-001.gif", "doc-003.gif", "good-001.gif"};
        QTest::newRow("Ghostscript") << Method::Ghostscript << huge << 0.0 << scriptGifs << tooLarge;
        QTest::newRow("Ghostscript, long at 72 dpi") << Method::Ghostscript << long_ << 72.0 << scriptGifs << tooLarge;
        QTest::newRow("Ghostscript, a strip") << Method::Ghostscript << strip << 2.0 << scriptGifs
                                              << "it would have no pixels. Choose a higher resolution";
        QTest::newRow("Black/White") << Method::BlackWhite << huge << 0.0 << scriptGifs << tooLarge;
        QTest::newRow("Black/White, long at 72 dpi") << Method::BlackWhite << long_ << 72.0 << scriptGifs << tooLarge;
        QTest::newRow("Black/White, A0 at 1152 dpi") << Method::BlackWhite << QSizeF(2384, 3370) << 1152.0 << scriptGifs << tooLarge;
        QTest::newRow("Black/White, a strip") << Method::BlackWhite << strip << 2.0 << scriptGifs
                                              << "it would have no pixels. Choose a higher resolution";
        QTest::newRow("GflAx") << Method::GflAx << huge << 0.0 << QStringList{"doc1.gif", "doc3.gif", "good1.gif"} << tooLarge;
        // Acrobat's stand-in lowers the resolution of a page too large for its own, but not
        // below the lowest, nor one the user asked for.
        const QStringList acrobatGifs{"doc_Page_1.gif", "doc_Page_3.gif", "good_Page_1.gif"};
        QTest::newRow("Acrobat") << Method::Acrobat << huge << 0.0 << acrobatGifs << tooLarge;
        QTest::newRow("Acrobat, long at 72 dpi") << Method::Acrobat << long_ << 72.0 << acrobatGifs << tooLarge;
    }
    void hugePageInTheMiddle()
    {
        QFETCH(Method, method);
        QFETCH(QSizeF, middle);
        QFETCH(double, dpi);
        QFETCH(QStringList, gifs);
        QFETCH(QString, says);
        LP_SKIP_WITHOUT(TestPrograms::of(method));
        RunFixture f(method);
        f.host.pages = QStringLiteral("3");
        const QString doc = f.docs + QStringLiteral("/doc.pdf");
        writeRawPdf(doc, {plainPage(1), plainPage(2), plainPage(3)}, {QSizeF(612, 792), middle, QSizeF(612, 792)});
        f.host.choice.dpi = dpi;
        f.host.entries << doc << f.pdf(QStringLiteral("good.pdf"), 1);
        ConversionRun run(f.host);
        run.start();
        QVERIFY2(f.gifs() == gifs, qPrintable(f.gifs().join(QLatin1Char(' '))));
        const QStringList texts = f.host.fakeDialogs.texts();
        QVERIFY2(texts.filter(says).size() == 1, qPrintable(texts.join(QLatin1Char('\n'))));
        // Told apart by its kind, as the run record does.
        QVERIFY(!f.host.outcomes.isEmpty());
        const QList<PageFailure> failed = f.host.outcomes.first().failedPages;
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0].page, 2);
        QCOMPARE(failed[0].fault, says == tooLargeWords() ? Fault::TooLarge : Fault::NoPixels);
        if (method == Method::Ghostscript || method == Method::BlackWhite) {
            QCOMPARE(run.lastReport().failedFiles(), QStringList{doc});
            QVERIFY2(run.lastReport().failures.value(0).cause.contains(QLatin1String("page 2 could not be drawn")),
                     qPrintable(run.lastReport().failures.value(0).cause));
        }
    }

    // A script that fails: the file is a failure with the program's reason, also when it left
    // a page; the script's own (English) words are its detail, not part of the translated line.
    void failingScriptGivesItsReason()
    {
        RunFixture f(Method::Ghostscript);
        const QString app = f.root.path() + QStringLiteral("/app");
        QDir().mkpath(app + QStringLiteral("/ps"));
        TestFiles::writeScript(app + QStringLiteral("/ps/pdf2tiff.sh"),
                               "cp current.pdf /dev/null\n"
                               "echo 'Error: the disk is on fire' >&2\n"
                               "rm -f current.pdf\n"
                               "exit 3\n");
        f.host.appFolderPath = app;
        const QString doc = f.pdf(QStringLiteral("doc.pdf"), 1);
        f.host.entries << doc;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(run.lastReport().failedFiles(), QStringList{doc});
        QCOMPARE(run.lastReport().failures.value(0).cause, QStringLiteral("the renderer failed (exit status 3)"));
        QCOMPARE(run.lastReport().failures.value(0).detail, QStringLiteral("Error: the disk is on fire"));
        QCOMPARE(f.host.fakeDialogs.texts().filter(QStringLiteral("Could not create GIF on ")).size(), 1);
    }

    // Scratch space runs out (here: the largest file a process may write, inherited by the
    // script): the page that could not be written is a clear failure, never a grey GIF.
    void fullScratchIsAFailureNotAGreyPage()
    {
        RunFixture f(Method::Ghostscript);
        const QString doc = f.pdf(QStringLiteral("doc.pdf"), 2);
        f.host.entries << doc;
        ConversionRun run(f.host);
        struct rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const struct rlimit small{100 * 1024, saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        run.start();
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(f.gifs(), QStringList());
        QCOMPARE(run.lastReport().failedFiles(), QStringList{doc});
        const QString cause = run.lastReport().failures.value(0).cause;
        QVERIFY2(cause.startsWith(QLatin1String("the renderer failed")) || cause.contains(QLatin1String("could not be rendered")),
                 qPrintable(cause));
    }

    // A page that takes longer than the time cap is abandoned; the page after it is rendered by
    // a new renderer and keeps its number.
    void slowPageReachesTheTimeCapAndTheNextPageKeepsItsNumber()
    {
        RunFixture f(Method::GflAx);
        f.host.pages = QStringLiteral("3");
        const QString slow = f.docs + QStringLiteral("/slow.pdf");
        writeRawPdf(slow, {plainPage(1), slowLines(60000), plainPage(3)});
        f.host.entries << slow;
        ConversionRun run(f.host);
        f.host.limits.pageSeconds = 1;
        QElapsedTimer clock;
        clock.start();
        run.start();
        QVERIFY(clock.elapsed() < 30000);
        QCOMPARE(f.gifs(), (QStringList{"slow1.gif", "slow3.gif"}));
        const QStringList texts = f.host.fakeDialogs.texts();
        QCOMPARE(texts.filter(QStringLiteral("the time cap of 1 seconds per page was reached on page 2 of "), Qt::CaseInsensitive).size(), 1);
    }

    // A signal, or a kill that nothing can catch, while a renderer is inside a slow page: the
    // program ends at once with everything it started; a killed program's scratch folder goes
    // with the next run of the same user.
    void endedAtOnceWhileAPageIsDrawn_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("signal");
        QTest::newRow("acrobat, SIGTERM") << "acrobat" << int(SIGTERM);
        QTest::newRow("gflax, SIGINT") << "gflax" << int(SIGINT);
        QTest::newRow("gflax, SIGKILL") << "gflax" << int(SIGKILL);
        QTest::newRow("ghostscript, SIGKILL") << "ghostscript" << int(SIGKILL);
    }
    void endedAtOnceWhileAPageIsDrawn()
    {
        QFETCH(QString, method);
        QFETCH(int, signal);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        QTemporaryDir home;
        const QString out = home.filePath(QStringLiteral("out")), tmp = home.filePath(QStringLiteral("tmp"));
        QDir().mkpath(out);
        QDir().mkpath(tmp);
        const QString slow = home.filePath(QStringLiteral("slow.pdf"));
        // Ghostscript works on nested saves for ever; poppler on a page of many lines.
        writeRawPdf(slow, {method == QLatin1String("ghostscript") ? nestedQ() : slowLines(300000)});
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TEMP"), tmp);
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(home.path()); // the renderers work there too
        const QString batch = TestFiles::appFolder() + QStringLiteral("/lumenpage-batch");
        run.start(batch, {"--output", out, "--method", method, slow});
        QVERIFY(run.waitForStarted());
        const QString renderer = method == QLatin1String("ghostscript") ? QStringLiteral(" gs") : QStringLiteral("lumenpage-rend");
        const auto working = [&] { return TestFiles::processesWorkingIn(home.path()); };
        QElapsedTimer clock;
        clock.start();
        while (!working().join(QLatin1Char(',')).contains(renderer)) {
            QVERIFY2(clock.elapsed() < 60000, "the renderer never started");
            QVERIFY2(run.state() == QProcess::Running, qPrintable(run.readAllStandardError()));
            QThread::msleep(10);
        }
        QThread::msleep(500); // well inside the page
        ::kill(pid_t(run.processId()), signal);
        clock.restart();
        QVERIFY(run.waitForFinished(30000));
        if (signal != SIGKILL)
            QCOMPARE(run.exitCode(), 128 + signal);
        while (!working().isEmpty() && clock.elapsed() < 10000)
            QThread::msleep(10);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms: %2").arg(clock.elapsed()).arg(working().join(", "))));
        if (signal == SIGKILL) {
            QCOMPARE(QDir(tmp).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
            const QString good = home.filePath(QStringLiteral("good.pdf"));
            TestFiles::writePdf(good, 1);
            run.start(batch, {"--output", out, "--method", method, good});
            QVERIFY(run.waitForFinished(60000));
            QCOMPARE(run.exitCode(), 0);
        }
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    // A page that fails for a reason of its file or of the machine is told that reason: a page
    // the page tree does not lead to (it loops), by every method, not as a page without pixels;
    // a scratch folder that is full, by the script methods, not as Ghostscript ending (the page
    // renderer's methods name the write that failed). The full folder is a small file system,
    // where one can be mounted.
    void reasonOfTheFileOrTheMachine_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("says");
        const QString tree = QStringLiteral("the document's page tree does not lead to it (the file is damaged)");
        for (const char *method : {"ghostscript", "bw", "gflax", "acrobat"})
            QTest::addRow("%s, page tree loops", method) << method << false << tree;
        const QString full = QStringLiteral("the scratch folder %1 is full: there is no room for the page images");
        QTest::newRow("ghostscript, scratch folder full") << "ghostscript" << true << full;
        QTest::newRow("bw, scratch folder full") << "bw" << true << full;
    }
    void reasonOfTheFileOrTheMachine()
    {
        QFETCH(QString, method);
        QFETCH(bool, full);
        QFETCH(QString, says);
        LP_SKIP_WITHOUT(TestPrograms::of(MethodWithCommandName(method)->method));
        QTemporaryDir home;
        const QString out = home.filePath(QStringLiteral("out")), tmp = home.filePath(QStringLiteral("tmp"));
        QDir().mkpath(out);
        QDir().mkpath(tmp);
        const QString pdf = home.filePath(QStringLiteral("doc.pdf"));
        QStringList options{"--output", out, "--method", method};
        if (full) {
            QProcess mount;
            mount.start(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=256k", "tmpfs", tmp});
            if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
                QSKIP("no small file system can be mounted here");
            TestFiles::writePdf(pdf, 2);
            options << "--resolution" << "600";
        } else {
            // Page 1 is the root of the tree that holds it.
            TestFiles::writeBytes(pdf, TestPdfs::fromObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                                                              "<< /Type /Pages /Kids [2 0 R] /Count 1 >>"}));
        }
        const auto unmount = qScopeGuard([&] {
            if (full)
                QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), tmp});
        });
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TEMP"), tmp);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(TestFiles::appFolder() + QStringLiteral("/lumenpage-batch"), options << pdf);
        QVERIFY(p.waitForFinished(120000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.contains(QString(says).replace(QLatin1String("%1"), tmp)), qPrintable(err));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    // The cap is the renderer's, not the program's: a lower cap from the console is obeyed and
    // named, a cap too small to start a renderer is refused as wrong usage.
    void consoleMemoryLimit()
    {
        QTemporaryDir home;
        const QString out = home.path() + QStringLiteral("/out");
        QDir().mkpath(out);
        QDir().mkpath(home.path() + QStringLiteral("/tmp"));
        const QString nested = home.path() + QStringLiteral("/nested.pdf");
        writeRawPdf(nested, {nestedQ()});
        const QString good = home.path() + QStringLiteral("/good.pdf");
        TestFiles::writePdf(good, 1);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TEMP"), home.path() + QStringLiteral("/tmp"));
        p.setProcessEnvironment(env);
        const QString batch = TestFiles::appFolder() + QStringLiteral("/lumenpage-batch");
        p.start(batch, {"--output", out, "--method", "acrobat", "--memory-limit", "400", nested, good});
        QVERIFY(p.waitForFinished(120000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.contains(QLatin1String("reached the memory cap of 400 MB on page 1")), qPrintable(err));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"good_Page_1.gif"});

        // A page poppler draws only in part under the cap (its bitmap fits, the transparency
        // groups inside it do not) is failed by the cap, not given as a GIF without them.
        const QString groups = home.path() + QStringLiteral("/groups.pdf");
        TestFiles::writeBytes(groups, nestedGroups());
        p.start(batch, {"--output", out, "--method", "acrobat", "--resolution", "1152", "--memory-limit", "1400", groups});
        QVERIFY(p.waitForFinished(120000));
        const QString partial = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(partial.contains(QLatin1String("memory cap of 1400 MB")), qPrintable(partial));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"good_Page_1.gif"});

        // A page whose bitmap does not fit the cap is failed by it, not given as a GIF of a pixel.
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        p.start(batch, {"--output", out, "--method", "acrobat", "--memory-limit", "256", "--resolution", "1152", good});
        QVERIFY(p.waitForFinished(120000));
        const QString capped = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(capped.contains(QLatin1String("reached the memory cap of 256 MB on page 1")), qPrintable(capped));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList());

        // The program's own decoding and encoding of a page image keep to the cap too: a 50-inch
        // page in black and white fails with the cap as its reason.
        const QString poster = home.path() + QStringLiteral("/poster.pdf");
        TestFiles::writePdf(poster, 1, QSizeF(3600, 3600));
        p.start(batch, {"--output", out, "--method", "bw", "--memory-limit", "256", poster});
        QVERIFY(p.waitForFinished(120000));
        const QString own = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(own.contains(QLatin1String("7200 x 7200 pixels needs more than the memory cap of 256 MB")), qPrintable(own));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList());

        p.start(batch, {"--output", out, "--memory-limit", "12", good});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("--memory-limit"));

        // The time cap per page, from the console: the slow page fails at the cap, give or take
        // the start of a renderer, and the next page is still drawn.
        const QString slow = home.path() + QStringLiteral("/slow.pdf");
        writeRawPdf(slow, {slowLines(300000), plainPage(2)});
        p.setWorkingDirectory(home.path()); // the renderers work there too
        QElapsedTimer clock;
        clock.start();
        const QString record = home.path() + QStringLiteral("/run.jsonl");
        p.start(batch, {"--output", out, "--method", "gflax", "--pages", "2", "--time-limit", "2", "--report", record, slow});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(clock.elapsed() < 6000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("the time cap of 2 seconds per page was reached on page 1"));
        QVERIFY(QFileInfo::exists(out + QStringLiteral("/slow2.gif")));
        // The record tells the page that failed, and why in a word, for every renderer.
        const auto recorded = [&] {
            QFile file(record);
            QStringList pages;
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray &line : file.readAll().split('\n')) {
                    const QJsonObject o = QJsonDocument::fromJson(line).object();
                    if (o.contains(QStringLiteral("page")))
                        pages << QStringLiteral("%1 %2").arg(o.value(QStringLiteral("page")).toInt())
                                                        .arg(o.value(QStringLiteral("fault")).toString(QStringLiteral("written")));
                }
            return pages;
        };
        QCOMPARE(recorded(), (QStringList{"2 written", "1 time-cap"}));
        p.start(batch, {"--output", out, "--method", "acrobat", "--time-limit", "2", "--report", record, slow});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(recorded(), (QStringList{"2 written", "1 time-cap"}));
        // The renderer that drew page 2 waited for another document until the program ended,
        // not longer; its lifeline's watcher follows it.
        QCOMPARE(TestFiles::processesWorkingIn(home.path()).filter(QStringLiteral("lumenpage-rend")), QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::processesWorkingIn(home.path()), QStringList(), 2000);
        for (const char *bad : {"0", "-5", "ten", "86401"}) {
            p.start(batch, {"--output", out, "--time-limit", bad, good});
            QVERIFY(p.waitForFinished(30000));
            QCOMPARE(p.exitCode(), 2);
            QVERIFY(p.readAllStandardError().contains("--time-limit"));
        }
    }

    // The renderer's page image is poppler's own render, near-lossless: no chroma subsampling
    // and a PSNR far above what quality 90 with 4:2:0 gives (about 37 dB on these pages).
    void pageImagesAreNearLossless()
    {
        QTemporaryDir dir;
        const QString pdf = dir.path() + QStringLiteral("/page.pdf");
        TestFiles::writePdf(pdf, 1);
        PageRenderer renderer(pdf, RenderLimits());
        QCOMPARE(renderer.pageCount(), 1);
        const PageRenderer::Page page = renderer.render(1, 144, false);
        QCOMPARE(page.size, QSize(1224, 1584));
        QCOMPARE(lumaSampling(page.jpeg), 0x11);

        QString why;
        const auto document = PdfPages::open(pdf, &why);
        QVERIFY(document);
        const QImage reference = PdfPages::render(*document, 0, 144).convertToFormat(QImage::Format_RGB32);
        const QImage decoded = QImage::fromData(page.jpeg).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(decoded.size(), reference.size());
        const double db = psnr(reference, decoded);
        QVERIFY2(db > 50, qPrintable(QString::number(db)));

        // Asked for, its drawn pixels come beside the same JPEG: the render itself, left in a
        // file of their own in the folder named and nowhere else.
        const QString folder = dir.path() + QStringLiteral("/work");
        QVERIFY(QDir().mkpath(folder));
        PageRenderer keeping(pdf, RenderLimits());
        keeping.keepPixelsIn(folder);
        const PageRenderer::Page kept = keeping.render(1, 144, false);
        QCOMPARE(kept.jpeg, page.jpeg);
        QCOMPARE(QFileInfo(kept.pixels.path).path(), folder);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QFileInfo(kept.pixels.path).fileName()});
        QImage pixels;
        QVERIFY(PageImage::readDrawnPixels(kept.pixels, kept.size, &pixels));
        QCOMPARE(pixels, reference);
        QVERIFY(page.pixels.isEmpty());
    }

    // A renderer done with a document waits for the next one, its document closed: each step
    // opens FILE (with PASSWORD, "-" for none) under a memory cap of MB and draws its page 1 (at
    // DPI, else 72), which gives OUTCOME; then RUNNING renderers are left. A renderer that
    // reached a cap is not used again, also when it answered that it ran out of memory or drew
    // the page only in part; nor one started under another cap; a password is never kept for
    // the next document.
    void renderersServeOneDocumentAfterAnother_data()
    {
        QTest::addColumn<QStringList>("steps"); // "FILE PASSWORD MB OUTCOME RUNNING [DPI]"
        QTest::newRow("passwords") << QStringList{"a.pdf pw-a 2048 ok 1", "b.pdf pw-a 2048 wrong-password 1",
                                                  "a.pdf - 2048 no-password 1", "b.pdf pw-b 2048 ok 1", "plain.pdf - 2048 ok 1"};
        QTest::newRow("caps") << QStringList{"plain.pdf - 400 ok 1", "nested.pdf - 400 memory-cap 0",
                                             "plain.pdf - 400 ok 1", "plain.pdf - 2048 ok 2", "plain.pdf - 400 ok 2"};
        QTest::newRow("ran out of memory") << QStringList{"plain.pdf - 256 ok 1", "plain.pdf - 256 memory-cap 0 1152",
                                                          "groups.pdf - 1400 memory-cap 0 1152", "plain.pdf - 256 ok 1"};
    }
    void renderersServeOneDocumentAfterAnother()
    {
        QFETCH(QStringList, steps);
        LP_SKIP_WITHOUT(QStringLiteral("gs"));
        QTemporaryDir dir;
        qputenv("TEMP", QFile::encodeName(dir.path())); // Ghostscript's scratch folder
        const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
        TestFiles::writePdf(plain, 1);
        QVERIFY(TestPdfs::writeLocked(plain, dir.filePath(QStringLiteral("a.pdf")), QStringLiteral("pw-a")));
        QVERIFY(TestPdfs::writeLocked(plain, dir.filePath(QStringLiteral("b.pdf")), QStringLiteral("pw-b")));
        writeRawPdf(dir.filePath(QStringLiteral("nested.pdf")), {nestedQ()});
        TestFiles::writeBytes(dir.filePath(QStringLiteral("groups.pdf")), nestedGroups());
        for (const QString &step : std::as_const(steps)) {
            const QStringList word = step.split(QLatin1Char(' '));
            RenderLimits limits;
            limits.memoryMB = word[2].toLongLong();
            QString outcome = QStringLiteral("ok");
            {
                PageRenderer renderer(dir.filePath(word[0]), limits);
                renderer.setNextDocument(&m_next);
                if (word[1] != QLatin1String("-"))
                    renderer.setPassword(word[1].toUtf8());
                try {
                    QVERIFY(!renderer.render(1, word.value(5, QStringLiteral("72")).toDouble(), false).jpeg.isEmpty());
                } catch (const Failure &f) {
                    const Fault fault = FaultOf(f);
                    outcome = fault == Fault::WrongPassword ? QStringLiteral("wrong-password")
                              : fault == Fault::NoPassword  ? QStringLiteral("no-password")
                              : fault == Fault::MemoryCap   ? QStringLiteral("memory-cap")
                                                            : f.description();
                }
            }
            QVERIFY2(outcome == word[3], qPrintable(step + QLatin1String(": ") + outcome));
            QVERIFY2(RenderersRunning() == word[4].toInt() && m_next.spareCount() == word[4].toInt(),
                     qPrintable(step + QLatin1String(": ") + QString::number(RenderersRunning())));
        }
    }

    // The first page of the next document is drawn while the last page of this one is: it is
    // the page that document asks for, at the settings it asks with; when the next document is
    // another one after all, or opens with a password, the page drawn ahead is dropped and no
    // renderer is left drawing. NEXT is opened ahead at 72 dpi; then ASKED is opened (with
    // PASSWORD, "-" for none) and its page 1 drawn at DPI. "moved" renames NEXT before it is
    // asked for: its page still comes, from the renderer that opened it ahead.
    void nextDocumentDrawnAhead_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("pixels"); // ASKED asks for its drawn pixels, NEXT was not
        QTest::newRow("moved") << "two.pdf" << "two.pdf" << "-" << 72 << false;
        QTest::newRow("other resolution") << "two.pdf" << "two.pdf" << "-" << 144 << false;
        QTest::newRow("other document") << "two.pdf" << "plain.pdf" << "-" << 72 << false;
        QTest::newRow("password") << "a.pdf" << "a.pdf" << "pw-a" << 72 << false;
        QTest::newRow("damaged") << "bad.pdf" << "two.pdf" << "-" << 72 << false;
        QTest::newRow("drawn pixels asked for") << "two.pdf" << "two.pdf" << "-" << 72 << true;
    }
    void nextDocumentDrawnAhead()
    {
        QFETCH(QString, next);
        QFETCH(QString, asked);
        QFETCH(QString, password);
        QFETCH(int, dpi);
        QFETCH(bool, pixels);
        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
        TestFiles::writePdf(plain, 1);
        TestFiles::writePdf(dir.filePath(QStringLiteral("two.pdf")), 2);
        TestFiles::writeBytes(dir.filePath(QStringLiteral("bad.pdf")), TestPdfs::damaged());
        if (password != QLatin1String("-")) {
            LP_SKIP_WITHOUT(QStringLiteral("gs"));
            qputenv("TEMP", QFile::encodeName(dir.path()));
            QVERIFY(TestPdfs::writeLocked(plain, dir.filePath(asked), password));
        }
        const auto firstPage = [&](const QString &path) {
            PageRenderer renderer(path, RenderLimits());
            renderer.setNextDocument(&m_next);
            if (password != QLatin1String("-"))
                renderer.setPassword(password.toUtf8());
            if (pixels)
                renderer.keepPixelsIn(dir.path());
            PageRenderer::Page page = renderer.render(1, dpi, false);
            // What was asked for, and only that.
            if (page.pixels.isEmpty() == pixels)
                return QByteArray("pixels not as asked");
            Rendering::dropPixels(page);
            return page.jpeg;
        };
        const QByteArray expected = firstPage(dir.filePath(asked));
        m_next.dropAll();
        {
            PageRenderer current(plain, RenderLimits());
            current.setNextDocument(&m_next);
            if (password != QLatin1String("-"))
                current.setPassword(password.toUtf8());
            current.renderNextAhead(dir.filePath(next), 1, 72, false);
            QVERIFY(!current.render(1, 72, false).jpeg.isEmpty());
        }
        if (QTest::currentDataTag() == QLatin1String("moved"))
            QVERIFY(QFile::rename(dir.filePath(asked), dir.filePath(QStringLiteral("moved.pdf"))));
        QCOMPARE(firstPage(dir.filePath(asked)), expected);
        QCOMPARE(RenderersRunning(), m_next.spareCount());
    }

    // What the renderer says back is believed only as an exact answer: drawn pixels only under
    // a plain name in the folder named, and only when a folder was named; its kinds become the
    // program's faults. EXPECTED is the answer's type, fault word or pixels' name.
    void rendererAnswersAreReadStrictly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("pixelsAsked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pages") << QByteArray("pages 12") << false << "pages 12";
        QTest::newRow("negative pages") << QByteArray("pages -1") << false << "nonsense";
        QTest::newRow("image") << QByteArray("image 5120 612 792 72") << false << "image";
        QTest::newRow("image with pixels") << QByteArray("image 5120 612 792 72 render-1a.rgb 1455192 40764") << true << "image render-1a.rgb";
        QTest::newRow("pixels not asked for") << QByteArray("image 5120 612 792 72 render-1a.rgb 1455192 40764") << false << "nonsense";
        QTest::newRow("pixels outside the folder") << QByteArray("image 5120 612 792 72 ../x.rgb 1455192 40764") << true << "nonsense";
        QTest::newRow("hidden pixels") << QByteArray("image 5120 612 792 72 .x.rgb 1455192 40764") << true << "nonsense";
        QTest::newRow("image of no bytes, its pixels removed") << QByteArray("image 0 612 792 72 r.rgb 30 1") << true << "nonsense r.rgb";
        QTest::newRow("wrong password") << QByteArray("error 9 locked") << false << "error WrongPassword";
        QTest::newRow("page tree") << QByteArray("error 12 loop") << false << "error PageTree";
        QTest::newRow("kind not a number") << QByteArray("error x words") << false << "nonsense";
    }
    void rendererAnswersAreReadStrictly()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, pixelsAsked);
        QFETCH(QString, expected);
        const RenderAnswer answer = ReadRenderAnswer(line, pixelsAsked);
        QString got;
        switch (answer.type) {
        case RenderAnswer::Type::Pages: got = QStringLiteral("pages %1").arg(answer.pages); break;
        case RenderAnswer::Type::Image: got = QStringLiteral("image"); break;
        case RenderAnswer::Type::Error:
            got = answer.fault == Fault::WrongPassword ? QStringLiteral("error WrongPassword")
                  : answer.fault == Fault::PageTree    ? QStringLiteral("error PageTree")
                                                       : QStringLiteral("error other");
            break;
        default: got = QStringLiteral("nonsense"); break;
        }
        if (!answer.pixelsName.isEmpty())
            got += QLatin1Char(' ') + answer.pixelsName;
        QCOMPARE(got, expected);
    }

    // The document is parsed by the renderer: one that poppler refuses is a clear failure of
    // the open, and the component reports it once for the file.
    void unreadableDocumentFailsTheOpen()
    {
        QTemporaryDir dir;
        const QString bad = dir.path() + QStringLiteral("/bad.pdf");
        TestFiles::writeBytes(bad, TestPdfs::damaged());
        PageRenderer renderer(bad, RenderLimits());
        try {
            renderer.pageCount();
            QFAIL("opened a damaged file");
        } catch (const Failure &f) {
            QCOMPARE(FaultOf(f), Fault::Damaged);
            QVERIFY2(f.description().contains(bad), qPrintable(f.description()));
        }
    }
};

QTEST_MAIN(TestRenderLimits)
#include "tst_renderlimits.moc"
