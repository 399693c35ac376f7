#include "tools/make/layout.h"

#include <algorithm>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "tools/make/codepage.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

namespace {

constexpr uint16_t kHyphen = '-';
constexpr int32_t kHyphenPenalty = 50;
constexpr int32_t kMaxSpace = 127;
constexpr int32_t kContentsIndent = 16;
constexpr char32_t kNoBreakSpace = 0xA0;
constexpr char32_t kSoftHyphen = 0xAD;
constexpr char32_t kEnDash = 0x2013;
constexpr char32_t kEmDash = 0x2014;
constexpr char32_t kZeroWidthSpace = 0x200B;
constexpr char32_t kWordJoiner = 0x2060;

bool IsSpace(char32_t c) { return c == ' ' || c < 32; }

}  // namespace

TLayout::TLayout(const TBookSource& source, TMeasure& measure, TBookStyles& styles,
                 TPictureStore& pictures, THyphenators& hyphenators,
                 const std::map<std::string, int32_t>& anchors, std::vector<TContentsEntry> contents)
    : source_(source), measure_(measure), styles_(styles), pictures_(pictures),
      hyphenators_(hyphenators), anchors_(anchors), contents_(std::move(contents)) {
  textStyle_ = styles_.Text(source_.text, 0, {});
  textAscent_ = measure_.Ascent('x', textStyle_);
  textDescent_ = measure_.Descent('x', textStyle_);
}

int32_t TLayout::Anchor(const std::string& name, const std::string& file, int line) const {
  const auto hit = anchors_.find(name);
  if (hit == anchors_.end()) throw TSourceError(file, line, "there is no anchor '" + name + "'");
  return hit->second;
}

std::string TLayout::Link(const std::string& link, const std::string& file, int line) {
  if (link.empty() || link[0] != '#' || anchors_.count(link.substr(1))) return link;
  if (missing_.insert({file, line, link}).second) {
    warnings_.push_back({line > 0 ? file + ":" + std::to_string(line) : file,
                         "there is no anchor '" + link.substr(1) + "': the text is set without the link"});
  }
  return {};
}

void TLayout::Emit(TPageLine line) {
  if (line.spacing) {
    if (newPage_ || lines_.empty()) return;
  } else {
    line.newPage = newPage_;
    newPage_ = false;
  }
  lines_.push_back(std::move(line));
}

void TLayout::Spacing(int32_t height) {
  if (height <= 0) return;
  TPageLine l;
  l.spacing = true;
  l.record.height = height;
  l.record.descent = height;
  l.record.alignment = kAlignLeft;
  Emit(std::move(l));
}

void TLayout::CheckGlyph(char32_t c, uint16_t style, const std::string& file, int line) {
  if (checked_.insert({style, c}).second) CheckGlyph(measure_.FaceLacking(style, c), c, file, line);
}

void TLayout::CheckGlyph(const std::string& face, char32_t c, const std::string& file, int line) {
  if (face.empty() || !warned_.insert({face, c}).second) return;
  warnings_.push_back({line > 0 ? file + ":" + std::to_string(line) : file,
                       "the face \"" + face + "\" has no \"" + CodePointsToUtf8(std::u32string(1, c)) +
                           "\" (" + Hex(c) + "): the reader shows the font's missing glyph for it"});
}

// Anchors that stand before nothing visible: an invisible line of height 0 carries them.
void TLayout::AnchorOnly(std::vector<int32_t> anchors) {
  if (anchors.empty()) return;
  TPageLine l;
  l.record.alignment = kAlignLeft;
  l.anchors = std::move(anchors);
  Emit(std::move(l));
}

void TLayout::Chapter(const TChapter& chapter) {
  newPage_ = true;
  verseBefore_ = notesBegun_ = false;
  for (const TBlock& b : chapter.blocks) {
    if (b.note > 0 && !notesBegun_) {
      notesBegun_ = true;
      NotesRule(chapter.file);
    }
    Block(b, chapter.file);
    verseBefore_ = b.kind == TBlock::kVerse;
  }
}

