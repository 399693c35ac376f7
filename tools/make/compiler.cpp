#include "tools/make/compiler.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "book/bookwriter.h"
#include "tools/make/chapter.h"
#include "tools/make/generated.h"
#include "tools/make/hyphenation.h"
#include "tools/make/layout.h"
#include "tools/make/measure.h"
#include "tools/make/messages.h"
#include "tools/make/pagebreak.h"
#include "tools/make/pagecurl.h"
#include "tools/make/picturestore.h"
#include "tools/make/source.h"
#include "tools/make/sourceerror.h"
#include "tools/make/styles.h"

namespace folivar::make {

namespace {

std::string ReadFile(const std::filesystem::path& path, const std::string& name, int line,
                     const std::string& asked) {
  if (!std::filesystem::is_regular_file(path)) throw TSourceError(asked, line, "the file " + name + " does not exist");
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  if (!in && !in.eof()) throw TSourceError(name, 0, "the file cannot be read");
  return s.str();
}

// Every anchor of the book, numbered in the order of the text; a name given twice is an error.
class TAnchors {
 public:
  void Add(const std::string& name, const std::string& file, int line) {
    if (const auto hit = where_.find(name); hit != where_.end()) {
      throw TSourceError(file, line, "the anchor '" + name + "' is already set at " + hit->second);
    }
    numbers_.emplace(name, static_cast<int32_t>(names_.size()));
    names_.push_back(name);
    where_.emplace(name, file + ":" + std::to_string(line));
  }
  // A name made from a heading's text that is taken already gets "-2", "-3", ... at its end.
  std::string Free(const std::string& name) const {
    if (!numbers_.count(name)) return name;
    for (int n = 2;; ++n) {
      const std::string candidate = name + "-" + std::to_string(n);
      if (!numbers_.count(candidate)) return candidate;
    }
  }
  const std::map<std::string, int32_t>& Numbers() const { return numbers_; }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::map<std::string, int32_t> numbers_;
  std::map<std::string, std::string> where_;
  std::vector<std::string> names_;
};

void FillHeader(TBookHeader& h, const TBookSource& s, TTextEncoding encoding) {
  for (auto [key, from, to] : {std::tuple{"title", &s.title, &h.title}, {"author", &s.author, &h.author},
                               {"publisher", &s.publisher, &h.publisher}, {"edition", &s.edition, &h.edition}}) {
    *to = BookString(*from, encoding);
    if (to->size() > 255) throw TSourceError("book.toml", 0, std::string("'") + key + "' is longer than 255 bytes");
  }
  h.pageWidth = s.pageWidth;
  h.viewWidth = s.spreads ? 2 * s.pageWidth : s.pageWidth;
  h.viewHeight = s.pageHeight;
  h.leftMargin = s.marginLeft;
  h.topMargin = s.marginTop;
  h.rightMargin = s.marginRight;
  h.bottomMargin = s.marginBottom;
  h.glyphBlend = static_cast<uint8_t>(s.glyphBlend);
  h.glyphColour = s.glyphColour;
  h.printEnabled = s.print ? 1 : 0;
  h.firstSpreadPage = s.firstSpreadPage;
  h.spineLine = static_cast<uint8_t>(s.spineLine);
  h.spineColour = static_cast<int32_t>(s.spineColour);
  h.noAbout = s.about ? 0 : 1;
}

// The book's encoding for the reader's tables and measures while the book is made, and code page
// 1251 again afterwards, however the compiling ends.
class TEncodingScope {
 public:
  explicit TEncodingScope(TTextEncoding encoding) { SetBookEncoding(encoding); }
  ~TEncodingScope() { SetBookEncoding(TTextEncoding::kCp1251); }
  TEncodingScope(const TEncodingScope&) = delete;
  TEncodingScope& operator=(const TEncodingScope&) = delete;
};

}  // namespace

std::string CompileBook(const std::string& dir, TCompileStats* stats) {
  TBookSource source = ReadBookSource(dir);
  const std::filesystem::path root(dir);

  std::vector<TChapter> chapters;
  for (size_t i = 0; i < source.chapters.size(); ++i) {
    const std::string& name = source.chapters[i];
    const std::string text = ReadFile(root / name, name, source.chapterLines[i], "book.toml");
    chapters.push_back(ParseChapter(text, name, source.language, &source.texts, static_cast<int>(i) + 1));
  }
  TMessages messages = DefaultMessages();
  const std::filesystem::path messagesPath = root / source.messages;
  if (std::filesystem::exists(messagesPath) || source.messagesGiven) {
    messages = ParseMessages(ReadFile(messagesPath, source.messages, 0, "book.toml"), source.messages, &source.texts);
  }
  // Every text has passed the gate: the book is code page 1251 when all of them fit.
  const TTextEncoding encoding = source.texts.Encoding();
  const TEncodingScope scope(encoding);

  TAnchors anchors;
  std::vector<TContentsEntry> contents;
  for (TChapter& c : chapters) {
    for (TBlock& b : c.blocks) {
      std::vector<const TSpan*> spans;  // the block's, its caption's and its table cells'
      for (const TSpan& s : b.spans) spans.push_back(&s);
      for (const TSpan& s : b.caption) spans.push_back(&s);
      for (const auto& row : b.table.rows)
        for (const TTableCell& cell : row)
          for (const TSpan& s : cell.spans) spans.push_back(&s);
      for (const TSpan* s : spans)
        if (s->kind == TSpan::kAnchor) anchors.Add(s->text, c.file, s->line);
      if (b.kind == TBlock::kHeading) {
        if (!b.anchorGiven) b.anchor = anchors.Free(b.anchor);
        anchors.Add(b.anchor, c.file, b.line);
        if (b.level <= 2) contents.push_back({b.plain, b.level, anchors.Numbers().at(b.anchor), b.anchor, c.file, b.line});
      }
    }
  }
  if (anchors.Names().size() > 0xFFFF) throw TSourceError("book.toml", 0, "the book has more than 65535 anchors");

  TBookWriter writer;
  FillHeader(writer.header, source, encoding);
  TMeasure measure(writer);
  TBookStyles styles(measure, source.link);
  TPictureStore pictures(measure, dir, {source.TextWidth(), source.TextHeight(), source.pageWidth, source.pageHeight});
  THyphenators hyphenators;

  // The digits first: their pictures must follow one another. Without pictures of its own the book
  // gets digits drawn from the text face; one that asks for none has no page numbers.
  if (source.digits == "none") {
    writer.header.digitImageBase = -1;
  } else if (source.digits.empty()) {
    writer.header.digitImageBase = AddDigitPictures(measure, source);
  } else {
    for (int d = 0; d < 10; ++d) {
      std::string path = source.digits;
      path.replace(path.find("{}"), 2, std::to_string(d));
      const TStoredPicture p = pictures.Load(path, {}, TPictureStore::kWhole, "book.toml", source.digitsLine);
      if (d == 0) writer.header.digitImageBase = p.number;
    }
  }
  if (!source.cover.empty()) {
    writer.header.coverImage = pictures.Load(source.cover, {}, TPictureStore::kCover, "book.toml", source.coverLine).number;
  } else if (!source.background.empty()) {
    const TPixels ground = pictures.Read(source.background, "book.toml", source.backgroundLine);
    writer.header.coverImage = AddTypographicCover(measure, source, &ground);
  } else {
    writer.header.coverImage = AddTypographicCover(measure, source, nullptr);
  }
  if (!source.background.empty()) {
    writer.header.backgroundImage =
        pictures.Load(source.background, {}, TPictureStore::kWhole, "book.toml", source.backgroundLine).number;
  }

  TLayout layout(source, measure, styles, pictures, hyphenators, anchors.Numbers(), contents);
  for (const TChapter& c : chapters) layout.Chapter(c);
  const std::vector<TPageLine>& lines = layout.Lines();
  const std::vector<TPageOfLines> pages = BreakPages(lines, source.TextHeight());

  // Page 0 is the cover: the reader shows the cover picture there, with no lines of its own.
  writer.AddPage(EncodePageRecord(-1, {}));
  std::vector<int32_t> anchorPages(anchors.Names().size(), 1);
  for (const TPageOfLines& page : pages) {
    std::vector<TLineRecord> records;
    for (size_t i : page.lines) records.push_back(lines[i].record);
    const int32_t index = writer.AddPage(EncodePageRecord(-1, records));
    for (int32_t a : page.anchors) anchorPages[static_cast<size_t>(a)] = index;
  }
  for (size_t a = 0; a < anchors.Names().size(); ++a) writer.AddAnchor(BookString(anchors.Names()[a], encoding), anchorPages[a]);

  const std::string missing = source.language == "ru"
                                  ? "Эту страницу не удалось прочитать."
                                  : "This page could not be read.";
  writer.SetSubstitutePage(EncodePageRecord(-1, layout.SubstituteLines(missing)));

  for (std::string& text : messages.texts) text = BookString(text, encoding);
  writer.SetMessages(messages.keys, messages.texts);
  if (encoding == TTextEncoding::kUnicode) writer.SetProperty("encoding", "unicode");

  if (source.pageCurl) {
    TPageCurlOptions curl;
    curl.duration = source.pageCurlDuration;
    writer.SetProperty("pageturn_animation", "1");
    writer.SetProperty("anime", MakePageCurlText(curl));
  } else {
    writer.SetProperty("pageturn_animation", "0");
  }

  if (stats) {
    stats->pages = writer.PageCount();
    stats->pictures = 0;
    stats->anchors = static_cast<int32_t>(anchors.Names().size());
    stats->lines = static_cast<int32_t>(lines.size());
    stats->warnings = source.texts.Warnings();  // the source gate sees every text before the layout
    stats->warnings.insert(stats->warnings.end(), source.warnings.begin(), source.warnings.end());
    for (const TChapter& c : chapters) stats->warnings.insert(stats->warnings.end(), c.warnings.begin(), c.warnings.end());
    stats->warnings.insert(stats->warnings.end(), layout.Warnings().begin(), layout.Warnings().end());
  }
  return writer.Build();
}

}  // namespace folivar::make
