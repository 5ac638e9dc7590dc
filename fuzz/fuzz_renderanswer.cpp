// The page renderer's answer lines (engine/render/renderprotocol.h), on any bytes a renderer
// could write: never a crash, an image only of a size the program will read, drawn pixels only
// under a plain name in the folder named, and every error with its fault.
#include "engine/sources/renderer/renderanswer.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The first byte says whether the request named a folder for the drawn pixels.
    const bool pixelsAsked = !bytes.isEmpty() && (bytes[0] & 1);
    for (const QByteArray &line : bytes.mid(1).split('\n')) {
        const RenderAnswer answer = ReadRenderAnswer(line, pixelsAsked);
        if (!answer.pixelsName.isEmpty()
            && (!pixelsAsked || answer.pixelsName.contains(QLatin1Char('/')) || answer.pixelsName.startsWith(QLatin1Char('.'))))
            std::abort();
        switch (answer.type) {
        case RenderAnswer::Type::Image:
            if (answer.bytes <= 0 || answer.bytes > MaxAnswerImageBytes
                || (!answer.pixelsName.isEmpty() && answer.pixelBytes <= 0))
                std::abort();
            break;
        case RenderAnswer::Type::Pages:
            if (answer.pages < 0)
                std::abort();
            break;
        case RenderAnswer::Type::Error:
            if (answer.fault == Fault::None)
                std::abort();
            break;
        default:
            break;
        }
    }
    return 0;
}
