#include "reader/regstuff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/testsupport.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace folivar {
namespace {

namespace fs = std::filesystem;

// ---- names ----

TEST(CleanSettingName, Cases) {
  struct Case {
    const char* what;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"letters and digits stay", "LastViewedPage09az", "LastViewedPage09az"},
      {"a hyphen between spaces becomes one space", "War - Peace", "War Peace"},
      {"a hyphen alone becomes a space", "a-b", "a b"},
      {"runs of spaces become one", "a    b  c", "a b c"},
      {"leading and trailing spaces stay", "  a  ", " a "},
      {"the marks of the set stay", "\\~!@#$%^&*()_+|/.", "\\~!@#$%^&*()_+|/."},
      {"code page 1251 letters stay", "\xC0\xDF\xE0\xFF\xA8\xB8", "\xC0\xDF\xE0\xFF\xA8\xB8"},
      {"other high bytes become spaces", "a\x80\x98\xA7\xAB\xBB\xBF" "b", "a b"},
      {"control characters become spaces", "a\t\n\r\x01" "b", "a b"},
      {"a zero byte becomes a space", std::string("a\0b", 3), "a b"},
      {"quotes, equals and colons become spaces", "a\"'=:;,<>?`{}[]b", "a b"},
      {"empty becomes Default", "", "Default"},
      {"only characters outside the set become Default", "- -- =", "Default"},
      {"a single space becomes Default", " ", "Default"},
      {"Default itself stays", "Default", "Default"},
      {"backslashes stay, also doubled", "a\\\\b\\", "a\\\\b\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanSettingName(c.in), c.out) << c.what;
}

TEST(BookSection, CleansEachPartAndTheWhole) {
  EXPECT_EQ(BookSection("War - and  Peace", "2nd ed."), "Books\\War and Peace\\2nd ed.");
  EXPECT_EQ(BookSection("---", "1"), "Books\\Default\\1");
  EXPECT_EQ(BookSection("\xAB\xBB", ""), "Books\\Default\\Default");
  EXPECT_EQ(BookSection("\xC2\xEE\xE9\xED\xE0 \xE8 \xEC\xE8\xF0", "1"),
            "Books\\\xC2\xEE\xE9\xED\xE0 \xE8 \xEC\xE8\xF0\\1");
  EXPECT_EQ(BookSection("\xABTitle\xBB", "e"), "Books\\ Title \\e");
  // A backslash in a title separates sections like any other.
  EXPECT_EQ(BookSection("a\\b", "c"), "Books\\a\\b\\c");
}

// A Unicode book's names are cleaned by character: letters and digits of every script stay, the
// ASCII rule is the one above, and spaces, punctuation, symbols and damaged UTF-8 become spaces.
TEST(CleanSettingName, UnicodeNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"Tête-Ωμέγα Ёж=Łódź ªµº 書 𐐀", "Tête Ωμέγα Ёж Łódź ªµº 書 𐐀"},
      {"a«»¿\u00A0§×÷\u2014\u2019…•€→─\u3000。\uE000\uFFFD\uFEFFb", "a b"},
      {"a\xC3 \xC0\xAF\xED\xA0\x80" "b", "a b"},  // cut, overlong, a surrogate
      {"\xC2\xEE\xE9\xED\xE0", "Default"},       // code page 1251 bytes are no UTF-8
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(CleanSettingName(in, TTextEncoding::kUnicode), out) << in;
  EXPECT_EQ(BookSection("Tête-à-tête", "«»", TTextEncoding::kUnicode), "Books\\Tête à tête\\Default");
}

// ---- the store ----

// Each test gets a store of its own: natively a fresh $XDG_CONFIG_HOME, on Windows sections below
// a random tag, removed from the registry afterwards.
class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    tag_ = "RegstuffTest" + std::to_string(std::random_device()());
#ifndef _WIN32
    config_ = fs::path(test::TempDir()) /
              ("config-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(config_);
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
#endif
  }
  void TearDown() override {
#ifdef _WIN32
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Folivar\\" + tag_).c_str());
#endif
  }

  std::string Section(const std::string& below = {}) {
    return below.empty() ? tag_ : tag_ + "\\" + below;
  }

  std::string tag_;
#ifndef _WIN32
  fs::path config_;
#endif
};

