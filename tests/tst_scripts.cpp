// The shipped page scripts (ps/pdf2tiff.sh, bw/convert.sh) on their own, run as the methods run
// them: page numbers are PDF page numbers, only complete page images under their names, the exit
// status, first page only, current.pdf always removed, and how close a decoded page image comes
// to a lossless render of the same page.
#include "support/testsupport.h"
#include "engine/jpeg/pixelsum.h"
#include "tests/support/programs.h"
#include "tests/support/testpdfs.h"
#include "engine/methods/methods.h"
#include "sys/fileutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cmath>

namespace {

struct Script {
    QString folder;      // copied from the AppFolder
    QString name;        // the script in it
    QString pagesFolder; // where its page images land, inside its folder
    QString pageFormat;  // page image name for a page number
};

Script scriptOf(const QString &folder)
{
    if (folder == QLatin1String("bw"))
        return {folder, QStringLiteral("convert.sh"), QStringLiteral("current/"), QStringLiteral("page%1.jpg")};
    return {folder, QStringLiteral("pdf2tiff.sh"), QString(), QStringLiteral("current%1.jpg")};
}

QString pageName(const Script &s, int page)
{
    return s.pageFormat.arg(page, 5, 10, QLatin1Char('0'));
}

struct Outcome {
    int exitCode = -1;
    QString err;
    QString out;       // the events it told
    QStringList pages; // page image names, sorted
    QStringList left;  // every other file left in the script's folder and its page folder
};

// A hand-written PDF of three pages whose middle page is far too large for any page buffer,
// so Ghostscript can draw pages 1 and 3 but not 2.
QByteArray pdfWithUndrawablePage()
{
    QList<TestPdfs::Page> pages;
    for (int page = 1; page <= 3; ++page)
        pages << TestPdfs::Page{"0 0 1 rg 20 20 100 100 re f", page == 2 ? "[0 0 9e9 200]" : TestPdfs::box(200, 200), {}, false};
    return TestPdfs::withPages(pages);
}

// A page of flat colours, anti-aliased coloured text and lines, a gradient and a photograph-like
// image: the kinds of content whose colours a subsampled JPEG smears.
void writeColourPage(const QString &path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(306, 396), QPageSize::Point));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    p.fillRect(QRectF(0, 0, 306, 396), Qt::white);
    p.fillRect(QRectF(0, 0, 306, 60), QColor(30, 90, 200));
    p.setPen(QColor(200, 30, 40));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    p.drawText(QRectF(20, 70, 270, 120), Qt::TextWordWrap,
               QStringLiteral("Red text on white, then green lines and a blue gradient: edges where colour "
                              "changes within a pixel or two."));
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 8; ++i) {
        p.setPen(QPen(QColor::fromHsv(i * 45, 230, 200), 1.5));
        p.drawLine(QPointF(20, 200 + i * 6), QPointF(280, 230 + i * 3));
    }
    QLinearGradient gradient(0, 280, 306, 280);
    gradient.setColorAt(0, QColor(250, 240, 20));
    gradient.setColorAt(1, QColor(20, 40, 220));
    p.fillRect(QRectF(20, 260, 130, 50), gradient);
    QImage photo(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, 128 + int(100 * std::sin((x + y) / 9.0)), (y * 11) % 256));
    p.drawImage(QRectF(170, 260, 120, 90), photo);
}

using TestImages::psnr;