void TLayout::NotesRule(const std::string& file) {
  Spacing(TextLineHeight());
  const uint16_t style = styles_.Text(source_.note, 0, {});
  const uint16_t dash = ItemCode(kEmDash, BookEncoding());
  CheckGlyph(kEmDash, style, file, 0);
  TPageLine l;
  for (int i = 0; i < 3; ++i) {
    l.record.items.push_back({dash, style});
    l.record.width += measure_.Width(dash, style);
  }
  l.record.ascent = measure_.Ascent(dash, style);
  l.record.descent = measure_.Descent(dash, style);
  l.record.height = l.record.ascent + l.record.descent;
  l.record.alignment = kAlignLeft;
  l.keepWithNext = true;
  l.paragraph = paragraphs_++;
  Emit(std::move(l));
  Spacing(TextLineHeight() / 3);
}

void TLayout::Block(const TBlock& block, const std::string& file) {
  const int32_t lh = TextLineHeight();
  std::vector<int32_t> leading;
  auto blockAnchors = [&] {
    for (const TSpan& s : block.spans)
      if (s.kind == TSpan::kAnchor) leading.push_back(Anchor(s.text, file, s.line));
    AnchorOnly(std::move(leading));
  };
  switch (block.kind) {
    case TBlock::kPageBreak:
      blockAnchors();
      newPage_ = true;
      return;
    case TBlock::kContents:
      blockAnchors();
      Contents();
      Spacing(lh / 3);
      return;
    case TBlock::kHeading: {
      const TTextStyle& headingStyle = block.level == 1 ? source_.heading1
                               : block.level == 2 ? source_.heading2 : source_.heading3;
      Spacing(block.level == 1 ? lh : block.level == 2 ? lh * 3 / 4 : lh / 2);
      Paragraph(block, headingStyle, true, file);
      Spacing(lh / 4);
      return;
    }
    case TBlock::kParagraph: {
      const TTextStyle& base = block.note > 0 ? source_.note : source_.text;
      if (!PictureBlock(block, file)) {
        Paragraph(block, base, false, file);
      } else if (block.figure && !block.caption.empty()) {
        TBlock caption;
        caption.spans = block.caption;
        caption.alignment = kAlignCentre;
        caption.language = block.language;
        caption.quote = block.quote;
        caption.line = block.line;
        Spacing(lh / 4);
        Paragraph(caption, source_.caption, false, file, true);
      }
      Spacing(block.indent > 0 || block.note > 0 ? lh / 6 : lh / 3);  // list items and notes stand closer
      return;
    }
    case TBlock::kVerse:
      if (verseBefore_ && block.marker.empty()) Spacing(lh - lh / 3);  // a stanza gap: one line
      Verse(block, file);
      Spacing(lh / 3);
      return;
    case TBlock::kCode:
      Code(block, file);
      Spacing(lh / 3);
      return;
    case TBlock::kSceneBreak:
      SceneBreak(block, file);
      return;
    case TBlock::kTable:
      blockAnchors();
      Table(block, file);
      Spacing(lh / 3);
      return;
  }
}

bool TLayout::PictureBlock(const TBlock& block, const std::string& file) {
  const TSpan* picture = nullptr;
  std::vector<int32_t> anchors;
  for (const TSpan& s : block.spans) {
    if (s.kind == TSpan::kAnchor) {
      anchors.push_back(Anchor(s.text, file, s.line));
    } else if (s.kind == TSpan::kPicture && !picture) {
      picture = &s;
    } else if (s.kind != TSpan::kText || std::any_of(s.text.begin(), s.text.end(), [](char c) {
                 return !IsSpace(static_cast<unsigned char>(c));
               })) {
      return false;
    }
  }
  if (!picture || block.dropcap || block.indent > 0) return false;
  const TStoredPicture p = pictures_.Load(picture->text, picture->title, TPictureStore::kBlock, file, picture->line,
                                          source_.TextWidth() - 2 * block.quote * kQuoteIndent);
  const std::string link = Link(picture->link, file, picture->line);
  TPageLine l;
  l.record.width = p.width;
  l.record.height = p.height;
  l.record.ascent = p.height;
  l.record.descent = 0;
  l.record.alignment = block.alignment.value_or(kAlignCentre);
  l.record.items.push_back({p.number, styles_.Picture(link)});
  l.record.leftIndent = l.record.rightIndent = block.quote * kQuoteIndent;
  l.anchors = std::move(anchors);
  l.keepWithNext = block.figure && !block.caption.empty();
  l.paragraph = paragraphs_++;
  Emit(std::move(l));
  return true;
}

