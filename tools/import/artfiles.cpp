#include "tools/import/artfiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tools/import/mdtext.h"

namespace folivar::bookimport {

namespace fs = std::filesystem;

std::string PictureKind(const std::string& head) {
  if (head.rfind("\x89PNG\r\n\x1a\n", 0) == 0) return "png";
  if (head.size() >= 3 && static_cast<unsigned char>(head[0]) == 0xFF &&
      static_cast<unsigned char>(head[1]) == 0xD8 && static_cast<unsigned char>(head[2]) == 0xFF) {
    return "jpg";
  }
  if (head.rfind("GIF87a", 0) == 0 || head.rfind("GIF89a", 0) == 0) return "gif";
  // SVG: XML whose first element is <svg (after a declaration, comments or a doctype).
  size_t i = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  while (i < head.size()) {
    while (i < head.size() && std::isspace(static_cast<unsigned char>(head[i]))) ++i;
    if (head.compare(i, 4, "<svg") == 0) return "svg";
    if (head.compare(i, 2, "<?") == 0 || head.compare(i, 2, "<!") == 0) {
      const size_t end = head.find('>', i);
      if (end == std::string::npos) break;
      i = end + 1;
      continue;
    }
    break;
  }
  return "";
}

std::string TArtFiles::Locate(const std::string& src) const {
  std::string path = src;
  const size_t q = path.find_first_of("?#");
  if (q != std::string::npos) path.resize(q);
  std::error_code ec;
  if (path.empty()) return "";
  // Only what pandoc extracted is the book's: a path that leads out of its folder is not.
  const fs::path media = fs::path(mediaDir_).lexically_normal();
  const fs::path file = (fs::path(path).is_absolute() ? fs::path(path) : media / path).lexically_normal();
  const auto [end, rest] = std::mismatch(media.begin(), media.end(), file.begin(), file.end());
  if (end != media.end()) return "";
  return fs::is_regular_file(file, ec) ? file.string() : "";
}

std::string TArtFiles::Use(const std::string& src, std::string& reason) {
  const std::string file = Locate(src);
  if (file.empty()) {
    reason = "the picture '" + src + "' is not in the book";
    return "";
  }
  if (auto it = bySource_.find(file); it != bySource_.end()) return it->second;
  std::ifstream in(file, std::ios::binary);
  std::string head(512, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  const std::string kind = PictureKind(head);
  if (kind.empty()) {
    reason = "the picture '" + src + "' is not PNG, JPEG, GIF or SVG";
    return "";
  }
  std::string stem = FileSlug(fs::path(file).stem().string(), 40);
  if (stem.empty()) stem = "picture";
  std::string name = "art/" + stem + "." + kind;
  for (int n = 2; names_.count(name); ++n) name = "art/" + stem + "-" + std::to_string(n) + "." + kind;
  names_[name] = true;
  bySource_[file] = name;
  pictures_.push_back({file, name});
  return name;
}

}  // namespace folivar::bookimport
