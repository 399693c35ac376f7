#include "tools/import/bookfolder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "core/myclasses.h"

namespace folivar::bookimport {

namespace fs = std::filesystem;

namespace {

const char* kListName = ".folivar-import";

std::string Checksum(const std::string& bytes) {
  uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

bool ReadFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return false;
  bytes = s.str();
  return true;
}

}  // namespace

std::string TomlString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"')
      out += "\\\"";
    else if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\r')
      out += "\\r";
    else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string BookToml(const TImportedBook& book) {
  std::string t =
      "# Imported with folivar-import; see tools/make/README.md for what else book.toml can say.\n";
  t += "title = " + TomlString(book.title) + "\n";
  if (!book.author.empty()) t += "author = " + TomlString(book.author) + "\n";
  if (!book.publisher.empty()) t += "publisher = " + TomlString(book.publisher) + "\n";
  if (!book.edition.empty()) t += "edition = " + TomlString(book.edition) + "\n";
  if (!book.language.empty()) t += "language = " + TomlString(book.language) + "\n";
  t += "chapters = [\n";
  for (const TImportedChapter& c : book.chapters) t += "  " + TomlString(c.name) + ",\n";
  t += "]\n";
  if (!book.cover.empty()) t += "\n[pictures]\ncover = " + TomlString(book.cover) + "\n";
  return t;
}

TBookFiles BookFiles(const TImportedBook& book) {
  if (book.chapters.empty()) throw std::runtime_error("the book holds no text to import");
  TBookFiles files;
  files.emplace_back("book.toml", BookToml(book));
  for (const TImportedChapter& c : book.chapters) files.emplace_back(c.name, c.markdown);
  for (const TImportedPicture& p : book.pictures) {
    std::string bytes;
    if (!ReadFile(p.source, bytes)) throw std::runtime_error("cannot read the picture " + p.source);
    files.emplace_back(p.name, bytes);
  }
  return files;
}

void WriteFiles(const TBookFiles& files, const std::string& dir) {
  for (const auto& [name, bytes] : files) {
    const fs::path path = fs::path(dir) / name;
    fs::create_directories(path.parent_path());
    WriteWholeFile(path.string(), bytes);
  }
}

void WriteImportFolder(const TBookFiles& files, const std::string& dir) {
  std::error_code ec;
  const fs::path root(dir);
  std::multimap<std::string, std::string> earlier;  // a file of the earlier import -> its checksums
  if (fs::exists(root, ec)) {
    if (!fs::is_directory(root, ec)) throw std::runtime_error("exists and is not a folder");
    const bool empty = fs::is_empty(root, ec);
    if (ec) throw std::runtime_error("cannot read the folder: " + ec.message());
    if (!empty) {
      std::string list;
      if (!ReadFile(root / kListName, list)) {
        throw std::runtime_error("the folder is not empty and holds no earlier import: choose a new folder");
      }
      std::istringstream lines(list);
      std::string line;
      while (std::getline(lines, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string name = line.substr(tab + 1);
        if (name.empty() || name.find("..") != std::string::npos || name[0] == '/') continue;
        earlier.emplace(name, line.substr(0, tab));
      }
      // An earlier import that someone edited is left as it is.
      for (auto it = earlier.begin(); it != earlier.end(); it = earlier.upper_bound(it->first)) {
        const std::string& name = it->first;
        std::string bytes;
        if (!fs::exists(root / name, ec)) continue;
        if (!ReadFile(root / name, bytes)) throw std::runtime_error("cannot read " + name);
        const auto [from, to] = earlier.equal_range(name);
        if (std::none_of(from, to, [&](const auto& e) { return e.second == Checksum(bytes); })) {
          throw std::runtime_error(name + " was changed since it was imported: import into a new folder");
        }
      }
      for (const auto& f : files) {
        if (!earlier.count(f.first) && fs::exists(root / f.first, ec)) {
          throw std::runtime_error(f.first + " is there already and is not from the earlier import");
        }
      }
    }
  }
  fs::create_directories(root, ec);
  if (ec) throw std::runtime_error("cannot make the folder: " + ec.message());
  // While the files are replaced the list names both imports, so that an import cut short is
  // still recognised as one.
  std::string header =
      "# The files folivar-import wrote here (checksum, name); it replaces them on the next import.\n";
  std::string list = header, both;
  for (const auto& [name, bytes] : files) list += Checksum(bytes) + "\t" + name + "\n";
  for (const auto& [name, sum] : earlier) both += sum + "\t" + name + "\n";
  WriteWholeFile((root / kListName).string(), list + both);
  for (const auto& [name, sum] : earlier) fs::remove(root / name, ec);
  fs::remove(root / "art", ec);  // only when empty
  WriteFiles(files, dir);
  WriteWholeFile((root / kListName).string(), list);
}

}  // namespace folivar::bookimport
