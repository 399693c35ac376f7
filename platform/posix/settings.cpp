// The settings store of the native build: one text file per section below
// $XDG_CONFIG_HOME/folivar (or $HOME/.config/folivar).
//
// Layout. The section path is split at its backslashes and each part becomes one folder, so
// "Books\War and peace\1" is the folder Books/War and peace/1. The values of a section live in
// the file "section-values.txt" inside its folder; a section may have both values and
// subsections, as a registry key may. Each part is escaped so that it always names exactly one
// folder inside the store: bytes other than ASCII letters, digits and " !#$&()*+@^_|~." become
// %XX, a "." at the start of a part too (no part is ever "." or ".."), the code page 1251
// letters become their UTF-8 form and an empty part is "%". The sections of a Unicode book are
// UTF-8 already: their characters from U+0080 up are kept as they are (so a Cyrillic title names
// the same folder in both encodings), and bytes that are not UTF-8 become %XX. A "/" can
// therefore never leave the folder. An escaped "-" is always %2D, so the values file and the
// temporary files, whose names hold a "-", never meet a section's folder. A part whose escaped form is longer than 200 bytes
// is cut and ends in "-" and a hash of the whole part, to stay below the file-name limit.
//
// Content. Lines of "name" = "value", both quoted, which ParseTable reads back exactly: the
// quotes keep leading and trailing spaces and quotes of a value, and keep a name that begins
// with "#" from reading as a comment. Comment lines of a hand-edited file are ignored and not
// written again. A value cannot hold a line break: such a write is dropped, as a failed registry
// write would be. An empty value is not written; it reads back empty, like a missing one.
//
// Writing. The whole file is written to a temporary file in the same folder, synced and renamed
// over the old one, so that a crash leaves either the old or the new file, never half of one.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "core/codepage.h"
#include "core/strutil.h"
#include "core/ttable.h"
#include "reader/regstuff.h"

namespace folivar {

namespace {

constexpr std::string_view kValuesFile = "section-values.txt";
constexpr size_t kLongestPart = 200;
constexpr size_t kCutPart = 180;

bool Absolute(const char* path) { return path != nullptr && path[0] == '/'; }

// The folder of the store, or empty when the environment names none. Relative paths are
// ignored, as the XDG rules ask, so that the store never depends on the working folder.
std::string StoreRoot() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (Absolute(config)) return std::string(config) + "/folivar";
  const char* home = std::getenv("HOME");
  if (Absolute(home)) return std::string(home) + "/.config/folivar";
  return {};
}

uint64_t Fnv1a(std::string_view s) {
  uint64_t h = 14695981039346656037u;
  for (const char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211u;
  }
  return h;
}

std::string Hex(uint64_t v, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = kDigits[v & 15];
  return s;
}

bool Plain(unsigned char c) {
  static constexpr std::string_view kMarks = " !#$&()*+@^_|~.";
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         kMarks.find(static_cast<char>(c)) != std::string_view::npos;
}

// The length of the UTF-8 sequence of a character from U+0080 up at the front of text, or 0 when
// the front is not one.
size_t Utf8Sequence(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || length > text.size()) return 0;
  // The strict reading gives one character back exactly when the sequence is sound.
  const std::u16string one = Utf8ToUtf16(text.substr(0, length));
  // A damaged sequence begins with U+FFFD, or falls apart into more characters.
  const bool whole = one.size() == (length == 4 ? 2u : 1u) &&
                     (one[0] != 0xFFFD || text.substr(0, length) == "\xEF\xBF\xBD");
  return whole ? length : 0;
}

