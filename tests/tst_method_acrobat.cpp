// The Acrobat method and its poppler-backed stand-ins, on PDFs made for each test.
#include "support/testsupport.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "engine/methods/acrobat.h"
#include "engine/run/conversionrun.h"
#include "engine/methods/methods.h"
#include "engine/render/pdfpages.h"
#include "sys/errortrap.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <poppler-qt6.h>

namespace {

struct Fixture : RunFixture {
    Fixture() : RunFixture(Method::Acrobat) {}
};

} // namespace

class TestMethodAcrobat : public QObject {
    Q_OBJECT
private slots:
    // Every page through the run, "Convert First Page Only" notwithstanding, at 144 dpi.
    void convertsEveryPage()
    {
        Fixture f;
        f.host.entries << f.pdf(QStringLiteral("report.pdf"), 3);
        f.host.check5Value = 1;
        f.host.pages = QStringLiteral("1");
        f.host.resolution = QStringLiteral("72");
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), (QStringList{"report_Page_1.gif", "report_Page_2.gif", "report_Page_3.gif"}));
        QCOMPARE(f.host.fakeDialogs.texts(), QStringList{QStringLiteral("Done.")});
        QVERIFY(run.pagesProduced());
        QCOMPARE(f.tempEntries(), QStringList());

        QImage page2;
        QVERIFY(QImageReader(f.out + QStringLiteral("/report_Page_2.gif")).read(&page2));
        QCOMPARE(page2.size(), QSize(1224, 1584));
        const QColor band = page2.pixelColor(600, 100);
        QVERIFY2(qAbs(band.hue() - 94) < 12, qPrintable(band.name()));
    }

    // Files it cannot open give "Could not create GIF on " even after a file that succeeded,
    // and are not failures of the method: no ErrorBox.
    void unopenableFilesAreNotConverted()
    {
        Fixture f;
        const QString good = f.pdf(QStringLiteral("good.pdf"), 2);
        const QString corrupt = f.docs + QStringLiteral("/corrupt.pdf");
        TestFiles::writeBytes(corrupt, TestPdfs::damaged());
        const QString text = f.docs + QStringLiteral("/notes.pdf");
        TestFiles::writeBytes(text, "just some text\n");
        const QString locked = f.docs + QStringLiteral("/locked.pdf");
        LP_SKIP_WITHOUT("gs"); // it locks the PDF
        QVERIFY(TestPdfs::writeLocked(good, locked));
        const QString missing = f.docs + QStringLiteral("/missing.pdf");
        const QStringList bad{corrupt, text, locked, missing};
        f.host.entries << good << bad;
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), (QStringList{"good_Page_1.gif", "good_Page_2.gif"}));
        QStringList expected;
        for (const QString &path : bad)
            expected << QStringLiteral("Could not create GIF on ") + path;
        expected << QStringLiteral("Done.");
        QCOMPARE(f.host.fakeDialogs.texts(), expected);
        QVERIFY(!run.pagesProduced());
        QCOMPARE(run.lastReport().failedFiles(), bad);
    }

    // The target is WorkFolder/<first name piece>.jpg; the page files come from its base name.
    void targetComesFromTheFirstNamePiece()
    {
        Fixture f;
        QDir().mkpath(f.work);
        bool pagesProduced = false;
        MethodContext ctx{f.host, f.work};
        pagesProduced = PDF_To_GIF_Acro(ctx, f.pdf(QStringLiteral("my.report.pdf"), 2)).pagesProduced;
        QVERIFY(pagesProduced);
        QCOMPARE(ListFiles(f.work, QStringLiteral("*")), (QStringList{"my_Page_1.jpg", "my_Page_2.jpg"}));
        QVERIFY(f.host.fakeDialogs.boxes.isEmpty());
    }

    // The stand-ins on their own: another conversion, a closed document, no open document.
    void saveAsRefusesWhatItCannotDo()
    {
        Fixture f;
        const QString pdf = f.pdf(QStringLiteral("doc.pdf"), 2);
        const QString target = f.out + QStringLiteral("/doc.jpg");
        AcroPDDoc doc;
        QVERIFY_THROWS_EXCEPTION(Failure, doc.GetJSObject());
        QVERIFY(!doc.Open(f.docs + QStringLiteral("/missing.pdf")));
        QVERIFY(doc.openError().contains(QLatin1String("was not found")));
        QVERIFY(doc.Open(pdf));
        std::unique_ptr<AcroJSObject> js = doc.GetJSObject();
        try {
            js->SaveAs(target, QStringLiteral("com.adobe.acrobat.png"));
            QFAIL("saved with another conversion");
        } catch (const Failure &e) {
            QVERIFY2(e.description().contains(QLatin1String("\"com.adobe.acrobat.png\"")), e.what());
        }
        QCOMPARE(QDir(f.out).entryList(QDir::Files), QStringList());
        js->SaveAs(target, AcroJSObject::JpegConversion);
        QCOMPARE(QDir(f.out).entryList(QDir::Files, QDir::Name), (QStringList{"doc_Page_1.jpg", "doc_Page_2.jpg"}));
        doc.Close();
        QVERIFY_THROWS_EXCEPTION(Failure, js->SaveAs(target, AcroJSObject::JpegConversion));
        doc.Close();
    }

    // A page too large for 144 dpi is written at the largest resolution within the limits
    // rather than not at all. Only the resolution is computed here: rendering it would take
    // half a gigabyte.
    void oversizedPageGetsAFittingResolution()
    {
        Fixture f;
        QString why;
        const auto poster = PdfPages::open(f.pdf(QStringLiteral("poster.pdf"), 1, QSizeF(14400, 14400)), &why);
        QVERIFY2(poster, qPrintable(why));
        QVERIFY(PdfPages::tooLarge(PdfPages::pixelSize(*poster, 0, AcroJSObject::JpegDpi)));
        const double dpi = PdfPages::fittingDpi(*poster, 0, AcroJSObject::JpegDpi);
        QVERIFY(!PdfPages::tooLarge(PdfPages::pixelSize(*poster, 0, dpi)));
        QVERIFY(PdfPages::pixelSize(*poster, 0, dpi).width() > 11000);

        const auto letter = PdfPages::open(f.pdf(QStringLiteral("letter.pdf"), 1), &why);
        QCOMPARE(PdfPages::fittingDpi(*letter, 0, AcroJSObject::JpegDpi), AcroJSObject::JpegDpi);
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
            const QString saved = f.out + QStringLiteral("/three_Page_%1").arg(n) + extension;
            const QString difference =
                TestImages::differenceFromDrawn(f.host.imaging, saved, drawn, mimeType, f.root.path() + QStringLiteral("/again.gif"));
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
        QCOMPARE(f.tempEntries(), QStringList());
    }
};

QTEST_MAIN(TestMethodAcrobat)
#include "tst_method_acrobat.moc"
