// Page images must be whole: a JPEG that decodes only with complaints is an undecodable page.
#include "support/testsupport.h"
#include "engine/run/conversionrun.h"
#include "engine/encode/pageimage.h"
#include "sys/fileutil.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QtTest>

namespace {

QByteArray jpegOf(const QImage &image, int quality = 95)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

QImage page()
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(0, 0, 640, 120, QColor(200, 40, 30));
    p.fillRect(0, 360, 640, 120, QColor(20, 60, 220));
    p.setPen(Qt::black);
    p.drawText(QRect(0, 120, 640, 240), Qt::AlignCenter, QStringLiteral("Page"));
    return image;
}

} // namespace

class TestPageImage : public QObject {
    Q_OBJECT

private slots:
    // A whole file decodes to what Qt's own reader gives, pixel for pixel, colour and grey.
    void wholeFilesDecodeAsQtDoes()
    {
        for (const QImage &source : {page(), page().convertToFormat(QImage::Format_Grayscale8)}) {
            const QByteArray bytes = jpegOf(source);
            QImage ours, qts;
            QString why;
            QVERIFY2(PageImage::decode(bytes, &ours, &why), qPrintable(why));
            QVERIFY(qts.loadFromData(bytes));
            QCOMPARE(ours.format(), qts.format());
            QCOMPARE(ours, qts);
        }
    }

    // Cut short anywhere, or damaged inside while its end stays intact: refused with a reason,
    // where Qt's reader warns and fills the rest with grey.
    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray whole = jpegOf(page());
        QTest::newRow("half") << whole.left(whole.size() / 2);
        QTest::newRow("all but the end marker") << whole.left(whole.size() - 2);
        QTest::newRow("header only") << whole.left(600);
        QByteArray middle = whole;
        for (qsizetype i = whole.size() / 2; i < whole.size() / 2 + 64; ++i)
            middle[i] = char(0xFF);
        QTest::newRow("corrupt middle") << middle;
        QByteArray cutInside = whole.left(whole.size() * 2 / 3) + QByteArray("\xFF\xD9", 2);
        QTest::newRow("cut, end marker kept") << cutInside;
        QTest::newRow("not an image") << QByteArray("\xFF\xD8\xFF garbage \xFF\xD9", 14);
    }
    void damagedFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QImage image(10, 10, QImage::Format_RGB32);
        QString why;
        QVERIFY(!PageImage::decode(bytes, &image, &why));
        QVERIFY(image.isNull());
        QVERIFY(!why.isEmpty());
    }

    // Through the run: the truncated page gives no GIF and a box naming it; the pages around it
    // convert.
    void truncatedPageGivesNoGif()
    {
        RunFixture f(Method::Ghostscript);
        const QString app = f.root.path() + QStringLiteral("/app");
        QDir().mkpath(app + QStringLiteral("/ps"));
        const QByteArray whole = jpegOf(page());
        TestFiles::writeBytes(f.root.path() + QStringLiteral("/whole.jpg"), whole);
        TestFiles::writeBytes(f.root.path() + QStringLiteral("/cut.jpg"), whole.left(whole.size() / 2));
        const QByteArray from = QFile::encodeName(f.root.path());
        // Page 3 cannot be drawn; the pages are taken while the script still runs.
        TestFiles::writeScript(app + QStringLiteral("/ps/pdf2tiff.sh"),
                               "echo count 4\n"
                               "cp '" + from + "/whole.jpg' p && mv p current00001.jpg && echo page 1 current00001.jpg\n"
                               "cp '" + from + "/cut.jpg' p && mv p current00002.jpg && echo page 2 current00002.jpg\n"
                               "echo failed 3 crash\n"
                               "cp '" + from + "/whole.jpg' p && mv p current00004.jpg && echo page 4 current00004.jpg\n"
                               "sleep 1; rm -f current.pdf; exit 1\n");
        f.host.appFolderPath = app;
        f.host.entries << f.pdf(QStringLiteral("doc.pdf"), 4);
        ConversionRun run(f.host);
        run.start();
        QCOMPARE(f.gifs(), (QStringList{"doc-001.gif", "doc-004.gif"}));
        const QStringList texts = f.host.fakeDialogs.texts();
        const QStringList invalid = texts.filter(QStringLiteral("Invalid picture: doc-002.jpg"));
        const QStringList partial = texts.filter(QStringLiteral("Not every page of "));
        QVERIFY2(invalid.size() == 1 && partial.size() == 1, qPrintable(texts.join(QLatin1Char('\n'))));
        // The method's box first, as when nothing is encoded meanwhile; it says which page and
        // why, in the user's names only.
        QVERIFY2(texts.indexOf(partial[0]) < texts.indexOf(invalid[0]), qPrintable(texts.join(QLatin1Char('\n'))));
        QCOMPARE(partial[0].count(f.host.entries[0]), 1);
        QVERIFY2(partial[0].endsWith(QLatin1String(": page(s) 3 could not be rendered: page 3 could not be drawn: Ghostscript ended while drawing it")),
                 qPrintable(partial[0]));
    }
};

QTEST_MAIN(TestPageImage)
#include "tst_pageimage.moc"
