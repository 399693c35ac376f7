#include "tools/import/importer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "tools/import/pandocrun.h"
#include "tools/import/pandoctree.h"

namespace folivar::bookimport {

namespace fs = std::filesystem;

TTempDir::TTempDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/folivar-import-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error(std::string("cannot make a temporary folder: ") + strerror(errno));
  std::error_code ec;
  path_ = fs::absolute(pattern, ec).string();  // the same path pandoc is given
  if (ec) path_ = pattern;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

bool IsBookFile(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return false;
  if (fs::exists(path, ec)) return true;
  try {
    PandocFormat(path);
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

TBookFiles ImportBookFile(const std::string& file, std::vector<std::string>& warnings) {
  const std::string format = PandocFormat(file);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw std::runtime_error("there is no such file");
  TTempDir media;
  std::vector<std::string> pandocWarnings;
  const std::string json = RunPandoc(file, format, media.Path(), pandocWarnings);
  nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
  if (doc.is_discarded()) throw std::runtime_error("pandoc's output is not JSON");
  TImportOptions options;
  options.format = format;
  options.mediaDir = media.Path();
  options.fileStem = fs::path(file).stem().string();
  TImportedBook book = ConvertPandocTree(doc, options);
  TBookFiles files = BookFiles(book);  // the pictures are read before the media folder goes
  warnings.insert(warnings.end(), pandocWarnings.begin(), pandocWarnings.end());
  warnings.insert(warnings.end(), book.warnings.begin(), book.warnings.end());
  return files;
}

}  // namespace folivar::bookimport
