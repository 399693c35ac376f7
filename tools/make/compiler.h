// The book compiler: a source folder (book.toml, messages.txt, chapters, pictures) into a book
// image. Chapters are parsed, their anchors numbered, the text laid out and measured as the
// reader measures it, the lines cut into pages, and everything handed to the book writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/make/sourceerror.h"

namespace folivar::make {

struct TCompileStats {
  int32_t pages = 0;  // with the cover, without the substitute page
  int32_t pictures = 0;
  int32_t anchors = 0;
  int32_t lines = 0;
  std::vector<TSourceWarning> warnings;  // in the order met, each at most once
};

// The image of the book in SOURCE_DIR. Raises TSourceError for a fault of the source.
std::string CompileBook(const std::string& dir, TCompileStats* stats = nullptr);

}  // namespace folivar::make
