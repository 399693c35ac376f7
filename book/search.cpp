#include "book/search.h"

#include <algorithm>
#include <array>
#include <utility>

#include <utf8proc.h>

#include "book/bookclass.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "core/errors.h"
#include "core/myclasses.h"

namespace folivar {

namespace {

// Set on the number of a space that stands for a line end: it belongs to no item.
constexpr uint32_t kNoItem = 0x80000000u;
// Items are numbered below kNoItem; a book with more stops being read there.
constexpr uint32_t kMaxItems = kNoItem - 1;

bool CombiningAccent(char32_t c) { return c >= 0x0300 && c <= 0x036F; }
bool Cyrillic(char32_t c) { return c >= 0x0400 && c <= 0x052F; }

char16_t ComputeFold(char16_t c) {
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  if (CombiningAccent(c)) return 0;
  const auto code = static_cast<utf8proc_int32_t>(c);
  if (utf8proc_category(code) == UTF8PROC_CATEGORY_ZS) return u' ';
  // Simple folding, one character for one: the small letter of the capital, so that a final
  // sigma, a title-case digraph and their capitals all come to one letter.
  const utf8proc_int32_t small = utf8proc_tolower(utf8proc_toupper(code));
  if (small > 0xFFFF) return c;
  if (Cyrillic(static_cast<char32_t>(small))) return small == 0x0451 ? u'\u0435' : static_cast<char16_t>(small);
  // A letter with accents: its base letter when the canonical decomposition is the base and
  // combining accents only.
  std::array<utf8proc_int32_t, 8> parts{};
  int boundary = 0;
  const utf8proc_ssize_t n = utf8proc_decompose_char(small, parts.data(), static_cast<utf8proc_ssize_t>(parts.size()),
                                                    UTF8PROC_DECOMPOSE, &boundary);
  if (n < 2 || n > static_cast<utf8proc_ssize_t>(parts.size()) || parts[0] > 0xFFFF) {
    return static_cast<char16_t>(small);
  }
  for (utf8proc_ssize_t i = 1; i < n; ++i) {
    if (!CombiningAccent(static_cast<char32_t>(parts[static_cast<size_t>(i)]))) return static_cast<char16_t>(small);
  }
  return static_cast<char16_t>(parts[0]);
}

}  // namespace

char16_t FoldForSearch(char16_t c) {
  static const std::vector<char16_t> table = [] {
    std::vector<char16_t> t(0x10000);
    for (size_t i = 0; i < t.size(); ++i) t[i] = ComputeFold(static_cast<char16_t>(i));
    return t;
  }();
  return table[c];
}

void TSearchIndex::Clear() {
  built_ = false;
  text_.clear();
  ordinals_.clear();
  lineStarts_.clear();
  pageLines_.clear();
  items_ = 0;
}

void TSearchIndex::AddSpace(uint32_t ordinal) {
  if (text_.empty() || text_.back() == u' ') return;
  text_ += u' ';
  ordinals_.push_back(ordinal);
}

void TSearchIndex::AddLine(const TTextLine& line) {
  for (size_t i = 0; i < line.text.size(); ++i) {
    const char16_t c = FoldForSearch(line.text[i]);
    if (c == 0) continue;
    const TItemPlace& place = line.places[i];
    const uint32_t ordinal = lineStarts_[pageLines_[static_cast<size_t>(place.page)] + static_cast<size_t>(place.line)] +
                             static_cast<uint32_t>(place.item);
    if (c == u' ') {
      AddSpace(ordinal);
    } else {
      text_ += c;
      ordinals_.push_back(ordinal);
    }
  }
  if (!ordinals_.empty()) AddSpace(ordinals_.back() | kNoItem);
}

void TSearchIndex::Build(TBook& book) {
  Clear();
  const TTextEncoding encoding = BookEncoding();
  // The lines not yet added: the line of a word still open at the last page's end, then the
  // lines of the page being read.
  std::vector<TTextLine> lines;
  for (int32_t p = 0; p < book.PageCount(); ++p) {
    TPage page;
    if (book.source) {
      try {
        TMemFile record;
        ReadPageBlock(*book.source, book.pages[static_cast<size_t>(p)]->offset, record);
        ReadPageRecord(record, page);
      } catch (const TBookDamaged&) {
        page.lines.clear();
      } catch (const TIOError&) {
        page.lines.clear();
      }
    }
    uint64_t items = 0;
    for (const auto& line : page.lines) items += line->items.size();
    if (items > kMaxItems - items_) break;
    pageLines_.push_back(static_cast<uint32_t>(lineStarts_.size()));
    for (const auto& line : page.lines) {
      lineStarts_.push_back(items_);
      items_ += static_cast<uint32_t>(line->items.size());
    }
    std::vector<TTextLine> more = PageLines(page, p, encoding);
    lines.insert(lines.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    const size_t open = JoinBrokenWords(lines);
    // The lines after an open word have all moved up into it: they add no text.
    for (size_t i = 0; i < open; ++i) AddLine(lines[i]);
    if (open < lines.size()) {
      TTextLine kept = std::move(lines[open]);
      lines.clear();
      lines.push_back(std::move(kept));
    } else {
      lines.clear();
    }
  }
  for (const TTextLine& line : lines) AddLine(line);
  text_.shrink_to_fit();
  ordinals_.shrink_to_fit();
  lineStarts_.shrink_to_fit();
  pageLines_.shrink_to_fit();
  built_ = true;
}

std::u16string TSearchIndex::Fold(std::u16string_view query) const {
  std::u16string out;
  for (const char16_t c : query) {
    const char16_t f = FoldForSearch(c);
    if (f == 0 || (f == u' ' && !out.empty() && out.back() == u' ')) continue;
    out += f;
  }
  if (out.find_first_not_of(u' ') == std::u16string::npos) out.clear();
  return out;
}

TItemPlace TSearchIndex::PlaceOf(uint32_t ordinal) const {
  const size_t line = static_cast<size_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), ordinal) -
                                          lineStarts_.begin()) - 1;
  const size_t page = static_cast<size_t>(std::upper_bound(pageLines_.begin(), pageLines_.end(), line) -
                                          pageLines_.begin()) - 1;
  return {static_cast<int32_t>(page), static_cast<int32_t>(line - pageLines_[page]),
          static_cast<int32_t>(ordinal - lineStarts_[line])};
}

