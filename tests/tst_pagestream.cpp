// Pages encoded while the renderer draws the next ones: the same GIFs, names, order, progress
// and messages as a run that renders everything first, with only a few page images on disk.
#include "support/programs.h"
#include "support/testsupport.h"
#include "engine/run/conversionrun.h"
#include "engine/encode/imaging.h"
#include "engine/encode/pagestream.h"
#include "engine/jpeg/pixelsum.h"
#include "sys/fileutil.h"
#include "sys/interruption.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

// Page images anywhere under `folder` (the WorkFolder and the script's own folder).
int PageImagesUnder(const QString &folder)
{
    int n = 0;
    QDirIterator it(folder, {QStringLiteral("*.jpg")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    return n;
}

QByteArray Digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// What a user can see of a run: the GIFs (names and contents), the progress shown, the boxes.
struct Outcome {
    QStringList gifs;
    QList<QImage> pictures;
    QList<double> progress;
    QStringList progressTexts;
    QList<QPair<int, int>> pageProgress;
    QStringList boxes;
    QStringList events; // progress texts, the run's events and its boxes, in order
    int mostPageImages = 0;     // on disk at once, looked at whenever the run yielded
    bool gifWhileRendering = false; // a GIF of the first document existed while it rendered
};

Outcome Convert(bool encodeWhileRendering, const QStringList &docs, RunFixture &f, const QString &scriptFolder)
{
    Outcome o;
    ConversionRun run(f.host);
    run.encodeWhileRendering = encodeWhileRendering;
    f.host.entries = docs;
    f.host.onYield = [&] {
        const QString work = run.workFolder();
        if (work.isEmpty())
            return;
        o.mostPageImages = std::max(o.mostPageImages, PageImagesUnder(work));
        // The first document: while its script runs, has any of its GIFs been written?
        if (f.host.progressTexts.size() == 1 && QFile::exists(work + QLatin1Char('/') + scriptFolder + QStringLiteral("/current.pdf"))
            && !f.gifs().isEmpty())
            o.gifWhileRendering = true;
    };
    f.host.fakeDialogs.onMessage = [&](const FakeDialogs::Box &box) { f.host.events << box.text; };
    run.start();
    f.host.onYield = nullptr;
    f.host.fakeDialogs.onMessage = nullptr;
    for (QString event : std::as_const(f.host.events))
        o.events << event.replace(f.root.path(), QStringLiteral("ROOT"));
    o.gifs = f.gifs();
    for (const QString &gif : o.gifs)
        o.pictures << QImage(f.out + QLatin1Char('/') + gif);
    o.progress = f.host.progressValues;
    o.progressTexts = f.host.progressTexts;
    o.pageProgress = f.host.pageProgressCalls;
    // Each fixture has its own folders; the texts are compared without them.
    for (QString text : f.host.fakeDialogs.texts())
        o.boxes << text.replace(f.root.path(), QStringLiteral("ROOT"));
    return o;
}

} // namespace

class TestPageStream : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript));
    }

    // A long document, two same-named documents and a damaged one, once encoded while
    // rendering and once rendered first: what the user sees is the same (the GIFs the same
    // pages, those made from the pixels Ghostscript drew no further from the others than the
    // page image's JPEG noise), and the run that streams keeps only a few page images on disk
    // while the other holds every page.
    void sameAsRenderingFirst_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<QString>("scriptFolder");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("mostPageImages"); // on disk at once while streaming
        // Ghostscript hands over page by page; black-and-white draws batches of 16 pages.
        QTest::newRow("ghostscript") << Method::Ghostscript << "ps" << 12 << 6;
        QTest::newRow("black-and-white") << Method::BlackWhite << "bw" << 40 << 36;
    }
    void sameAsRenderingFirst()
    {
        QFETCH(Method, method);
        QFETCH(QString, scriptFolder);
        QFETCH(int, pages);
        QFETCH(int, mostPageImages);
        RunFixture streamed(method), single(method);
        const QString longName = QStringLiteral("long document.pdf");
        QStringList streamedDocs, singleDocs;
        for (RunFixture *f : {&streamed, &single}) {
            QStringList &docs = f == &streamed ? streamedDocs : singleDocs;
            docs << f->pdf(longName, pages) << f->pdf(QStringLiteral("a/doc.pdf"), 2)
                 << f->pdf(QStringLiteral("b/doc.pdf"), 3);
            const QString damaged = f->docs + QStringLiteral("/damaged.pdf");
            TestFiles::writeBytes(damaged, QByteArray("%PDF-1.4\n1 0 obj <</Type/Catalog>> endobj\ntrailer <<>>\n%%EOF\n"));
            docs << damaged;
        }
        const Outcome a = Convert(true, streamedDocs, streamed, scriptFolder);
        const Outcome b = Convert(false, singleDocs, single, scriptFolder);

        QCOMPARE(a.gifs.size(), pages + 2 + 3);
        QCOMPARE(a.gifs, b.gifs);
        QVERIFY(a.gifs.contains(QStringLiteral("long document-%1.gif").arg(pages, 3, 10, QLatin1Char('0'))));
        QVERIFY(a.gifs.contains(QStringLiteral("doc (2)-003.gif")));
        for (qsizetype i = 0; i < a.gifs.size(); ++i)
            QVERIFY2(TestImages::psnr(a.pictures[i], b.pictures[i]) > 40, qPrintable(a.gifs[i] + QStringLiteral(" differs")));
        QCOMPARE(a.progress, b.progress);
        QCOMPARE(a.progressTexts, b.progressTexts);
        QCOMPARE(a.pageProgress, b.pageProgress);
        QCOMPARE(a.pageProgress.first(), (QPair<int, int>(1, pages)));
        QCOMPARE(a.pageProgress.at(pages - 1), (QPair<int, int>(pages, pages)));
        // The renamed file and the damaged one are reported alike, and nothing else.
        QCOMPARE(a.boxes, b.boxes);
        QCOMPARE(a.events, b.events);
        QVERIFY(a.boxes.contains(QStringLiteral("Could not create GIF on ROOT/docs/damaged.pdf")));
        QVERIFY(a.boxes.join(QLatin1Char('\n')).contains(QStringLiteral("doc (2)-001.gif to doc (2)-003.gif")));

        QVERIFY2(a.gifWhileRendering, "no GIF was written while the script was rendering");
        QVERIFY(!b.gifWhileRendering);
        QVERIFY2(a.mostPageImages <= mostPageImages, qPrintable(QString::number(a.mostPageImages)));
        QCOMPARE(b.mostPageImages, pages);
        QVERIFY(streamed.tempEntries().isEmpty());
    }

    // The in-process renderers hand each page over as it is written, encoded on the other core
    // while the next is drawn: the same GIFs (but for the JPEG's noise: pages handed over come
    // with their drawn pixels), progress and boxes as drawing every page first and encoding
    // them one after the other on this thread.
    void leftoversSameOnBothCores_data()
    {
        QTest::addColumn<Method>("method");
        QTest::newRow("gflax") << Method::GflAx;
        QTest::newRow("acrobat") << Method::Acrobat;
    }
    void leftoversSameOnBothCores()
    {
        QFETCH(Method, method);
        LP_SKIP_WITHOUT(TestPrograms::of(method));
        constexpr int pages = 12;
        RunFixture twoCores(method), oneThread(method);
        QStringList twoDocs, oneDocs;
        for (RunFixture *f : {&twoCores, &oneThread}) {
            f->host.pages = QString::number(pages);
            QStringList &docs = f == &twoCores ? twoDocs : oneDocs;
            docs << f->pdf(QStringLiteral("report.pdf"), pages) << f->pdf(QStringLiteral("a/doc.pdf"), 2)
                 << f->pdf(QStringLiteral("b/doc.pdf"), 3);
            const QString damaged = f->docs + QStringLiteral("/damaged.pdf");
            TestFiles::writeBytes(damaged, QByteArray("%PDF-1.4\n1 0 obj <</Type/Catalog>> endobj\ntrailer <<>>\n%%EOF\n"));
            docs << damaged;
        }
        const Outcome a = Convert(true, twoDocs, twoCores, QString());
        const Outcome b = Convert(false, oneDocs, oneThread, QString());

        QVERIFY(a.gifs.size() >= pages + 2);
        QCOMPARE(a.gifs, b.gifs);
        for (qsizetype i = 0; i < a.gifs.size(); ++i)
            QVERIFY2(TestImages::psnr(a.pictures[i], b.pictures[i]) > 40, qPrintable(a.gifs[i] + QStringLiteral(" differs")));
        QCOMPARE(a.progress, b.progress);
        QCOMPARE(a.progressTexts, b.progressTexts);
        QCOMPARE(a.pageProgress, b.pageProgress);
        for (int j = 1; j <= pages; ++j)
            QCOMPARE(a.pageProgress.at(j - 1), (QPair<int, int>(j, pages)));
        QCOMPARE(a.boxes, b.boxes);
        // Pages handed over as drawn end in page order, the ones listed afterwards in name order.
        const auto notPages = [](QStringList events) {
            events.removeIf([](const QString &e) { return e.startsWith(QLatin1String("page ")); });
            return events;
        };
        const auto pagesSorted = [](const QStringList &events) {
            QStringList pages = events.filter(QRegularExpression(QStringLiteral("^page ")));
            pages.sort();
            return pages;
        };
        QCOMPARE(notPages(a.events), notPages(b.events));
        QCOMPARE(pagesSorted(a.events), pagesSorted(b.events));
        QVERIFY(a.boxes.contains(QStringLiteral("Could not create GIF on ROOT/docs/damaged.pdf")));
        QVERIFY(twoCores.tempEntries().isEmpty());
    }

    // A file's box is shown once that file is done and the next file's progress text while it
    // is drawn: not both after the whole next file, whose last pages are encoded meanwhile.
    void aFilesBoxComesWhenItIsDone_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<QString>("pageName"); // of the first file's first page, as a GIF
        QTest::newRow("ghostscript") << Method::Ghostscript << "three-%1.gif";
        QTest::newRow("acrobat") << Method::Acrobat << "three_Page_%1.gif";
    }
    void aFilesBoxComesWhenItIsDone()
    {
        QFETCH(Method, method);
        QFETCH(QString, pageName);
        LP_SKIP_WITHOUT(TestPrograms::of(method));
        RunFixture f(method);
        constexpr int pages = 24;
        f.host.entries = {f.pdf(QStringLiteral("three.pdf"), 3), f.pdf(QStringLiteral("long.pdf"), pages)};
        // No GIF of the first file can be written: its "Could not create GIF" box.
        for (int n = 1; n <= 3; ++n)
            QVERIFY(QDir().mkpath(f.out + QLatin1Char('/')
                                  + pageName.arg(method == Method::Ghostscript ? QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'))
                                                                              : QString::number(n))));
        const auto longGifs = [&] { return int(f.gifs().filter(QStringLiteral("long")).size()); };
        int gifsAtBox = -1, gifsAtText = -1;
        f.host.fakeDialogs.onMessage = [&](const FakeDialogs::Box &box) {
            if (box.text.startsWith(QLatin1String("Could not create GIF on")))
                gifsAtBox = longGifs();
        };
        ConversionRun run(f.host);
        f.host.onYield = [&] {
            if (gifsAtText < 0 && f.host.progressTexts.contains(QStringLiteral("Processing: long.pdf")))
                gifsAtText = longGifs();
        };
        run.start();
        f.host.onYield = nullptr;
        f.host.fakeDialogs.onMessage = nullptr;
        QCOMPARE(longGifs(), pages);
        // Held back until the next file ends, the box would come with all its GIFs there; shown
        // when its file is done, it comes within a few of them (on a machine busy with other
        // work, the next file's encoder may have finished a page or two more by then).
        QVERIFY2(gifsAtBox >= 0 && gifsAtBox < 5, qPrintable(QString::number(gifsAtBox)));
        QVERIFY2(gifsAtText >= 0 && gifsAtText < pages, qPrintable(QString::number(gifsAtText)));
        QCOMPARE(f.host.progressTexts.mid(0, 2), (QStringList{"Processing: three.pdf", "Processing: long.pdf"}));
    }

    // Pages handed over while rendering: the script runs as long as the whole conversion, so
    // the bound on one script run gives way to the time cap per page, and a document that takes
    // longer than the bound still converts whole.
    void longConversionIsNotCutOff()
    {
        RunFixture f(Method::Ghostscript);
        ConversionRun run(f.host);
        run.scriptTimeoutMs = 300;
        f.host.entries = {f.pdf(QStringLiteral("forty.pdf"), 40)};
        QElapsedTimer clock;
        clock.start();
        run.start();
        QVERIFY(clock.elapsed() > run.scriptTimeoutMs);
        QCOMPARE(f.gifs().size(), 40);
        QVERIFY(run.lastReport().succeeded());
    }

    // The next file's script starts while the last pages of this one are drawn, and its turn
    // takes it over only when it still applies: the list changed meanwhile (the file's place
    // taken by another one, also once a script was taken over and the one started after it is
    // stopped) or the method changed, and the file converts as it is then, with nothing of the
    // script started ahead left behind or read. Also when only first pages are drawn.
    void nextFileStartedAheadOnlyWhenItStillApplies_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("gifs");
        const QStringList b{"b-001.gif", "b-002.gif", "b-003.gif"};
        const QStringList c{"c-001.gif", "c-002.gif", "c-003.gif", "c-004.gif"};
        QTest::newRow("none") << "" << QStringList{"a-001.gif"} + b + c;
        QTest::newRow("list") << "list" << QStringList{"a-001.gif", "c (2)-001.gif", "c (2)-002.gif", "c (2)-003.gif", "c (2)-004.gif"} + c;
        QTest::newRow("list, later") << "later" << QStringList{"a-001.gif"} + b + QStringList{"d-001.gif", "d-002.gif"};
        QTest::newRow("method") << "method" << QStringList{"a-001.gif", "b1.gif", "c1.gif"};
        QTest::newRow("first pages only") << "first pages" << QStringList{"a-001.gif", "b-001.gif", "c-001.gif"};
    }
    void nextFileStartedAheadOnlyWhenItStillApplies()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, gifs);
        RunFixture f(Method::Ghostscript);
        f.host.entries = {f.pdf(QStringLiteral("a.pdf"), 1), f.pdf(QStringLiteral("b.pdf"), 3), f.pdf(QStringLiteral("c.pdf"), 4)};
        const QString d = f.pdf(QStringLiteral("d.pdf"), 2);
        if (change == QLatin1String("first pages"))
            f.host.check5Value = 1;
        ConversionRun run(f.host);
        bool ahead = false, changed = false;
        f.host.onYield = [&] {
            const QString work = run.workFolder();
            // The change is made while a.pdf's script runs (b.pdf is then known to come next),
            // or, later, once c.pdf's script was started ahead of its turn.
            const QString input = QFileInfo(work + QStringLiteral("/ps/current.pdf")).symLinkTarget();
            if (!changed && input.endsWith(change == QLatin1String("later") ? QLatin1String("/c.pdf") : QLatin1String("/a.pdf"))) {
                changed = true;
                if (change == QLatin1String("list"))
                    f.host.entries[1] = f.host.entries[2];
                else if (change == QLatin1String("later"))
                    f.host.entries[2] = d;
                else if (change == QLatin1String("method"))
                    f.host.method = Method::GflAx;
            }
            // The second copy of the script folder is made for a script started ahead.
            ahead = ahead || QFileInfo::exists(work + QStringLiteral("/ps-2"));
        };
        run.start();
        f.host.onYield = nullptr;
        QVERIFY(ahead);
        QCOMPARE(f.gifs(), gifs);
        QCOMPARE(f.host.pagesEnded.size(), gifs.size()); // no page taken twice, none of another file
        // A script stopped meanwhile takes a moment to end.
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::processesWorkingIn(f.temp), QStringList(), 3000);
        QVERIFY(f.tempEntries().isEmpty());
    }

    // The script reads the document through a link: it is neither copied into scratch space
    // nor changed, and a name with quotes and non-ASCII letters is no trouble.
    void documentIsReadNotCopied()
    {
        RunFixture f(Method::Ghostscript);
        const QString pdf = f.pdf(QStringLiteral("l'été \"final\".pdf"), 3);
        const QByteArray before = Digest(pdf);
        qint64 largest = 0;
        ConversionRun run(f.host);
        f.host.entries = {pdf};
        f.host.onYield = [&] {
            const QFileInfo current(run.workFolder() + QStringLiteral("/ps/current.pdf"));
            if (current.exists()) {
                QVERIFY(current.isSymLink());
                largest = std::max(largest, current.size());
            }
        };
        run.start();
        f.host.onYield = nullptr;
        QVERIFY(largest > 0);
        QCOMPARE(f.gifs().size(), 3);
        QCOMPARE(Digest(pdf), before);
        QVERIFY(f.tempEntries().isEmpty());
    }

    // The stream on its own: pages come back in the order given, also when a later page is
    // finished first on another worker; each page image is gone once encoded, and a page that
    // cannot be decoded is reported as such without a GIF.
    void streamKeepsOrderAndCleansUp()
    {
        QTemporaryDir dir;
        ImagingService imaging;
        imaging.start();
        for (const int workers : {0, 1, 2, 3}) {
            PageStream stream(workers, imaging);
            QStringList gifs;
            for (int n = 1; n <= 6; ++n) {
                const QString jpg = dir.filePath(QStringLiteral("p%1.jpg").arg(n));
                if (n == 4)
                    TestFiles::writeBytes(jpg, QByteArray("\xff\xd8\xff\xe0 not a whole picture", 24));
                else if (n == 1)
                    TestFiles::writeJpeg(jpg, 2400, 3000, QString::number(n)); // the slowest by far
                else
                    TestFiles::writeJpeg(jpg, 120, 90, QString::number(n));
                gifs << dir.filePath(QStringLiteral("p%1-%2.gif").arg(n).arg(workers));
                stream.submit(jpg, gifs.last());
            }
            stream.finish();
            QCOMPARE(stream.backlog(), 0);
            const QList<PageStream::Page> pages = stream.takeFinished();
            QCOMPARE(pages.size(), 6);
            for (int i = 0; i < 6; ++i) {
                QCOMPARE(pages[i].gifPath, gifs[i]);
                QVERIFY(!QFile::exists(pages[i].pageImage));
                QCOMPARE(pages[i].encoding.written(), i != 3);
                QCOMPARE(QFile::exists(gifs[i]), i != 3);
            }
            QCOMPARE(pages[3].encoding.outcome, PageEncoding::Outcome::Undecodable);
            QVERIFY(stream.takeFinished().isEmpty());
        }
    }

    // The pixels a renderer handed over with a page stand in for its page image only while they
    // are what it said they were (this user's plain file of the size and checksum it said); a
    // file that merely lies beside the page under the pixels' name is never taken. Whatever
    // happens, both are gone afterwards and a link's target is left alone.
    void drawnPixelsOnlyWhenTheyAreThePage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("handed");
        QTest::addColumn<bool>("used");
        QTest::newRow("taken") << "plain" << true << true;
        QTest::newRow("lying beside it, not handed over") << "plain" << false << false;
        QTest::newRow("a byte short") << "short" << true << false;
        QTest::newRow("a row too long, said so, the page's checksum") << "long" << true << false;
        QTest::newRow("a link") << "link" << true << false;
        QTest::newRow("another picture of that size in their place") << "other" << true << false;
    }
    void drawnPixelsOnlyWhenTheyAreThePage()
    {
        QFETCH(QString, kind);
        QFETCH(bool, handed);
        QFETCH(bool, used);
        QTemporaryDir dir;
        ImagingService imaging;
        imaging.start();
        const QString jpg = dir.filePath(QStringLiteral("p.jpg")), drawn = jpg + QStringLiteral(".rgb");
        TestFiles::writeJpeg(jpg, 120, 90, QStringLiteral("7"));
        QByteArray red, blue;
        for (int i = 0; i < 120 * 90; ++i) {
            red += QByteArray("\xd0\x10\x10", 3);
            blue += QByteArray("\x10\x10\xd0", 3);
        }
        // What the renderer said: the red page's size and checksum.
        PixelSum sum;
        for (int y = 0; y < 90; ++y)
            sum.addRow(reinterpret_cast<const unsigned char *>(red.constData()) + y * 360, 360);
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere.rgb"));
        const QByteArray content = kind == QLatin1String("short")  ? red.chopped(1)
                                   : kind == QLatin1String("other") ? blue
                                   : kind == QLatin1String("long")  ? red + red.left(360)
                                                                    : red;
        TestFiles::writeBytes(kind == QLatin1String("link") ? elsewhere : drawn, content);
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(elsewhere, drawn));
        PageStream stream(1, imaging);
        stream.submit(jpg, dir.filePath(QStringLiteral("p.gif")),
                      handed ? PageImage::DrawnPixels{drawn, qint64(kind == QLatin1String("long") ? content.size() : red.size()), sum.value()}
                             : PageImage::DrawnPixels{});
        stream.finish();
        QVERIFY(stream.takeFinished().value(0).encoding.written());
        const QImage gif(dir.filePath(QStringLiteral("p.gif")));
        const auto all = [&](QRgb colour) { return gif.pixel(3, 3) == colour && gif.pixel(60, 45) == colour; };
        QCOMPARE(all(qRgb(0xd0, 0x10, 0x10)), used);
        QVERIFY(!all(qRgb(0x10, 0x10, 0xd0)));
        QVERIFY(!QFile::exists(jpg) && !QFileInfo(drawn).isSymLink());
        QCOMPARE(QFile::exists(drawn), !handed);
        QCOMPARE(QFile::exists(elsewhere), kind == QLatin1String("link"));
    }

    // A program that must end now (a signal, the window closed) lets the page being written
    // finish and drops the rest: no GIF is cut off, and no temporary file is left beside one.
    void endingNowFinishesTheCurrentPageOnly_data()
    {
        QTest::addColumn<int>("workers");
        QTest::newRow("one worker") << 1;
        QTest::newRow("two workers") << 2;
    }
    void endingNowFinishesTheCurrentPageOnly()
    {
        QFETCH(int, workers);
        QTemporaryDir dir;
        ImagingService imaging;
        imaging.start();
        PageStream stream(workers, imaging);
        const Interruption::SettleGuard settle([&stream] { stream.abandon(); });
        QStringList jpgs;
        for (int n = 1; n <= 30; ++n) {
            jpgs << dir.filePath(QStringLiteral("p%1.jpg").arg(n));
            TestFiles::writeJpeg(jpgs.last(), 1200, 1600, QString::number(n));
        }
        for (int n = 1; n <= 30; ++n)
            stream.submit(jpgs[n - 1], dir.filePath(QStringLiteral("p%1.gif").arg(n)));
        Interruption::CleanUpNow();
        QCOMPARE(stream.backlog(), 0);
        const QList<PageStream::Page> done = stream.takeFinished();
        QVERIFY2(done.size() < 30, "every page was encoded before the program could end");
        // The pages handed back are the first ones, in order, each with its GIF.
        for (int i = 0; i < done.size(); ++i) {
            QCOMPARE(done[i].pageImage, jpgs[i]);
            QVERIFY(done[i].encoding.written());
        }
        const QStringList left = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        for (const QString &name : left)
            QVERIFY2(name.endsWith(QLatin1String(".jpg")) || name.endsWith(QLatin1String(".gif")), qPrintable(name));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.gif")}, QDir::Files).size(), done.size());
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.jpg")}, QDir::Files).size(), 30 - done.size());
    }
};

QTEST_MAIN(TestPageStream)
#include "tst_pagestream.moc"
