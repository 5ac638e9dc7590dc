// The GflAx method and its poppler-backed component, on PDFs made for each test.
#include "support/testsupport.h"
#include "tests/support/testpdfs.h"
#include "engine/run/conversionrun.h"
#include "engine/methods/gflax.h"
#include "engine/methods/methods.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

struct Fixture : RunFixture {
    bool pagesProduced = false;
    MethodContext ctx{host, QString()};
    Fixture() : RunFixture(Method::GflAx)
    {
        QDir().mkpath(work);
        ctx.workFolder = work;
    }
    QStringList jpgs() const { return ListFiles(work, QStringLiteral("*.jpg")); }
    QStringList texts() const { return host.fakeDialogs.texts(); }
};

QStringList numbered(const QString &base, int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << base + QString::number(i) + QStringLiteral(".jpg");
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

} // namespace

class TestMethodGflax : public QObject {
    Q_OBJECT
    QTemporaryDir m_shared;
    QString m_tenPages;

private slots:
    void initTestCase()
    {
        m_tenPages = m_shared.path() + QStringLiteral("/report.pdf");
        TestFiles::writePdf(m_tenPages, 10);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks anywhere") << " 1 4\t4\n" << 144.0;
        QTest::newRow("word ends it") << "2 pages" << 2.0;
        QTest::newRow("sign and fraction") << "-.5" << -0.5;
        QTest::newRow("exponent with blank") << "2 e-1" << 0.2;
        QTest::newRow("runtime's D exponent") << "1D2" << 100.0;
        QTest::newRow("e without digits") << "3 each" << 3.0;
        QTest::newRow("comma ends it") << "1,5" << 1.0;
        QTest::newRow("no number") << "--1" << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(LeadingNumber(text), value);
    }

    // The count is read once, rounded half to even; nothing is reported for any of these.
    void pageCount_data()
    {
        QTest::addColumn<QString>("pages");
        QTest::addColumn<int>("written");
        QTest::newRow("3 of 10") << "3" << 3;
        QTest::newRow("2.5 rounds to even") << "2.5" << 2;
        QTest::newRow("3.5 rounds to even") << "3.5" << 4;
        QTest::newRow("digit, blank, word") << "2 pages" << 2;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("no number") << "abc" << 0;
        QTest::newRow("negative") << "-4" << 0;
        QTest::newRow("whole document") << "10" << 10;
    }
    void pageCount()
    {
        QFETCH(QString, pages);
        QFETCH(int, written);
        Fixture f;
        f.host.pages = pages;
        f.pagesProduced = PDF_To_GIF_GFAX(f.ctx, m_tenPages).pagesProduced;
        QCOMPARE(f.jpgs(), numbered(QStringLiteral("report"), written));
        QCOMPARE(f.pagesProduced, written > 0); // nothing written is nothing produced
        QCOMPARE(f.texts(), QStringList());
    }

    void resolutionScalesThePage()
    {
        Fixture f;
        f.host.pages = QStringLiteral("1");
        f.host.resolution = QStringLiteral("144");
        f.pagesProduced = PDF_To_GIF_GFAX(f.ctx, m_tenPages).pagesProduced;
        QImage at144;
        QVERIFY(QImageReader(f.work + QStringLiteral("/report1.jpg")).read(&at144));
        f.host.resolution = QStringLiteral("288");
        f.pagesProduced = PDF_To_GIF_GFAX(f.ctx, m_tenPages).pagesProduced;
        QImage at288;
        QVERIFY(QImageReader(f.work + QStringLiteral("/report1.jpg")).read(&at288));
        QCOMPARE(at144.size(), QSize(1224, 1584));
        QCOMPARE(at288.size(), QSize(2 * at144.width(), 2 * at144.height()));
        // It is the page: the band of page 1 on top, white paper below.
        const QColor band = at144.pixelColor(600, 100);
        QVERIFY2(qAbs(band.hue() - 47) < 12, qPrintable(band.name()));
        QVERIFY(at144.pixelColor(600, 1500).lightness() > 240);
    }

    // A count past the end: the pages that exist, then one report naming the first missing page
    // and the document's count, and no second report for the save of that page.
    void countPastTheEndIsReportedOnce()
    {
        Fixture f;
        f.host.pages = QStringLiteral("32767");
        const QString three = f.pdf(QStringLiteral("three.pdf"), 3);
        f.pagesProduced = PDF_To_GIF_GFAX(f.ctx, three).pagesProduced;
        QCOMPARE(f.jpgs(), numbered(QStringLiteral("three"), 3));
        QCOMPARE(f.texts().size(), 1);
        const QString text = f.texts().first();
        QVERIFY2(text.startsWith(QStringLiteral("Page 4 is past the end of ") + three + QStringLiteral(", which has 3 page(s)")),
                 qPrintable(text));
        QVERIFY(text.contains(QLatin1String("PDF_To_GIF_GFAX at line 112")));
        QVERIFY(f.pagesProduced);
    }

