// Page-image decoding and the GIF encoder, on any bytes a renderer might have left as a page
// image: never a crash, a hang or a read out of bounds, whatever the file holds.
#include "engine/encode/gifencoder.h"
#include "engine/encode/pageimage.h"

#include <QBuffer>
#include <QImage>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QImage image;
    QString why;
    if (!PageImage::decode(bytes, &image, &why))
        return 0;
    // Large pages only slow the search down; their code paths are those of small ones.
    if (qint64(image.width()) * image.height() > 4000000)
        return 0;
    QByteArray gif;
    QBuffer device(&gif);
    device.open(QIODevice::WriteOnly);
    writeGif(image, device, &why);
    return 0;
}
