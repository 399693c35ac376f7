// Little-endian fields appended to a byte string: what the book writer and its encoders write.
#pragma once

#include <cstdint>
#include <string>

namespace folivar {

inline void PutU16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

inline void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

inline void PutInt(std::string& out, int32_t v) { PutU32(out, static_cast<uint32_t>(v)); }

}  // namespace folivar
