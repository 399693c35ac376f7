// folivar-bind READER.exe BOOK -o OUT.exe
//     writes OUT.exe, a copy of the reader READER.exe that carries the book image BOOK as its own
//     "FOLIVAR" resource. The book is loaded first, so that a damaged image is never bound.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/loading.h"
#include "core/errors.h"
#include "tools/common/toolmain.h"
#include "tools/folivar-bind/binding.h"

namespace folivar {
namespace {

const char* const kUsage = "usage: folivar-bind READER.exe BOOK -o OUT.exe";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TIOError(2, "cannot be opened");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw TIOError(5, "cannot be read");
  return bytes;
}

}  // namespace
}  // namespace folivar

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-bind", kUsage, [&](std::string& file) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() != 4 || args[2] != "-o") throw TUsageError("expected a reader, a book and -o OUT.exe");
    file = args[1];
    TBook book;
    LoadBook(book, OpenBookImage(file));
    const std::string image = ReadBytes(file);
    file = args[0];
    BindBook(args[0], image, args[3]);
    return 0;
  });
}
