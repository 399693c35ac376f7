// Finding the font file for a face name, weight and slant through fontconfig.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace folivar::posix {

// A font file that fontconfig offers for a request, and what it really is.
struct TFontMatch {
  std::string file;
  int index = 0;        // the face within the file
  bool bold = false;    // the face is bold
  bool italic = false;  // the face is italic or oblique
};

// The family that is asked of fontconfig for a face name: the Windows core faces that books name
// become their metric-compatible Liberation faces, as the Windows build's test prefix maps them,
// so that both builds measure with the same outlines; other names stay as they are.
std::string_view SubstituteFamily(std::string_view family);

// The best scalable font fontconfig has for the family (UTF-8; empty for the default face), bold
// and italic. A family that is not installed gives fontconfig's fallback; nothing only when
// fontconfig has no scalable font at all.
std::optional<TFontMatch> MatchFont(std::string_view family, bool bold, bool italic);

}  // namespace folivar::posix
