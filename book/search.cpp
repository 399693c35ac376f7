#include "book/search.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <thread>
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
  if (Cyrillic(static_cast<char32_t>(small))) {
    return small == 0x0451 ? u'\u0435' : static_cast<char16_t>(small);
  }
  // A letter with accents: its base letter when the canonical decomposition is the base and
  // combining accents only.
  std::array<utf8proc_int32_t, 8> parts{};
  int boundary = 0;
  const utf8proc_ssize_t n = utf8proc_decompose_char(
      small, parts.data(), static_cast<utf8proc_ssize_t>(parts.size()), UTF8PROC_DECOMPOSE, &boundary);
  if (n < 2 || n > static_cast<utf8proc_ssize_t>(parts.size()) || parts[0] > 0xFFFF) {
    return static_cast<char16_t>(small);
  }
  for (utf8proc_ssize_t i = 1; i < n; ++i) {
    if (!CombiningAccent(static_cast<char32_t>(parts[static_cast<size_t>(i)]))) {
      return static_cast<char16_t>(small);
    }
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
    const uint32_t ordinal =
        lineStarts_[pageLines_[static_cast<size_t>(place.page)] + static_cast<size_t>(place.line)] +
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

namespace {

// A page read for the index: the item count of each line and the lines' text.
struct TPageForSearch {
  std::vector<uint32_t> lineItems;
  std::vector<TTextLine> lines;
};

// Unpacks and decodes a page block; a block that does not hold a page gives no lines.
TPageForSearch DecodeForSearch(std::string block, int32_t offset, int32_t index, TTextEncoding encoding) {
  TPageForSearch out;
  TPage page;
  try {
    TMemFile record;
    UnpackPageBlock(std::move(block), offset, record);
    ReadPageRecord(record, page);
  } catch (const TBookDamaged&) {
    return out;
  } catch (const TIOError&) {
    return out;
  }
  for (const auto& line : page.lines) out.lineItems.push_back(static_cast<uint32_t>(line->items.size()));
  out.lines = PageLines(page, index, encoding);
  return out;
}

// Pages are read from the source in turn and unpacked and decoded on other threads a batch at a
// time, the next batch while the last one is added to the index, so that only two batches' lines
// are held besides the index.
constexpr int32_t kBatchPages = 64;

class TSearchBatch {
 public:
  // Reads the page blocks of pages first .. first + count - 1 and starts decoding them.
  TSearchBatch(TBook& book, int32_t first, int32_t count, TTextEncoding encoding)
      : pages(static_cast<size_t>(count)), blocks_(pages.size()), offsets_(pages.size()) {
    for (size_t i = 0; i < pages.size(); ++i) {
      offsets_[i] = book.pages[static_cast<size_t>(first) + i]->offset;
      if (!book.source) continue;
      try {
        blocks_[i] = ReadPageBlockBytes(*book.source, offsets_[i]);
      } catch (const TBookDamaged&) {
      } catch (const TIOError&) {
      }
    }
    const size_t threads =
        std::min<size_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u), pages.size());
    failures_.resize(threads);
    try {
      for (size_t t = 0; t < threads; ++t) {
        workers_.emplace_back([this, t, threads, first, encoding] {
          try {
            for (size_t i = t; i < pages.size(); i += threads) {
              pages[i] = DecodeForSearch(std::move(blocks_[i]), offsets_[i], first + static_cast<int32_t>(i),
                                         encoding);
            }
          } catch (...) {
            failures_[t] = std::current_exception();
          }
        });
      }
    } catch (...) {
      // A thread that could not be started: the ones that were are waited for before the batch goes.
      Wait();
      throw;
    }
  }
  TSearchBatch(const TSearchBatch&) = delete;
  TSearchBatch& operator=(const TSearchBatch&) = delete;
  ~TSearchBatch() { Wait(); }

  // Waits for the decoding; raises what a thread could not handle (running out of memory).
  void Finish() {
    Wait();
    for (const std::exception_ptr& failure : failures_) {
      if (failure) std::rethrow_exception(failure);
    }
  }

  std::vector<TPageForSearch> pages;

 private:
  void Wait() {
    for (std::thread& worker : workers_) {
      if (worker.joinable()) worker.join();
    }
  }

  std::vector<std::string> blocks_;
  std::vector<int32_t> offsets_;
  std::vector<std::exception_ptr> failures_;
  std::vector<std::thread> workers_;
};

}  // namespace

void TSearchIndex::Build(TBook& book) {
  Clear();
  const TTextEncoding encoding = BookEncoding();
  auto batch = [&](int32_t first) {
    const int32_t count = std::min(kBatchPages, book.PageCount() - first);
    return count > 0 ? std::make_unique<TSearchBatch>(book, first, count, encoding) : nullptr;
  };
  // The lines not yet added: the line of a word still open at the last page's end, then the
  // lines of the page being added.
  std::vector<TTextLine> lines;
  bool full = false;
  std::unique_ptr<TSearchBatch> next = batch(0);
  for (int32_t first = 0; next && !full; first += kBatchPages) {
    std::unique_ptr<TSearchBatch> current = std::move(next);
    current->Finish();
    next = batch(first + kBatchPages);
    for (TPageForSearch& page : current->pages) {
      uint64_t items = 0;
      for (const uint32_t n : page.lineItems) items += n;
      if (items > kMaxItems - items_) {
        full = true;
        break;
      }
      pageLines_.push_back(static_cast<uint32_t>(lineStarts_.size()));
      for (const uint32_t n : page.lineItems) {
        lineStarts_.push_back(items_);
        items_ += n;
      }
      lines.insert(lines.end(), std::make_move_iterator(page.lines.begin()),
                   std::make_move_iterator(page.lines.end()));
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
  // The last line (and page) that begins at or before it: lines without items are passed over.
  const auto line = static_cast<size_t>(
      std::upper_bound(lineStarts_.begin(), lineStarts_.end(), ordinal) - lineStarts_.begin() - 1);
  const auto page = static_cast<size_t>(
      std::upper_bound(pageLines_.begin(), pageLines_.end(), line) - pageLines_.begin() - 1);
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
  const auto at =
      std::lower_bound(ordinals_.begin(), ordinals_.end(), first,
                       [](uint32_t ordinal, uint32_t value) { return (ordinal & ~kNoItem) < value; });
  return static_cast<size_t>(at - ordinals_.begin());
}

size_t TSearchIndex::MemoryBytes() const {
  return text_.capacity() * sizeof(char16_t) + ordinals_.capacity() * sizeof(uint32_t) +
         lineStarts_.capacity() * sizeof(uint32_t) + pageLines_.capacity() * sizeof(uint32_t);
}

}  // namespace folivar
