// Previews of the icon and the cursor, for looking at them: each image alone at full size and
// magnified, over a checkerboard that shows its alpha, and a sheet of all of them over the
// backgrounds a desktop may have.
#pragma once

#include <string>
#include <vector>

#include "tools/artwork/iconfile.h"

namespace folivar::art {

void WriteIconPreviews(const std::vector<TIconImage>& icon, const TIconImage& cursor,
                       const std::string& dir);

}  // namespace folivar::art
