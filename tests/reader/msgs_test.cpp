#include "reader/msgs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "book/bookwriter.h"
#include "book/loading.h"
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

// The "locale" value as the book writer stores it and the loader reads it back.
std::string LocaleOfBook(const TStringList& keys, const TStringList& texts) {
  TBookWriter w;
  w.SetMessages(keys, texts);
  w.AddPage(EncodePageRecord(-1, {}));
  TStrFile image(w.Build());
  return GetValue(WalkBookImage(image).properties, "locale");
}

class Messages : public ::testing::Test {
 protected:
  void TearDown() override { ClearMessageTable(); }
};

TEST_F(Messages, EmptyUntilLoaded) {
  EXPECT_TRUE(MessageKeys().empty());
  EXPECT_EQ(MessageText("Ok"), "");
  EXPECT_EQ(MessageText("Enter", "WasPresses"), "");
}

TEST_F(Messages, LookupByLowerCaseFullAndBareKeys) {
  LoadMessageTable(Locale({"ok", "x_about", "WasPresses_enter", "enter", "\xEF\xF0\xE8\xE2\xE5\xF2"},
                          {"OK!", "About it", "Enter in a box", "Enter alone", "Hi"}));
  EXPECT_EQ(MessageText("Ok"), "OK!");
  EXPECT_EQ(MessageText("OK"), "OK!");
  EXPECT_EQ(MessageText("About"), "About it");  // through the bare key "about"
  EXPECT_EQ(MessageText("Enter", "WasPresses"), "Enter in a box");
  // The context keeps its case: "wasPresses_enter" is no key, so the bare keys are searched, and
  // the first bare key "enter" is that of "WasPresses_enter".
  EXPECT_EQ(MessageText("Enter", "wasPresses"), "Enter in a box");
  EXPECT_EQ(MessageText("Enter"), "Enter alone");
  EXPECT_EQ(MessageText("\xCF\xD0\xC8\xC2\xC5\xD2"), "Hi");  // code page 1251 capitals
  EXPECT_EQ(MessageText("Missing"), "");
}

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
  };
  for (const Case& c : cases) {
    TStringList texts;
    for (size_t i = 0; i < c.keys.size(); ++i) texts.push_back(std::to_string(i));
    LoadMessageTable(Locale(c.keys, texts));
    EXPECT_EQ(MessageText(c.key, c.context), c.text) << c.what;
  }
}

TEST_F(Messages, TheReadersKeysFromABookOfTheWriter) {
  LoadMessageTable(LocaleOfBook(
      {"ok", "information", "about", "theend", "printingdocumenttitle", "printingcompleted",
       "congratulations", "congratulations2", "continue", "WasPresses_enter", "WasPresses_esc",
       "WasPresses_y", "WasPresses_n"},
      {"OK", "Info", "About", "The end", "Book", "Done", "Hello", "Welcome", "Go on", "Enter",
       "Esc", "Y", "N"}));
  EXPECT_EQ(MessageKeys().size(), 13u);
  EXPECT_EQ(MessageText("Ok"), "OK");
  EXPECT_EQ(MessageText("OK"), "OK");
  EXPECT_EQ(MessageText("Information"), "Info");
  EXPECT_EQ(MessageText("TheEnd"), "The end");
  EXPECT_EQ(MessageText("PrintingDocumentTitle"), "Book");
  EXPECT_EQ(MessageText("Congratulations"), "Hello");
  EXPECT_EQ(MessageText("Congratulations2"), "Welcome");
  EXPECT_EQ(MessageText("Publisher"), "");  // not in this table
  EXPECT_EQ(MessageText("Enter", "WasPresses"), "Enter");
  EXPECT_EQ(MessageText("Esc", "WasPresses"), "Esc");
  EXPECT_EQ(MessageText("N", "WasPresses"), "N");
  EXPECT_EQ(MessageText("Y"), "Y");  // through the bare key
}

TEST_F(Messages, Arguments) {
  LoadMessageTable(Locale({"a", "b", "c"}, {"%1 of %2", "%10|%1|%3%", "100%"}));
  EXPECT_EQ(MessageText("a", {}, {"3", "9"}), "3 of 9");
  EXPECT_EQ(MessageText("a", {}, {"%2", "x"}), "%2 of x");
  TStringList ten;
  for (int i = 1; i <= 10; ++i) ten.push_back("<" + std::to_string(i) + ">");
  EXPECT_EQ(MessageText("b", {}, ten), "<10>|<1>|<3>%");
  EXPECT_EQ(MessageText("b", {}, {"one"}), "one0|one|%3%");
  EXPECT_EQ(MessageText("c", {}, {"x"}), "100%");
  EXPECT_EQ(MessageText("a"), "%1 of %2");
}

