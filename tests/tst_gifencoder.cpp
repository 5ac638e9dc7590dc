// The GIF writer: indexed pictures written through giflib and read back by giflib unchanged,
// with colour tables of every size, and refusals that write nothing.
#include "engine/encode/gifencoder.h"

#include <QBuffer>
#include <QtTest>

#include <gif_lib.h>

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
};

QTEST_MAIN(TestGifEncoder)
#include "tst_gifencoder.moc"
