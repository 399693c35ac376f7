// The fonts of the native text devices: each face name, weight and slant is looked up with
// fontconfig once, each font file is read once, and each face is opened once per em size and
// simulated style, keeping its glyphs (sizedface.h). The devices of a process share one cache;
// like the surfaces that use it, it is used from one thread.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "display/textdevice.h"
#include "platform/posix/fontmatch.h"
#include "platform/posix/sizedface.h"

namespace folivar::posix {

class TFontCache {
 public:
  // At most this many sized faces are kept: beyond it, those no device holds are let go.
  static constexpr size_t kMaxFaces = 64;

  // The cache that CreateTextDevice's devices share.
  static std::shared_ptr<TFontCache> Shared();

  TFontCache();
  TFontCache(const TFontCache&) = delete;
  TFontCache& operator=(const TFontCache&) = delete;

  // The face for a font: its face name (UTF-8) through fontconfig, bold from weight 600
  // up, italic, and the em size its height gives. Null when no font can be had at all.
  std::shared_ptr<TSizedFace> Face(const TLogFont& font);

  const TFontCacheStats& Stats() const { return *stats_; }

 private:
  using TMatchKey = std::tuple<std::string, bool, bool>;  // family (UTF-8, lower case), bold, italic
  using TFileKey = std::pair<std::string, int>;            // path, face index
  using TFaceKey = std::tuple<const TFontFile*, int32_t, bool, bool>;  // file, ppem, simulation

  const std::optional<TFontMatch>& Match(const std::string& family, bool bold, bool italic);
  std::shared_ptr<TFontFile> File(const TFontMatch& match);
  void Trim();

  std::shared_ptr<TFontCacheStats> stats_;
  std::shared_ptr<TFreeType> freetype_;
  std::map<TMatchKey, std::optional<TFontMatch>> matches_;
  std::map<TFileKey, std::shared_ptr<TFontFile>> files_;  // null: the file cannot be used
  std::map<TFaceKey, std::shared_ptr<TSizedFace>> faces_;
};

}  // namespace folivar::posix
