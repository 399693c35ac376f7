// folivar-info BOOK: prints what a book image holds as one JSON object.
#include <iostream>

#include "book/loading.h"
#include "tools/common/toolmain.h"
#include "tools/folivar-info/describe.h"

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-info", "usage: folivar-info BOOK", [&](std::string& file) {
    if (argc != 2) throw TUsageError("expected one book");
    file = argv[1];
    auto source = OpenBookImage(file);
    std::cout << DescribeBook(WalkBookImage(*source)) << "\n";
    return 0;
  });
}
