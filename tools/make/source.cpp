#include "tools/make/source.h"

#include <filesystem>
#include <set>
#include <toml++/toml.h>

#include "tools/make/codepage.h"
#include "tools/make/hyphenation.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

namespace {

constexpr const char* kFile = "book.toml";

int LineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

[[noreturn]] void Fail(const toml::node& node, const std::string& reason) {
  throw TSourceError(kFile, LineOf(node), reason);
}

// Every key of a table must be one the format knows.
void OnlyKeys(const toml::table& table, const std::set<std::string>& known, const std::string& in) {
  for (const auto& [key, value] : table) {
    if (!known.count(std::string(key.str()))) {
      throw TSourceError(kFile, static_cast<int>(key.source().begin.line),
                         "unknown key '" + std::string(key.str()) + "'" +
                             (in.empty() ? "" : " in [" + in + "]"));
    }
  }
}

std::string Text(const toml::node& node, const std::string& key, TSourceText& texts) {
  const auto* s = node.as_string();
  if (!s) Fail(node, "'" + key + "' must be a string");
  try {
    return texts.Take(s->get(), kFile, LineOf(node));
  } catch (const TSourceError& e) {
    throw TSourceError(kFile, e.Line(), "'" + key + "': " + e.what());
  }
}

std::string Path(const toml::node& node, const std::string& key) {
  const auto* s = node.as_string();
  if (!s) Fail(node, "'" + key + "' must be a string");
  if (s->get().empty()) Fail(node, "'" + key + "' is empty");
  return s->get();
}

bool Bool(const toml::node& node, const std::string& key) {
  const auto* b = node.as_boolean();
  if (!b) Fail(node, "'" + key + "' must be true or false");
  return b->get();
}

int32_t Int(const toml::node& node, const std::string& key, int64_t least, int64_t most) {
  const auto* i = node.as_integer();
  if (!i) Fail(node, "'" + key + "' must be a whole number");
  const int64_t v = i->get();
  if (v < least || v > most) {
    Fail(node, "'" + key + "' must be from " + std::to_string(least) + " to " +
                   std::to_string(most) + ", not " + std::to_string(v));
  }
  return static_cast<int32_t>(v);
}

uint32_t Colour(const toml::node& node, const std::string& key) {
  const auto* s = node.as_string();
  const std::string v = s ? s->get() : std::string();
  bool ok = v.size() == 7 && v[0] == '#';
  uint32_t c = 0;
  for (size_t i = 1; ok && i < 7; ++i) {
    const char h = v[i];
    uint32_t d = 0;
    if (h >= '0' && h <= '9') d = static_cast<uint32_t>(h - '0');
    else if (h >= 'a' && h <= 'f') d = static_cast<uint32_t>(h - 'a' + 10);
    else if (h >= 'A' && h <= 'F') d = static_cast<uint32_t>(h - 'A' + 10);
    else ok = false;
    c = c << 4 | d;
  }
  if (!ok) Fail(node, "'" + key + "' must be a colour \"#RRGGBB\"");
  return c;
}

const toml::table& Table(const toml::node& node, const std::string& key) {
  const auto* t = node.as_table();
  if (!t) Fail(node, "'" + key + "' must be a table");
  return *t;
}

void ReadStyle(const toml::node& node, const std::string& name, TTextStyle& style, TSourceText& texts) {
  const toml::table& t = Table(node, name);
  OnlyKeys(t, {"face", "size", "bold", "italic", "underline", "colour"}, "styles." + name);
  if (const auto* n = t.get("face")) {
    style.face = Text(*n, "face", texts);
    if (style.face->empty() || style.face->size() > 31) {
      Fail(*n, "'face' must be a name of 1 to 31 characters");
    }
  }
  if (const auto* n = t.get("size")) style.size = Int(*n, "size", 4, 72);
  if (const auto* n = t.get("bold")) style.bold = Bool(*n, "bold");
  if (const auto* n = t.get("italic")) style.italic = Bool(*n, "italic");
  if (const auto* n = t.get("underline")) style.underline = Bool(*n, "underline");
  if (const auto* n = t.get("colour")) style.colour = Colour(*n, "colour");
}

TTextStyle Full(std::string face, int32_t size, bool bold, uint32_t colour) {
  TTextStyle s;
  s.face = std::move(face);
  s.size = size;
  s.bold = bold;
  s.italic = false;
  s.underline = false;
  s.colour = colour;
  return s;
}

}  // namespace

