// Binding a book into a reader: a copy of the reader program that carries the book as its own
// "FOLIVAR" resource, so that it needs no book.bin beside it.
#pragma once

#include <string>

namespace folivar {

// Writes outPath: the reader program readerPath with the book image `book` as its RCDATA
// "FOLIVAR" resource, in place of any book it carried before; the reader's other resources (icon,
// cursor) stay as they are. Raises TIOError when a file cannot be read or written, and
// std::runtime_error when readerPath is no program whose resources can be rewritten. Nothing is
// left at outPath after a failure.
void BindBook(const std::string& readerPath, const std::string& book, const std::string& outPath);

}  // namespace folivar
