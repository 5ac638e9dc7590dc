// The GIF writer: indexed pictures written through giflib and read back by giflib unchanged,
// with colour tables of every size, and refusals that write nothing; animated GIFs whole or absent.
#include "engine/encode/animation.h"
#include "engine/encode/gifencoder.h"
#include "engine/encode/lzwcoder.h"

#include "sys/errortrap.h"

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <gif_lib.h>
#include <sys/resource.h>

namespace {

int readFromBuffer(GifFileType *gif, GifByteType *to, int length)
{
    return static_cast<int>(static_cast<QBuffer *>(gif->UserData)->read(reinterpret_cast<char *>(to), length));
}

// What giflib reads back: the screen size, the global colour table, and the first image's indices.
struct Decoded {
    bool ok = false;
    int width = 0, height = 0, imageCount = 0;
    std::vector<PaletteColour> colourTable;
    std::vector<uint8_t> pixels;
    QList<QRect> rects;      // every image's
    QList<bool> localTables; // whether each image has a table of its own
};

Decoded decode(const QByteArray &bytes)
{
    Decoded d;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    int error = 0;
    GifFileType *gif = DGifOpen(&buffer, readFromBuffer, &error);
    if (!gif)
        return d;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 && gif->SColorMap) {
        d.ok = true;
        d.width = gif->SWidth;
        d.height = gif->SHeight;
        d.imageCount = gif->ImageCount;
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType c = gif->SColorMap->Colors[i];
            d.colourTable.push_back({c.Red, c.Green, c.Blue});
        }
        for (int i = 0; i < gif->ImageCount; ++i) {
            const GifImageDesc &desc = gif->SavedImages[i].ImageDesc;
            d.rects << QRect(desc.Left, desc.Top, desc.Width, desc.Height);
            d.localTables << (desc.ColorMap != nullptr);
        }
        const SavedImage &frame = gif->SavedImages[0];
        d.pixels.assign(frame.RasterBits, frame.RasterBits + frame.ImageDesc.Width * frame.ImageDesc.Height);
    }
    DGifCloseFile(gif, &error);
    return d;
}

IndexedImage picture(int w, int h, int colours)
{
    IndexedImage p;
    p.width = w;
    p.height = h;
    for (int i = 0; i < colours; ++i)
        p.palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.pixels.push_back(static_cast<uint8_t>((x * 3 + y * 5) % colours));
    return p;
}

} // namespace

