// folivar-demobook -o BOOK: writes the demo book.
#include <string>

#include "tools/common/toolmain.h"
#include "tools/demobook/demobook.h"

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-demobook", "usage: folivar-demobook -o BOOK", [&](std::string& file) {
    if (argc != 3 || std::string(argv[1]) != "-o") throw TUsageError("expected -o BOOK");
    file = argv[2];
    WriteFileBytes(file, MakeDemoBook().Build());
    return 0;
  });
}
