// The pictures a book uses: each file pandoc extracted, checked by its content (PNG, JPEG, GIF or
// SVG, the kinds the compiler reads) and given a clean, unique name in art/ with its own extension.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/import/pandoctree.h"

namespace folivar::bookimport {

// "png", "jpg", "gif" or "svg" by the first bytes of a file; empty for anything else.
std::string PictureKind(const std::string& head);

class TArtFiles {
 public:
  // The pictures are the files pandoc extracted into mediaDir.
  explicit TArtFiles(std::string mediaDir) : mediaDir_(std::move(mediaDir)) {}

  // The name in the book ("art/leaf.png") of the picture pandoc names src. Empty, with why in
  // reason, when the file is missing or of a kind the compiler does not read.
  std::string Use(const std::string& src, std::string& reason);

  const std::vector<TImportedPicture>& Pictures() const { return pictures_; }

 private:
  std::string Locate(const std::string& src) const;

  std::string mediaDir_;
  std::map<std::string, std::string> bySource_;  // the located file -> its name in the book
  std::map<std::string, bool> names_;
  std::vector<TImportedPicture> pictures_;
};

}  // namespace folivar::bookimport
