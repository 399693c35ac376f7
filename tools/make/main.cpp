// folivar-make SOURCE_DIR -o BOOK
// folivar-make BOOK_FILE -o BOOK
//     compiles the book source in SOURCE_DIR (book.toml, messages.txt, the chapters and their
//     pictures) into the book image BOOK; or a book file (EPUB, FB2, DOCX, ODT, HTML, Markdown)
//     imported as folivar-import imports it, into a private temporary folder that is removed
//     afterwards. A fault of the source is one line "folivar-make: FILE[:LINE]: reason" with exit
//     code 1; bad usage exits 2.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/myclasses.h"
#include "tools/common/toolmain.h"
#include "tools/import/importer.h"
#include "tools/make/compiler.h"
#include "tools/make/sourceerror.h"

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-make", "usage: folivar-make SOURCE_DIR|BOOK_FILE -o BOOK", [&](std::string& file) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string dir, out;
    if (args.size() == 3 && args[1] == "-o") {
      dir = args[0];
      out = args[2];
    } else if (args.size() == 3 && args[0] == "-o") {
      out = args[1];
      dir = args[2];
    } else {
      throw TUsageError("expected a source folder and -o BOOK");
    }
    if (dir.empty() || out.empty()) throw TUsageError("expected a source folder and -o BOOK");
    // A folder or a device as the output is refused before the compiling.
    file = out;
    CheckOutputFile(out);
    file = dir;
    std::string image;
    make::TCompileStats stats;
    std::string root = dir.back() == '/' ? dir : dir + "/";
    std::unique_ptr<bookimport::TTempDir> imported;
    if (bookimport::IsBookFile(dir)) {
      // The book file's folder exists only while it is compiled: places in it are named
      // "BOOK_FILE: CHAPTER:LINE".
      std::vector<std::string> warnings;
      const bookimport::TBookFiles files = bookimport::ImportBookFile(dir, warnings);
      for (const std::string& w : warnings) std::cerr << "folivar-make: " << dir << ": warning: " << w << "\n";
      imported = std::make_unique<bookimport::TTempDir>();
      bookimport::WriteFiles(files, imported->Path());
      root = dir + ": ";
    }
    try {
      image = make::CompileBook(imported ? imported->Path() : dir, &stats);
    } catch (const make::TSourceError& e) {
      file = root + e.Where();
      throw std::runtime_error(e.what());
    }
    for (const make::TSourceWarning& w : stats.warnings)
      std::cerr << "folivar-make: " << root << w.where << ": warning: " << w.text << "\n";
    file = out;
    WriteFileBytes(out, image);
    return 0;
  });
}
