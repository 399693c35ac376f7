// Tables: each cell's text broken into lines within its column, never justified, aligned as its
// column asks. Columns are sized from their content as a browser's automatic table layout sizes
// them: each at least its widest word, at most its text on one line, the text width shared in
// proportion to what each still wants. A table too wide even then is set again in a smaller size;
// when the smallest does not fit either, a warning names the table and its words are broken where
// they must be (at syllables, else between letters); a table whose columns would not fit even one
// letter wide has each row set as a paragraph. A table narrower than the text stands centred
// (left, right or across the whole width as an align directive asks).
//
// A row becomes as many stored lines as its tallest cell has; line k of the row holds line k of
// every cell. The pen reaches a column's x through invisible glyph pictures of exact widths (all
// of the book's glyph colour, which glyph pictures leave out when drawn), so a stored line is a
// left-aligned run of items that nothing widens.
#include <algorithm>
#include <numeric>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "tools/make/layout.h"
#include "tools/make/pictures.h"

namespace folivar::make {

namespace {

constexpr int32_t kScales[] = {100, 80, 65};  // percent of the text size, tried in turn
constexpr int32_t kSmallestSize = 6;           // points
constexpr int32_t kWidestSpacer = 128;         // spacers are 1, 2, 4, ... 128 pixels wide

// The cells' spans by row and column (missing cells empty), the head's in bold.
struct TGrid {
  std::vector<std::vector<std::vector<TSpan>>> rows;
  std::vector<uint8_t> alignments;  // per column
  size_t headerRows = 0;
};

// A grid measured in one size: the elements of each cell and what each column needs.
struct TMeasuredGrid {
  TTextStyle base;
  int32_t gap = 0;    // between columns: about an em
  int32_t space = 0;  // the narrowest gap, when the table is too wide
  std::vector<std::vector<std::vector<TElement>>> cells;
  std::vector<int32_t> words;    // per column: its widest word (or syllable, when hyphenated)
  std::vector<int32_t> letters;  // its widest piece when words break between letters
  std::vector<int32_t> natural;  // its widest cell set on one line
};

int64_t Sum(const std::vector<int32_t>& v) { return std::accumulate(v.begin(), v.end(), int64_t{0}); }

// The widest run of elements between two places where BreakLines may break a line, a hyphen drawn
// at a break included. `letters`: a break may also fall between any two boxes, as BreakLines
// breaks a word wider than its line. `forcedOnly`: only forced breaks, so the widest line of the
// text set without wrapping.
int32_t WidestPiece(const std::vector<TElement>& e, bool letters, bool forcedOnly) {
  int32_t widest = 0, piece = 0;
  bool start = true;  // glue and penalties after a break vanish
  auto cut = [&](int32_t hyphen) {
    widest = std::max(widest, piece + hyphen);
    piece = 0;
    start = true;
  };
  for (size_t i = 0; i < e.size(); ++i) {
    const TElement& x = e[i];
    const bool forced = x.type == TElement::kPenalty && x.penalty <= kForced;
    if (start && x.type != TElement::kBox && !forced) continue;
    switch (x.type) {
      case TElement::kBox:
        if (letters && i > 0 && e[i - 1].type == TElement::kBox) cut(0);
        piece += x.width;
        start = false;
        break;
      case TElement::kGlue:
        if (!forcedOnly && x.breakable && e[i - 1].type == TElement::kBox) cut(0);
        else piece += x.width;
        break;
      case TElement::kPenalty:
        if (forced) cut(0);
        else if (!forcedOnly && x.penalty < kNever) cut(x.width);
        break;
    }
  }
  return std::max(widest, piece);
}

// Widths between `low` and `high` (low <= high) that fill `room` where they can: each column its
// low, and the rest in proportion to how much more each wants, never past its high.
std::vector<int32_t> Share(const std::vector<int32_t>& low, const std::vector<int32_t>& high, int32_t room) {
  const int64_t lows = Sum(low), highs = Sum(high);
  if (highs <= room) return high;
  std::vector<int32_t> w = low;
  const int64_t extra = room - lows, want = highs - lows;
  if (extra <= 0) return w;
  int64_t given = 0;
  for (size_t c = 0; c < w.size(); ++c) {
    const int64_t more = (int64_t{high[c]} - low[c]) * extra / want;
    w[c] += static_cast<int32_t>(more);
    given += more;
  }
  for (size_t c = 0; given < extra; c = (c + 1) % w.size()) {
    if (w[c] < high[c]) {
      ++w[c];
      ++given;
    }
  }
  return w;
}

// The least widths of columns whose words, broken at syllables, need `words` and, broken between
// letters too, `letters` (sum at most `room`): each column its words where the room allows, the
// widest of them cut down alike to a width that fills the room, so that as few words as may be are
// broken between letters.
std::vector<int32_t> Narrowest(const std::vector<int32_t>& letters, const std::vector<int32_t>& words,
                               int32_t room) {
  auto capped = [&](int32_t cap) {
    std::vector<int32_t> w(words.size());
    for (size_t c = 0; c < w.size(); ++c) w[c] = std::max(letters[c], std::min(words[c], cap));
    return w;
  };
  int32_t low = 0, high = *std::max_element(words.begin(), words.end());
  while (low < high) {  // the widest cap whose columns fit
    const int32_t cap = low + (high - low + 1) / 2;
    if (Sum(capped(cap)) <= room) low = cap;
    else high = cap - 1;
  }
  return capped(low);
}

// Widens the columns to fill `room`, in proportion to their widths.
void Fill(std::vector<int32_t>& w, int32_t room) {
  const int64_t total = Sum(w), extra = room - total;
  if (extra <= 0) return;
  int64_t given = 0;
  for (int32_t& x : w) {
    const int64_t more = total > 0 ? extra * x / total : extra / static_cast<int64_t>(w.size());
    x += static_cast<int32_t>(more);
    given += more;
  }
  for (size_t c = 0; given < extra; c = (c + 1) % w.size(), ++given) ++w[c];
}

TGrid Grid(const TTable& table, size_t columns) {
  TGrid g;
  g.alignments.assign(columns, kAlignLeft);
  for (size_t c = 0; c < columns && c < table.alignments.size(); ++c) {
    const uint8_t a = table.alignments[c];
    if (a == kAlignCentre || a == kAlignRight) g.alignments[c] = a;
  }
  g.headerRows = std::min(table.headerRows, table.rows.size());
  for (size_t r = 0; r < table.rows.size(); ++r) {
    std::vector<std::vector<TSpan>> row(columns);
    for (size_t c = 0; c < table.rows[r].size(); ++c) {
      row[c] = table.rows[r][c].spans;
      if (r < g.headerRows)
        for (TSpan& s : row[c]) s.flags |= kBold;
    }
    g.rows.push_back(std::move(row));
  }
  return g;
}

// The last resort for a table whose columns do not fit even one letter wide: each row one
// paragraph, its cells set one after another with " | " between them.
TGrid Stacked(const TGrid& grid, int line) {
  TGrid g;
  g.alignments = {kAlignLeft};
  g.headerRows = grid.headerRows;
  for (size_t r = 0; r < grid.rows.size(); ++r) {
    const auto& row = grid.rows[r];
    const uint8_t flags = r < grid.headerRows ? kBold : 0;
    std::vector<TSpan> spans;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) spans.push_back({TSpan::kText, " | ", flags, {}, {}, line});
      spans.insert(spans.end(), row[c].begin(), row[c].end());
    }
    g.rows.push_back({std::move(spans)});
  }
  return g;
}

}  // namespace

