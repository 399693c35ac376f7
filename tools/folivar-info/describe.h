// What folivar-info prints about a book image.
#pragma once

#include <string>

#include "book/loading.h"

namespace folivar {

// The book's header fields, counts, anchors, properties (without "locale") and message texts as
// one JSON object.
// styleCount is the size of the style table after loading.
std::string DescribeBook(const TBookImage& book, int32_t styleCount);

class TPage;
// A decoded page: background and lines with their items as [code, style] pairs.
std::string DescribePage(const TPage& page);
// The style table: kind, face, flags, size, colour, name sum and link of every entry.
std::string DescribeStyles();

}  // namespace folivar
