// The pictures of the user's guide, drawn from geometry and deterministic noise: the cover, the
// paper, the page-number digits, the leaf glyph and ornament, the drawing of the reader window and
// a painted landscape. Pixels 0x00RRGGBB, top row first.
#pragma once

#include <cstdint>
#include <vector>

namespace folivar::art {
class TFont;
}

namespace folivar::guideart {

struct TGuidePicture {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

// The colour the paper averages to; pictures drawn opaque on the page stand on it.
constexpr uint32_t kPaperBase = 0xF6F1E4;

// Deep green with a pale leaf, the title "Folivar", its subtitle and a gold frame.
TGuidePicture Cover(uint32_t width, uint32_t height, const art::TFont& serifBold,
                    const art::TFont& serifItalic);
// A quiet paper texture around kPaperBase: long soft fibres and a fine grain.
TGuidePicture Paper(uint32_t width, uint32_t height);
// The digit d (0 to 9), dark on pure white in four tones, height pixels high.
TGuidePicture Digit(int d, uint32_t height, const art::TFont& serif);
// A leaf glyph of size x size on the paper colour, in a handful of colours.
TGuidePicture Leaf(uint32_t size);
// A chapter ornament: a vine with a leaf on each side and a bud in the middle, on the paper colour.
TGuidePicture Ornament(uint32_t width, uint32_t height);
// The reader window with an open spread: corners in orange, side buttons in blue, window buttons
// in red, the page slider in green; hard edges and few colours.
TGuidePicture WindowDiagram(uint32_t width, uint32_t height);
// Hills and a lake under an evening sky, with soft gradients and grain.
TGuidePicture Landscape(uint32_t width, uint32_t height);

// Every pixel replaced by the nearest colour of the palette (by squared distance).
void Palettise(TGuidePicture& picture, const std::vector<uint32_t>& palette);
// The number of different colours in a picture.
size_t ColourCount(const TGuidePicture& picture);

}  // namespace folivar::guideart