std::vector<TElement> TLayout::Elements(const TTextStyle& base, const std::string& file,
                                        const std::vector<TSpan>& spans, int32_t measure) {
  std::vector<TElement> e;
  std::vector<int32_t> pending;
  uint16_t fontStyle = styles_.Text(base, 0, {});
  auto last = [&]() -> TElement* { return e.empty() ? nullptr : &e.back(); };
  auto push = [&](TElement el) {
    el.anchors.insert(el.anchors.end(), pending.begin(), pending.end());
    pending.clear();
    e.push_back(std::move(el));
  };
  auto dropTrailingGlue = [&] {
    while (!e.empty() && e.back().type == TElement::kGlue) {
      pending.insert(pending.begin(), e.back().anchors.begin(), e.back().anchors.end());
      e.pop_back();
    }
  };
  auto textItem = [&](uint16_t code, uint16_t style) {
    TLineItem item;
    item.code = code;
    item.style = style;
    item.width = measure_.Width(code, style);
    item.ascent = measure_.Ascent(code, style);
    item.descent = measure_.Descent(code, style);
    return item;
  };
  for (const TSpan& s : spans) {
    switch (s.kind) {
      case TSpan::kAnchor:
        pending.push_back(Anchor(s.text, file, s.line));
        break;
      case TSpan::kBreak: {
        dropTrailingGlue();
        TElement p;
        p.type = TElement::kPenalty;
        p.penalty = kForced;
        push(std::move(p));
        break;
      }
      case TSpan::kText: {
        const uint16_t style = styles_.Text(s.noteMark ? source_.note : base, s.flags, Link(s.link, file, s.line));
        const TTextEncoding encoding = BookEncoding();
        const std::u32string text = Utf8ToCodePoints(s.text);
        for (size_t i = 0; i < text.size(); ++i) {
          const char32_t c = text[i];
          if (IsSpace(c) || c == kNoBreakSpace) {
            TElement* l = last();
            const bool collapse = !l || l->type == TElement::kGlue ||
                                  (l->type == TElement::kPenalty && l->penalty <= kForced);
            if (collapse && c != kNoBreakSpace) continue;
            TElement g;
            g.type = TElement::kGlue;
            g.item = textItem(kSpace, style);
            g.width = g.item.width;
            g.stretch = std::max(1, g.width);
            g.breakable = c != kNoBreakSpace;
            push(std::move(g));
            fontStyle = style;
            continue;
          }
          if (c == kWordJoiner) continue;  // nothing at all: no break here
          if (c == kZeroWidthSpace) {      // a place to break, drawing nothing
            TElement p;
            p.type = TElement::kPenalty;
            p.penalty = 0;
            push(std::move(p));
            continue;
          }
          if (c == kSoftHyphen) {  // a place to break, drawn only there
            TElement p;
            p.type = TElement::kPenalty;
            p.penalty = kHyphenPenalty;
            p.flagged = true;
            p.item = textItem(kHyphen, style);
            p.width = p.item.width;
            push(std::move(p));
            continue;
          }
          CheckGlyph(c, style, file, s.line);
          TElement b;
          b.item = textItem(ItemCode(c, encoding), style);
          b.width = b.item.width;
          const bool letterBefore = i > 0 && IsLetter(text[i - 1]);
          const bool letterAfter = i + 1 < text.size() && IsLetter(text[i + 1]);
          push(std::move(b));
          fontStyle = style;
          // A word may break after its own hyphen or dash.
          if ((c == '-' || c == kEnDash || c == kEmDash) && letterBefore && letterAfter) {
            TElement p;
            p.type = TElement::kPenalty;
            p.penalty = c == '-' ? kHyphenPenalty : 0;
            p.flagged = c == '-';
            push(std::move(p));
          }
        }
        break;
      }
      case TSpan::kPicture: {
        const std::string link = Link(s.link, file, s.line);
        const TStoredPicture p = pictures_.Load(s.text, s.title, TPictureStore::kInline, file, s.line, measure);
        TElement b;
        b.item = {p.number, styles_.Picture(link), p.width, p.ascent, p.height - p.ascent};
        b.width = p.width;
        push(std::move(b));
        break;
      }
      case TSpan::kPageRef: {
        if (Link("#" + s.text, file, s.line).empty()) break;  // left out, with a warning
        const int32_t anchor = Anchor(s.text, file, s.line);
        // The reader measures a page reference in the font of the item before it, so the two
        // stay on one line.
        if (TElement* l = last(); l && l->type == TElement::kGlue) l->breakable = false;
        TElement b;
        b.item.code = static_cast<uint16_t>(anchor);
        b.item.style = static_cast<uint16_t>(kPageReferenceStyle);
        b.item.width = measure_.Width(b.item.code, b.item.style, fontStyle);
        b.item.ascent = measure_.Ascent('0', fontStyle);
        b.item.descent = measure_.Descent('0', fontStyle);
        b.width = b.item.width;
        push(std::move(b));
        break;
      }
    }
  }
  dropTrailingGlue();
  if (e.empty() || !(e.back().type == TElement::kPenalty && e.back().penalty <= kForced)) {
    TElement p;
    p.type = TElement::kPenalty;
    p.penalty = kForced;
    push(std::move(p));
  } else {
    e.back().anchors.insert(e.back().anchors.end(), pending.begin(), pending.end());
  }
  return e;
}

