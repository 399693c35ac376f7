#include "tools/import/pandocjson.h"

#include "tools/import/bookmeta.h"

namespace folivar::bookimport {

namespace {

const json kEmpty = json::array();

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string Type(const json& x) {
  return x.is_object() && x.contains("t") && x["t"].is_string() ? x["t"].get<std::string>() : "";
}
const json& C(const json& x) { return x.is_object() && x.contains("c") ? x["c"] : kEmpty; }
const json& At(const json& x, size_t i) { return x.is_array() && i < x.size() ? x[i] : kEmpty; }
std::string Str(const json& x) { return x.is_string() ? x.get<std::string>() : ""; }

// Pandoc's Attr: [id, [classes], [[key, value]]].
std::string AttrId(const json& attr) { return Str(At(attr, 0)); }
bool HasClass(const json& attr, const std::string& name) {
  for (const json& c : At(attr, 1))
    if (Str(c) == name) return true;
  for (const json& kv : At(attr, 2))
    if (Str(At(kv, 1)) == name || Str(At(kv, 1)) == "doc-" + name) return true;
  return false;
}

// The Attr of a block or inline that has one, else null.
const json* AttrOf(const json& x) {
  const std::string t = Type(x);
  if (t == "Div" || t == "Span" || t == "CodeBlock" || t == "Code" || t == "Link" || t == "Image" ||
      t == "Table" || t == "Figure") {
    return &At(C(x), 0);
  }
  if (t == "Header") return &At(C(x), 1);
  return nullptr;
}

bool IsSpace(const json& in) {
  const std::string t = Type(in);
  return t == "Space" || t == "SoftBreak";
}

// The file part of an EPUB id ("ch002.xhtml" of "ch002.xhtml#one"), lower case.
bool IsFileName(const std::string& id) {
  std::string s = id;
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return EndsWith(s, ".xhtml") || EndsWith(s, ".html") || EndsWith(s, ".htm") || EndsWith(s, ".xml");
}

// pandoc's EPUB reader marks where each file of the book begins: Para [Span (file, [], []) []].
std::string FileMarker(const json& b) {
  if (Type(b) != "Para" || C(b).size() != 1) return "";
  const json& in = C(b)[0];
  if (Type(in) != "Span" || !At(C(in), 1).empty()) return "";
  const std::string id = AttrId(At(C(in), 0));
  return IsFileName(id) ? id : "";
}

// The one picture of a paragraph that holds nothing else, or null.
const json* LonePicture(const json& b) {
  if (Type(b) != "Para" && Type(b) != "Plain") return nullptr;
  const json* image = nullptr;
  for (const json& in : C(b)) {
    if (IsSpace(in)) continue;
    if (Type(in) != "Image" || image) return nullptr;
    image = &in;
  }
  return image;
}

bool ContainsHeader(const json& blocks) {
  for (const json& b : blocks) {
    if (Type(b) == "Header") return true;
    if (Type(b) == "Div" && ContainsHeader(At(C(b), 1))) return true;
  }
  return false;
}

std::string TrimSpaces(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == ' ') ++a;
  while (b > a && s[b - 1] == ' ') --b;
  return s.substr(a, b - a);
}

bool IsDinkus(const std::string& text) {
  static const std::vector<std::string> kSigns = {"*",      "\u2042", "\u2731", "\u273B", "\u2022",
                                                  "\u00B7", "~",      " ",      "\u00A0"};
  if (text.empty()) return false;
  bool sign = false;
  for (size_t i = 0; i < text.size();) {
    bool found = false;
    for (const std::string& s : kSigns) {
      if (text.compare(i, s.size(), s) != 0) continue;
      sign = sign || (s != " " && s != "\u00A0");
      i += s.size();
      found = true;
      break;
    }
    if (!found) return false;
  }
  return sign;
}

bool HoldsText(const json& b) {
  const std::string t = Type(b);
  if (t == "Para" || t == "Plain") return !InlinesText(C(b)).empty() || LonePicture(b);
  if (t == "Header") return !InlinesText(At(C(b), 2)).empty();
  if (t == "Div") {
    for (const json& x : At(C(b), 1))
      if (HoldsText(x)) return true;
    return false;
  }
  return t == "LineBlock" || t == "BlockQuote" || t == "Table" || t == "CodeBlock" || t == "BulletList" ||
         t == "OrderedList" || t == "DefinitionList" || t == "Figure";
}

std::vector<json> SplitLines(const json& inlines) {
  std::vector<json> lines(1, json::array());
  for (const json& in : inlines) {
    if (Type(in) == "LineBreak")
      lines.emplace_back(json::array());
    else
      lines.back().push_back(in);
  }
  return lines;
}

}  // namespace folivar::bookimport
