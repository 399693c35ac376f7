// What folivar-info prints about a book image.
#pragma once

#include <string>

#include "book/loading.h"

namespace folivar {

// The book's header fields, counts, anchors, properties (without "locale") and message texts as
// one JSON object.
std::string DescribeBook(const TBookImage& book);

}  // namespace folivar
