#include "tools/common/json.h"

#include <cstdio>

#include "core/codepage.h"

namespace folivar {

std::string JsonString(std::string_view text, TTextEncoding encoding) {
  const std::string utf8 = BookTextToUtf8(text, encoding);
  std::string out = "\"";
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void TJson::Separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
  }
}

TJson& TJson::BeginObject() {
  Separate();
  out_ += '{';
  first_.push_back(true);
  return *this;
}

TJson& TJson::EndObject() {
  first_.pop_back();
  out_ += '}';
  return *this;
}

TJson& TJson::BeginArray() {
  Separate();
  out_ += '[';
  first_.push_back(true);
  return *this;
}

TJson& TJson::EndArray() {
  first_.pop_back();
  out_ += ']';
  return *this;
}

TJson& TJson::Key(std::string_view name) {
  Separate();
  out_ += JsonString(name, encoding_);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

TJson& TJson::Value(std::string_view text) {
  Separate();
  out_ += JsonString(text, encoding_);
  return *this;
}

TJson& TJson::Value(int64_t n) {
  Separate();
  out_ += std::to_string(n);
  return *this;
}

TJson& TJson::Value(bool b) {
  Separate();
  out_ += b ? "true" : "false";
  return *this;
}

}  // namespace folivar
