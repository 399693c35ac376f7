// embed: the reader's built-in interface pictures (page-corner highlights, window and side
// buttons, the message-window background). They are carried in the program as bzip2 streams of
// raw 24-bit pixels, top row first, three bytes a pixel, without any header: each picture's size
// and byte order are in its table entry. LoadBuiltInImages decodes them once, at start-up, into
// program-wide pictures that live until the program ends.
//
// The streams are made at build time by the artwork generator (tools/artwork) into a source
// that defines kStoredPictures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/Views.h"

namespace folivar {

// The pictures in table order.
enum class TBuiltIn : uint32_t {
  CornerLeft,         // 47 x 47, lit bottom-left page corner (previous page)
  CornerRight,        // 47 x 47, lit bottom-right page corner (next page)
  CloseButton,        // 54 x 54
  MinimiseButton,     // 54 x 54
  AboutButton,        // 104 x 53, side button 1, the logo
  PrintButton,        // 23 x 23, side button 2
  SpareButton,        // 23 x 23, decoded but not placed
  BackButton,         // 23 x 23, side button 4
  MessageBackground,  // 390 x 158, background of the message window, with a device context
};

constexpr size_t kBuiltInCount = 9;

// One stored picture: a complete bzip2 stream ("BZh9...") that unpacks to exactly
// width * height * 3 bytes; B, G, R per pixel, or R, G, B when rgbOrder is set.
struct TStoredPicture {
  const char* name;
  uint32_t width;
  uint32_t height;
  bool rgbOrder;
  const uint8_t* data;
  size_t size;
};

// Defined in the generated source, in TBuiltIn order.
extern const TStoredPicture kStoredPictures[kBuiltInCount];

// The set drawn at one scale, in TBuiltIn order.
struct TStoredSet {
  double scale;
  TStoredPicture pictures[kBuiltInCount];
};

constexpr size_t kDrawnSetCount = 3;
// Defined in the generated source, in ascending scale: 1.25, 1.5, 2.
extern const TStoredSet kDrawnSets[kDrawnSetCount];

// Unpacks one stored picture into a view of its size: pixel (x, y) becomes 0x00RRGGBB. Raises
// std::runtime_error when the view is not of the picture's size or the stream does not unpack
// to exactly width * height * 3 bytes (nothing outside the view is ever written).
void DecodeStoredPicture(const TStoredPicture& stored, tview& into);

// Creates and fills the nine pictures; runs once, later calls do nothing.
void LoadBuiltInImages();

// A picture of the set; LoadBuiltInImages must have run.
const tview& BuiltInImage(TBuiltIn which);
// The picture for drawing at a scale, of device size round(width * scale) x round(height * scale):
// at 1 the picture of the set, at a drawn scale (exactly 1.25, 1.5 or 2) the picture drawn at it
// (its set decoded when first asked for), at any other scale the picture of the set resampled
// (the highlight pictures keyed: black stays the layer's nothing, a pixel lit where the picture
// covers at least half of it). Pictures at drawn scales live until the program ends; resampled
// ones are kept for the last few scales asked for, so a reference to one is valid until
// pictures at four other scales that are not drawn have been asked for. LoadBuiltInImages
// must have run.
const tview& BuiltInImage(TBuiltIn which, double scale);
// The set drawn at exactly this scale; none at another.
const TStoredSet* DrawnSet(double scale);
// The message background, which the message window draws into.
tview& MessageBackgroundImage();

// How many times the set has been decoded (1 after any number of LoadBuiltInImages calls).
uint32_t BuiltInImagesDecodeCount();

}  // namespace folivar
