// PNG files for the tools, through libpng: 8-bit RGB, top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace folivar {

// Encodes width x height pixels 0x00RRGGBB, given top row first, as an 8-bit RGB PNG.
std::string EncodePng(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixelsTopFirst);
// Writes them as the PNG file path with WriteWholeFile (core/myclasses.h): a failure raises
// TIOError and leaves no partial file.
void WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& pixelsTopFirst);

// Reads a PNG of any colour type as pixels 0x00RRGGBB, top row first; alpha is composed over
// white. Raises std::runtime_error for a file that is not a readable PNG.
std::vector<uint32_t> ReadPng(const std::string& path, uint32_t& width, uint32_t& height);

}  // namespace folivar