void TLayout::Table(const TBlock& block, const std::string& file) {
  const TTable& table = block.table;
  size_t columns = table.alignments.size();
  for (const auto& row : table.rows) columns = std::max(columns, row.size());
  if (columns == 0 || table.rows.empty()) return;

  TGrid grid = Grid(table, columns);
  const int32_t quote = block.quote * kQuoteIndent, left = quote + block.indent * kListIndent;
  const int32_t room = source_.TextWidth() - left - quote;
  const TTextStyle& text = block.note > 0 ? source_.note : source_.text;
  const std::string language = THyphenator::Known(block.language) ? block.language
                               : THyphenator::Known(source_.language) ? source_.language : std::string();
  auto measureGrid = [&](const TGrid& g, int32_t size, bool hyphenate) {
    TMeasuredGrid m;
    m.base = text;
    m.base.size = size;
    const uint16_t plain = styles_.Text(m.base, 0, {});
    m.gap = measure_.Width('M', plain);
    m.space = measure_.Width(kSpace, plain);
    const size_t n = g.alignments.size();
    m.words.assign(n, 0);
    m.letters.assign(n, 0);
    m.natural.assign(n, 0);
    for (const auto& row : g.rows) {
      std::vector<std::vector<TElement>> cells;
      for (size_t c = 0; c < n; ++c) {
        std::vector<TElement> e = Elements(m.base, file, row[c]);
        if (hyphenate && !language.empty()) {
          // Hyphenate leaves a paragraph's last word whole; a cell's last word may break too.
          e.insert(e.end() - 1, TElement{TElement::kGlue});
          Hyphenate(e, language);
          e.erase(e.end() - 2);
        }
        m.words[c] = std::max(m.words[c], WidestPiece(e, false, false));
        m.letters[c] = std::max(m.letters[c], WidestPiece(e, true, false));
        m.natural[c] = std::max(m.natural[c], WidestPiece(e, false, true));
        cells.push_back(std::move(e));
      }
      m.cells.push_back(std::move(cells));
    }
    return m;
  };
  auto gaps = [](const TMeasuredGrid& m) { return m.gap * static_cast<int32_t>(m.words.size() - 1); };

  // The sizes to try: the text's, then smaller ones, never below the smallest.
  const int32_t textSize = text.size.value_or(12);
  std::vector<int32_t> sizes;
  for (int32_t scale : kScales) {
    const int32_t s = std::min(textSize, std::max(kSmallestSize, (textSize * scale + 50) / 100));
    if (sizes.empty() || s < sizes.back()) sizes.push_back(s);
  }
  TMeasuredGrid m;
  bool fits = false;
  for (int32_t size : sizes) {
    m = measureGrid(grid, size, false);
    fits = Sum(m.words) + gaps(m) <= room;
    if (fits) break;
  }
  std::vector<int32_t> widths;
  if (fits) {
    widths = Share(m.words, m.natural, room - gaps(m));
  } else {
    const int64_t needed = Sum(m.words) + gaps(m);
    m = measureGrid(grid, sizes.back(), true);
    std::string done = "words in its cells are broken to fit";
    if (Sum(m.letters) + gaps(m) > room && columns > 1) {
      // Narrower gaps, down to a space; when even those are too wide, one row to a paragraph.
      const int64_t spare = (room - Sum(m.letters)) / static_cast<int64_t>(columns - 1);
      m.gap = std::max(m.space, static_cast<int32_t>(spare));
      if (Sum(m.letters) + gaps(m) > room) {
        grid = Stacked(grid, block.line);
        m = measureGrid(grid, sizes.back(), true);
        done = "its rows are set as paragraphs, the cells separated by \"|\"";
      }
    }
    if (Sum(m.letters) + gaps(m) > room) {
      throw TSourceError(file, block.line, "a letter or picture of this table is wider than the text");
    }
    widths = Share(Narrowest(m.letters, m.words, room - gaps(m)), m.natural, room - gaps(m));
    warnings_.push_back({file + ":" + std::to_string(block.line),
                         "the table is too wide for the page: its " + std::to_string(columns) +
                             " columns need " + std::to_string(needed) + " pixels at " +
                             std::to_string(sizes.back()) + " points, the text is " + std::to_string(room) +
                             " pixels wide; " + done});
  }
  const uint8_t position = block.alignment.value_or(kAlignCentre);
  if (position == kJustify) Fill(widths, room - gaps(m));

  // Columns' x from the table's left edge, and the edge's indent.
  std::vector<int32_t> xs(widths.size(), 0);
  for (size_t c = 1; c < widths.size(); ++c) xs[c] = xs[c - 1] + widths[c - 1] + m.gap;
  const int32_t tableWidth = xs.back() + widths.back();
  const int32_t indent = left + std::max(0, position == kAlignRight    ? room - tableWidth
                                           : position == kAlignCentre ? (room - tableWidth) / 2 : 0);

  const uint16_t plain = styles_.Text(m.base, 0, {});
  const uint16_t glyphStyle = styles_.Glyph({});
  // The head's cells are bold, and so is the space between them.
  const uint16_t bold = styles_.Text(m.base, kBold, {});
  const int32_t plainSpace = measure_.Width(kFixedSpace, plain), boldSpace = measure_.Width(kFixedSpace, bold);
  const int32_t plainAscent = measure_.Ascent('x', plain), plainDescent = measure_.Descent('x', plain);
  const int32_t rowGap = std::max(2, (plainAscent + plainDescent) / 4);
  const uint32_t key = source_.glyphColour & 0xFFFFFF;
  // Moves the pen `width` pixels on with invisible glyph pictures, each stored once per book.
  auto advance = [&](TLineRecord& r, int32_t width) {
    for (int32_t piece = kWidestSpacer; width > 0; piece /= 2) {
      while (width >= piece) {
        auto spacer = spacers_.find(piece);
        if (spacer == spacers_.end()) {
          const std::vector<uint32_t> pixels(static_cast<size_t>(piece), key);
          const std::string xif =
              EncodePicture(pixels, static_cast<uint32_t>(piece), 1, {TPictureFormat::kXbm, 75}, key);
          spacer = spacers_.emplace(piece, measure_.Picture(0, xif)).first;
        }
        r.items.push_back({spacer->second, glyphStyle});
        width -= piece;
      }
    }
  };

  const size_t rows = grid.rows.size();
  for (size_t r = 0; r < rows; ++r) {
    std::vector<std::vector<TBrokenLine>> cells(widths.size());
    size_t count = 1;
    for (size_t c = 0; c < widths.size(); ++c) {
      TBreakOptions options;
      options.justify = false;
      options.lineWidth = [w = widths[c]](size_t) { return w; };
      cells[c] = BreakLines(m.cells[r][c], options);
      if (cells[c].empty()) {
        throw TSourceError(file, block.line, "a letter or picture of this table is wider than its column");
      }
      count = std::max(count, cells[c].size());
    }
    const bool header = r < grid.headerRows;
    const int32_t id = paragraphs_++;
    for (size_t k = 0; k < count; ++k) {
      TPageLine l;
      l.record.alignment = kAlignLeft;
      l.record.leftIndent = indent;
      l.record.rightIndent = quote;
      int32_t x = 0, ascent = -1, descent = -1;
      for (size_t c = 0; c < widths.size(); ++c) {
        if (k >= cells[c].size()) continue;
        const TBrokenLine& line = cells[c][k];
        l.anchors.insert(l.anchors.end(), line.anchors.begin(), line.anchors.end());
        if (line.items.empty()) continue;
        const uint8_t a = grid.alignments[c];
        const int32_t spare = widths[c] - line.width;
        const int32_t at = xs[c] + (a == kAlignRight ? spare : a == kAlignCentre ? spare / 2 : 0);
        if (at > x) {
          // Between two cells a fixed space, so that the text read back from the page keeps the
          // cells' words apart, and invisible pictures for the rest.
          const int32_t space = header ? boldSpace : plainSpace;
          if (!l.record.items.empty() && at - x >= space) {
            l.record.items.push_back({kFixedSpace, header ? bold : plain});
            advance(l.record, at - x - space);
          } else {
            advance(l.record, at - x);
          }
          x = at;
        }
        for (const TLineItem& item : line.items) {
          l.record.items.push_back({item.code, item.style});
          ascent = std::max(ascent, item.ascent);
          descent = std::max(descent, item.descent);
        }
        x += line.width;
      }
      l.record.width = x;
      l.record.ascent = ascent < 0 ? plainAscent : ascent;
      l.record.descent = descent < 0 ? plainDescent : descent;
      l.record.height = l.record.ascent + l.record.descent;
      // A row stays on one page, and the head with the first row below it.
      l.keepWithNext = k + 1 < count || (header && r + 1 < rows);
      l.paragraph = id;
      l.index = static_cast<int32_t>(k);
      l.count = static_cast<int32_t>(count);
      Emit(std::move(l));
    }
    if (r + 1 == grid.headerRows && r + 1 < rows && tableWidth > 0) {
      // A thin rule under the head, in the colour of the text, where the gap between rows would be.
      auto picture = rules_.find(tableWidth);
      if (picture == rules_.end()) {
        const uint32_t colour = source_.text.colour.value_or(0) & 0xFFFFFF;
        const std::vector<uint32_t> pixels(static_cast<size_t>(tableWidth), colour);
        const TPictureFormat format{tableWidth <= 255 ? TPictureFormat::kXbm : TPictureFormat::kRaw, 75};
        const std::string xif = EncodePicture(pixels, static_cast<uint32_t>(tableWidth), 1, format);
        picture = rules_.emplace(tableWidth, measure_.Picture(1, xif)).first;
      }
      TPageLine rule;
      rule.record.alignment = kAlignLeft;
      rule.record.leftIndent = indent;
      rule.record.rightIndent = quote;
      rule.record.width = tableWidth;
      rule.record.ascent = rowGap / 2 + 1;
      rule.record.descent = rowGap - rowGap / 2;
      rule.record.height = rule.record.ascent + rule.record.descent;
      rule.record.items.push_back({picture->second, styles_.Picture({})});
      rule.keepWithNext = true;
      Emit(std::move(rule));
    } else if (r + 1 < rows) {
      Spacing(rowGap);
    }
  }
}

}  // namespace folivar::make
