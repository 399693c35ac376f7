#include "tools/make/picturestore.h"

#include <filesystem>
#include <stdexcept>

#include "tools/common/png.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

TStoredPicture TPictureStore::Load(const std::string& path, const std::string& title, Use use,
                                   const std::string& file, int line) {
  const auto key = std::make_tuple(path, title, use);
  if (const auto hit = loaded_.find(key); hit != loaded_.end()) return hit->second;
  TPictureFormat format;
  try {
    ParsePictureFormat(title, format);
  } catch (const std::invalid_argument& e) {
    throw TSourceError(file, line, e.what());
  }
  const std::filesystem::path full = std::filesystem::path(dir_) / path;
  if (!std::filesystem::is_regular_file(full)) throw TSourceError(file, line, "the picture " + path + " does not exist");
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
  try {
    pixels = ReadPng(full.string(), width, height);
  } catch (const std::exception& e) {
    throw TSourceError(file, line, "the picture " + path + " is not a readable PNG (" + e.what() + ")");
  }
  if (width == 0 || height == 0) throw TSourceError(file, line, "the picture " + path + " is empty");
  std::string record;
  try {
    record = EncodePicture(pixels, width, height, format);
  } catch (const std::exception& e) {
    throw TSourceError(file, line, "the picture " + path + ": " + e.what());
  }
  TStoredPicture p;
  p.width = static_cast<int32_t>(width);
  p.height = static_cast<int32_t>(height);
  // A picture in a line stands on the baseline like a capital letter with a short descent; one
  // on a line of its own, or a whole-page picture, hangs from its top.
  p.ascent = use == kInline ? p.height - p.height / 6 : p.height;
  p.number = measure_.Picture(p.ascent, record);
  loaded_.emplace(key, p);
  return p;
}

}  // namespace folivar::make
