#include "tools/import/bookmeta.h"

#include <cctype>

namespace folivar::bookimport {

using nlohmann::json;

namespace {

std::string Collapse(const std::string& s) {
  std::string out;
  for (char c : s) {
    const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
    if (space) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

void BlocksInto(const json& blocks, std::string& out);

void InlinesInto(const json& inlines, std::string& out) {
  if (!inlines.is_array()) return;
  for (const json& in : inlines) {
    if (!in.is_object() || !in.contains("t")) continue;
    const std::string t = in.at("t").get<std::string>();
    const json& c = in.contains("c") ? in.at("c") : json();
    if (t == "Str")
      out += c.get<std::string>();
    else if (t == "Space" || t == "SoftBreak" || t == "LineBreak")
      out += ' ';
    else if (t == "Code" || t == "Math")
      out += c.at(1).get<std::string>();
    else if (t == "Emph" || t == "Strong" || t == "Underline" || t == "Strikeout" || t == "SmallCaps" ||
             t == "Superscript" || t == "Subscript")
      InlinesInto(c, out);
    else if (t == "Quoted") {
      out += '"';
      InlinesInto(c.at(1), out);
      out += '"';
    } else if (t == "Cite" || t == "Span")
      InlinesInto(c.at(1), out);
    else if (t == "Link" || t == "Image")
      InlinesInto(c.at(1), out);
  }
}

void BlocksInto(const json& blocks, std::string& out) {
  if (!blocks.is_array()) return;
  for (const json& b : blocks) {
    if (!b.is_object() || !b.contains("t")) continue;
    const std::string t = b.at("t").get<std::string>();
    if (!out.empty()) out += ' ';
    if (t == "Para" || t == "Plain")
      InlinesInto(b.at("c"), out);
    else if (t == "Header")
      InlinesInto(b.at("c").at(2), out);
    else if (t == "Div")
      BlocksInto(b.at("c").at(1), out);
    else if (t == "BlockQuote")
      BlocksInto(b.at("c"), out);
    else if (t == "LineBlock") {
      for (const json& line : b.at("c")) {
        InlinesInto(line, out);
        out += ' ';
      }
    } else if (t == "CodeBlock")
      out += b.at("c").at(1).get<std::string>();
    else if (t == "BulletList" || t == "OrderedList") {
      for (const json& item : t == "BulletList" ? b.at("c") : b.at("c").at(1)) BlocksInto(item, out);
    }
  }
}

bool IsAllSpace(const std::string& s) { return Collapse(s).empty(); }

std::vector<std::string> MetaNames(const json& value) {
  std::vector<std::string> names;
  if (value.is_object() && value.value("t", "") == "MetaList") {
    for (const json& v : value.at("c")) {
      const std::string n = Collapse(MetaText(v));
      if (!n.empty()) names.push_back(n);
    }
  } else {
    const std::string n = Collapse(MetaText(value));
    if (!n.empty()) names.push_back(n);
  }
  return names;
}

}  // namespace

std::string InlinesText(const json& inlines) {
  std::string out;
  InlinesInto(inlines, out);
  return Collapse(out);
}

std::string BlocksText(const json& blocks) {
  std::string out;
  BlocksInto(blocks, out);
  return Collapse(out);
}

std::string MetaText(const json& value) {
  if (!value.is_object() || !value.contains("t")) return "";
  const std::string t = value.at("t").get<std::string>();
  const json& c = value.contains("c") ? value.at("c") : json();
  if (t == "MetaString" && c.is_string()) return Collapse(c.get<std::string>());
  if (t == "MetaInlines") return InlinesText(c);
  if (t == "MetaBlocks") return BlocksText(c);
  if (t == "MetaList") {
    std::string out;
    for (const json& v : c) {
      const std::string s = MetaText(v);
      if (s.empty()) continue;
      if (!out.empty()) out += ", ";
      out += s;
    }
    return out;
  }
  if (t == "MetaMap" && c.is_object()) {
    // {name: ..., role: ...} in EPUB and YAML metadata
    for (const char* key : {"name", "text", "title"})
      if (c.contains(key)) return MetaText(c[key]);
  }
  return "";
}

std::string LanguageCode(const std::string& lang) {
  std::string code;
  for (char ch : lang) {
    if (ch == '-' || ch == '_' || ch == '.') break;
    code += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  if (code == "c" || code == "posix" || code == "und" || code.size() < 2 || code.size() > 3) return "";
  for (char ch : code)
    if (ch < 'a' || ch > 'z') return "";
  return code;
}

std::string JoinNames(const std::vector<std::string>& names, const std::string& language) {
  static const std::pair<const char*, const char*> kAnd[] = {
      {"ru", "и"}, {"fr", "et"}, {"de", "und"}, {"es", "y"}, {"it", "e"}, {"pl", "i"}, {"el", "και"}};
  std::string word = "and";
  for (const auto& [lang, w] : kAnd)
    if (language == lang) word = w;
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? " " + word + " " : ", ";
    out += names[i];
  }
  return out;
}

std::string ShortenAtWord(const std::string& text, size_t max) {
  if (text.size() <= max) return text;
  static const std::string kEllipsis = "\u2026";
  size_t cut = max - kEllipsis.size();
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // a character's start
  const size_t space = text.rfind(' ', cut);
  if (space != std::string::npos && space > 0) cut = space;
  std::string out = text.substr(0, cut);
  while (!out.empty() && (out.back() == ' ' || out.back() == ',' || out.back() == ';' || out.back() == ':'))
    out.pop_back();
  return out + kEllipsis;
}

TQuoteMarks QuoteMarks(const std::string& language, bool single) {
  if (language == "ru" || language == "de" || language == "pl") {
    if (language == "de") return single ? TQuoteMarks{"\u201A", "\u2018"} : TQuoteMarks{"\u201E", "\u201C"};
    if (language == "pl") return single ? TQuoteMarks{"\u00AB", "\u00BB"} : TQuoteMarks{"\u201E", "\u201D"};
    return single ? TQuoteMarks{"\u201E", "\u201C"} : TQuoteMarks{"\u00AB", "\u00BB"};
  }
  if (language == "fr")
    return single ? TQuoteMarks{"\u2039\u00A0", "\u00A0\u203A"} : TQuoteMarks{"\u00AB\u00A0", "\u00A0\u00BB"};
  if (language == "es" || language == "it" || language == "el") {
    return single ? TQuoteMarks{"\u201C", "\u201D"} : TQuoteMarks{"\u00AB", "\u00BB"};
  }
  return single ? TQuoteMarks{"\u2018", "\u2019"} : TQuoteMarks{"\u201C", "\u201D"};
}

TBookMeta ReadBookMeta(const json& meta, const std::string& fileStem, std::vector<std::string>& warnings) {
  TBookMeta m;
  auto get = [&](const char* key) -> json {
    return meta.is_object() && meta.contains(key) ? meta[key] : json();
  };
  m.language = LanguageCode(MetaText(get("lang")));
  if (m.language.empty()) m.language = LanguageCode(MetaText(get("language")));
  m.title = MetaText(get("title"));
  const std::string subtitle = MetaText(get("subtitle"));
  if (!m.title.empty() && !subtitle.empty()) m.title += ": " + subtitle;
  if (IsAllSpace(m.title)) {
    m.title = fileStem.empty() ? "Untitled" : fileStem;
    warnings.push_back("the book names no title: the title is \"" + m.title + "\"");
  }
  std::vector<std::string> authors = MetaNames(get("author"));
  if (authors.empty()) authors = MetaNames(get("creator"));
  m.author = JoinNames(authors, m.language);
  m.publisher = MetaText(get("publisher"));
  m.edition = MetaText(get("edition"));
  if (m.edition.empty()) {
    m.edition = MetaText(get("date"));
    // A moment of ISO 8601 ("2024-05-01T10:00:00Z") is the day.
    const size_t t = m.edition.find('T');
    if (t == 10 && m.edition[4] == '-' && m.edition[7] == '-') m.edition.resize(10);
  }
  struct TField {
    const char* name;
    std::string* value;
  };
  for (TField f : {TField{"title", &m.title}, TField{"author", &m.author}, TField{"publisher", &m.publisher},
                   TField{"edition", &m.edition}}) {
    if (f.value->size() <= 255) continue;
    *f.value = ShortenAtWord(*f.value, 255);
    warnings.push_back(std::string("the ") + f.name + " is longer than 255 bytes: shortened to \"" +
                       *f.value + "\"");
  }
  return m;
}

}  // namespace folivar::bookimport
