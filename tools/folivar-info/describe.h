// What folivar-info prints about a book image.
#pragma once

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

}  // namespace folivar