void TLayout::Hyphenate(std::vector<TElement>& e, const std::string& language) {
  // The last word of the paragraph is never broken.
  size_t lastGlue = 0;
  for (size_t i = 0; i < e.size(); ++i)
    if (e[i].type == TElement::kGlue && e[i].breakable) lastGlue = i;
  if (!THyphenator::Known(language)) return;  // no patterns: warned of where the language is named
  THyphenator& h = hyphenators_.For(language);
  const TTextEncoding encoding = BookEncoding();
  auto letter = [&](size_t i) {
    return e[i].type == TElement::kBox && StyleKind(e[i].item.style) == kKindCharacter &&
           IsLetter(ItemCharacter(e[i].item.code, encoding));
  };
  std::vector<TElement> out;
  out.reserve(e.size() + e.size() / 4);
  size_t i = 0;
  while (i < e.size()) {
    if (!letter(i) || i >= lastGlue) {
      out.push_back(std::move(e[i++]));
      continue;
    }
    size_t j = i;
    std::u32string word;
    while (j < e.size() && letter(j)) word += ItemCharacter(e[j++].item.code, encoding);
    // Only whole words: a run glued to other boxes (a number, a picture) is left alone.
    const bool whole = (i == 0 || e[i - 1].type != TElement::kBox) && (j == e.size() || e[j].type != TElement::kBox ||
                                                                     !letter(j));
    std::vector<size_t> points;
    if (whole && j <= lastGlue && word.size() >= 5) points = h.Points(CodePointsToUtf8(word));
    size_t next = 0;
    for (size_t k = i; k < j; ++k) {
      if (next < points.size() && points[next] == k - i) {
        const TLineItem& before = out.back().item;
        TElement p;
        p.type = TElement::kPenalty;
        p.penalty = kHyphenPenalty;
        p.flagged = true;
        p.item.code = kHyphen;
        p.item.style = before.style;
        p.item.width = measure_.Width(kHyphen, before.style);
        p.item.ascent = before.ascent;
        p.item.descent = before.descent;
        p.width = p.item.width;
        out.push_back(std::move(p));
        ++next;
      }
      out.push_back(std::move(e[k]));
    }
    i = j;
  }
  e = std::move(out);
}

