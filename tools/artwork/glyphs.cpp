#include "tools/artwork/glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <filesystem>
#include <stdexcept>
#include <vector>

namespace folivar::art {

namespace {

constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

// The usual places of the Liberation fonts; fontconfig is asked when none of them has the file.
std::string FindFontFile(const std::string& family, const std::string& style) {
  std::string base;
  for (char c : family)
    if (c != ' ') base += c;
  const std::string name = base + "-" + style + ".ttf";
  for (const char* dir : {"/usr/share/fonts/truetype/liberation", "/usr/share/fonts/truetype/liberation2",
                          "/usr/share/fonts/liberation", "/usr/share/fonts/liberation-fonts"}) {
    const std::filesystem::path p = std::filesystem::path(dir) / name;
    if (std::filesystem::exists(p)) return p.string();
  }
  std::string found;
  if (FcInit()) {
    const std::string query = family + ":style=" + style;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(query.c_str()));
    if (pattern) {
      FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      FcPattern* match = FcFontMatch(nullptr, pattern, &result);
      if (match) {
        FcChar8* file = nullptr;
        FcChar8* matchedFamily = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
            family == reinterpret_cast<const char*>(matchedFamily))
          found = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pattern);
    }
  }
  if (found.empty()) throw std::runtime_error("the font " + family + " " + style + " is not installed");
  return found;
}

struct TOutlineSink {
  TPath* path;
  double k;
  double x0;
  double base;
  TPoint At(const FT_Vector* v) const { return {x0 + double(v->x) * k, base - double(v->y) * k}; }
};

int SinkMove(const FT_Vector* to, void* user) {
  auto* s = static_cast<TOutlineSink*>(user);
  const TPoint p = s->At(to);
  s->path->MoveTo(p.x, p.y);
  return 0;
}

int SinkLine(const FT_Vector* to, void* user) {
  auto* s = static_cast<TOutlineSink*>(user);
  const TPoint p = s->At(to);
  s->path->LineTo(p.x, p.y);
  return 0;
}

int SinkConic(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* s = static_cast<TOutlineSink*>(user);
  const TPoint c = s->At(control), p = s->At(to);
  s->path->QuadTo(c.x, c.y, p.x, p.y);
  return 0;
}

int SinkCubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* s = static_cast<TOutlineSink*>(user);
  const TPoint a = s->At(c1), b = s->At(c2), p = s->At(to);
  s->path->CubicTo(a.x, a.y, b.x, b.y, p.x, p.y);
  return 0;
}

}  // namespace

struct TFont::TImpl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~TImpl() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
  void Load(unsigned long code) const {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, kLoadFlags) != 0)
      throw std::runtime_error("a letter of the wordmark is missing from the font");
  }
  double Scale(double size) const { return size / face->units_per_EM; }
  double Kerning(unsigned long left, unsigned long right) const {
    if (!FT_HAS_KERNING(face)) return 0;
    FT_Vector k{};
    FT_Get_Kerning(face, FT_Get_Char_Index(face, left), FT_Get_Char_Index(face, right),
                   FT_KERNING_UNSCALED, &k);
    return double(k.x);
  }
};

TFont::TFont(const std::string& family, const std::string& style) : impl_(std::make_unique<TImpl>()) {
  file_ = FindFontFile(family, style);
  if (FT_Init_FreeType(&impl_->library) != 0) throw std::runtime_error("FreeType does not start");
  if (FT_New_Face(impl_->library, file_.c_str(), 0, &impl_->face) != 0)
    throw std::runtime_error("cannot read the font " + file_);
}

TFont::~TFont() = default;

TPath TFont::Text(std::u32string_view text, double size, double x, double baseline, double tracking) const {
  TPath path;
  const double k = impl_->Scale(size);
  FT_Outline_Funcs funcs{};
  funcs.move_to = SinkMove;
  funcs.line_to = SinkLine;
  funcs.conic_to = SinkConic;
  funcs.cubic_to = SinkCubic;
  double pen = x;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned long code = text[i];
    if (i > 0) pen += impl_->Kerning(text[i - 1], code) * k + tracking;
    impl_->Load(code);
    TOutlineSink sink{&path, k, pen, baseline};
    FT_Outline_Decompose(&impl_->face->glyph->outline, &funcs, &sink);
    path.Close();
    pen += double(impl_->face->glyph->advance.x) * k;
  }
  return path;
}

double TFont::Width(std::u32string_view text, double size, double tracking) const {
  const double k = impl_->Scale(size);
  double pen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned long code = text[i];
    if (i > 0) pen += impl_->Kerning(text[i - 1], code) * k + tracking;
    impl_->Load(code);
    pen += double(impl_->face->glyph->advance.x) * k;
  }
  return pen;
}

double TFont::CapHeight(double size) const {
  impl_->Load('H');
  FT_BBox box{};
  FT_Outline_Get_CBox(&impl_->face->glyph->outline, &box);
  return double(box.yMax) * impl_->Scale(size);
}

}  // namespace folivar::art
