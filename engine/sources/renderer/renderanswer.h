#pragma once

#include "engine/base/fault.h"

#include <QByteArray>
#include <QSize>
#include <QString>

// One answer line of lumenpage-render (engine/render/renderprotocol.h), read: the renderer's own
// kinds become a Fault here and nowhere else, and a line that is not exactly an answer is
// Nonsense, never half taken.
struct RenderAnswer {
    enum class Type { Nonsense, Pages, Image, Error, Closed };
    Type type = Type::Nonsense;
    int pages = 0;         // Pages: the document's page count
    qint64 bytes = 0;      // Image: the bytes of the JPEG file that follow the line
    QSize size;            // Image: its pixels
    double dpi = 0;        // Image: the resolution it was drawn at
    QString pixelsName;    // the drawn pixels' file, a plain name in the folder named (also of an
                           // image line that is no answer, so that it is removed); empty: none
    qint64 pixelBytes = 0;
    quint64 pixelSum = 0;
    Fault fault = Fault::None; // Error
    QString text;          // Error: the renderer's own words
    bool textIsOwnKind = false; // Error: a kind the program names in its own words (password, not a PDF, ...)
    double wouldBeWidth = 0, wouldBeHeight = 0; // Error, TooLarge: the size the page would have had
};

// The longest image a renderer may announce (16 GiB): anything larger is no answer.
constexpr qint64 MaxAnswerImageBytes = qint64(1) << 34;

// Reads `line` (without its newline); `pixelsAsked`: the request named a folder for the drawn
// pixels, so an image line may name them.
RenderAnswer ReadRenderAnswer(const QByteArray &line, bool pixelsAsked);