TLayout::TGlyphBox TLayout::DropCap(std::vector<TSpan>& spans, const std::string& file, int line) {
  for (TSpan& s : spans) {
    if (s.kind != TSpan::kText) {
      if (s.kind == TSpan::kAnchor) continue;
      break;
    }
    std::u32string text = Utf8ToCodePoints(s.text);
    size_t at = 0;
    while (at < text.size() && IsSpace(text[at])) ++at;
    if (at == text.size()) continue;
    const std::string letter = BookString(CodePointsToUtf8(text.substr(at, 1)), BookEncoding());
    CheckGlyph(measure_.FaceLacking(TextRecord(source_.dropcap, 0), text[at]), text[at], file, s.line);
    s.text = CodePointsToUtf8(text.substr(at + 1));
    const uint32_t key = source_.glyphColour;
    const TGlyph g = measure_.Render(TextRecord(source_.dropcap, 0), letter, key);
    int32_t bottom = g.inkTop;
    for (uint32_t y = 0; y < g.height; ++y)
      for (uint32_t x = 0; x < g.width; ++x)
        if (g.pixels[size_t{y} * g.width + x] != key) bottom = static_cast<int32_t>(y);
    if (g.inkTop >= static_cast<int32_t>(g.height)) throw TSourceError(file, line, "the drop cap letter draws nothing");
    const uint32_t gap = static_cast<uint32_t>(std::max(2, measure_.Width(kSpace, textStyle_)));
    const uint32_t w = g.width + gap;
    const auto h = static_cast<uint32_t>(bottom - g.inkTop + 1);
    std::vector<uint32_t> pixels(size_t{w} * h, key);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < g.width; ++x)
        pixels[size_t{y} * w + x] = g.pixels[size_t{y + static_cast<uint32_t>(g.inkTop)} * g.width + x];
    TPictureFormat format;
    format.kind = w <= 255 && h <= 255 ? TPictureFormat::kXbm : TPictureFormat::kRaw;
    // The letter's top stands at the height of the first line's capitals.
    const TGlyph cap = measure_.Render(TextRecord(source_.text, 0), "H", 0xFFFFFF);
    const int32_t capHeight = std::max(1, cap.baseline - cap.inkTop);
    const uint16_t number = measure_.Picture(capHeight, EncodePicture(pixels, w, h, format, key));
    TGlyphBox box;
    box.picture = number;
    box.width = static_cast<int32_t>(w);
    const int32_t reach = textAscent_ - capHeight + static_cast<int32_t>(h);
    box.lines = std::max<int32_t>(1, (reach + TextLineHeight() - 1) / TextLineHeight());
    if (static_cast<int32_t>(w) * 2 > source_.TextWidth()) throw TSourceError(file, line, "the drop cap is too wide for the text");
    box.link = s.link;
    return box;
  }
  throw TSourceError(file, line, "a drop cap needs a paragraph that begins with text");
}

TLineRecord TLayout::Record(const TBrokenLine& line, uint8_t alignment, int32_t available, bool skipGlyph) {
  TLineRecord r;
  r.width = line.width;
  int32_t ascent = -1, descent = -1;
  for (const TLineItem& item : line.items) {
    r.items.push_back({item.code, item.style});
    if (skipGlyph && StyleKind(item.style) == kKindImgChar) continue;
    ascent = std::max(ascent, item.ascent);
    descent = std::max(descent, item.descent);
  }
  r.ascent = ascent < 0 ? textAscent_ : ascent;
  r.descent = descent < 0 ? textDescent_ : descent;
  r.height = r.ascent + r.descent;
  r.alignment = alignment;
  if (alignment == kJustify) {
    const int32_t extra = available - line.width;
    int32_t widest = 0;
    for (const TLineItem& item : line.items)
      if (item.code == kSpace && StyleKind(item.style) == kKindCharacter) widest = std::max(widest, item.width);
    // The last line of a paragraph, or one whose spaces cannot take up the rest, is not widened.
    if (line.forced || line.spaces == 0 || (extra + line.spaces - 1) / line.spaces + widest > kMaxSpace) {
      r.alignment = kAlignLeft;
    }
  }
  return r;
}