TEST_F(Messages, ArgumentCases) {
  struct Case {
    const char* text;
    int count;  // arguments "<1>", "<2>", ...
    const char* expected;
  };
  const Case cases[] = {
      {"%2 before %1", 2, "<2> before <1>"},
      {"%1%1%1", 1, "<1><1><1>"},
      {"%0 %01 %", 1, "%0 %01 %"},  // no argument 0, no leading zeros
      {"%3", 2, "%3"},              // beyond the arguments: kept
      {"%12", 10, "<1>2"},          // 12 names no argument, 1 does
      {"%12", 12, "<12>"},
      {"%123", 12, "<12>3"},
      {"%10%11", 11, "<10><11>"},
      {"%%1", 1, "%<1>"},
      {"%1", 0, "%1"},
      {"%99999999999999999999999", 9, "<9>9999999999999999999999"},  // no overflow
      {"end %", 3, "end %"},
  };
  for (const Case& c : cases) {
    LoadMessageTable(Locale({"k"}, {c.text}));
    TStringList arguments;
    for (int i = 1; i <= c.count; ++i) arguments.push_back("<" + std::to_string(i) + ">");
    EXPECT_EQ(MessageText("k", {}, arguments), c.expected) << c.text << " with " << c.count;
  }
}

TEST_F(Messages, InsertedArgumentsAreNotReplacedAgain) {
  LoadMessageTable(Locale({"k"}, {"%1 and %2"}));
  EXPECT_EQ(MessageText("k", {}, {"%2", "%1"}), "%2 and %1");
  EXPECT_EQ(MessageText("k", {}, {"", ""}), " and ");
}

TEST_F(Messages, MissingOrDamagedTextsLeaveTheTableEmpty) {
  const std::string good = Locale({"ok", "about"}, {"OK", "About"});
  // A stream cut short has no end: the load must stop at the end of the bytes.
  const std::string cut = good.substr(0, good.size() / 2);
  std::string flipped = good;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
  std::string countTooLarge;
  countTooLarge += std::string("\xFF\xFF\xFF\x7F", 4);  // key count far beyond the bytes
  WriteStrings(countTooLarge, {"OK"});
  const std::string cases[] = {
      std::string(),
      std::string("BZh91AY&SY broken"),
      std::string("not bzip2 at all"),
      cut,
      flipped,
      Locale({"a", "b"}, {"only one"}),
      Bzip(countTooLarge),
      Bzip(""),
      Bzip(std::string("\x01\x00\x00\x00", 4)),  // one key, then nothing
  };
  for (const std::string& value : cases) {
    LoadMessageTable(good);
    ASSERT_EQ(MessageText("ok"), "OK");
    LoadMessageTable(value);
    EXPECT_EQ(MessageText("ok"), "") << "value of " << value.size() << " bytes";
    EXPECT_TRUE(MessageKeys().empty());
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_TRUE(MessageBareKeys().empty());
  }
}

TEST_F(Messages, ABookWithoutLocaleHasNoTexts) {
  TBookWriter w;
  w.AddPage(EncodePageRecord(-1, {}));
  TStrFile image(w.Build());
  LoadMessageTable(Locale({"ok"}, {"OK"}));
  LoadMessageTable(GetValue(WalkBookImage(image).properties, "locale"));
  EXPECT_EQ(MessageText("Ok"), "");
}

TEST_F(Messages, LoadingReplacesTheTable) {
  LoadMessageTable(Locale({"ok", "a_b"}, {"OK", "B"}));
  EXPECT_EQ(MessageBareKeys(), (TStringList{"ok", "b"}));
  LoadMessageTable(Locale({"about"}, {"About"}));
  EXPECT_EQ(MessageText("Ok"), "");
  EXPECT_EQ(MessageText("B"), "");
  EXPECT_EQ(MessageText("About"), "About");
  ClearMessageTable();
  EXPECT_EQ(MessageText("About"), "");
}

TEST_F(Messages, SetFromUnpackedLists) {
  SetMessageTable({"x_ok"}, {"OK"});
  EXPECT_EQ(MessageText("Ok"), "OK");
  SetMessageTable({"ok", "about"}, {"OK"});  // uneven
  EXPECT_EQ(MessageText("Ok"), "");
  EXPECT_TRUE(MessageKeys().empty());
}

}  // namespace
}  // namespace folivar
