// The few services of the operating system that the core asks for by name; each platform layer
// defines them (platform/posix, platform/win32).
#pragma once

#include <cstdint>
#include <string>

namespace folivar {

// Whether a regular file of that name exists and can be opened for reading, the way a book is
// opened; one that is there but cannot be opened counts as missing. Never raises.
bool FileExists(const std::string& name);
// The directory of the running executable, without a trailing separator.
std::string ProgramDir();
// The system's millisecond tick count, widened to 64 bits.
uint64_t Ticks();

}  // namespace folivar