void TLayout::Paragraph(const TBlock& block, const TTextStyle& base, bool heading, const std::string& file,
                        bool keep) {
  std::vector<TSpan> spans = block.spans;
  // A list item's bullet or number (or a note's number, a link back to its mark), kept on one
  // line with the word after it.
  if (!block.marker.empty()) {
    auto at = std::find_if(spans.begin(), spans.end(), [](const TSpan& s) { return s.kind != TSpan::kAnchor; });
    at = spans.insert(at, {TSpan::kText, "\u00A0", 0, {}, {}, block.line});
    spans.insert(at, {TSpan::kText, block.marker, 0, block.markerLink, {}, block.line});
  }
  const int32_t quote = block.quote * kQuoteIndent;
  const int32_t indent = block.indent * kListIndent + quote;
  // A heading's own anchor stands at its first line.
  if (heading && !block.anchor.empty()) spans.insert(spans.begin(), {TSpan::kAnchor, block.anchor, 0, {}, {}, block.line});
  TGlyphBox glyph;
  const bool dropcap = block.dropcap && !heading;
  if (dropcap) glyph = DropCap(spans, file, block.line);
  const uint8_t alignment = block.alignment.value_or(heading ? kAlignLeft : kJustify);
  std::vector<TElement> e = Elements(base, file, spans, source_.TextWidth() - indent - quote);
  if (dropcap) {
    TElement b;
    b.item = {glyph.picture, styles_.Glyph(Link(glyph.link, file, block.line)), glyph.width, 0, 0};
    b.width = glyph.width;
    e.insert(e.begin(), std::move(b));
  }
  const bool visible = std::any_of(e.begin(), e.end(), [](const TElement& x) { return x.type == TElement::kBox; });
  if (!visible) {
    std::vector<int32_t> anchors;
    for (const TElement& x : e) anchors.insert(anchors.end(), x.anchors.begin(), x.anchors.end());
    AnchorOnly(std::move(anchors));
    return;
  }
  if (!heading) Hyphenate(e, block.language);
  const int32_t width = source_.TextWidth();
  TBreakOptions options;
  options.justify = alignment == kJustify;
  options.lineWidth = [&](size_t i) {
    return (dropcap && i >= 1 && static_cast<int32_t>(i) < glyph.lines ? width - glyph.width : width) - indent - quote;
  };
  const std::vector<TBrokenLine> lines = BreakLines(e, options);
  if (lines.empty()) throw TSourceError(file, block.line, "a letter or picture of this paragraph is wider than the text");
  const int32_t id = paragraphs_++;
  for (size_t i = 0; i < lines.size(); ++i) {
    TPageLine l;
    l.record = Record(lines[i], alignment, options.lineWidth(i), dropcap && i == 0);
    l.record.leftIndent = indent;
    l.record.rightIndent = quote;
    if (dropcap && i >= 1 && static_cast<int32_t>(i) < glyph.lines) l.record.leftIndent += glyph.width;
    l.anchors = lines[i].anchors;
    l.keepWithNext = heading || (keep && i + 1 < lines.size()) || (dropcap && static_cast<int32_t>(i) + 1 < glyph.lines && i + 1 < lines.size());
    l.paragraph = id;
    l.index = static_cast<int32_t>(i);
    l.count = static_cast<int32_t>(lines.size());
    Emit(std::move(l));
  }
  // A drop cap deeper than its paragraph keeps the space below it free.
  if (dropcap && static_cast<int32_t>(lines.size()) < glyph.lines) {
    Spacing((glyph.lines - static_cast<int32_t>(lines.size())) * TextLineHeight());
  }
}

void TLayout::Verse(const TBlock& block, const std::string& file) {
  const TTextStyle& base = block.note > 0 ? source_.note : source_.text;
  const uint16_t style = styles_.Text(base, 0, {});
  const int32_t quote = block.quote * kQuoteIndent;
  const int32_t list = block.indent * kListIndent;
  const int32_t space = measure_.Width(kSpace, style);
  const int32_t em = measure_.Width('M', style);
  uint8_t alignment = block.alignment.value_or(kAlignLeft);
  if (alignment == kJustify) alignment = kAlignLeft;
  std::vector<std::vector<TSpan>> lines(1);
  for (const TSpan& s : block.spans) {
    if (s.kind == TSpan::kBreak) lines.emplace_back();
    else lines.back().push_back(s);
  }
  // The lines of a stanza share a paragraph number; an empty line ends a stanza.
  std::vector<TPageLine> stanza;
  auto flush = [&] {
    const int32_t id = paragraphs_++;
    for (size_t i = 0; i < stanza.size(); ++i) {
      stanza[i].paragraph = id;
      stanza[i].index = static_cast<int32_t>(i);
      stanza[i].count = static_cast<int32_t>(stanza.size());
      Emit(std::move(stanza[i]));
    }
    stanza.clear();
  };
  for (std::vector<TSpan>& spans : lines) {
    // Spaces and no-break spaces at the line's beginning are its indent.
    int32_t lead = 0;
    for (TSpan& s : spans) {
      if (s.kind == TSpan::kAnchor) continue;
      if (s.kind != TSpan::kText) break;
      const std::u32string text = Utf8ToCodePoints(s.text);
      size_t k = 0;
      while (k < text.size() && (text[k] == ' ' || text[k] == kNoBreakSpace)) ++k;
      lead += static_cast<int32_t>(k);
      s.text = CodePointsToUtf8(text.substr(k));
      if (k < text.size()) break;
    }
    // A list item's bullet or number before its first line.
    if (&spans == &lines.front() && !block.marker.empty()) {
      spans.insert(spans.begin(), {{TSpan::kText, block.marker, 0, {}, {}, block.line},
                                   {TSpan::kText, "\u00A0", 0, {}, {}, block.line}});
    }
    const std::vector<TElement> e = Elements(base, file, spans, source_.TextWidth() - list - 2 * quote);
    if (std::none_of(e.begin(), e.end(), [](const TElement& x) { return x.type == TElement::kBox; })) {
      flush();
      std::vector<int32_t> anchors;
      for (const TElement& x : e) anchors.insert(anchors.end(), x.anchors.begin(), x.anchors.end());
      AnchorOnly(std::move(anchors));
      Spacing(TextLineHeight());
      continue;
    }
    const int32_t indent = std::min(lead * space, source_.TextWidth() / 2);
    TBreakOptions options;
    options.justify = false;
    options.lineWidth = [&](size_t i) { return source_.TextWidth() - 2 * quote - list - indent - (i > 0 ? em : 0); };
    const std::vector<TBrokenLine> broken = BreakLines(e, options);
    if (broken.empty()) throw TSourceError(file, block.line, "a letter or picture of this poem is wider than the text");
    for (size_t i = 0; i < broken.size(); ++i) {
      TPageLine l;
      l.record = Record(broken[i], alignment, options.lineWidth(i), false);
      l.record.leftIndent = quote + list + indent + (i > 0 ? em : 0);
      l.record.rightIndent = quote;
      l.anchors = broken[i].anchors;
      stanza.push_back(std::move(l));
    }
  }
  flush();
}

