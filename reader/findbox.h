// The find box's line of input without its window: the text typed so far and the caret, edited
// by typed characters, Backspace, Delete, Home, End, Left, Right and pasted text. The text is
// UTF-16 as the system types it; the caret never stands inside a surrogate pair, and a pair is
// removed whole. Control characters are not taken (pasted line ends become spaces).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace folivar {

// The editing keys of the line (virtual key codes).
constexpr int32_t kKeyBackspace = 8;
constexpr int32_t kKeyEnd = 35;
constexpr int32_t kKeyHome = 36;
constexpr int32_t kKeyLeft = 37;
constexpr int32_t kKeyRight = 39;
constexpr int32_t kKeyDelete = 46;

// The longest query the line takes, in code units.
constexpr size_t kMaxFindLength = 200;

class TFindInput {
 public:
  const std::u16string& Text() const { return text_; }
  size_t Caret() const { return caret_; }
  // A typed code unit (WM_CHAR): inserted at the caret. The two halves of a pair come one after
  // the other; control characters (below U+0020, U+007F) are ignored. False when nothing changed.
  bool Type(char16_t c);
  // Inserts text at the caret: line ends and tabs become one space each, other control
  // characters are dropped, and what goes beyond the longest query is cut (never inside a pair).
  bool Paste(std::u16string_view text);
  // Backspace, Delete, Home, End, Left or Right; false for other keys and when nothing changed.
  bool Edit(int32_t key);
  void Clear();

 private:
  void Insert(std::u16string_view units);
  size_t Before(size_t at) const;  // the start of the character before at
  size_t After(size_t at) const;   // the end of the character at at

  std::u16string text_;
  size_t caret_ = 0;
};

}  // namespace folivar
