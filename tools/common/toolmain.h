// The error contract shared by the tools: failures are printed as one line "TOOL: FILE: reason"
// on stderr with exit code 1; bad usage exits 2.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace folivar {

class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs body. `file` is what body is working on at the moment of a failure, named in the message.
int RunTool(const char* tool, const std::string& usage,
            const std::function<int(std::string& file)>& body);

// Writes bytes as the whole file path, raising TIOError on failure; an older file there survives a
// failure intact (WriteWholeFile).
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace folivar