void TLayout::Code(const TBlock& block, const std::string& file) {
  const uint16_t style = styles_.Text(source_.code, 0, {});
  const int32_t quote = block.quote * kQuoteIndent;
  const int32_t available = source_.TextWidth() - 2 * quote;
  const int32_t hang = 2 * measure_.Width(kFixedSpace, style);
  const int32_t ascent = measure_.Ascent('x', style), descent = measure_.Descent('x', style);
  const TTextEncoding encoding = BookEncoding();
  std::vector<int32_t> anchors;
  std::vector<TPageLine> out;
  auto line = [&](int32_t indent) {
    TPageLine l;
    l.record.ascent = ascent;
    l.record.descent = descent;
    l.record.height = ascent + descent;
    l.record.alignment = kAlignLeft;
    l.record.leftIndent = quote + indent;
    l.record.rightIndent = quote;
    out.push_back(std::move(l));
  };
  for (const TSpan& s : block.spans) {
    if (s.kind == TSpan::kAnchor) {
      anchors.push_back(Anchor(s.text, file, s.line));
      continue;
    }
    // Spaces stay as they are written; a line too long wraps at the measure, hanging by two.
    line(0);
    for (const char32_t c : Utf8ToCodePoints(s.text)) {
      const uint16_t code = c == ' ' ? kFixedSpace : ItemCode(c, encoding);
      if (c != ' ') CheckGlyph(c, style, file, s.line);
      const int32_t w = measure_.Width(code, style);
      TLineRecord* r = &out.back().record;
      if (!r->items.empty() && r->width + w > available - (r->leftIndent - quote)) {
        line(hang);
        r = &out.back().record;
      }
      r->items.push_back({code, style});
      r->width += w;
    }
  }
  if (out.empty()) {
    AnchorOnly(std::move(anchors));
    return;
  }
  out.front().anchors = std::move(anchors);
  const int32_t id = paragraphs_++;
  for (size_t i = 0; i < out.size(); ++i) {
    out[i].paragraph = id;
    out[i].index = static_cast<int32_t>(i);
    out[i].count = static_cast<int32_t>(out.size());
    Emit(std::move(out[i]));
  }
}

// A space with a centred ornament, never apart from the line after it.
void TLayout::SceneBreak(const TBlock& block, const std::string& file) {
  const int32_t lh = TextLineHeight();
  std::vector<TSpan> spans = block.spans;
  spans.push_back({TSpan::kText, "* * *", 0, {}, {}, block.line});
  TBreakOptions options;
  options.justify = false;
  options.lineWidth = [&](size_t) { return source_.TextWidth() - 2 * block.quote * kQuoteIndent; };
  const std::vector<TBrokenLine> lines = BreakLines(Elements(source_.text, file, spans), options);
  Spacing(lh / 2);
  const int32_t id = paragraphs_++;
  for (const TBrokenLine& b : lines) {
    TPageLine l;
    l.record = Record(b, kAlignCentre, options.lineWidth(0), false);
    l.record.leftIndent = l.record.rightIndent = block.quote * kQuoteIndent;
    l.anchors = b.anchors;
    l.keepWithNext = true;
    l.paragraph = id;
    Emit(std::move(l));
  }
  Spacing(lh / 2);
}

