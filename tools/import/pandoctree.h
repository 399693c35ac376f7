// Pandoc's JSON tree of a book as a book source: the metadata for book.toml, one chapter in the
// chapter format per top-level division, and the pictures the chapters use.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace folivar::bookimport {

struct TImportedChapter {
  std::string name;  // "03-the-journey.md"
  std::string markdown;
};

struct TImportedPicture {
  std::string source;  // the file pandoc extracted
  std::string name;    // "art/leaf.png"
};

struct TImportedBook {
  std::string title, author, publisher, edition, language;
  std::vector<TImportedChapter> chapters;
  std::vector<TImportedPicture> pictures;  // each once, in the order first used
  std::string cover;                       // one of the pictures' names, or empty
  std::vector<std::string> warnings;       // "02-one.md, paragraph 4: ..." or about the whole book
};

struct TImportOptions {
  std::string format;     // pandoc's reader: "epub", "fb2", "docx", "odt", "html", "markdown"
  std::string mediaDir;   // where pandoc extracted the pictures
  std::string fileStem;   // the input's name without folder and extension: the title when none is given
};

// Raises std::runtime_error when the tree is not pandoc's JSON.
TImportedBook ConvertPandocTree(const nlohmann::json& doc, const TImportOptions& options);

}  // namespace folivar::bookimport