TTextStyle DefaultStyle(const std::string& name, const TTextStyle& text) {
  if (name == "text") return Full("Times New Roman", 12, false, 0x000000);
  if (name == "heading1") return Full("Arial", 18, true, 0x103050);
  if (name == "heading2") return Full("Arial", 14, true, 0x103050);
  if (name == "heading3") return Full("Arial", 12, true, 0x000000);
  if (name == "dropcap") return Full("Times New Roman", 40, false, 0x802020);
  if (name == "code") return Full("Courier New", 10, false, 0x000000);
  if (name == "caption" || name == "note") {
    TTextStyle s = Full(text.face.value_or("Times New Roman"), 10, false, text.colour.value_or(0));
    s.italic = name == "caption";
    return s;
  }
  TTextStyle link;
  link.colour = 0x0000C0;
  link.underline = true;
  return link;
}

TBookSource ReadBookSource(const std::string& dir) {
  TBookSource b;
  b.dir = dir;
  const std::filesystem::path path = std::filesystem::path(dir) / kFile;
  if (!std::filesystem::is_regular_file(path)) throw TSourceError(kFile, 0, "there is no book.toml in " + dir);
  toml::table root;
  try {
    root = toml::parse_file(path.string());
  } catch (const toml::parse_error& e) {
    throw TSourceError(kFile, static_cast<int>(e.source().begin.line), std::string(e.description()));
  }
  OnlyKeys(root, {"title", "author", "publisher", "edition", "language", "encoding", "messages",
                  "chapters", "page", "reader", "pictures", "styles"}, "");
  if (const auto* n = root.get("encoding")) {
    const std::string e = Path(*n, "encoding");
    if (e == "unicode") b.texts = TSourceText(TEncodingChoice::kUnicode);
    else if (e == "cp1251") b.texts = TSourceText(TEncodingChoice::kCp1251);
    else Fail(*n, "'encoding' must be \"unicode\" or \"cp1251\"");
  }

  const auto* title = root.get("title");
  if (!title) throw TSourceError(kFile, 0, "'title' is missing");
  b.title = Text(*title, "title", b.texts);
  if (b.title.empty()) Fail(*title, "'title' is empty");
  for (auto [key, field] : {std::pair{"title", &b.title}, {"author", &b.author},
                            {"publisher", &b.publisher}, {"edition", &b.edition}}) {
    if (const auto* n = root.get(key)) {
      *field = Text(*n, key, b.texts);
      if (Utf8ToCodePoints(*field).size() > 255) Fail(*n, std::string("'") + key + "' is longer than 255 characters");
    }
  }
  if (const auto* n = root.get("language")) {
    b.language = Path(*n, "language");
    if (!THyphenator::Known(b.language)) {
      b.warnings.push_back({std::string(kFile) + ":" + std::to_string(LineOf(*n)),
                            "no hyphenation patterns for the language '" + b.language + "' (" +
                                THyphenator::Languages() + "): the text is not hyphenated"});
    }
  }
  if (const auto* n = root.get("messages")) {
    b.messages = Path(*n, "messages");
    b.messagesGiven = true;
  }

  const auto* chapters = root.get("chapters");
  if (!chapters) throw TSourceError(kFile, 0, "'chapters' is missing");
  const auto* list = chapters->as_array();
  if (!list) Fail(*chapters, "'chapters' must be a list of file names");
  if (list->empty()) Fail(*chapters, "'chapters' is empty");
  for (const toml::node& c : *list) {
    b.chapters.push_back(Path(c, "chapters"));
    b.chapterLines.push_back(LineOf(c));
  }

  if (const auto* n = root.get("page")) {
    const toml::table& t = Table(*n, "page");
    OnlyKeys(t, {"width", "height", "margins", "spreads", "first_spread_page"}, "page");
    if (const auto* v = t.get("width")) b.pageWidth = Int(*v, "width", 64, 4096);
    if (const auto* v = t.get("height")) b.pageHeight = Int(*v, "height", 64, 4096);
    if (const auto* v = t.get("margins")) {
      const toml::table& m = Table(*v, "margins");
      OnlyKeys(m, {"left", "top", "right", "bottom"}, "page.margins");
      if (const auto* x = m.get("left")) b.marginLeft = Int(*x, "left", 0, 2048);
      if (const auto* x = m.get("top")) b.marginTop = Int(*x, "top", 0, 2048);
      if (const auto* x = m.get("right")) b.marginRight = Int(*x, "right", 0, 2048);
      if (const auto* x = m.get("bottom")) b.marginBottom = Int(*x, "bottom", 0, 2048);
    }
    if (const auto* v = t.get("spreads")) b.spreads = Bool(*v, "spreads");
    if (const auto* v = t.get("first_spread_page")) b.firstSpreadPage = Int(*v, "first_spread_page", 0, 1 << 20);
    if (b.TextWidth() < 32) Fail(*n, "the margins leave less than 32 pixels for the text's width");
    if (b.TextHeight() < 32) Fail(*n, "the margins leave less than 32 pixels for the text's height");
  }

  if (const auto* n = root.get("reader")) {
    const toml::table& t = Table(*n, "reader");
    OnlyKeys(t, {"print", "about", "spine_line", "spine_colour", "glyph_blend", "glyph_colour",
                 "page_curl", "page_curl_duration"}, "reader");
    if (const auto* v = t.get("print")) b.print = Bool(*v, "print");
    if (const auto* v = t.get("about")) b.about = Bool(*v, "about");
    if (const auto* v = t.get("spine_line")) b.spineLine = Int(*v, "spine_line", 0, 255);
    if (const auto* v = t.get("spine_colour")) b.spineColour = Colour(*v, "spine_colour");
    if (const auto* v = t.get("glyph_blend")) b.glyphBlend = Int(*v, "glyph_blend", 0, 255);
    if (const auto* v = t.get("glyph_colour")) b.glyphColour = Colour(*v, "glyph_colour");
    if (const auto* v = t.get("page_curl")) b.pageCurl = Bool(*v, "page_curl");
    if (const auto* v = t.get("page_curl_duration")) b.pageCurlDuration = Int(*v, "page_curl_duration", 0, 60000);
  }

  if (const auto* n = root.get("pictures")) {
    const toml::table& t = Table(*n, "pictures");
    OnlyKeys(t, {"cover", "background", "digits"}, "pictures");
    if (const auto* v = t.get("cover")) {
      b.cover = Path(*v, "cover");
      b.coverLine = LineOf(*v);
    }
    if (const auto* v = t.get("background")) {
      b.background = Path(*v, "background");
      b.backgroundLine = LineOf(*v);
    }
    if (const auto* v = t.get("digits")) {
      b.digits = Path(*v, "digits");
      b.digitsLine = LineOf(*v);
      if (b.digits != "none" && b.digits.find("{}") == std::string::npos)
        Fail(*v, "'digits' must hold {} where the digit goes, or be \"none\"");
    }
  }

  b.text = DefaultStyle("text");
  b.heading1 = DefaultStyle("heading1");
  b.heading2 = DefaultStyle("heading2");
  b.heading3 = DefaultStyle("heading3");
  b.link = DefaultStyle("link");
  b.dropcap = DefaultStyle("dropcap");
  b.code = DefaultStyle("code");
  const toml::table* styles = nullptr;
  if (const auto* n = root.get("styles")) {
    styles = &Table(*n, "styles");
    OnlyKeys(*styles, {"text", "heading1", "heading2", "heading3", "link", "dropcap", "code", "caption", "note"},
             "styles");
  }
  // A style given in book.toml replaces the default field by field; the caption's and the
  // note's defaults follow the text's face.
  for (auto [key, style] : {std::pair{"text", &b.text}, {"heading1", &b.heading1}, {"heading2", &b.heading2},
                            {"heading3", &b.heading3}, {"link", &b.link}, {"dropcap", &b.dropcap},
                            {"code", &b.code}, {"caption", &b.caption}, {"note", &b.note}}) {
    if (style == &b.caption || style == &b.note) *style = DefaultStyle(key, b.text);
    if (const auto* v = styles ? styles->get(key) : nullptr) ReadStyle(*v, key, *style, b.texts);
  }
  return b;
}

}  // namespace folivar::make