TSearchHit TSearchIndex::Hit(size_t start, size_t length, bool wrapped) const {
  TSearchHit hit;
  hit.start = start;
  hit.length = length;
  hit.wrapped = wrapped;
  for (size_t i = start; i < start + length; ++i) {
    const uint32_t ordinal = ordinals_[i];
    if (ordinal & kNoItem) continue;
    const TItemPlace place = PlaceOf(ordinal);
    if (hit.items.empty() || !(hit.items.back() == place)) hit.items.push_back(place);
  }
  // A match holds a character that is not a space, and every such character has its item.
  hit.page = hit.items.front().page;
  return hit;
}

std::optional<TSearchHit> TSearchIndex::FindNext(std::u16string_view query, size_t from) const {
  const std::u16string folded = Fold(query);
  if (folded.empty()) return std::nullopt;
  const std::u16string_view text(text_);
  size_t at = text.find(folded, std::min(from, text.size()));
  if (at != std::u16string_view::npos) return Hit(at, folded.size(), false);
  at = text.find(folded);
  if (at != std::u16string_view::npos) return Hit(at, folded.size(), true);
  return std::nullopt;
}

std::optional<TSearchHit> TSearchIndex::FindPrevious(std::u16string_view query, size_t before) const {
  const std::u16string folded = Fold(query);
  if (folded.empty()) return std::nullopt;
  const std::u16string_view text(text_);
  if (before > 0) {
    const size_t at = text.rfind(folded, before - 1);
    if (at != std::u16string_view::npos) return Hit(at, folded.size(), false);
  }
  const size_t at = text.rfind(folded);
  if (at != std::u16string_view::npos) return Hit(at, folded.size(), true);
  return std::nullopt;
}

size_t TSearchIndex::PageStart(int32_t page) const {
  if (page < 0) return 0;
  if (static_cast<size_t>(page) >= pageLines_.size()) return text_.size();
  const uint32_t firstLine = pageLines_[static_cast<size_t>(page)];
  const uint32_t first = firstLine < lineStarts_.size() ? lineStarts_[firstLine] : items_;
  const auto at = std::lower_bound(ordinals_.begin(), ordinals_.end(), first,
                                   [](uint32_t ordinal, uint32_t value) { return (ordinal & ~kNoItem) < value; });
  return static_cast<size_t>(at - ordinals_.begin());
}

size_t TSearchIndex::MemoryBytes() const {
  return text_.capacity() * sizeof(char16_t) + ordinals_.capacity() * sizeof(uint32_t) +
         lineStarts_.capacity() * sizeof(uint32_t) + pageLines_.capacity() * sizeof(uint32_t);
}

}  // namespace folivar
