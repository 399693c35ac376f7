// The finished look of a book that brings no artwork: page-number digits drawn from the text face
// and a typographic cover, both added to the book as pictures.
#pragma once

#include <cstdint>

#include "tools/make/measure.h"
#include "tools/make/picturefile.h"
#include "tools/make/source.h"

namespace folivar::make {

// Ten glyph pictures of the digits 0 to 9, one after the other, in the text style's face and
// colour on glyph_colour (which the reader leaves out), all as high as each other; made smaller
// than the text size only when the bottom margin has no room for them. Returns the number of "0".
uint16_t AddDigitPictures(TMeasure& measure, const TBookSource& source);

// A page-sized picture: the title large, centred in the upper third and broken over lines as it
// needs, the author below it, in the heading1 face and colour, on a plain light ground or on the
// background picture tiled as the reader tiles it. Returns its number.
uint16_t AddTypographicCover(TMeasure& measure, const TBookSource& source, const TPixels* background);

}  // namespace folivar::make
