// A small JSON writer for the tools' output. Strings given to it are book texts in the book's
// encoding (code page 1251, or UTF-8 in a Unicode book) and come out as escaped UTF-8; damaged
// UTF-8 comes out as U+FFFD, so the output is always valid JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/codepage.h"

namespace folivar {

class TJson {
 public:
  explicit TJson(TTextEncoding encoding = TTextEncoding::kCp1251) : encoding_(encoding) {}

  TJson& BeginObject();
  TJson& EndObject();
  TJson& BeginArray();
  TJson& EndArray();
  // The key of the next value in an object.
  TJson& Key(std::string_view name);
  TJson& Value(std::string_view text);
  TJson& Value(const char* text) { return Value(std::string_view(text)); }
  TJson& Value(int64_t n);
  TJson& Value(int32_t n) { return Value(int64_t{n}); }
  TJson& Value(uint32_t n) { return Value(int64_t{n}); }
  TJson& Value(bool b);

  const std::string& Text() const { return out_; }

 private:
  void Separate();

  TTextEncoding encoding_;
  std::string out_;
  std::vector<bool> first_;  // per open container: no element written yet
  bool afterKey_ = false;
};

// The text as a JSON string literal, quotes included.
std::string JsonString(std::string_view text, TTextEncoding encoding = TTextEncoding::kCp1251);

}  // namespace folivar
