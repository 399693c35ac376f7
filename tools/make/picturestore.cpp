#include "tools/make/picturestore.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "tools/make/picturescale.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

namespace {

uint32_t Side(int32_t v) { return static_cast<uint32_t>(std::max(v, 1)); }

}  // namespace

TPixels TPictureStore::Read(const std::string& path, const std::string& file, int line) const {
  const std::filesystem::path full = std::filesystem::path(dir_) / path;
  if (!std::filesystem::is_regular_file(full))
    throw TSourceError(file, line, "the picture " + path + " does not exist");
  try {
    return ReadPictureFile(full.string(), Side(room_.textWidth));
  } catch (const std::exception& e) {
    throw TSourceError(file, line, "the picture " + path + " cannot be read: " + e.what());
  }
}

TStoredPicture TPictureStore::Load(const std::string& path, const std::string& title, Use use,
                                   const std::string& file, int line, int32_t width) {
  const int32_t room = width > 0 ? std::min(width, room_.textWidth) : room_.textWidth;
  const auto key = std::make_tuple(path, title, use, room);
  if (const auto hit = loaded_.find(key); hit != loaded_.end()) return hit->second;
  TPictureFormat format;
  try {
    ParsePictureFormat(title, format);
  } catch (const std::invalid_argument& e) {
    throw TSourceError(file, line, e.what());
  }
  TPixels picture = Read(path, file, line);
  std::string record;
  try {
    if (use == kInline || use == kBlock) {
      picture = ScaleToFit(picture, Side(room), Side(room_.textHeight));
    } else if (use == kCover) {
      picture = ScaleToCover(picture, Side(room_.pageWidth), Side(room_.pageHeight));
    }
    record = EncodePicture(picture.pixels, picture.width, picture.height, format);
  } catch (const std::exception& e) {
    throw TSourceError(file, line, "the picture " + path + ": " + e.what());
  }
  TStoredPicture p;
  p.width = static_cast<int32_t>(picture.width);
  p.height = static_cast<int32_t>(picture.height);
  // A picture in a line stands on the baseline like a capital letter with a short descent; one
  // on a line of its own, or a whole-page picture, hangs from its top.
  p.ascent = use == kInline ? p.height - p.height / 6 : p.height;
  p.number = measure_.Picture(p.ascent, record);
  loaded_.emplace(key, p);
  return p;
}

}  // namespace folivar::make
