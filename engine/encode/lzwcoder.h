#pragma once

#include "engine/encode/palette.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// GIF's LZW, with leeway: where a pixel may be written as another index than its own and still
// show what it must (an index of the same colour, the transparent index over a pixel that is
// already shown, or a nearby colour at a quality below 100), the index that continues the
// string being matched is taken, so that strings grow longer and codes fewer. Without leeway
// it writes the same codes as any plain LZW writer.
namespace Lzw {

struct Leeway {
    // Another index each pixel may be written as (the transparent index over a pixel the
    // screen already shows, or that pixel's colour when it is given as transparent); a pixel
    // whose byte here equals its own index has none. Null: no pixel has.
    const uint8_t *alternative = nullptr;
    // The colours of the indices, and how far (squared distance over red, green and blue) a
    // written colour may lie from a pixel's own. 0: every pixel keeps its own colour. The
    // entry `transparent` is never taken for a colour.
    const std::vector<PaletteColour> *palette = nullptr;
    int maxError = 0;
    int transparent = -1;
};

// The image data of `count` indices below 2^tableBits: the minimum code size, the sub-blocks
// and their terminator. `indices` become the indices as written, which differ from the given
// ones only where the leeway allowed.
QByteArray compress(uint8_t *indices, size_t count, int tableBits, const Leeway &leeway = Leeway());

// The squared colour distance a pixel may move at `quality` (1 to 100): 0 at 100, growing as
// the quality falls.
int maxErrorAt(int quality);

} // namespace Lzw