// The folder name of one part of a section path (see the top of the file).
std::string EscapePart(std::string_view part, TTextEncoding encoding) {
  if (part.empty()) return "%";
  std::string out;
  size_t cut = 0;  // the longest whole-unit prefix of out that fits kCutPart
  for (size_t i = 0; i < part.size(); ++i) {
    const auto c = static_cast<unsigned char>(part[i]);
    const size_t sequence =
        encoding == TTextEncoding::kUnicode && c >= 0x80 ? Utf8Sequence(part.substr(i)) : 0;
    if (Plain(c) && !(c == '.' && i == 0)) {
      out.push_back(static_cast<char>(c));
    } else if (sequence > 0) {
      out += part.substr(i, sequence);
      i += sequence - 1;
    } else if (encoding == TTextEncoding::kCp1251 && (c >= 0xC0 || c == 0xA8 || c == 0xB8)) {
      out += Cp1251ToUtf8(part.substr(i, 1));
    } else {
      out += '%' + Hex(c, 2);
    }
    if (out.size() <= kCutPart) cut = out.size();
  }
  if (out.size() <= kLongestPart) return out;
  return out.substr(0, cut) + "-" + Hex(Fnv1a(part), 16);
}

std::string SectionFolder(const std::string& root, const std::string& section,
                          TTextEncoding encoding) {
  std::string folder = root;
  for (const std::string& part : Split(section, "\\")) folder += "/" + EscapePart(part, encoding);
  return folder;
}

// Creates every folder of path that is missing, from the top: a fresh $XDG_CONFIG_HOME may not
// exist yet.
bool MakeFolders(const std::string& path) {
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    const std::string prefix = at == std::string::npos ? path : path.substr(0, at);
    struct stat st {};
    if (::stat(prefix.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
    } else if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      return false;
    }
    if (at == std::string::npos) return true;
  }
}

bool ReadFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[16384];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The values of a section file; comment lines are dropped before ParseTable sees them, so that
// no comment can stand for a value named "#0", "#1", ...
ttable ParseValues(const std::string& text) {
  std::string kept;
  kept.reserve(text.size());
  for (const std::string& line : Split(text, "\n")) {
    const std::string trimmed = Trim(line);
    if (!trimmed.empty() && (trimmed[0] == '#' || trimmed[0] == ';')) continue;
    kept += line;
    kept += '\n';
  }
  ttable table;
  ParseTable(kept, table);
  return table;
}

bool OneLine(std::string_view s) { return s.find_first_of("\r\n") == std::string_view::npos; }

std::string FormatValues(const ttable& table) {
  std::string text;
  const TStringList& names = table.storage[0];
  const TStringList& values = table.storage[1];
  for (size_t r = 0; r < names.size() && r < values.size(); ++r) {
    if (values[r].empty()) continue;
    text += '"' + names[r] + "\" = \"" + values[r] + "\"\n";
  }
  return text;
}

// Replaces path by a file holding text, through a synced temporary file in the same folder.
bool ReplaceFile(const std::string& folder, const std::string& path, const std::string& text) {
  std::string temporary = folder + "/" + std::string(kValuesFile) + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename itself lasts once the folder is synced; a folder that cannot be synced still
  // holds a whole file.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace

std::string ReadStoredSetting(const std::string& section, const std::string& name,
                              TTextEncoding encoding) {
  const std::string root = StoreRoot();
  if (root.empty()) return {};
  std::string text;
  const std::string path = SectionFolder(root, section, encoding) + "/" + std::string(kValuesFile);
  if (!ReadFile(path, text)) return {};
  std::string value = GetValue(ParseValues(text), name);
  // As in the registry store, whose read buffer holds no more.
  if (value.size() > kMaxSettingSize) return {};
  return value;
}

void WriteStoredSetting(const std::string& section, const std::string& name,
                        const std::string& value, TTextEncoding encoding) {
  // A line break would end the line early, and "=" in a name would split it elsewhere; the
  // cleaned names never hold either.
  if (!OneLine(value) || !OneLine(name) || name.find('=') != std::string::npos) return;
  const std::string root = StoreRoot();
  if (root.empty()) return;
  const std::string folder = SectionFolder(root, section, encoding);
  if (!MakeFolders(folder)) return;
  const std::string path = folder + "/" + std::string(kValuesFile);
  std::string text;
  ttable table;
  if (ReadFile(path, text)) {
    table = ParseValues(text);
  } else {
    InitTable(table, {"value"});
  }
  SetValue(table, name, value);
  ReplaceFile(folder, path, FormatValues(table));
}

}  // namespace folivar
