#include "tools/make/layout.h"

namespace folivar::make {

void TLayout::Table(const TBlock& block, const std::string& file) {
  throw TSourceError(file, block.line, "tables are being built");
}

}  // namespace folivar::make