    void unusableCountsAndResolutions_data()
    {
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("resolution");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("says");
        QTest::newRow("count over 32767") << "32768" << "144" << 106 << "too large";
        QTest::newRow("count 1e9") << "1e9" << "144" << 106 << "at most 32767 pages";
        QTest::newRow("count overflows a double") << "1e999" << "144" << 106 << "too large";
        QTest::newRow("resolution 0") << "3" << "" << 112 << "must be a number of dots per inch above 0";
        QTest::newRow("negative resolution") << "3" << "-144" << 112 << "above 0";
    }
    // Each is refused in one report and writes nothing; nothing huge is allocated.
    void unusableCountsAndResolutions()
    {
        QFETCH(QString, pages);
        QFETCH(QString, resolution);
        QFETCH(int, line);
        QFETCH(QString, says);
        Fixture f;
        f.host.pages = pages;
        f.host.resolution = resolution;
        f.pagesProduced = PDF_To_GIF_GFAX(f.ctx, m_tenPages).pagesProduced;
        QCOMPARE(f.jpgs(), QStringList());
        QCOMPARE(f.texts().size(), 1);
        QVERIFY2(f.texts()[0].contains(says), qPrintable(f.texts()[0]));
        QVERIFY(f.texts()[0].contains(QStringLiteral("PDF_To_GIF_GFAX at line %1").arg(line)));
        QVERIFY(!f.pagesProduced);
    }

    // Too many pixels fails each such page with the size it would have had, before anything
    // is allocated.
    void oversizedPageFailsAlone()
    {
        Fixture f;
        const QString poster = f.pdf(QStringLiteral("poster.pdf"), 2, QSizeF(14400, 14400));
        f.host.pages = QStringLiteral("2");
        f.host.resolution = QStringLiteral("1152");
        f.pagesProduced = PDF_To_GIF_GFAX(f.ctx, poster).pagesProduced;
        QCOMPARE(f.jpgs(), QStringList());
        QCOMPARE(f.texts().size(), 2);
        QVERIFY2(f.texts()[0].contains(QLatin1String("(230400 x 230400)")), qPrintable(f.texts()[0]));
        QVERIFY(f.texts()[1].startsWith(QLatin1String("Page 2 of")));
    }

    // An unreadable file is one report, not one or two per page.
    void unreadableFileIsReportedOnce()
    {
        Fixture f;
        const QString corrupt = f.docs + QStringLiteral("/corrupt.pdf");
        TestFiles::writeBytes(corrupt, TestPdfs::damaged());
        f.host.pages = QStringLiteral("5");
        f.pagesProduced = PDF_To_GIF_GFAX(f.ctx, corrupt).pagesProduced;
        QCOMPARE(f.texts().size(), 1);
        QVERIFY(f.texts()[0].startsWith(QStringLiteral("Cannot load page 1: ") + corrupt));
        QVERIFY(f.texts()[0].contains(QLatin1String("at line 112")));
        QCOMPARE(f.jpgs(), QStringList());
    }

    // The component on its own: no save without a loaded page, in particular not the page
    // loaded before a failed load; only format 1.
    void componentNeverSavesAStalePage()
    {
        Fixture f;
        GflAx gfl;
        const QString target = f.work + QStringLiteral("/x.jpg");
        try {
            gfl.saveBitmap(target);
            QFAIL("saved without a page");
        } catch (const Failure &e) {
            QCOMPARE(FaultOf(e), Fault::NoPage);
        }
        gfl.Page = 10;
        gfl.LoadBitmap(m_tenPages);
        gfl.Page = 11;
        QVERIFY_THROWS_EXCEPTION(Failure, gfl.LoadBitmap(m_tenPages));
        QVERIFY_THROWS_EXCEPTION(Failure, gfl.saveBitmap(target));
        QVERIFY(!PathExists(target));

        gfl.Page = 1;
        gfl.LoadBitmap(m_tenPages);
        gfl.Saveformat = 2;
        QVERIFY_THROWS_EXCEPTION(Failure, gfl.saveBitmap(target));
        QVERIFY(!PathExists(target));
        gfl.Saveformat = GflAx::FormatJpeg;
        QVERIFY_THROWS_EXCEPTION(Failure, gfl.saveBitmap(f.root.path() + QStringLiteral("/no such folder/x.jpg")));
        gfl.saveBitmap(target);
        QVERIFY(IsExistingFile(target));
    }

