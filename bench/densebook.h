// The dense book of the page-showing benchmarks: the default header (pages 388 wide in a
// 776 x 575 spread, margins 30/30/30/45, spreads from page 1), one body style "Times New Roman"
// 12 pt, and pages filled with justified lines of running text. The lines are laid out as a book
// maker would: each word is measured with the platform text device's advances, a line takes words
// while they fit the column, and every line is as high as the font's ascent plus descent, so a
// page holds exactly as many lines as fit above the bottom margin. Ten digit pictures give the
// page numbers. The text is English, or Russian stored in code page 1251 or in a Unicode book
// (the property encoding, UTF-16 item codes): the two Russian books hold the same characters on
// the same lines.
#pragma once

#include <cstdint>
#include <string>

namespace folivar::bench {

struct TDenseBook {
  std::string image;           // the book image
  int32_t pages = 0;           // page 0 plus the text pages 1 .. pages - 1
  int32_t linesPerPage = 0;
  int32_t lineHeight = 0;      // ascent + descent of the body font
  double charactersPerLine = 0;  // average, spaces included
};

constexpr const char* kBodyFace = "Times New Roman";
constexpr int32_t kBodySize = 12;  // points: 16 px

enum class TDenseText : uint8_t { kEnglish, kRussianCp1251, kRussianUnicode };

// A book of 1 + textPages pages; the same text for the same count and language.
TDenseBook MakeDenseBook(int32_t textPages, TDenseText text = TDenseText::kEnglish);

}  // namespace folivar::bench
