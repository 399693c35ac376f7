// The artwork of the user's guide: which PNG files it has, and writing them all.
#pragma once

#include <string>
#include <vector>

namespace folivar::guideart {

// The file names (relative to the art folder) that WriteGuideArt writes, in the order it writes
// them.
std::vector<std::string> GuideArtFiles();

// Draws every picture of the guide and writes it as a PNG into dir, which is created when it does
// not exist. Raises std::runtime_error when the folder cannot be made, a picture cannot be written
// (naming its file) or the fonts for the lettering are missing.
void WriteGuideArt(const std::string& dir);

}  // namespace folivar::guideart
