// The text of pages as a reader sees it: the stored lines as UTF-16, page references as the page
// numbers they show, fixed spaces as spaces, pictures and marks as nothing, and the words that the
// compiler hyphenated at line ends joined again. Every character knows the item it came from, so
// that a place found in the text can be shown over the items of the page. Copying, the search and
// folivar-info's --text all read pages through this one unit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/codepage.h"

namespace folivar {

class TLine;
class TPage;

// An item of the book: its page, the line on the page and the item on the line.
struct TItemPlace {
  int32_t page = 0;
  int32_t line = 0;
  int32_t item = 0;
  bool operator==(const TItemPlace&) const = default;
};

// A stored line as text. places holds the item of every code unit of text.
struct TTextLine {
  std::u16string text;
  std::vector<TItemPlace> places;
  bool hyphenEnd = false;    // ends in a hyphen that the compiler added at the line break
  bool letterStart = false;  // the first item that shows something shows a letter
};

// The lines of a decoded page, in order, one for every stored line, before any joining.
std::vector<TTextLine> PageLines(const TPage& page, int32_t pageIndex, TTextEncoding encoding);

// Joins the words broken at the ends of lines, each whole on the line where it begins. A line
// ending in the compiler's hyphen (a hyphen item followed by the zero-width item) whose next line
// begins with a letter loses the hyphen and takes the next line's text up to its first space
// (that space is dropped); a next line without a space moves up whole and the word goes on into
// the line after it. A word's own hyphen at a line end has no mark and stays.
// Returns the index of the line whose word is still open at the end of lines (its join would go on
// into lines that follow), or lines.size() when none is: a caller that joins a book a page at a time
// puts that line before the next page's lines and joins again.
size_t JoinBrokenWords(std::vector<TTextLine>& lines);

// The text of the pages shown together (a page or a spread) for copying: the lines in order,
// broken words joined (across the two pages too), each line without trailing spaces and ended by
// lineEnd, except the last. A line that only held the rest of a word moved up is left out.
std::u16string CopyText(const std::vector<const TPage*>& pages, TTextEncoding encoding,
                        std::u16string_view lineEnd);

}  // namespace folivar