TEST_F(Settings, WriteOverwriteAndRead) {
  WriteSetting(Section(), "a", "1");
  WriteSetting(Section(), "b", "2");
  WriteSetting(Section("Books\\War Peace\\1"), "LastViewedPage", "12");
  WriteSetting(Section(), "a", "3");
  EXPECT_EQ(ReadSetting(Section(), "a"), "3");
  EXPECT_EQ(ReadSetting(Section(), "b"), "2");
  EXPECT_EQ(ReadSetting(Section("Books\\War Peace\\1"), "LastViewedPage"), "12");
  WriteSetting(Section(), "a", "");
  EXPECT_EQ(ReadSetting(Section(), "a"), "");
  EXPECT_EQ(ReadSetting(Section(), "b"), "2");
  // Missing sections and values read empty; a value is no section.
  EXPECT_EQ(ReadSetting(Section("Nowhere"), "a"), "");
  EXPECT_EQ(ReadSetting(Section(), "c"), "");
  EXPECT_EQ(ReadSetting(Section("b"), "b"), "");
}

TEST_F(Settings, NamesAreCleanedOnBothSides) {
  WriteSetting(Section("a - b"), "First-Launch", "yes");
  EXPECT_EQ(ReadSetting(Section("a b"), "First Launch"), "yes");
  EXPECT_EQ(ReadSetting(Section("a=b"), "First=Launch"), "yes");
  WriteSetting(Section(), "---", "d");
  EXPECT_EQ(ReadSetting(Section(), "Default"), "d");
}

#ifndef _WIN32

// ---- the file store of the native build ----

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(Settings, OneFilePerSectionBelowTheConfigFolder) {
  WriteSetting(BookSection("War - Peace", "2"), "LastViewedPage", "12");
  WriteSetting(BookSection("War - Peace", "2"), "Other", " x ");
  const fs::path file = config_ / "folivar" / "Books" / "War Peace" / "2" / "section-values.txt";
  ASSERT_TRUE(fs::is_regular_file(file));
  EXPECT_EQ(test::ReadWholeFile(file.string()), "\"LastViewedPage\" = \"12\"\n\"Other\" = \" x \"\n");
  // Only the file: the temporary files are gone.
  EXPECT_EQ(Entries(file.parent_path()), (std::vector<std::string>{"section-values.txt"}));
  EXPECT_EQ(fs::status(config_ / "folivar").permissions() & fs::perms::all, fs::perms::owner_all);
  // A line break in a value is refused: the value stays as it was.
  WriteSetting(BookSection("War - Peace", "2"), "Other", "two\nlines");
  WriteSetting(BookSection("War - Peace", "2"), "Other", "a\rb");
  EXPECT_EQ(ReadSetting(BookSection("War - Peace", "2"), "Other"), " x ");
}

// A Unicode book's section names its folders in UTF-8; bytes that are not UTF-8 are escaped.
TEST_F(Settings, UnicodeSections) {
  WriteSetting(tag_ + "\\Łódź-Ωμέγα\\Ёж", "v", "7", TTextEncoding::kUnicode);
  EXPECT_EQ(ReadSetting(tag_ + "\\Łódź Ωμέγα\\Ёж", "v", TTextEncoding::kUnicode), "7");
  WriteStoredSetting(tag_ + "\\a\xC3\\\xC0\xAF\xED\xA0\x80", "v", "x", TTextEncoding::kUnicode);
  for (const fs::path& folder : {fs::path("Łódź Ωμέγα") / "Ёж", fs::path("a%C3") / "%C0%AF%ED%A0%80"}) {
    EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / tag_ / folder / "section-values.txt")) << folder;
  }
}

TEST_F(Settings, SectionsNeverLeaveTheStore) {
  const std::string sections[] = {
      "..", "..\\..", "../..", "a/../../b", "/abs", "\\", "\\\\", ".", ".hidden", "%2E.", "%",
      "-x", "section-values.txt", "a\\section-values.txt",
  };
  for (const std::string& section : sections) WriteSetting(section, "v", "in " + section);
  for (const std::string& section : sections) EXPECT_EQ(ReadSetting(section, "v"), "in " + section);
  // Nothing beside the store, and no folder of the store named "." or ".." or with a slash.
  EXPECT_EQ(Entries(config_), (std::vector<std::string>{"folivar"}));
  for (const auto& e : fs::recursive_directory_iterator(config_ / "folivar")) {
    const std::string name = e.path().filename().string();
    EXPECT_NE(name[0], '.') << e.path();
    EXPECT_TRUE(!e.is_directory() || name.find('-') == std::string::npos) << e.path();
  }
  EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / "%2E." / "%2E." / "section-values.txt"));
  EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / "%2E.%2F.." / "section-values.txt"));
  EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / "%" / "%" / "section-values.txt"));
}

#endif  // _WIN32

}  // namespace
}  // namespace folivar
