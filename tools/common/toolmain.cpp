#include "tools/common/toolmain.h"

#include <cstdio>
#include <iostream>

#include "core/errors.h"
#include "core/myclasses.h"

namespace folivar {

int RunTool(const char* tool, const std::string& usage,
            const std::function<int(std::string& file)>& body) {
  std::string file;
  try {
    return body(file);
  } catch (const TUsageError& e) {
    std::cerr << tool << ": " << e.what() << "\n" << usage << "\n";
    return 2;
  } catch (const TBookDamaged& e) {
    std::cerr << tool << ": " << file << ": the book is damaged: " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << tool << ": " << file << ": " << e.what() << "\n";
  }
  return 1;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) { WriteWholeFile(path, bytes); }

}  // namespace folivar
