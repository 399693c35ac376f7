#include "reader/msgs.h"

#include <gtest/gtest.h>

#include "core/bzip.h"
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

TEST_F(Messages, MissingOrDamagedTextsLeaveTheTableEmpty) {
  for (const std::string& value : {std::string(), std::string("BZh91AY&SY broken"),
                                   Locale({"a", "b"}, {"only one"})}) {
    LoadMessageTable(Locale({"ok"}, {"OK"}));
    LoadMessageTable(value);
    EXPECT_EQ(MessageText("ok"), "");
  }
}

}  // namespace
}  // namespace folivar