class TestGifEncoder : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("tableSize"); // a power of two, at least 2
        QTest::newRow("one colour") << 1 << 2;
        QTest::newRow("two") << 2 << 2;
        QTest::newRow("three") << 3 << 4;
        QTest::newRow("seventeen") << 17 << 32;
        QTest::newRow("256") << 256 << 256;
    }
    // Every index and every palette colour comes back as written; the table is padded to a
    // power of two.
    void roundTrip()
    {
        QFETCH(int, colours);
        QFETCH(int, tableSize);
        const IndexedImage p = picture(37, 23, colours);
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY2(writeIndexedGif(p, buffer, &error), qPrintable(error));
        QVERIFY(buffer.data().startsWith("GIF8"));
        const Decoded d = decode(buffer.data());
        QVERIFY(d.ok);
        QCOMPARE(d.width, 37);
        QCOMPARE(d.height, 23);
        QCOMPARE(d.imageCount, 1);
        QCOMPARE(int(d.colourTable.size()), tableSize);
        QVERIFY(std::equal(p.palette.begin(), p.palette.end(), d.colourTable.begin()));
        QVERIFY(d.pixels == p.pixels);
    }

    // Pictures the writer must refuse, before anything reaches the device.
    void refusesWithoutWriting_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("pixelsMissing");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no palette") << 4 << 4 << 0 << 0 << QStringLiteral("no picture");
        QTest::newRow("pixels missing") << 4 << 4 << 2 << 3 << QStringLiteral("no picture");
        QTest::newRow("empty") << 0 << 0 << 2 << 0 << QStringLiteral("no picture");
        QTest::newRow("wider than GIF allows") << 65536 << 1 << 2 << 0 << QStringLiteral("65535");
    }
    void refusesWithoutWriting()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, colours);
        QFETCH(int, pixelsMissing);
        QFETCH(QString, reason);
        IndexedImage p = picture(width, height, std::max(colours, 1));
        if (colours == 0)
            p.palette.clear();
        p.pixels.resize(p.pixels.size() - pixelsMissing);
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY(!writeIndexedGif(p, buffer, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(buffer.data().size(), 0);
    }

    // Below quality 100 the codes are fewer and every pixel stays within the leeway of its
    // colour; at 100 the bytes are the ones libcgif always wrote. Read back by giflib, whose
    // decoder is not ours.
    void qualityLeeway_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("colours");
        QTest::newRow("100: libcgif's bytes") << 100 << 256;
        QTest::newRow("80, 256 grey levels") << 80 << 256;
        QTest::newRow("30, 256 grey levels") << 30 << 256;
        QTest::newRow("1, four grey levels") << 1 << 4;
    }
    void qualityLeeway()
    {
        QFETCH(int, quality);
        QFETCH(int, colours);
        // A gradient with grain: the kind of picture lossy codes are for. 300 x 200 pixels pass
        // the 4096 codes, so the table is cleared and grows again.
        IndexedImage p = picture(300, 200, colours);
        for (int i = 0; i < colours; ++i)
            p.palette[i] = PaletteColour{uint8_t(i), uint8_t(i), uint8_t(i)};
        QRandomGenerator grain(3);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                p.pixels[size_t(y) * p.width + x] = uint8_t(std::clamp(x * colours / p.width + int(grain.bounded(5)) - 2, 0, colours - 1));
        QBuffer exact, lossy;
        QVERIFY(exact.open(QIODevice::WriteOnly) && lossy.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY2(writeIndexedGif(p, exact, &error), qPrintable(error));
        QVERIFY2(writeIndexedGif(p, lossy, &error, Lzw::maxErrorAt(quality)), qPrintable(error));
        const Decoded d = decode(lossy.data());
        QVERIFY(d.ok);
        QCOMPARE(d.pixels.size(), p.pixels.size());
        if (quality == 100) {
            QCOMPARE(lossy.data(), exact.data());
            return;
        }
        QVERIFY2(lossy.data().size() < exact.data().size() * 9 / 10,
                 qPrintable(QStringLiteral("%1 against %2 bytes").arg(lossy.data().size()).arg(exact.data().size())));
        for (size_t i = 0; i < p.pixels.size(); ++i) {
            const PaletteColour a = d.colourTable.at(d.pixels[i]), b = p.palette[p.pixels[i]];
            const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
            QVERIFY2(dr * dr + dg * dg + db * db <= Lzw::maxErrorAt(quality), qPrintable(QString::number(i)));
        }
    }

    // A device that takes nothing (closed) gives a failure with a reason, not a success.
    void deviceThatFails()
    {
        QBuffer closed;
        QString error;
        QVERIFY(!writeIndexedGif(picture(20, 20, 4), closed, &error));
        QVERIFY(!error.isEmpty());
    }

    // The whole encoder: a picture is quantised and written, and reads back at the same size.
    void pictureToGif()
    {
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(qRgb(10, 200, 30));
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY2(writeGif(image, buffer, &error), qPrintable(error));
        const Decoded d = decode(buffer.data());
        QVERIFY(d.ok);
        QCOMPARE(d.width, 30);
        QCOMPARE(d.colourTable.at(d.pixels.at(0)), (PaletteColour{10, 200, 30}));
    }

    // Each frame, as a viewer composes it, shows its page: exactly at quality 100, within the
    // leeway below. A page that repeats the one before but for a corner takes a few bytes; one
    // in a palette of its own order takes its own table.
    void animationFramesShowThePages_data()
    {
        QTest::addColumn<int>("quality");
        QTest::newRow("100") << 100;
        QTest::newRow("50") << 50;
    }
    void animationFramesShowThePages()
    {
        QFETCH(int, quality);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.gif"));
        PageFrame first{picture(120, 80, 16), Lzw::maxErrorAt(quality)};
        QRandomGenerator noise(11);
        for (uint8_t &index : first.picture.pixels)
            index = uint8_t((index + noise.bounded(3)) % 16);
        PageFrame corner = first;
        for (int y = 60; y < 80; ++y)
            for (int x = 100; x < 120; ++x)
                corner.picture.pixels[size_t(y) * 120 + x] = uint8_t(noise.bounded(16));
        PageFrame reordered = corner; // the same picture, its palette reversed
        std::reverse(reordered.picture.palette.begin(), reordered.picture.palette.end());
        for (uint8_t &index : reordered.picture.pixels)
            index = uint8_t(15 - index);
        {
            AnimationWriter writer(path, 100);
            for (const PageFrame *frame : {&first, &corner, &reordered})
                writer.add(*frame);
            writer.commit();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Decoded d = decode(file.readAll());
        QVERIFY(d.ok);
        QCOMPARE(d.rects.at(1), QRect(100, 60, 20, 20));
        QCOMPARE(d.localTables, (QList<bool>{false, false, true}));
        QImageReader reader(path);
        QCOMPARE(reader.imageCount(), 3);
        for (const PageFrame *frame : {&first, &corner, &reordered}) {
            const QImage shown = reader.read().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(shown.size(), QSize(120, 80));
            int worst = 0;
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 120; ++x) {
                    const QRgb a = shown.pixel(x, y);
                    const PaletteColour b = frame->picture.palette[frame->picture.pixels[size_t(y) * 120 + x]];
                    const int dr = qRed(a) - b.r, dg = qGreen(a) - b.g, db = qBlue(a) - b.b;
                    worst = std::max(worst, dr * dr + dg * dg + db * db);
                }
            QVERIFY2(worst <= frame->maxError, qPrintable(QString::number(worst)));
        }
    }

    // An animated GIF is whole or absent: frames of two sizes give one file that giflib reads, on
    // the larger screen; a file size cap reached part-way (as a full disk) throws with the
    // system's reason, and the earlier file of that name stays as it was, with nothing beside it.
    void animationWholeOrAbsent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.gif"));
        const PageFrame small{picture(40, 30, 4), {}};
        PageFrame large{picture(300, 300, 256), {}}, other = large;
        QRandomGenerator noise(7); // nothing for LZW to find, nothing alike from one to the next
        for (PageFrame *frame : {&large, &other})
            for (uint8_t &index : frame->picture.pixels)
                index = uint8_t(noise.bounded(256));
        {
            AnimationWriter writer(path, 100);
            for (const PageFrame *frame : {&small, const_cast<const PageFrame *>(&large), &small})
                writer.add(*frame);
            writer.commit();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Decoded d = decode(file.readAll());
        QVERIFY(d.ok);
        QCOMPARE(d.imageCount, 3);
        QCOMPARE(QSize(d.width, d.height), QSize(300, 300));
        const qint64 whole = file.size();

        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap{rlim_t(whole - 1), old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &cap);
        QString error;
        int added = 0;
        try {
            AnimationWriter writer(path, 100);
            for (; added < 3; ++added)
                writer.add(added % 2 ? other : large);
            writer.commit();
        } catch (const Failure &f) {
            error = f.description();
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(added, 1);
        QCOMPARE(error, QStringLiteral("File too large"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"doc.gif"});
        QCOMPARE(QFileInfo(path).size(), whole);
    }
};

QTEST_MAIN(TestGifEncoder)
#include "tst_gifencoder.moc"
