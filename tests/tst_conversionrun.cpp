// The run's own rules, with the Ghostscript method driven by stand-in scripts in a throw-away
// AppFolder, so that each case controls exactly which page images appear.
#include "support/testsupport.h"
#include "engine/encode/pageimage.h"
#include "engine/run/conversionrun.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString CopyFixtures = QStringLiteral(
    "i=0\nfor f in fixture/*.jpg; do [ -e \"$f\" ] || continue; i=$((i+1)); "
    "cp \"$f\" page.part && mv page.part \"$(printf 'current%05d.jpg' $i)\"; done\nrm -f current.pdf\n");

struct Fixture : RunFixture {
    QString app;

    Fixture() : RunFixture(Method::Ghostscript)
    {
        app = root.path() + QStringLiteral("/app");
        QDir().mkpath(app + QStringLiteral("/ps/fixture"));
        host.appFolderPath = app;
        setScript(CopyFixtures);
    }
    void setScript(const QString &body) { TestFiles::writeScript(app + QStringLiteral("/ps/pdf2tiff.sh"), body.toUtf8()); }
    void addPages(int n)
    {
        for (int i = 1; i <= n; ++i)
            TestFiles::writeJpeg(app + QStringLiteral("/ps/fixture/p%1.jpg").arg(i, 3, 10, QLatin1Char('0')),
                                 120, 90, QString::number(i));
    }
    QString addPdf(const QString &name)
    {
        const QString path = docs + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).path());
        TestFiles::writeBytes(path, "%PDF-1.4 stand-in");
        host.entries << path;
        return path;
    }
};

} // namespace

