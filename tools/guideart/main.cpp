// folivar-guideart OUT_DIR: draws the pictures of the user's guide into OUT_DIR as PNG files.
#include <string>

#include "tools/common/toolmain.h"
#include "tools/guideart/guideart.h"

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-guideart", "usage: folivar-guideart OUT_DIR", [&](std::string& file) {
    if (argc != 2 || std::string(argv[1]).empty()) throw TUsageError("expected OUT_DIR");
    file = argv[1];
    guideart::WriteGuideArt(file);
    return 0;
  });
}
