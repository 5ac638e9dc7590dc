// The shared test inputs themselves: the suites' bad-input cases mean something only if the
// damaged PDF really is refused, the locked one really asks for its password, and the written
// pages really are what they say. And a missing program is named, not silently passed.

#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "tests/support/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <poppler-qt6.h>

#include <cmath>
#include <memory>

class TestSupportFiles : public QObject {
    Q_OBJECT
private slots:
    void writtenPagesOpenWithTheirSizes()
    {
        const QByteArray pdf = TestPdfs::withPages({
            TestPdfs::Page{"0 0 1 rg 10 10 50 50 re f", TestPdfs::box(200, 300), {}, false},
            TestPdfs::Page{QByteArray("q ").repeated(1000) + "0 1 0 rg 0 0 20 20 re f", TestPdfs::box(612, 792), {}, true},
        });
        const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
        QVERIFY(document);
        QVERIFY(!document->isLocked());
        QCOMPARE(document->numPages(), 2);
        QCOMPARE(document->page(0)->pageSizeF(), QSizeF(200, 300));
        QCOMPARE(document->page(1)->pageSizeF(), QSizeF(612, 792));
        // The compressed stream is drawn as written: a green corner on white.
        const QImage page = document->page(1)->renderToImage(72, 72);
        QCOMPARE(page.pixelColor(5, page.height() - 5), QColor(0, 255, 0));
        QCOMPARE(page.pixelColor(100, 100), QColor(Qt::white));
    }

    void damagedIsRefused()
    {
        const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(TestPdfs::damaged());
        QVERIFY(!document || document->numPages() == 0);
    }

    void lockedAsksForItsPassword()
    {
        LP_SKIP_WITHOUT("gs");
        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
        const QString locked = dir.filePath(QStringLiteral("locked copy.pdf"));
        TestFiles::writePdf(plain, 2);
        QVERIFY(TestPdfs::writeLocked(plain, locked, QStringLiteral("secret")));
        const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(locked);
        QVERIFY(document);
        QVERIFY(document->isLocked());
        QVERIFY(!document->unlock("owner", "secret"));
        QCOMPARE(document->numPages(), 2);
        // A file Ghostscript cannot read gives no copy and says so.
        QVERIFY(!TestPdfs::writeLocked(dir.filePath(QStringLiteral("none.pdf")), dir.filePath(QStringLiteral("x.pdf"))));
    }

    void psnrOfKnownDifferences()
    {
        QImage a(40, 30, QImage::Format_RGB32);
        a.fill(qRgb(100, 150, 200));
        QCOMPARE(TestImages::psnr(a, a.convertToFormat(QImage::Format_RGB888)), double(INFINITY));
        // One level off in one channel of every pixel: a mean square error of 1/3.
        QImage b = a;
        b.fill(qRgb(101, 150, 200));
        QCOMPARE(qRound(TestImages::psnr(a, b) * 100), qRound(10 * std::log10(255.0 * 255.0 * 3) * 100));
        QCOMPARE(TestImages::psnr(a, a.copy(0, 0, 40, 29)), -1.0);
    }

    void missingProgramsAreNamed()
    {
        QCOMPARE(TestPrograms::missing({QStringLiteral("sh")}), QString());
        QCOMPARE(TestPrograms::missing({}), QString());
        const QString one = TestPrograms::missing({QStringLiteral("sh"), QStringLiteral("no-such-program-lp"),
                                                   QStringLiteral("no-such-program-lp")});
        QCOMPARE(one, QStringLiteral("not installed: no-such-program-lp (Debian package no-such-program-lp); "
                                     "this test needs it"));
        QVERIFY(TestPrograms::of(Method::Ghostscript).contains(QStringLiteral("cjpeg")));
        QVERIFY(TestPrograms::of(Method::GflAx).isEmpty());
    }
};

QTEST_MAIN(TestSupportFiles)
#include "tst_testsupport.moc"