class TestConversionRun : public QObject {
    Q_OBJECT
private slots:
    void preconditionsInOrderChangeNothing()
    {
        Fixture f;
        f.host.gdiplusFailed = true;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("No files added.")});
        QCOMPARE(f.host.fakeDialogs.boxes[0].title, QStringLiteral("Lumenpage"));
        QCOMPARE(f.host.fakeDialogs.boxes[0].icon, Dialogs::Icon::None);

        f.addPdf(QStringLiteral("a.pdf"));
        for (const QString &bad : {QString(), f.root.path() + QStringLiteral("/none"), f.host.entries[0]}) {
            f.host.fakeDialogs.boxes.clear();
            f.host.outputFolder = bad;
            run.start();
            QCOMPARE(f.host.fakeDialogs.texts(),
                     QStringList{QStringLiteral("Folder does not exist. Please select another folder.")});
        }
        f.host.fakeDialogs.boxes.clear();
        f.host.outputFolder = f.out;
        run.start();
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("GDI+ Initialization Failed.")});
        QCOMPARE(f.host.fakeDialogs.boxes[0].icon, Dialogs::Icon::Exclamation);

        QVERIFY(!f.host.waitPointer);
        QVERIFY(f.host.progressValues.isEmpty());
        QCOMPARE(f.tempEntries(), QStringList());
    }

    void convertsPagesWithProgressAndCleansUp()
    {
        Fixture f;
        f.addPages(3);
        f.addPdf(QStringLiteral("a.b.pdf"));
        f.addPdf(QStringLiteral("second file.pdf"));
        f.addPdf(QStringLiteral("c.pdf"));
        // What an earlier, interrupted program left in TEMP is none of this run's business.
        const QString old = f.temp + QStringLiteral("/Lumenpage");
        QDir().mkpath(old);
        TestFiles::writeJpeg(old + QStringLiteral("/stale-from-before.jpg"));
        f.host.outputFolder = f.out + QLatin1Char('/');
        bool pointerDuringRun = false;
        ConversionRun run(f.host);
        QString workFolder;
        QFileDevice::Permissions workPermissions;
        f.host.onYield = [&] {
            pointerDuringRun = pointerDuringRun || f.host.waitPointer;
            workFolder = run.workFolder();
            workPermissions = QFile::permissions(workFolder);
        };

        run.start();

        QCOMPARE(f.gifs(), (QStringList{"a-001.gif", "a-002.gif", "a-003.gif", "c-001.gif", "c-002.gif",
                                        "c-003.gif", "second file-001.gif", "second file-002.gif",
                                        "second file-003.gif"}));
        QImageReader gif(f.out + QStringLiteral("/a-002.gif"));
        QCOMPARE(gif.format(), QByteArray("gif"));
        QCOMPARE(gif.size(), QSize(120, 90));

        QCOMPARE(f.host.progressValues.size(), 4);
        QVERIFY(qAbs(f.host.progressValues[0] - 100.0 / 3) < 1e-9);
        QVERIFY(qAbs(f.host.progressValues[1] - 200.0 / 3) < 1e-9);
        QCOMPARE(f.host.progressValues[2], 100.0);
        QCOMPARE(f.host.progressValues[3], 0.0);
        QCOMPARE(f.host.progressTexts,
                 (QStringList{"Processing: a.b.pdf", "Processing: second file.pdf", "Processing: c.pdf", "Progress Bar"}));
        QVERIFY(pointerDuringRun);
        QVERIFY(!f.host.waitPointer);
        QVERIFY(!f.host.appWaitPointer);
        QVERIFY(f.host.pointersShown.contains(Qt::WaitCursor));
        QCOMPARE(f.host.pointersShown.last(), Qt::ArrowCursor);
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("Done.")});
        // A private folder of its own, gone after the run; the stale file is still there.
        QVERIFY2(workFolder.startsWith(f.temp + QStringLiteral("/Lumenpage-")), qPrintable(workFolder));
        QCOMPARE(workFolder.size(), f.temp.size() + 17);
        QCOMPARE(workPermissions, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                      | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
        QCOMPARE(f.tempEntries(), QStringList{QStringLiteral("Lumenpage")});
        QVERIFY(IsExistingFile(old + QStringLiteral("/stale-from-before.jpg")));
        QCOMPARE(run.lastReport().gifsWritten, 9);
    }

    void tildePagesSkippedAndMethodFailureReported()
    {
        Fixture f;
        f.setScript(QStringLiteral("[ -e fail ] && { rm -f current.pdf; exit 1; }\n"
                                   "cp fixture/p001.jpg p && mv p current00001.jpg\ncp fixture/p001.jpg ../~scratch.jpg\n"
                                   "touch fail\nrm -f current.pdf\n"));
        f.addPages(1);
        f.addPdf(QStringLiteral("good.pdf"));
        const QString bad = f.addPdf(QStringLiteral("bad.pdf"));
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), QStringList{QStringLiteral("good-001.gif")});
        QCOMPARE(f.host.fakeDialogs.boxes.size(), 2);
        QCOMPARE(f.host.fakeDialogs.boxes[0].text, QStringLiteral("Could not create GIF on ") + bad);
        QCOMPARE(f.host.fakeDialogs.boxes[0].title, QStringLiteral("Could not create GIF"));
        QCOMPARE(f.host.fakeDialogs.boxes[0].icon, Dialogs::Icon::Exclamation);
        QCOMPARE(f.host.fakeDialogs.boxes[1].text, QStringLiteral("Done."));
        QCOMPARE(run.lastReport().failedFiles(), QStringList{bad});
        QCOMPARE(f.tempEntries(), QStringList()); // the "~" file went with the WorkFolder
    }

    // Pages a method leaves in a sub-folder are not converted: the file gave no GIF, which is
    // said even though the method's flag (left over from the first file) says produced.
    void fileWithoutGifsFails()
    {
        Fixture f;
        f.addPages(1);
        f.addPdf(QStringLiteral("one.pdf"));
        const QString two = f.addPdf(QStringLiteral("two.pdf"));
        int yields = 0;
        ConversionRun run(f.host);
        f.host.onYield = [&] {
            if (++yields == 2) { // second file: no method selected, pages only in a sub-folder
                f.host.method.reset();
                QDir().mkpath(run.workFolder() + QStringLiteral("/sub"));
                TestFiles::writeJpeg(run.workFolder() + QStringLiteral("/sub/two-001.jpg"));
            }
        };
        run.start();
        QVERIFY(run.pagesProduced()); // left over from the first file, as the run never resets it
        QCOMPARE(f.gifs(), QStringList{QStringLiteral("one-001.gif")});
        QCOMPARE(f.host.fakeDialogs.texts(),
                 (QStringList{QStringLiteral("Could not create GIF on ") + two, QStringLiteral("Done.")}));
        QCOMPARE(run.lastReport().failedFiles(), QStringList{two});
    }

    // A PDF whose name begins with "~" converts: its pages are its own, not scratch files.
    void tildeNamedFileConverts()
    {
        Fixture f;
        f.addPages(2);
        f.addPdf(QStringLiteral("~draft.pdf"));
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), (QStringList{"~draft-001.gif", "~draft-002.gif"}));
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(f.tempEntries(), QStringList());
    }

    // A page that cannot be decoded is reported and gives no GIF; the next page still converts,
    // and GIFs that cannot be written are listed before "Done.".
    void badPagesAndUnwritableGifsAreReported()
    {
        Fixture f;
        f.addPages(2);
        TestFiles::writeBytes(f.app + QStringLiteral("/ps/fixture/p001.jpg"), "not a jpeg");
        f.addPdf(QStringLiteral("r.pdf"));
        f.addPdf(QStringLiteral("s.pdf"));
        ConversionRun run(f.host);
        f.host.onYield = [&] {
            // While the second file's script runs, the output folder goes away.
            if (QFileInfo(run.workFolder() + QStringLiteral("/ps/current.pdf")).symLinkTarget().endsWith(QLatin1String("s.pdf")))
                f.host.outputFolder = f.root.path() + QStringLiteral("/gone");
        };
        run.start();
        QVERIFY(f.gifs().contains(QStringLiteral("r-002.gif")));
        QVERIFY(!f.gifs().contains(QStringLiteral("r-001.gif")));
        const QStringList texts = f.host.fakeDialogs.texts();
        QVERIFY(texts.first().startsWith(QLatin1String("Invalid picture: r-001.jpg")));
        QVERIFY(texts.first().contains(QLatin1String("PushButton2_Click at line 154")));
        QCOMPARE(texts.last(), QStringLiteral("Done."));
        QVERIFY(!run.lastReport().failedGifs.isEmpty());
        QVERIFY(texts.at(texts.size() - 2).contains(QLatin1String("GIF file(s) could not be written")));
        QVERIFY(texts.at(texts.size() - 2).contains(f.out + QStringLiteral("/r-001.gif")));
        QVERIFY(texts.at(texts.size() - 2).contains(QStringLiteral("/gone/s-002.gif")));
        // Each page's end is told as it happens, with why it gave no GIF.
        QCOMPARE(f.host.pagesEnded.size(), 4);
        QCOMPARE(f.host.pagesEnded[0].pageImage, QStringLiteral("r-001.jpg"));
        QVERIFY(!f.host.pagesEnded[0].written);
        QVERIFY2(f.host.pagesEnded[0].reason.startsWith(QLatin1String("no picture: ")), qPrintable(f.host.pagesEnded[0].reason));
        QVERIFY(f.host.pagesEnded[1].written);
        QCOMPARE(f.host.pagesEnded[1].gif, f.out + QStringLiteral("/r-002.gif"));
        QVERIFY(!f.host.pagesEnded[3].written);
        QVERIFY(!f.host.pagesEnded[3].reason.isEmpty());
    }

    void secondStartIgnoredAndClearingMidRunIsSafe()
    {
        Fixture f;
        f.addPages(1);
        f.addPdf(QStringLiteral("a.pdf"));
        f.addPdf(QStringLiteral("b.pdf"));
        f.addPdf(QStringLiteral("c.pdf"));
        ConversionRun run(f.host);
        int yields = 0;
        f.host.onYield = [&] {
            if (++yields == 1)
                run.start(); // pressed again while active
            if (yields == 3)
                f.host.entries.clear(); // "Clear List" in the middle of the run
        };
        run.start();
        QVERIFY(!run.isActive());
        // The loop ends at the first position that went: no box for it, and still "Done.".
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(f.gifs(), QStringList{QStringLiteral("a-001.gif")});
        QCOMPARE(f.host.progressTexts.last(), QStringLiteral("Progress Bar"));
        QVERIFY(!f.host.waitPointer);
    }

    // Pages saved as the run is told, named with the format's extension, " (2)" kept for a name an
    // earlier file took; PNG and TIFF hold the decoded page image exactly, grey pages greys only.
    void savesPagesInTheChosenFormat_data()
    {
        QTest::addColumn<QString>("mime");
        QTest::addColumn<bool>("grey");
        QTest::addColumn<QString>("extension");
        QTest::newRow("PNG") << "image/png" << false << ".png";
        QTest::newRow("TIFF") << "image/tiff" << false << ".tiff";
        QTest::newRow("grey PNG") << "image/png" << true << ".png";
        QTest::newRow("grey GIF") << "image/gif" << true << ".gif";
    }
    void savesPagesInTheChosenFormat()
    {
        QFETCH(QString, mime);
        QFETCH(bool, grey);
        QFETCH(QString, extension);
        Fixture f;
        if (f.host.imaging.extensionOf(mime).isEmpty())
            QSKIP("Qt has no writer of this format here");
        f.addPages(2);
        f.addPdf(QStringLiteral("A/doc.pdf"));
        f.addPdf(QStringLiteral("B/doc.pdf"));
        f.host.format = {mime, grey};
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(QDir(f.out).entryList(QDir::Files, QDir::Name),
                 (QStringList{"doc (2)-001" + extension, "doc (2)-002" + extension, "doc-001" + extension, "doc-002" + extension}));
        QCOMPARE(run.lastReport().gifsWritten, 4);
        for (int n = 1; n <= 2; ++n) {
            QImage page;
            QString error;
            QVERIFY2(PageImage::read(f.app + QStringLiteral("/ps/fixture/p%1.jpg").arg(n, 3, 10, QLatin1Char('0')), &page, &error),
                     qPrintable(error));
            if (grey)
                page = page.convertToFormat(QImage::Format_Grayscale8);
            const QImage saved = QImage(f.out + QStringLiteral("/doc-00%1").arg(n) + extension).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(saved.size(), page.size());
            if (mime != QLatin1String("image/gif"))
                QCOMPARE(saved, page.convertToFormat(QImage::Format_RGB32));
            for (int y = 0; grey && y < saved.height(); ++y)
                for (int x = 0; x < saved.width(); ++x)
                    QVERIFY(qRed(saved.pixel(x, y)) == qGreen(saved.pixel(x, y)) && qGreen(saved.pixel(x, y)) == qBlue(saved.pixel(x, y)));
        }
    }

    // The naming rules, input -> expected name, away from any renderer so that they are checked
    // on every machine: first the PageImageName rule of every method, from the method table,
    // then the GIF name a page gets when an earlier file of the run took its own.
    void pageImageNames_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("name");
        QTest::newRow("script, page 1") << Method::Ghostscript << "report" << 1 << "report-001.jpg";
        QTest::newRow("script, page 10") << Method::Ghostscript << "report" << 10 << "report-010.jpg";
        QTest::newRow("script, page 1000") << Method::Ghostscript << "report" << 1000 << "report-1000.jpg";
        QTest::newRow("script, empty base name") << Method::Ghostscript << "" << 2 << "-002.jpg";
        QTest::newRow("black-and-white as script") << Method::BlackWhite << "report" << 12 << "report-012.jpg";
        QTest::newRow("GflAx, plain number") << Method::GflAx << "report" << 12 << "report12.jpg";
        QTest::newRow("GflAx, page 100") << Method::GflAx << "report" << 100 << "report100.jpg";
        QTest::newRow("Acrobat's naming") << Method::Acrobat << "report" << 2 << "report_Page_2.jpg";
    }
    void pageImageNames()
    {
        QFETCH(Method, method);
        QFETCH(QString, base);
        QFETCH(int, page);
        QFETCH(QString, name);
        QCOMPARE(InfoOf(method).pageImageName(base, page), name);
    }

    void distinctGifNames_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("name");
        QTest::newRow("own name") << "doc-001" << "doc" << 0 << "doc-001";
        QTest::newRow("script numbering") << "doc-001" << "doc" << 2 << "doc (2)-001";
        QTest::newRow("third of the name") << "doc-012" << "doc" << 3 << "doc (3)-012";
        QTest::newRow("GflAx numbering") << "doc11" << "doc" << 2 << "doc (2)11";
        QTest::newRow("GflAx doc1 page 1") << "doc11" << "doc1" << 2 << "doc1 (2)1";
        QTest::newRow("Acrobat numbering") << "doc_Page_1" << "doc" << 2 << "doc (2)_Page_1";
        QTest::newRow("empty base name") << "-001" << "" << 2 << " (2)-001";
        QTest::newRow("not the file's name") << "other-001" << "doc" << 2 << "other-001 (2)";
    }
    void distinctGifNames()
    {
        QFETCH(QString, stem);
        QFETCH(QString, base);
        QFETCH(int, variant);
        QFETCH(QString, name);
        QCOMPARE(DistinctGifName(stem, base, variant), name);
    }

    // Later files of one run never replace an earlier file's GIFs: same base name, same full
    // name, a name up to the first dot; they are listed before "Done.". A GIF left by an earlier
    // run is replaced as before, and an unrelated file is left alone.
    void sameNamedFilesKeepAllTheirPages()
    {
        Fixture f;
        f.addPages(2);
        const QString a = f.addPdf(QStringLiteral("A/report.pdf"));
        const QString b = f.addPdf(QStringLiteral("B/report.pdf"));
        const QString v2 = f.addPdf(QStringLiteral("report.v2.pdf"));
        f.addPdf(QStringLiteral("other.pdf"));
        TestFiles::writeBytes(f.out + QStringLiteral("/unrelated.gif"), "keep me");
        TestFiles::writeBytes(f.out + QStringLiteral("/report-001.gif"), "from an earlier run");
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), (QStringList{"other-001.gif", "other-002.gif", "report (2)-001.gif", "report (2)-002.gif",
                                        "report (3)-001.gif", "report (3)-002.gif", "report-001.gif",
                                        "report-002.gif", "unrelated.gif"}));
        QFile kept(f.out + QStringLiteral("/unrelated.gif"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
        QCOMPARE(QImageReader(f.out + QStringLiteral("/report-001.gif")).format(), QByteArray("gif"));

        const QList<RenamedFile> renamed = run.lastReport().renamedFiles;
        QCOMPARE(renamed.size(), 2);
        QCOMPARE(renamed[0].pdf, b);
        QCOMPARE(renamed[0].gifs, (QStringList{"report (2)-001.gif", "report (2)-002.gif"}));
        QCOMPARE(renamed[1].pdf, v2);
        const QStringList texts = f.host.fakeDialogs.texts();
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts[1], QStringLiteral("Done."));
        QCOMPARE(f.host.fakeDialogs.boxes[0].icon, Dialogs::Icon::Information);
        const QStringList lines = texts[0].split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(QLatin1String("2 file(s) had the name of a file converted before them")), qPrintable(lines[0]));
        QCOMPARE(lines[1], b + QStringLiteral(": report (2)-001.gif to report (2)-002.gif (2 GIF files)"));
        QCOMPARE(lines[2], v2 + QStringLiteral(": report (3)-001.gif to report (3)-002.gif (2 GIF files)"));
        QVERIFY(!texts[0].contains(a));
        QVERIFY(run.lastReport().failedFiles().isEmpty());
    }
};

QTEST_MAIN(TestConversionRun)
#include "tst_conversionrun.moc"
