// folivar-import BOOK_FILE -o SOURCE_DIR
//     writes a book source folder (book.toml, chapters, art/) for folivar-make from an EPUB, FB2,
//     DOCX, ODT, HTML or Markdown file, read through pandoc. What the chapter format cannot hold
//     is one line "folivar-import: FILE: warning: ..." each; a failure is one line
//     "folivar-import: FILE: reason" with exit code 1 and nothing written; bad usage exits 2.
#include <iostream>
#include <string>
#include <vector>

#include "tools/common/toolmain.h"
#include "tools/import/importer.h"

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-import", "usage: folivar-import BOOK_FILE -o SOURCE_DIR", [&](std::string& file) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string in, out;
    if (args.size() == 3 && args[1] == "-o") {
      in = args[0];
      out = args[2];
    } else if (args.size() == 3 && args[0] == "-o") {
      out = args[1];
      in = args[2];
    } else {
      throw TUsageError("expected a book file and -o SOURCE_DIR");
    }
    if (in.empty() || out.empty()) throw TUsageError("expected a book file and -o SOURCE_DIR");
    file = in;
    std::vector<std::string> warnings;
    const bookimport::TBookFiles files = bookimport::ImportBookFile(in, warnings);
    for (const std::string& w : warnings) std::cerr << "folivar-import: " << in << ": warning: " << w << "\n";
    file = out;
    bookimport::WriteImportFolder(files, out);
    return 0;
  });
}
