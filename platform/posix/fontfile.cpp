#include "platform/posix/fontfile.h"

#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_TRUETYPE_TABLES_H

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace folivar::posix {

std::shared_ptr<TFreeType> TFreeType::Create() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return nullptr;
  FT_UInt interpreter = TT_INTERPRETER_VERSION_40;
  FT_Property_Set(library, "truetype", "interpreter-version", &interpreter);
  return std::make_shared<TFreeType>(TKey{}, library);
}

TFreeType::~TFreeType() { FT_Done_FreeType(library_); }

namespace {

// Some fonts store their Windows descent as a negative signed value in the unsigned field.
int32_t WindowsDescent(FT_UShort value) { return std::abs(static_cast<int16_t>(value)); }

TDesignMetrics ReadDesign(FT_Face face) {
  TDesignMetrics d;
  d.unitsPerEm = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + WindowsDescent(os2->usWinDescent) > 0) {
    d.ascent = os2->usWinAscent;
    d.descent = WindowsDescent(os2->usWinDescent);
  } else {
    d.ascent = face->ascender;
    d.descent = -face->descender;
  }
  if (post) {
    d.underlinePosition = post->underlinePosition;
    d.underlineThickness = post->underlineThickness;
  } else {
    d.underlinePosition = face->underline_position + face->underline_thickness / 2;
    d.underlineThickness = face->underline_thickness;
  }
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    d.strikeoutPosition = os2->yStrikeoutPosition;
    d.strikeoutThickness = os2->yStrikeoutSize;
  } else {
    // No strike-out line in the font: a quarter of the em above the baseline.
    d.strikeoutPosition = d.unitsPerEm / 4;
    d.strikeoutThickness = d.underlineThickness;
  }
  return d;
}

}  // namespace

std::shared_ptr<TFontFile> TFontFile::Open(std::shared_ptr<TFreeType> freetype,
                                           const std::string& path, int index) {
  if (!freetype) return nullptr;
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::vector<FT_Byte> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty() || in.bad()) return nullptr;
  auto file = std::make_shared<TFontFile>(TKey{}, std::move(freetype), std::move(bytes), index);
  TFaceHandle face = file->NewFace();
  if (!face || !FT_IS_SCALABLE(face.get()) || face->units_per_EM == 0) return nullptr;
  file->design_ = ReadDesign(face.get());
  return file;
}

TFaceHandle TFontFile::NewFace() const {
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(freetype_->Library(), bytes_.data(), static_cast<FT_Long>(bytes_.size()),
                         index_, &face) != 0)
    return nullptr;
  return TFaceHandle(face);
}

}  // namespace folivar::posix
