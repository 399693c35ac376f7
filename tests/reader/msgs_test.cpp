#include "reader/msgs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/bzip.h"
#include "core/myclasses.h"
#include "core/ttable.h"

namespace folivar {
namespace {

std::string Locale(const TStringList& keys, const TStringList& texts) {
  std::string lists;
  WriteStrings(lists, keys);
  WriteStrings(lists, texts);
  return Bzip(lists);
}

class Messages : public ::testing::Test {
 protected:
  void TearDown() override { ClearMessageTable(); }
};

TEST_F(Messages, LookupCases) {
  struct Case {
    const char* what;
    TStringList keys;
    const char* key;
    const char* context;
    const char* text;  // expected
  };
  const Case cases[] = {
      {"Ok finds ok", {"ok"}, "Ok", "", "0"},
      {"OK finds ok", {"ok"}, "OK", "", "0"},
      {"the table is searched case-sensitively", {"OK", "Ok"}, "Ok", "", ""},
      {"Ok finds prefix_ok through its bare key", {"prefix_ok"}, "Ok", "", "0"},
      {"only the first underscore cuts", {"a_b_ok"}, "B_OK", "", "0"},
      {"a bare key is not cut again", {"a_b_ok"}, "Ok", "", ""},
      {"a key without underscore is its own bare key", {"x", "ok"}, "Ok", "", "1"},
      {"the full key before an earlier bare key", {"x_ok", "ok"}, "Ok", "", "1"},
      {"a key with a leading underscore has that bare key", {"_ok"}, "Ok", "", "0"},
      {"the first of equal keys", {"ok", "ok"}, "Ok", "", "0"},
      {"the first of equal bare keys", {"a_ok", "b_ok"}, "Ok", "", "0"},
      // Key Enter with context WasPresses: first "WasPresses_enter", then the bare key "enter".
      {"context key before an earlier bare key", {"x_enter", "enter", "WasPresses_enter"}, "Enter",
       "WasPresses", "2"},
      {"then the first bare key", {"Other_enter", "enter"}, "Enter", "WasPresses", "0"},
      {"the context keeps its case", {"enter", "waspresses_enter"}, "Enter", "WasPresses", "0"},
      {"the key in the context is lower-cased", {"WasPresses_esc"}, "ESC", "WasPresses", "0"},
      {"the context alone is not a key", {"WasPresses"}, "", "WasPresses", ""},
      {"a bare key of the context form without context", {"WasPresses_y"}, "Y", "", "0"},
      {"1251 capitals become small letters", {"\xE0\xFF"}, "\xC0\xDF", "", "0"},
      {"1251 small letters stay", {"\xE0\xFF"}, "\xE0\xFF", "", "0"},
      {"0xA8 is not among the capitals", {"\xB8"}, "\xA8", "", ""},
      {"an empty key finds an empty table key", {"a", ""}, "", "", "1"},
      {"a missing key gives an empty text", {"a"}, "Missing", "", ""},
  };
  for (const Case& c : cases) {
    TStringList texts;
    for (size_t i = 0; i < c.keys.size(); ++i) texts.push_back(std::to_string(i));
    LoadMessageTable(Locale(c.keys, texts));
    EXPECT_EQ(MessageText(c.key, c.context), c.text) << c.what;
  }
}

TEST_F(Messages, Arguments) {
  struct Case {
    const char* text;
    TStringList arguments;
    const char* expected;
  };
  const TStringList ten = {"<1>", "<2>", "<3>", "<4>", "<5>", "<6>", "<7>", "<8>", "<9>", "<10>"};
  TStringList twelve = ten;
  twelve.insert(twelve.end(), {"<11>", "<12>"});
  const Case cases[] = {
      {"%1 of %2", {"3", "9"}, "3 of 9"},
      {"%2 before %1", {"<1>", "<2>"}, "<2> before <1>"},
      {"%1%1%1", {"<1>"}, "<1><1><1>"},
      {"%1 and %2", {"%2", "%1"}, "%2 and %1"},  // inserted texts are not replaced again
      {"%1 and %2", {"", ""}, " and "},
      {"%0 %01 %", {"<1>"}, "%0 %01 %"},  // no argument 0, no leading zeros
      {"%3", {"<1>", "<2>"}, "%3"},       // beyond the arguments: kept
      {"%1 of %2", {}, "%1 of %2"},
      {"%12", ten, "<1>2"},  // 12 names no argument, 1 does
      {"%12", twelve, "<12>"},
      {"%123", twelve, "<12>3"},
      {"%10|%1|%3%", ten, "<10>|<1>|<3>%"},
      {"%10|%1|%3%", {"one"}, "one0|one|%3%"},
      {"%%1", {"<1>"}, "%<1>"},
      {"100%", {"x"}, "100%"},
      {"%99999999999999999999999", ten, "<9>9999999999999999999999"},  // no overflow
  };
  for (const Case& c : cases) {
    LoadMessageTable(Locale({"k"}, {c.text}));
    EXPECT_EQ(MessageText("k", {}, c.arguments), c.expected) << c.text << " with " << c.arguments.size();
  }
}

TEST_F(Messages, MissingOrDamagedTextsLeaveTheTableEmpty) {
  const std::string good = Locale({"ok", "about"}, {"OK", "About"});
  // A stream cut short has no end: the load must stop at the end of the bytes.
  const std::string cut = good.substr(0, good.size() / 2);
  std::string flipped = good;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
  std::string countTooLarge("\xFF\xFF\xFF\x7F", 4);  // key count far beyond the bytes
  WriteStrings(countTooLarge, {"OK"});
  const std::string cases[] = {
      "", "BZh91AY&SY broken", "not bzip2 at all", cut, flipped, Locale({"a", "b"}, {"only one"}),
      Bzip(countTooLarge), Bzip(""),
      Bzip(std::string("\x01\x00\x00\x00", 4)),  // one key, then nothing
  };
  for (const std::string& value : cases) {
    LoadMessageTable(good);
    ASSERT_EQ(MessageText("ok"), "OK");
    LoadMessageTable(value);
    EXPECT_EQ(MessageText("ok"), "") << "value of " << value.size() << " bytes";
    EXPECT_TRUE(MessageKeys().empty() && MessageTexts().empty() && MessageBareKeys().empty());
  }
}

TEST_F(Messages, LoadingReplacesTheTable) {
  EXPECT_EQ(MessageText("Ok"), "");  // nothing loaded yet
  LoadMessageTable(Locale({"ok", "a_b"}, {"OK", "B"}));
  EXPECT_EQ(MessageBareKeys(), (TStringList{"ok", "b"}));
  LoadMessageTable(Locale({"about"}, {"About"}));
  EXPECT_EQ(MessageText("Ok"), "");
  EXPECT_EQ(MessageText("B"), "");
  EXPECT_EQ(MessageText("About"), "About");
  SetMessageTable({"x_ok"}, {"OK"});  // from lists already unpacked
  EXPECT_EQ(MessageText("Ok"), "OK");
  SetMessageTable({"ok", "about"}, {"OK"});  // uneven
  EXPECT_EQ(MessageText("Ok"), "");
  EXPECT_TRUE(MessageKeys().empty());
  LoadMessageTable(Locale({"about"}, {"About"}));
  ClearMessageTable();
  EXPECT_EQ(MessageText("About"), "");
}

// The find box's texts have English defaults for books made before the reader could search.
TEST_F(Messages, FindBoxTextsFallBackToEnglish) {
  SetMessageTable({"find", "ok"}, {"Suche", "OK"});
  EXPECT_EQ(ReaderText("Find"), "Suche");
  EXPECT_EQ(ReaderText("FindPrompt"), "Type a word or phrase and press Enter.");
  EXPECT_EQ(ReaderText("notfound"), "The book does not contain this text.");
  EXPECT_EQ(ReaderText("close"), "Close");
  EXPECT_EQ(ReaderText("ok"), "OK");
  EXPECT_EQ(ReaderText("About"), "") << "only the find box's keys have defaults";
}

}  // namespace
}  // namespace folivar
