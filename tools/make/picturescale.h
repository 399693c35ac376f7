// Pictures brought to the size the page has room for, resampled in linear light (sRGB decoded
// before filtering and encoded after) with stb_image_resize's default filters.
#pragma once

#include <cstdint>

#include "tools/make/picturefile.h"

namespace folivar::make {

// The picture made smaller, its proportions kept, until it fits within width x height; a picture
// that fits already is returned as it is.
TPixels ScaleToFit(const TPixels& picture, uint32_t width, uint32_t height);

// The picture scaled, larger or smaller, until it covers width x height with its proportions kept,
// and cropped around its centre to exactly that size.
TPixels ScaleToCover(const TPixels& picture, uint32_t width, uint32_t height);

}  // namespace folivar::make
