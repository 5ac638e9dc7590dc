#include "engine/sources/renderer/renderanswer.h"

#include "engine/render/renderprotocol.h"

#include <QFile>
#include <QList>

namespace {

Fault faultOf(int protocolKind)
{
    switch (protocolKind) {
    case RenderProtocol::Unreadable: return Fault::Unreadable;
    case RenderProtocol::NoSuchPage: return Fault::OutsideDocument;
    case RenderProtocol::TooLarge: return Fault::TooLarge;
    case RenderProtocol::NoFit: return Fault::NoFit;
    case RenderProtocol::NoPixels: return Fault::NoPixels;
    case RenderProtocol::RenderFailed: return Fault::Damaged;
    case RenderProtocol::OutOfMemory: return Fault::MemoryCap;
    case RenderProtocol::NeedsPassword: return Fault::NoPassword;
    case RenderProtocol::WrongPassword: return Fault::WrongPassword;
    case RenderProtocol::NotPdf: return Fault::NotPdf;
    case RenderProtocol::Damaged: return Fault::Damaged;
    case RenderProtocol::PageTree: return Fault::PageTree;
    case RenderProtocol::Missing: return Fault::Missing;
    default: return Fault::RendererFailed;
    }
}

bool ownWords(int protocolKind)
{
    switch (protocolKind) {
    case RenderProtocol::NeedsPassword:
    case RenderProtocol::WrongPassword:
    case RenderProtocol::NotPdf:
    case RenderProtocol::Damaged:
    case RenderProtocol::Missing:
        return true;
    default:
        return false;
    }
}

RenderAnswer image(const QList<QByteArray> &words, bool pixelsAsked)
{
    // "image BYTES WIDTH HEIGHT DPI [PIXELS PIXELBYTES SUM]"
    RenderAnswer answer;
    const bool withPixels = words.size() == 8 && pixelsAsked;
    if (words.size() != 5 && !withPixels)
        return answer;
    if (withPixels) {
        // Only a plain name in the folder named: never a path out of it, nor a hidden file. A
        // name is kept even when the rest is no answer, so that the file it names is removed.
        const QByteArray &name = words[5];
        bool bytesOk = false, sumOk = false;
        answer.pixelBytes = words[6].toLongLong(&bytesOk);
        answer.pixelSum = words[7].toULongLong(&sumOk);
        if (name.isEmpty() || name.contains('/') || name.startsWith('.') || name.contains('\0'))
            return answer;
        answer.pixelsName = QFile::decodeName(name);
        if (!bytesOk || !sumOk || answer.pixelBytes <= 0)
            return answer;
    }
    bool ok[4] = {};
    answer.bytes = words[1].toLongLong(&ok[0]);
    answer.size = QSize(words[2].toInt(&ok[1]), words[3].toInt(&ok[2]));
    answer.dpi = words[4].toDouble(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || answer.bytes <= 0 || answer.bytes > MaxAnswerImageBytes)
        return answer;
    answer.type = RenderAnswer::Type::Image;
    return answer;
}

} // namespace

RenderAnswer ReadRenderAnswer(const QByteArray &line, bool pixelsAsked)
{
    RenderAnswer answer;
    const QList<QByteArray> words = line.trimmed().split(' ');
    const QByteArray &head = words.value(0);
    if (head == "pages" && words.size() == 2) {
        bool ok = false;
        answer.pages = words[1].toInt(&ok);
        if (ok && answer.pages >= 0)
            answer.type = RenderAnswer::Type::Pages;
    } else if (head == "image") {
        answer = image(words, pixelsAsked);
    } else if (head == "closed" && words.size() == 1) {
        answer.type = RenderAnswer::Type::Closed;
    } else if (head == "error" && words.size() >= 2) {
        // "error KIND TEXT"
        bool ok = false;
        const int kind = words[1].toInt(&ok);
        if (!ok)
            return answer;
        answer.type = RenderAnswer::Type::Error;
        answer.fault = faultOf(kind);
        answer.textIsOwnKind = ownWords(kind);
        const QByteArray trimmed = line.trimmed();
        answer.text = QString::fromUtf8(trimmed.mid(head.size() + words[1].size() + 2)).trimmed();
        if (answer.fault == Fault::TooLarge) {
            answer.wouldBeWidth = words.value(2).toDouble();
            answer.wouldBeHeight = words.value(3).toDouble();
        }
    }
    return answer;
}
