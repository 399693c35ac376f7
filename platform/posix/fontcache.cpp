#include "platform/posix/fontcache.h"

#include <cctype>

#include "core/codepage.h"
#include "platform/posix/fontmetrics.h"

namespace folivar::posix {

namespace {

// Requests are remembered up to this many names; a book cannot name more faces than that
// without the lookups starting over.
constexpr size_t kMaxMatches = 256;

std::string LowerCase(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::shared_ptr<TFontCache> TFontCache::Shared() {
  static const std::shared_ptr<TFontCache> cache = std::make_shared<TFontCache>();
  return cache;
}

TFontCache::TFontCache()
    : stats_(std::make_shared<TFontCacheStats>()), freetype_(TFreeType::Create()) {}

const std::optional<TFontMatch>& TFontCache::Match(const std::string& family, bool bold,
                                                   bool italic) {
  TMatchKey key{LowerCase(family), bold, italic};
  auto it = matches_.find(key);
  if (it != matches_.end()) return it->second;
  if (matches_.size() >= kMaxMatches) matches_.clear();
  return matches_.emplace(std::move(key), MatchFont(family, bold, italic)).first->second;
}

std::shared_ptr<TFontFile> TFontCache::File(const TFontMatch& match) {
  TFileKey key{match.file, match.index};
  auto it = files_.find(key);
  if (it != files_.end()) return it->second;
  std::shared_ptr<TFontFile> file = TFontFile::Open(freetype_, match.file, match.index);
  if (file) ++stats_->filesRead;
  files_.emplace(std::move(key), file);
  return file;
}

void TFontCache::Trim() {
  for (auto it = faces_.begin(); it != faces_.end();) {
    if (it->second.use_count() == 1)
      it = faces_.erase(it);
    else
      ++it;
  }
}

std::shared_ptr<TSizedFace> TFontCache::Face(const TLogFont& font) {
  if (!freetype_) return nullptr;
  // A longer name is cut after its 31st UTF-16 code unit, as a Windows font description cuts it.
  std::string name = font.faceName;
  if (name.size() > TLogFont::kMaxFaceName)
    name = Utf16ToUtf8(Utf8ToUtf16(name).substr(0, TLogFont::kMaxFaceName));
  const bool bold = font.weight >= 600;
  const bool italic = font.italic != 0;
  const std::optional<TFontMatch>& match = Match(name, bold, italic);
  if (!match) return nullptr;
  std::shared_ptr<TFontFile> file = File(*match);
  if (!file) return nullptr;

  const TDesignMetrics& design = file->Design();
  const int32_t ppem =
      PixelsPerEm(font.height, design.unitsPerEm, design.ascent + design.descent);
  const TSimulation simulation{.bold = bold && !match->bold, .italic = italic && !match->italic};
  TFaceKey key{file.get(), ppem, simulation.bold, simulation.italic};
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second;

  std::shared_ptr<TSizedFace> face = TSizedFace::Open(file, ppem, simulation, stats_);
  if (!face) return nullptr;
  if (faces_.size() >= kMaxFaces) Trim();
  faces_.emplace(key, face);
  return face;
}

}  // namespace folivar::posix
