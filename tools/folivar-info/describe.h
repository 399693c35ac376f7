// What folivar-info prints about a book image.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "book/loading.h"

namespace folivar {

// A picture of the book whose data is damaged, and what is wrong with it.
struct TPictureDamage {
  int32_t picture;
  std::string damage;
};

// The book's header fields, its text encoding ("encoding": "cp1251" or "unicode"), counts, the damaged pictures (an array of {"picture", "damage"},
// after "pictures"), anchors, properties (without "locale") and message texts as one JSON object,
// every text converted to UTF-8 from the book's encoding.
// styleCount is the size of the style table after loading.
std::string DescribeBook(const TBookImage& book, int32_t styleCount,
                         const std::vector<TPictureDamage>& damaged);

class TPage;
// A decoded page: background and lines with their items as [code, style] pairs, the codes as
// stored (a code page 1251 byte, or a UTF-16 code unit in a Unicode book).
std::string DescribePage(const TPage& page);
// The style table: kind, face, flags, size, colour, name sum and link of every entry.
std::string DescribeStyles();

// The text of the pages in reading order as UTF-8: a line of text for every stored line, each
// ended by "\n", and a line "\f" between two pages, so that splitting at "\f\n" gives the pages.
// Text items show their characters (a control character U+FFFD), spaces and fixed spaces a space,
// a page reference the page number the reader shows for it; pictures and marks show nothing. A
// word the compiler hyphenated at a line's end (its hyphen marked by a zero-width item after it),
// the next line beginning with a letter, is printed whole on the first line without the hyphen:
// its rest, up to the next space, moves up from the next line (that space is dropped), across a
// page's end too (book/pagetext.h). A word broken after a hyphen of its own stays as it is.
// The style table, anchors and encoding are those of the loaded book.
std::string DescribeText(const std::vector<std::unique_ptr<TPage>>& pages);

}  // namespace folivar
