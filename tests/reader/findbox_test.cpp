#include "reader/findbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace folivar {
namespace {

// A step: a typed code unit, a key, or pasted text.
struct Step {
  char16_t typed = 0;
  int32_t key = 0;
  const char16_t* pasted = nullptr;
};

Step T(char16_t c) { return {c, 0, nullptr}; }
Step K(int32_t key) { return {0, key, nullptr}; }
Step P(const char16_t* text) { return {0, 0, text}; }

TEST(FindInput, Editing) {
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::u16string text;
    size_t caret;
  };
  const char16_t pair[] = {0xD83D, 0xDE00, 0};  // one character outside the BMP
  const Case cases[] = {
      {"typing in any script", {T(u'ж'), T(u'é'), T(u'z')}, u"жéz", 3},
      {"control characters are not taken", {T(u'a'), T(0x08), T(0x0D), T(0x16), T(0x7F)}, u"a", 1},
      {"Backspace removes before the caret", {T(u'a'), T(u'b'), K(kKeyBackspace)}, u"a", 1},
      {"Backspace at the start does nothing", {T(u'a'), K(kKeyHome), K(kKeyBackspace)}, u"a", 0},
      {"Delete removes after the caret", {T(u'a'), T(u'b'), K(kKeyHome), K(kKeyDelete)}, u"b", 0},
      {"typing at the caret", {T(u'a'), T(u'c'), K(kKeyLeft), T(u'b')}, u"abc", 2},
      {"Home and End", {T(u'a'), T(u'b'), K(kKeyHome), K(kKeyRight), K(kKeyEnd), T(u'c')}, u"abc", 3},
      {"Left and Right stop at the ends", {T(u'a'), K(kKeyRight), K(kKeyLeft), K(kKeyLeft)}, u"a", 0},
      {"a pair is stepped over whole", {T(pair[0]), T(pair[1]), K(kKeyLeft)}, pair, 0},
      {"a pair is removed whole", {T(u'a'), T(pair[0]), T(pair[1]), K(kKeyBackspace)}, u"a", 1},
      {"a pair is deleted whole", {T(pair[0]), T(pair[1]), K(kKeyHome), K(kKeyDelete)}, u"", 0},
      {"pasted line ends and tabs become spaces", {T(u'x'), P(u"a\r\nb\nc\td\x01")}, u"xa b c d", 8},
      {"pasted at the caret", {T(u'a'), T(u'd'), K(kKeyLeft), P(u"bc")}, u"abcd", 3},
  };
  for (const Case& c : cases) {
    TFindInput input;
    for (const Step& s : c.steps) {
      if (s.typed) input.Type(s.typed);
      if (s.key) input.Edit(s.key);
      if (s.pasted) input.Paste(s.pasted);
    }
    EXPECT_EQ(input.Text(), c.text) << c.what;
    EXPECT_EQ(input.Caret(), c.caret) << c.what;
  }
}

TEST(FindInput, TheLineHasALimitThatNeverSplitsAPair) {
  TFindInput input;
  input.Paste(std::u16string(kMaxFindLength - 1, u'a'));
  EXPECT_FALSE(input.Paste(u"\xD83D\xDE00"));  // the pair does not fit
  EXPECT_EQ(input.Text().size(), kMaxFindLength - 1);
  EXPECT_TRUE(input.Type(u'b'));
  EXPECT_FALSE(input.Type(u'c'));
  EXPECT_EQ(input.Text().size(), kMaxFindLength);
}

}  // namespace
}  // namespace folivar
