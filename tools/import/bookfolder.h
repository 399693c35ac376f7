// A book source folder from an imported book: book.toml, the chapters and art/, as files in memory
// first (so that nothing is written when the import fails) and then on disk.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/import/pandoctree.h"

namespace folivar::bookimport {

// Relative path ("book.toml", "art/leaf.png") and the bytes of each file of a source folder.
using TBookFiles = std::vector<std::pair<std::string, std::string>>;

// A TOML basic string: "..." with quotes, backslashes and control characters escaped.
std::string TomlString(const std::string& text);

// book.toml of the book.
std::string BookToml(const TImportedBook& book);

// Every file of the folder; the pictures are read from where pandoc extracted them. Raises
// std::runtime_error when the book holds no text or a picture cannot be read.
TBookFiles BookFiles(const TImportedBook& book);

// Writes the files into dir, which does not exist, is empty, or holds an earlier import that
// nobody changed since: that import's files are replaced, any other file is left alone. The
// folder keeps the list of the files it wrote (and a checksum of each) in `.folivar-import`.
// Raises std::runtime_error, before anything is written, for any other folder.
void WriteImportFolder(const TBookFiles& files, const std::string& dir);

// Writes the files into an existing empty folder, as they are.
void WriteFiles(const TBookFiles& files, const std::string& dir);

}  // namespace folivar::bookimport