QImage readRgb(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// Runs `args` (no shell), failing the test when the program does not end normally.
QByteArray run(const QString &program, const QStringList &args, const QString &cwd = QString())
{
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

// Ghostscript's own render of `pdf` at 144 dpi through `device` into `out`, read back: the
// reference a page image is measured against. `options` come just before the file.
QImage ghostscriptRender(const QString &pdf, const QString &device, const QString &out, const QStringList &options)
{
    run(QStringLiteral("gs"), QStringList{QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                                          QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=") + device,
                                          QStringLiteral("-r144"), QStringLiteral("-sOutputFile=") + out}
                                  + options + QStringList{pdf});
    return readRgb(out);
}

} // namespace

class TestScripts : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_pathFirst; // a folder searched before PATH by the scripts run

    QString root() const { return m_temp->path(); }

    // Copies the script folder and hands it `pdf` as current.pdf; the folder.
    QString prepare(const Script &s, const QString &pdf)
    {
        const QString folder = root() + QLatin1Char('/') + s.folder;
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        copyShipped(s, folder);
        QFile::copy(pdf, folder + QStringLiteral("/current.pdf"));
        return folder;
    }

    // The script's folder, then the parts both scripts share over it, as the methods copy them.
    static void copyShipped(const Script &s, const QString &folder)
    {
        for (const QString &source : shippedFolders(s))
            for (const QString &name : QDir(source).entryList(QDir::Files)) {
                QFile::remove(folder + QLatin1Char('/') + name);
                QFile::copy(source + QLatin1Char('/') + name, folder + QLatin1Char('/') + name);
            }
    }
    // The script's folder and the parts both scripts share.
    static QStringList shippedFolders(const Script &s)
    {
        return {TestFiles::appFolder() + QLatin1Char('/') + s.folder, TestFiles::appFolder() + QStringLiteral("/shared")};
    }

    // Runs the script as the methods do.
    Outcome runScript(const Script &s, const QString &pdf, bool firstPageOnly = false, const QString &maxPending = QString(),
                      const QString &range = QString(), bool writer = false)
    {
        const QString folder = prepare(s, pdf);

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (writer)
            env.insert(QStringLiteral("LUMENPAGE_JPEG_WRITER"), jpegWriter());
        env.remove(QStringLiteral("LUMENPAGE_FIRST_PAGE_ONLY"));
        env.remove(QStringLiteral("LUMENPAGE_MAX_PENDING"));
        env.remove(QStringLiteral("LUMENPAGE_PAGES"));
        if (!range.isEmpty())
            env.insert(QStringLiteral("LUMENPAGE_PAGES"), range);
        if (firstPageOnly)
            env.insert(QStringLiteral("LUMENPAGE_FIRST_PAGE_ONLY"), QStringLiteral("1"));
        if (!maxPending.isEmpty())
            env.insert(QStringLiteral("LUMENPAGE_MAX_PENDING"), maxPending);
        if (!m_pathFirst.isEmpty())
            env.insert(QStringLiteral("PATH"), m_pathFirst + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder);
        p.start(QStringLiteral("/bin/sh"), {folder + QLatin1Char('/') + s.name});
        Outcome o;
        if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit)
            return o;
        o.exitCode = p.exitCode();
        o.err = QString::fromLocal8Bit(p.readAllStandardError());
        o.out = QString::fromLocal8Bit(p.readAllStandardOutput());

        QStringList shipped;
        for (const QString &source : shippedFolders(s))
            shipped << QDir(source).entryList(QDir::Files);
        for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
            if (!shipped.contains(name) && (s.pagesFolder.isEmpty() ? !name.endsWith(QLatin1String(".jpg")) : true))
                o.left << name;
        const QString pages = folder + QLatin1Char('/') + s.pagesFolder;
        for (const QString &name : QDir(pages).entryList(QDir::Files, QDir::Name)) {
            if (name.endsWith(QLatin1String(".jpg")))
                o.pages << name;
            else if (!s.pagesFolder.isEmpty())
                o.left << s.pagesFolder + name;
        }
        return o;
    }

    static QString jpegWriter() { return TestFiles::appFolder() + QStringLiteral("/lumenpage-jpeg"); }

    QString pagesPath(const Script &s) const { return root() + QLatin1Char('/') + s.folder + QLatin1Char('/') + s.pagesFolder; }

