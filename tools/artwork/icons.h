// The reader's own icon and its hand cursor, drawn with real alpha.
#pragma once

#include <vector>

#include "tools/artwork/iconfile.h"

namespace folivar::art {

// The window icon: a pale leaf on a deep green cover, drawn for each of 16, 32 and 48 pixels
// (smallest first).
std::vector<TIconImage> DrawReaderIcon();

// The cursor over links: a pointing hand, 32 x 32, black outline and white fill, pointing with
// the tip of the index finger (its hot spot).
TIconImage DrawHandCursor();

}  // namespace folivar::art