    // Through the run: a.b.pdf gives a1.gif, a2.gif, and the run reports nothing but "Done.".
    void runNamesTheGifs()
    {
        Fixture f;
        f.host.entries << f.pdf(QStringLiteral("a.b.pdf"), 3);
        f.host.pages = QStringLiteral("2");
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(QDir(f.out).entryList(QDir::Files, QDir::Name), (QStringList{"a1.gif", "a2.gif"}));
        QCOMPARE(f.texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(f.tempEntries(), QStringList());
    }

    void noPageIsAFailedFile_data()
    {
        QTest::addColumn<QString>("pages");
        for (const char *pages : {"", "0", "abc", "-5"})
            QTest::newRow(pages) << QString::fromLatin1(pages);
    }
    // Through the run, a count that renders nothing fails the file; "Done." still follows.
    void noPageIsAFailedFile()
    {
        QFETCH(QString, pages);
        Fixture f;
        const QString pdf = f.pdf(QStringLiteral("doc.pdf"), 2);
        f.host.entries << pdf;
        f.host.pages = pages;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.texts(), (QStringList{QStringLiteral("Could not create GIF on ") + pdf, QStringLiteral("Done.")}));
        QCOMPARE(run.lastReport().failedFiles(), QStringList{pdf});
        QCOMPARE(QDir(f.out).entryList(QDir::Files), QStringList());
    }

    // Page 11 of doc.pdf and page 1 of doc1.pdf are both "doc11": all 12 pages keep a GIF.
    void numberedNamesDoNotCollide()
    {
        Fixture f;
        f.host.entries << f.pdf(QStringLiteral("doc.pdf"), 11) << f.pdf(QStringLiteral("doc1.pdf"), 1);
        f.host.pages = QStringLiteral("11");
        ConversionRun run(f.host);
        run.start();
        QStringList expected = numbered(QStringLiteral("doc"), 11).replaceInStrings(QStringLiteral(".jpg"), QStringLiteral(".gif"));
        expected << QStringLiteral("doc1 (2)1.gif");
        std::sort(expected.begin(), expected.end());
        QCOMPARE(QDir(f.out).entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(run.lastReport().renamedFiles.size(), 1);
        QCOMPARE(run.lastReport().renamedFiles[0].gifs, QStringList{QStringLiteral("doc1 (2)1.gif")});
        // doc1.pdf has one page: the other ten loads report once that it is past the end.
        QCOMPARE(f.texts().last(), QStringLiteral("Done."));
        QCOMPARE(f.texts().filter(QStringLiteral("Page 2 is past the end")).size(), 1);
    }

    // What poppler drew is what is saved, every page alike: a PNG or TIFF holds the renderer's
    // own lossless render pixel for pixel (no JPEG in between), and a GIF is the one the
    // encoder makes of that render; no drawn pixels are left behind.
    void pagesHoldWhatPopplerDrew_data()
    {
        QTest::addColumn<QString>("mimeType");
        QTest::newRow("GIF") << QStringLiteral("image/gif");
        QTest::newRow("PNG") << QStringLiteral("image/png");
        QTest::newRow("TIFF") << QStringLiteral("image/tiff");
    }
    void pagesHoldWhatPopplerDrew()
    {
        QFETCH(QString, mimeType);
        Fixture f;
        const QString extension = f.host.imaging.extensionOf(mimeType);
        if (extension.isEmpty())
            QSKIP("no encoder of this format here");
        constexpr int pages = 3;
        const QString pdf = f.pdf(QStringLiteral("three.pdf"), pages);
        f.host.entries << pdf;
        f.host.format.mimeType = mimeType;
        f.host.pages = QString::number(pages);
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(run.lastReport().failedFiles(), QStringList());
        for (int n = 1; n <= pages; ++n) {
            const QImage drawn = TestImages::popplerPage(pdf, n, 144);
            QVERIFY(!drawn.isNull());
            const QString saved = f.out + QStringLiteral("/three%1").arg(n) + extension;
            const QString difference =
                TestImages::differenceFromDrawn(f.host.imaging, saved, drawn, mimeType, f.root.path() + QStringLiteral("/again.gif"));
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
        QCOMPARE(f.tempEntries(), QStringList());
    }
};

QTEST_MAIN(TestMethodGflax)
#include "tst_method_gflax.moc"
