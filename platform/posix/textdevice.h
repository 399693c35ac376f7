// The native text device: FreeType glyphs, blended by their coverage in the text colour into the
// target's pixels. CreateTextDevice gives one on the process's shared font cache; tests and
// benchmarks can give a device a cache of its own.
#pragma once

#include <memory>

#include "display/textdevice.h"
#include "platform/posix/fontcache.h"

namespace folivar::posix {

std::unique_ptr<TTextDevice> CreateFreeTypeTextDevice(tview& target,
                                                      std::shared_ptr<TFontCache> cache);

}  // namespace folivar::posix
