// The pictures of one book: each PNG of the source read once per use (inline, block, cover,
// digit) and added to the book in the format it asks for or suits it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "tools/make/measure.h"
#include "tools/make/pictures.h"

namespace folivar::make {

struct TStoredPicture {
  uint16_t number = 0;
  int32_t width = 0, height = 0, ascent = 0;
};

class TPictureStore {
 public:
  enum Use : uint8_t { kInline, kBlock, kWhole };  // on a line, a line of its own, cover and the like

  TPictureStore(TMeasure& measure, std::string dir) : measure_(measure), dir_(std::move(dir)) {}

  // Reads SOURCE/path. `file` and `line` name where the picture is asked for, in errors (a file
  // that is missing or not a PNG, a format that cannot hold it).
  TStoredPicture Load(const std::string& path, const std::string& title, Use use,
                      const std::string& file, int line);

 private:
  TMeasure& measure_;
  std::string dir_;
  std::map<std::tuple<std::string, std::string, Use>, TStoredPicture> loaded_;
};

}  // namespace folivar::make