void TLayout::Contents() {
  for (const TContentsEntry& entry : contents_) {
    const uint16_t style = styles_.Plain(source_.text, "#" + entry.name);
    const int32_t indent = entry.level == 2 ? kContentsIndent : 0;
    const int32_t available = source_.TextWidth() - indent;
    const int32_t space = measure_.Width(kSpace, style);
    const int32_t fixed = measure_.Width(kFixedSpace, style);
    const auto anchor = static_cast<uint16_t>(entry.anchor);
    const int32_t reference = measure_.Width(anchor, static_cast<uint16_t>(kPageReferenceStyle), style);
    const int32_t ascent = measure_.Ascent('x', style), descent = measure_.Descent('x', style);
    // The words, each a run of items with its width.
    std::vector<std::pair<std::vector<uint16_t>, int32_t>> words;
    const std::u32string text = Utf8ToCodePoints(entry.text);
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find(U' ', at);
      if (end == std::u32string::npos) end = text.size();
      if (end > at) {
        std::vector<uint16_t> codes;
        int32_t w = 0;
        for (size_t k = at; k < end; ++k) {
          CheckGlyph(text[k], style, entry.file, entry.line);
          const uint16_t code = ItemCode(text[k], BookEncoding());
          codes.push_back(code);
          w += measure_.Width(code, style);
        }
        words.push_back({codes, w});
      }
      at = end + 1;
    }
    const int32_t id = paragraphs_++;
    std::vector<TLineRecord> records;
    size_t w = 0;
    while (w < words.size()) {
      TLineRecord r;
      r.ascent = ascent;
      r.descent = descent;
      r.height = ascent + descent;
      r.leftIndent = indent;
      r.alignment = kAlignLeft;
      int32_t used = 0;
      // The last line must leave room for a gap of three spaces and the page number.
      size_t first = w;
      while (w < words.size()) {
        const int32_t add = (w > first ? fixed : 0) + words[w].second;
        const bool lastWord = w + 1 == words.size();
        const int32_t limit = lastWord ? available - 3 * space - reference : available;
        if (w > first && used + add > limit) break;
        if (w > first) r.items.push_back({kFixedSpace, style});
        for (uint16_t code : words[w].first) r.items.push_back({code, style});
        used += add;
        ++w;
      }
      r.width = used;
      records.push_back(std::move(r));
    }
    if (records.empty()) continue;
    // The page number at the right edge: justification widens only the spaces before it.
    TLineRecord& last = records.back();
    int32_t k = 1;
    auto extraFor = [&](int32_t n) { return available - (last.width + n * space + reference); };
    while (extraFor(k) > 0 && (extraFor(k) + k - 1) / k + space > kMaxSpace && extraFor(k + 1) >= 0) ++k;
    for (int32_t n = 0; n < k; ++n) last.items.push_back({kSpace, style});
    last.items.push_back({anchor, static_cast<uint16_t>(kPageReferenceStyle)});
    last.width += k * space + reference;
    last.alignment = extraFor(k) >= 0 && (extraFor(k) + k - 1) / k + space <= kMaxSpace ? kJustify : kAlignLeft;
    for (size_t i = 0; i < records.size(); ++i) {
      TPageLine l;
      l.record = std::move(records[i]);
      l.paragraph = id;
      l.index = static_cast<int32_t>(i);
      l.count = static_cast<int32_t>(records.size());
      Emit(std::move(l));
    }
  }
}

std::vector<TLineRecord> TLayout::SubstituteLines(const std::string& text) {
  std::vector<TSpan> spans{{TSpan::kText, text, 0, {}, {}, 0}};
  std::vector<TElement> e = Elements(source_.text, "substitute page", spans);
  TBreakOptions options;
  options.justify = false;
  options.lineWidth = [&](size_t) { return source_.TextWidth(); };
  std::vector<TLineRecord> out;
  TLineRecord gap;
  gap.height = gap.descent = source_.TextHeight() / 3;
  gap.alignment = kAlignLeft;
  out.push_back(gap);
  for (const TBrokenLine& l : BreakLines(e, options)) out.push_back(Record(l, kAlignCentre, source_.TextWidth(), false));
  return out;
}

}  // namespace folivar::make