private slots:
    void initTestCase()
    {
        LP_SKIP_WITHOUT(TestPrograms::of(Method::Ghostscript));
    }

    void goneReaderDoesNotHangTheScript_data() { everyPageNumbered_data(); }
    // The program taking the pages while they are rendered is gone (killed, crashed) and the
    // script waits for it to take some: it gives up instead of waiting for ever, and still
    // removes its input.
    void goneReaderDoesNotHangTheScript()
    {
        QFETCH(QString, folder);
        const Script s = scriptOf(folder);
        const QString pdf = root() + QStringLiteral("/forty.pdf");
        TestFiles::writePdf(pdf, 40);
        const QString dir = prepare(s, pdf);
        // The reader is the shell that starts the script and ends a moment later.
        QProcess reader;
        reader.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), QStringLiteral("LUMENPAGE_MAX_PENDING=1 /bin/sh \"$1\" </dev/null >/dev/null 2>&1 & sleep 1"),
                      QStringLiteral("sh"), dir + QLatin1Char('/') + s.name});
        QVERIFY(reader.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::processesWorkingIn(dir).isEmpty(), 60000);
        QVERIFY(!QFile::exists(dir + QStringLiteral("/current.pdf")));
        QVERIFY(QDir(pagesPath(s)).entryList({QStringLiteral("*.jpg")}, QDir::Files).size() < 40);
    }

    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_pathFirst.clear();
    }

    void everyPageNumbered_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("ps") << QStringLiteral("ps");
        QTest::newRow("bw") << QStringLiteral("bw");
    }
    // Every page, numbered from 1 in page order (two Ghostscripts share a longer document), and
    // nothing else left behind.
    void everyPageNumbered()
    {
        QFETCH(QString, folder);
        const Script s = scriptOf(folder);
        const QString pdf = root() + QStringLiteral("/seven.pdf");
        TestFiles::writePdf(pdf, 7);
        const Outcome o = runScript(s, pdf);
        QCOMPARE(o.exitCode, 0);
        QStringList expected;
        for (int page = 1; page <= 7; ++page)
            expected << pageName(s, page);
        QCOMPARE(o.pages, expected);
        QCOMPARE(o.left, QStringList());
        // Each page image shows its own page: the band colour changes from page to page.
        const QImage p3 = readRgb(pagesPath(s) + pageName(s, 3));
        const QImage p4 = readRgb(pagesPath(s) + pageName(s, 4));
        QCOMPARE(p3.size(), QSize(1224, 1584));
        if (folder == QLatin1String("ps")) {
            const QColor band = p3.pixelColor(600, 100);
            QVERIFY2(qAbs(band.hue() - QColor::fromHsv((3 * 47) % 360, 200, 230).hue()) < 12, qPrintable(band.name()));
            QVERIFY(p3.pixelColor(600, 100) != p4.pixelColor(600, 100));
        }
    }

    void undrawablePageKeepsTheOthersNumbers_data() { everyPageNumbered_data(); }
    // Page 2 cannot be drawn (9e9 points wide, past the pixel limits at any resolution, and said
    // so): pages 1 and 3 keep their numbers, page 2 is said to have failed
    // (and its blank image never said to be complete), and the exit status says that not every
    // page was rendered.
    void undrawablePageKeepsTheOthersNumbers()
    {
        QFETCH(QString, folder);
        const Script s = scriptOf(folder);
        const QString pdf = root() + QStringLiteral("/broken.pdf");
        TestFiles::writeBytes(pdf, pdfWithUndrawablePage());
        const Outcome o = runScript(s, pdf);
        QVERIFY(o.exitCode != 0);
        QCOMPARE(o.pages, (QStringList{pageName(s, 1), pageName(s, 3)}));
        QVERIFY2(o.out.contains(QStringLiteral("\nfailed 2 toolarge\n")), qPrintable(o.out));
        QVERIFY2(o.out.contains(QStringLiteral("page 3 %1\n").arg(s.pagesFolder + pageName(s, 3))), qPrintable(o.out));
        QVERIFY2(!o.out.contains(QStringLiteral("page 2 ")), qPrintable(o.out));
        QCOMPARE(o.left, QStringList());
    }

    void notAPdf_data() { everyPageNumbered_data(); }
    void notAPdf()
    {
        QFETCH(QString, folder);
        const Script s = scriptOf(folder);
        const QString pdf = root() + QStringLiteral("/text.pdf");
        TestFiles::writeBytes(pdf, "just some text, no PDF at all\n");
        const Outcome o = runScript(s, pdf);
        QVERIFY(o.exitCode != 0);
        QVERIFY(!o.err.trimmed().isEmpty());
        QCOMPARE(o.pages, QStringList());
        QCOMPARE(o.left, QStringList());
        QVERIFY(!QFile::exists(root() + QLatin1Char('/') + folder + QStringLiteral("/current.pdf")));
    }

    void firstPageOnly_data() { everyPageNumbered_data(); }
    void firstPageOnly()
    {
        QFETCH(QString, folder);
        const Script s = scriptOf(folder);
        const QString pdf = root() + QStringLiteral("/twelve.pdf");
        TestFiles::writePdf(pdf, 12);
        const Outcome o = runScript(s, pdf, true);
        QCOMPARE(o.exitCode, 0);
        QCOMPARE(o.pages, QStringList{pageName(s, 1)});
        QCOMPARE(o.left, QStringList());
    }

    // With LUMENPAGE_MAX_PENDING a reader takes the pages while the document renders: never
    // more than that many wait, they come in page order, and the exit status still counts them.
    void boundedPendingPagesInOrder_data()
    {
        QTest::addColumn<bool>("writer");
        QTest::addColumn<bool>("pixels"); // the writer leaves each page's drawn pixels beside it
        QTest::newRow("cjpeg") << false << false;
        QTest::newRow("lumenpage-jpeg") << true << false;
        QTest::newRow("lumenpage-jpeg, keeping the pixels") << true << true;
    }
    void boundedPendingPagesInOrder()
    {
        QFETCH(bool, writer);
        QFETCH(bool, pixels);
        const Script s = scriptOf(QStringLiteral("ps"));
        const QString pdf = root() + QStringLiteral("/seven.pdf");
        TestFiles::writePdf(pdf, 7);
        const QString folder = root() + QStringLiteral("/ps");
        QDir().mkpath(folder);
        copyShipped(s, folder);
        QFile::copy(pdf, folder + QStringLiteral("/current.pdf"));

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LUMENPAGE_MAX_PENDING"), QStringLiteral("2"));
        if (writer)
            env.insert(QStringLiteral("LUMENPAGE_JPEG_WRITER"), jpegWriter());
        if (pixels)
            env.insert(QStringLiteral("LUMENPAGE_KEEP_PIXELS"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder);
        p.start(QStringLiteral("/bin/sh"), {folder + QStringLiteral("/pdf2tiff.sh")});
        QStringList taken, said;
        int mostWaiting = 0;
        QElapsedTimer clock;
        clock.start();
        auto waitingPages = [&] { return QDir(folder).entryList({QStringLiteral("current*.jpg")}, QDir::Files, QDir::Name); };
        for (;;) {
            const bool finished = p.state() == QProcess::NotRunning || p.waitForFinished(20);
            QStringList waiting = waitingPages();
            if (waiting.size() == 2 && !finished) {
                // Given time to render more, the script must hold back.
                QThread::msleep(700);
                waiting = waitingPages();
            }
            mostWaiting = std::max(mostWaiting, int(waiting.size()));
            if (waiting.size() >= 2 || (finished && !waiting.isEmpty())) {
                taken << waiting.first();
                const QString page = folder + QLatin1Char('/') + waiting.first();
                const QStringList beside = QDir(folder).entryList({waiting.first() + QStringLiteral(".*")}, QDir::Files);
                const QString drawn = folder + QLatin1Char('/') + beside.value(0);
                // Page 1 is compressed as it comes off the pipe, the others from a raw page:
                // either way the pixels beside it are those its page image holds, to the JPEG's
                // last bit of noise, and nothing else is left beside a page. The page's line
                // names them with their size and checksum (checked below).
                if (pixels) {
                    QCOMPARE(beside.size(), 1);
                    QVERIFY2(beside[0].endsWith(QLatin1String(".rgb")), qPrintable(beside[0]));
                    const QImage image(page);
                    QFile f(drawn);
                    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(drawn));
                    const QByteArray rgb = f.readAll();
                    QCOMPARE(rgb.size(), qsizetype(image.width()) * image.height() * 3);
                    const QImage raw(reinterpret_cast<const uchar *>(rgb.constData()), image.width(), image.height(),
                                     image.width() * 3, QImage::Format_RGB888);
                    QVERIFY(TestImages::psnr(raw, image) > 50);
                    PixelSum sum;
                    for (int y = 0; y < image.height(); ++y)
                        sum.addRow(reinterpret_cast<const unsigned char *>(rgb.constData()) + qsizetype(y) * image.width() * 3,
                                   size_t(image.width()) * 3);
                    said << QStringLiteral("page %1 %2 %3 %4 %5")
                                .arg(taken.size()).arg(waiting.first(), beside[0]).arg(rgb.size()).arg(sum.value(), 16, 16, QLatin1Char('0'));
                    QVERIFY(QFile::remove(drawn));
                }
                QCOMPARE(QDir(folder).entryList({waiting.first() + QStringLiteral(".*")}, QDir::Files), QStringList());
                QVERIFY(QFile::remove(page));
            } else if (finished) {
                break;
            }
            QVERIFY(clock.elapsed() < 120000);
        }
        QCOMPARE(p.exitCode(), 0);
        QStringList expected;
        for (int page = 1; page <= 7; ++page)
            expected << pageName(s, page);
        QCOMPARE(taken, expected);
        if (pixels) {
            QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
            lines.removeIf([](const QString &line) { return !line.startsWith(QLatin1String("page ")); });
            QCOMPARE(lines, said);
        }
        QVERIFY(mostWaiting <= 2);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/current.pdf")));
    }

    // For a reader, a long document is drawn by one Ghostscript after another, 50 pages each
    // (so that Ghostscript's memory does not grow with the document): every page image is
    // the one two Ghostscripts on the halves draw, under the same number; also when the
    // program's page image writer compresses them instead of cjpeg, and for a page range.
    void longDocumentForAReaderDrawnInRuns()
    {
        const Script s = scriptOf(QStringLiteral("ps"));
        const QString pdf = root() + QStringLiteral("/long.pdf");
        constexpr int pages = 105;
        TestFiles::writePdf(pdf, pages);
        const Outcome halves = runScript(s, pdf);
        QCOMPARE(halves.exitCode, 0);
        QCOMPARE(halves.pages.size(), pages);
        QHash<QString, QByteArray> drawn;
        for (const QString &name : halves.pages) {
            QFile f(pagesPath(s) + name);
            QVERIFY(f.open(QIODevice::ReadOnly));
            drawn.insert(name, f.readAll());
        }
        for (const auto &[range, writer] : {std::pair{QString(), false}, std::pair{QString(), true}, std::pair{QStringLiteral("2-3 7 60-"), true}}) {
            const Outcome runs = runScript(s, pdf, false, QStringLiteral("100000"), range, writer);
            QCOMPARE(runs.exitCode, 0);
            QCOMPARE(runs.pages, range.isEmpty() ? halves.pages : halves.pages.mid(1, 2) + halves.pages.mid(6, 1) + halves.pages.mid(59));
            QCOMPARE(runs.left, QStringList());
            for (const QString &name : runs.pages) {
                QFile f(pagesPath(s) + name);
                QVERIFY(f.open(QIODevice::ReadOnly));
                QVERIFY2(f.readAll() == drawn.value(name), qPrintable(name));
            }
        }
    }

    // Ghostscript starts are most of what a short document costs (about 45 ms of CPU each): a
    // reader's document is counted by the Ghostscript that draws its first pages, page 1 alone
    // needs no count, and only a long document takes more (ps: one per 50 pages; bw: two per
    // batch, the bitmaps and the JPEGs). Every start of the real Ghostscript is logged on the way.
    void ghostscriptStartsPerDocument_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("firstPageOnly");
        QTest::addColumn<QString>("maxPending");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("starts");
        QTest::newRow("ps: one page, for a reader") << QStringLiteral("ps") << 1 << false << QStringLiteral("100000") << QString() << 1;
        QTest::newRow("ps: three pages, for a reader") << QStringLiteral("ps") << 3 << false << QStringLiteral("100000") << QString() << 1;
        QTest::newRow("ps: page 1 alone") << QStringLiteral("ps") << 5 << true << QString() << QString() << 1;
        QTest::newRow("ps: 55 pages, for a reader") << QStringLiteral("ps") << 55 << false << QStringLiteral("100000") << QString() << 2;
        QTest::newRow("bw: three pages, for a reader") << QStringLiteral("bw") << 3 << false << QStringLiteral("2") << QString() << 2;
        QTest::newRow("bw: page 1 alone") << QStringLiteral("bw") << 5 << true << QString() << QString() << 2;
        QTest::newRow("bw: 20 pages, for a reader") << QStringLiteral("bw") << 20 << false << QStringLiteral("100") << QString() << 2;
        // A page range of 60 single pages: the count, then a Ghostscript per 50 pages (ps), or
        // the bitmaps and their JPEGs (bw), not a Ghostscript or two a page.
        QStringList singles;
        for (int page = 1; page < 120; page += 2)
            singles << QStringLiteral("%1-%1").arg(page);
        QTest::newRow("ps: 60 single pages of a range, for a reader") << QStringLiteral("ps") << 120 << false << QStringLiteral("100000")
                                                                     << singles.join(QLatin1Char(' ')) << 3;
        QTest::newRow("bw: 60 single pages of a range") << QStringLiteral("bw") << 120 << false << QString()
                                                        << singles.join(QLatin1Char(' ')) << 3;
    }
    void ghostscriptStartsPerDocument()
    {
        QFETCH(QString, folder);
        QFETCH(int, pages);
        QFETCH(bool, firstPageOnly);
        QFETCH(QString, maxPending);
        QFETCH(QString, range);
        QFETCH(int, starts);
        const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
        QVERIFY(!gs.isEmpty());
        const QString bin = root() + QStringLiteral("/bin");
        const QString log = root() + QStringLiteral("/gs-starts.log");
        QVERIFY(QDir().mkpath(bin));
        TestFiles::writeScript(bin + QStringLiteral("/gs"), "echo started >> '" + QFile::encodeName(log) + "'\nexec '"
                                                                  + QFile::encodeName(gs) + "' \"$@\"\n");
        m_pathFirst = bin;
        const Script s = scriptOf(folder);
        const QString pdf = root() + QStringLiteral("/doc.pdf");
        TestFiles::writePdf(pdf, pages);
        const Outcome o = runScript(s, pdf, firstPageOnly, maxPending, range);
        QCOMPARE(o.exitCode, 0);
        QCOMPARE(int(o.pages.size()), !range.isEmpty() ? int(range.count(QLatin1Char(' ')) + 1) : firstPageOnly ? 1 : pages);
        QCOMPARE(o.left, QStringList());
        QFile started(log);
        QVERIFY(started.open(QIODevice::ReadOnly));
        QCOMPARE(int(started.readAll().count('\n')), starts);
    }

    // The methods tell their script about "Convert First Page Only" through
    // LUMENPAGE_FIRST_PAGE_ONLY, and say nothing when it is not ticked.
    void methodsTellTheScriptFirstPageOnly_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("check5");
        QTest::addColumn<QString>("told");
        QTest::newRow("ps ticked") << QStringLiteral("ps") << 1 << QStringLiteral("[1]");
        QTest::newRow("ps not ticked") << QStringLiteral("ps") << 0 << QStringLiteral("[]");
        QTest::newRow("bw ticked") << QStringLiteral("bw") << 1 << QStringLiteral("[1]");
        QTest::newRow("bw not ticked") << QStringLiteral("bw") << 0 << QStringLiteral("[]");
    }
    void methodsTellTheScriptFirstPageOnly()
    {
        QFETCH(QString, folder);
        QFETCH(int, check5);
        QFETCH(QString, told);
        RunFixture f(folder == QLatin1String("bw") ? Method::BlackWhite : Method::Ghostscript);
        const QString app = root() + QStringLiteral("/app");
        const QString record = root() + QStringLiteral("/told.txt");
        const Script s = scriptOf(folder);
        QDir().mkpath(app + QLatin1Char('/') + folder);
        const QByteArray recordArg = QFile::encodeName(record);
        TestFiles::writeScript(app + QLatin1Char('/') + folder + QLatin1Char('/') + s.name,
                               "echo \"[$LUMENPAGE_FIRST_PAGE_ONLY]\" > '" + recordArg + "'\n"
                               "mkdir -p ./" + s.pagesFolder.toUtf8() + "\n"
                               "printf 'x' > ./" + (s.pagesFolder + pageName(s, 1)).toUtf8() + "\n"
                               "rm -f current.pdf\n");
        f.host.appFolderPath = app;
        f.host.check5Value = check5;
        const QString pdf = f.pdf(QStringLiteral("doc.pdf"), 2);
        qunsetenv("LUMENPAGE_FIRST_PAGE_ONLY");
        bool pagesProduced = false;
        QDir().mkpath(f.work);
        MethodContext ctx{f.host, f.work};
        if (folder == QLatin1String("bw"))
            pagesProduced = PDF_To_GIF_BW(ctx, pdf).pagesProduced;
        else
            pagesProduced = PDF_To_GIF_GS(ctx, pdf).pagesProduced;
        QVERIFY(pagesProduced);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(), told);
        // Only the script saw it.
        QVERIFY(!qEnvironmentVariableIsSet("LUMENPAGE_FIRST_PAGE_ONLY"));
    }

    // A colour page decoded from the Ghostscript script's page image is at least as close to the
    // lossless render (png16m, the same anti-aliasing) as a 4:4:4 quality-100 JPEG of that
    // render, and above 55 dB (Ghostscript's own JPEG writer, which subsamples colour, gave
    // 38 dB on such pages).
    void colourPageNearLossless()
    {
        const Script s = scriptOf(QStringLiteral("ps"));
        const QString pdf = root() + QStringLiteral("/colour.pdf");
        writeColourPage(pdf);
        const Outcome o = runScript(s, pdf);
        QCOMPARE(o.exitCode, 0);
        QCOMPARE(o.pages, QStringList{pageName(s, 1)});

        const QImage reference = ghostscriptRender(pdf, QStringLiteral("png16m"), root() + QStringLiteral("/lossless.png"),
                                                   {QStringLiteral("-dTextAlphaBits=4"), QStringLiteral("-dGraphicsAlphaBits=4")});
        QVERIFY(!reference.isNull());
        QVERIFY(reference.save(root() + QStringLiteral("/lossless.ppm")));
        run(QStringLiteral("cjpeg"), {QStringLiteral("-quality"), QStringLiteral("100"), QStringLiteral("-sample"), QStringLiteral("1x1"),
                                      QStringLiteral("-outfile"), root() + QStringLiteral("/q100-444.jpg"), root() + QStringLiteral("/lossless.ppm")});
        const double bar = psnr(readRgb(root() + QStringLiteral("/q100-444.jpg")), reference);
        const double got = psnr(readRgb(pagesPath(s) + pageName(s, 1)), reference);
        QVERIFY2(got >= bar - 0.01 && got >= 55,
                 qPrintable(QStringLiteral("page image %1 dB, 4:4:4 q100 JPEG %2 dB").arg(got).arg(bar)));
    }

    // A black-and-white page decoded from its page image stays near its lossless 1-bit bitmap.
    void blackAndWhitePageNearItsBitmap()
    {
        const Script s = scriptOf(QStringLiteral("bw"));
        const QString pdf = root() + QStringLiteral("/colour.pdf");
        writeColourPage(pdf);
        const Outcome o = runScript(s, pdf);
        QCOMPARE(o.exitCode, 0);
        const QImage reference = ghostscriptRender(pdf, QStringLiteral("pbmraw"), root() + QStringLiteral("/bitmap.pbm"),
                                                   {QStringLiteral("-c"), QStringLiteral("{0.5 lt {0} {1} ifelse} settransfer"),
                                                    QStringLiteral("-f")});
        QVERIFY(!reference.isNull());
        const double got = psnr(readRgb(pagesPath(s) + pageName(s, 1)), reference);
        QVERIFY2(got >= 55, qPrintable(QStringLiteral("%1 dB").arg(got)));
    }
};

QTEST_MAIN(TestScripts)
#include "tst_scripts.moc"
