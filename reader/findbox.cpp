#include "reader/findbox.h"

namespace folivar {

namespace {

bool High(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool Low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool Control(char16_t c) { return c < 0x20 || c == 0x7F; }

}  // namespace

size_t TFindInput::Before(size_t at) const {
  if (at == 0) return 0;
  --at;
  if (at > 0 && Low(text_[at]) && High(text_[at - 1])) --at;
  return at;
}

size_t TFindInput::After(size_t at) const {
  if (at >= text_.size()) return text_.size();
  ++at;
  if (at < text_.size() && Low(text_[at]) && High(text_[at - 1])) ++at;
  return at;
}

void TFindInput::Insert(std::u16string_view units) {
  size_t room = kMaxFindLength > text_.size() ? kMaxFindLength - text_.size() : 0;
  if (units.size() > room) {
    units = units.substr(0, room);
    if (!units.empty() && High(units.back())) units.remove_suffix(1);
  }
  text_.insert(caret_, units);
  caret_ += units.size();
}

bool TFindInput::Type(char16_t c) {
  if (Control(c) || text_.size() >= kMaxFindLength) return false;
  // The second half of a pair joins the first one typed just before it.
  Insert(std::u16string_view(&c, 1));
  return true;
}

bool TFindInput::Paste(std::u16string_view text) {
  std::u16string clean;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    if (c == u'\r' || c == u'\n' || c == u'\t') {
      clean += u' ';
    } else if (!Control(c)) {
      clean += c;
    }
  }
  const size_t before = text_.size();
  Insert(clean);
  return text_.size() != before;
}

bool TFindInput::Edit(int32_t key) {
  const size_t caret = caret_;
  const size_t length = text_.size();
  switch (key) {
    case kKeyBackspace: {
      const size_t from = Before(caret_);
      text_.erase(from, caret_ - from);
      caret_ = from;
      break;
    }
    case kKeyDelete: text_.erase(caret_, After(caret_) - caret_); break;
    case kKeyHome: caret_ = 0; break;
    case kKeyEnd: caret_ = text_.size(); break;
    case kKeyLeft: caret_ = Before(caret_); break;
    case kKeyRight: caret_ = After(caret_); break;
    default: return false;
  }
  return caret_ != caret || text_.size() != length;
}

void TFindInput::Clear() {
  text_.clear();
  caret_ = 0;
}

}  // namespace folivar
