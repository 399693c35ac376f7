// The one failure of the book compiler: something in the source folder is not what the format
// asks for. It names the file (relative to the source folder or as given) and, where it helps, the
// line, so that the tool prints "folivar-make: FILE[:LINE]: reason".
#pragma once

#include <stdexcept>
#include <string>

namespace folivar::make {

class TSourceError : public std::runtime_error {
 public:
  TSourceError(std::string file, int line, const std::string& reason)
      : std::runtime_error(reason), file_(std::move(file)), line_(line) {}

  const std::string& File() const { return file_; }
  int Line() const { return line_; }  // 0 when no line applies
  // "FILE" or "FILE:LINE".
  std::string Where() const { return line_ > 0 ? file_ + ":" + std::to_string(line_) : file_; }

 private:
  std::string file_;
  int line_;
};

// What the compiler reports and compiles anyway: "folivar-make: FILE:LINE: warning: text".
struct TSourceWarning {
  std::string where;  // "FILE" or "FILE:LINE", as TSourceError::Where
  std::string text;
};

}  // namespace folivar::make
