// A book file (EPUB, FB2, DOCX, ODT, HTML, Markdown) as the files of a book source folder: pandoc
// reads it, its tree becomes book.toml, chapters and art/.
#pragma once

#include <string>
#include <vector>

#include "tools/import/bookfolder.h"

namespace folivar::bookimport {

// A folder of our own under the system's temporary folder, removed with everything in it when
// this goes out of scope.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The source folder's files for the book file. Warnings (what was left out or changed) are
// appended to warnings. Raises std::runtime_error for a file that cannot be imported.
TBookFiles ImportBookFile(const std::string& file, std::vector<std::string>& warnings);

// Whether path is for ImportBookFile rather than a source folder: a file that exists (which it
// refuses when it is of no format it reads), or a name with a book file's extension.
bool IsBookFile(const std::string& path);

}  // namespace folivar::bookimport
