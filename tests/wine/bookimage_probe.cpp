// bookimage_probe OUT: writes the title of the book that the program finds, the way the reader
// finds its own, into the file OUT; exits 1 with the reason in OUT when it finds none.
#include <fstream>
#include <iostream>

#include "book/loading.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  try {
    auto source = folivar::OpenBookImage();
    out << "title:" << folivar::WalkBookImage(*source).header.title;
    return 0;
  } catch (const std::exception& e) {
    out << "error:" << e.what();
    return 1;
  }
}
