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

// ---- the store ----

// Each test gets a store of its own: natively a fresh $XDG_CONFIG_HOME, on Windows sections and
// book titles that begin with a random tag, removed from the registry afterwards.
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
    for (const std::string& title : titles_) {
      RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Folivar\\Books\\" + title).c_str());
      // A parent key of this test ("Default") goes too once nothing else is in it.
      const size_t parent = title.find('\\');
      if (parent != std::string::npos) {
        RegDeleteKeyA(HKEY_CURRENT_USER,
                      ("Software\\Folivar\\Books\\" + title.substr(0, parent)).c_str());
      }
    }
#endif
  }

  std::string Section(const std::string& below = {}) {
    return below.empty() ? tag_ : tag_ + "\\" + below;
  }
  // A book title unique to this test; its cleaned form is remembered for the clean-up.
  std::string Title(const std::string& words) {
    const std::string title = tag_ + " " + words;
    titles_.push_back(CleanSettingName(title));
    return title;
  }

  std::string tag_;
  std::vector<std::string> titles_;
#ifndef _WIN32
  fs::path config_;
#endif
};

TEST_F(Settings, WriteThenRead) {
  WriteSetting(Section(), "FirstLaunch", "True");
  EXPECT_EQ(ReadSetting(Section(), "FirstLaunch"), "True");
  const std::string book = BookSection(Title("War - Peace"), "1");
  WriteSetting(book, "LastViewedPage", "12");
  EXPECT_EQ(ReadSetting(book, "LastViewedPage"), "12");
  EXPECT_EQ(ReadSetting(Section(), "FirstLaunch"), "True");
}

TEST_F(Settings, MissingSectionsAndValuesReadEmpty) {
  EXPECT_EQ(ReadSetting(Section("Nowhere"), "Value"), "");
  WriteSetting(Section(), "One", "1");
  EXPECT_EQ(ReadSetting(Section(), "Two"), "");
  EXPECT_EQ(ReadSetting(Section("One"), "One"), "");  // a value is no section
}

TEST_F(Settings, NamesAreCleanedOnBothSides) {
  WriteSetting(Section("a - b"), "First-Launch", "yes");
  EXPECT_EQ(ReadSetting(Section("a b"), "First Launch"), "yes");
  EXPECT_EQ(ReadSetting(Section("a=b"), "First=Launch"), "yes");
  WriteSetting(Section(), "---", "d");
  EXPECT_EQ(ReadSetting(Section(), "Default"), "d");
}

TEST_F(Settings, AHyphenTitleAndATitleOfOnlyOtherCharacters) {
  const std::string hyphen = Title("War - Peace");
  WriteSetting(BookSection(hyphen, "e"), "LastViewedPage", "3");
  EXPECT_EQ(ReadSetting(BookSection(tag_ + " War Peace", "e"), "LastViewedPage"), "3");
  EXPECT_EQ(ReadSetting(BookSection(tag_ + " WarPeace", "e"), "LastViewedPage"), "");
  EXPECT_EQ(ReadSetting(BookSection(tag_ + " War  Peace", "e"), "LastViewedPage"), "3");

  // The edition keeps this test's books apart from any other book titled "Default".
  titles_.push_back("Default\\" + tag_);
  WriteSetting(BookSection("\xAB--- \xBB", tag_), "LastViewedPage", "5");
  EXPECT_EQ(ReadSetting("Books\\Default\\" + tag_, "LastViewedPage"), "5");
  EXPECT_EQ(ReadSetting(BookSection("", tag_), "LastViewedPage"), "5");
}

TEST_F(Settings, OverwriteKeepsTheOtherValues) {
  WriteSetting(Section(), "a", "1");
  WriteSetting(Section(), "b", "2");
  WriteSetting(Section(), "a", "3");
  EXPECT_EQ(ReadSetting(Section(), "a"), "3");
  EXPECT_EQ(ReadSetting(Section(), "b"), "2");
  WriteSetting(Section(), "a", "");
  EXPECT_EQ(ReadSetting(Section(), "a"), "");
  EXPECT_EQ(ReadSetting(Section(), "b"), "2");
}

TEST_F(Settings, ValuesRoundTrip) {
  const std::string values[] = {
      "  spaces around  ",
      "\"quoted\"",
      "'single'",
      "\"",
      "'",
      "a = b = c",
      "# not a comment",
      "; nor this",
      "trailing quote\"",
      "\xC0\xE1\xE2 \xFF",
      "tab\there",
  };
  int i = 0;
  for (const std::string& value : values) {
    const std::string name = "v" + std::to_string(i++);
    WriteSetting(Section(), name, value);
    EXPECT_EQ(ReadSetting(Section(), name), value) << value;
  }
}

TEST_F(Settings, ValuesOfTheLongestSizeAndLonger) {
  const std::string longest(kMaxSettingSize, 'x');
  WriteSetting(Section(), "Longest", longest);
  EXPECT_EQ(ReadSetting(Section(), "Longest"), longest);
  WriteSetting(Section(), "Longer", longest + "y");
  EXPECT_EQ(ReadSetting(Section(), "Longer"), "");
  WriteSetting(Section(), "Longer", std::string(100000, 'z'));
  EXPECT_EQ(ReadSetting(Section(), "Longer"), "");
  // A long value does not disturb the others, and a shorter one replaces it.
  EXPECT_EQ(ReadSetting(Section(), "Longest"), longest);
  WriteSetting(Section(), "Longer", "short");
  EXPECT_EQ(ReadSetting(Section(), "Longer"), "short");
}

TEST_F(Settings, NamesThatBeginWithMarks) {
  const std::string names[] = {"#0", "#1", ";x", "/", "..", ".", "\\"};
  for (const std::string& name : names) {
    WriteSetting(Section(), "n" + name, "plain " + name);
    WriteSetting(Section(), name, "value of " + name);
  }
  for (const std::string& name : names) {
    EXPECT_EQ(ReadSetting(Section(), name), "value of " + name) << name;
    EXPECT_EQ(ReadSetting(Section(), "n" + name), "plain " + name) << name;
  }
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
}

TEST_F(Settings, SectionsNeverLeaveTheStore) {
  const std::string sections[] = {
      "..", "..\\..", "../..", "a/../../b", "/abs", "\\", "\\\\", ".", ".hidden", "%2E.", "%",
      "-x", "section-values.txt", "a\\section-values.txt",
  };
  int i = 0;
  for (const std::string& section : sections) {
    WriteSetting(section, "v", std::to_string(i++));
  }
  i = 0;
  for (const std::string& section : sections) {
    EXPECT_EQ(ReadSetting(section, "v"), std::to_string(i++)) << section;
  }
  // Nothing beside the store, and no folder of the store named "." or ".." or with a slash.
  EXPECT_EQ(Entries(config_), (std::vector<std::string>{"folivar"}));
  for (const auto& e : fs::recursive_directory_iterator(config_ / "folivar")) {
    const std::string name = e.path().filename().string();
    EXPECT_NE(name[0], '.') << e.path();
    if (e.is_directory()) {
      EXPECT_EQ(name.find('-'), std::string::npos) << e.path();
    }
  }
  EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / "%2E." / "%2E." / "section-values.txt"));
  EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / "%2E.%2F.." / "section-values.txt"));
  EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / "%" / "%" / "section-values.txt"));
}

TEST_F(Settings, CyrillicTitlesAsUtf8AndLongPartsCut) {
  WriteSetting(BookSection("\xC2\xEE\xE9\xED\xE0", "1"), "LastViewedPage", "4");
  EXPECT_TRUE(fs::is_regular_file(config_ / "folivar" / "Books" /
                                  "\xD0\x92\xD0\xBE\xD0\xB9\xD0\xBD\xD0\xB0" / "1" /
                                  "section-values.txt"));
  // Titles of 255 letters, equal but for the last, stay apart and read back.
  const std::string a(254, '\xE0'), b(254, '\xE0');
  const std::string first = BookSection(a + "\xE1", "1"), second = BookSection(b + "\xE2", "1");
  WriteSetting(first, "LastViewedPage", "1");
  WriteSetting(second, "LastViewedPage", "2");
  EXPECT_EQ(ReadSetting(first, "LastViewedPage"), "1");
  EXPECT_EQ(ReadSetting(second, "LastViewedPage"), "2");
  EXPECT_EQ(Entries(config_ / "folivar" / "Books").size(), 3u);
  for (const std::string& name : Entries(config_ / "folivar" / "Books")) {
    EXPECT_LE(name.size(), 200u);
  }
}

TEST_F(Settings, ALineBreakInAValueIsRefused) {
  WriteSetting(Section(), "v", "before");
  WriteSetting(Section(), "v", "two\nlines");
  WriteSetting(Section(), "v", "a\rb");
  EXPECT_EQ(ReadSetting(Section(), "v"), "before");
}

TEST_F(Settings, AHandWrittenFile) {
  const fs::path folder = config_ / "folivar" / "Setup";
  fs::create_directories(folder);
  test::WriteTempFile("hand.txt",
                      "# a comment\r\n"
                      "; another = one\n"
                      "plain = some value  \n"
                      "'q' = 'v'\n"
                      "no equals sign\n"
                      "\n");
  fs::copy_file(fs::path(test::TempDir()) / "hand.txt", folder / "section-values.txt",
                fs::copy_options::overwrite_existing);
  EXPECT_EQ(ReadSetting("Setup", "plain"), "some value");
  EXPECT_EQ(ReadSetting("Setup", "q"), "v");
  EXPECT_EQ(ReadSetting("Setup", "#0"), "");  // comments are no values
  EXPECT_EQ(ReadSetting("Setup", "#1"), "");
  WriteSetting("Setup", "FirstLaunch", "True");
  EXPECT_EQ(ReadSetting("Setup", "plain"), "some value");
  EXPECT_EQ(ReadSetting("Setup", "q"), "v");
  EXPECT_EQ(ReadSetting("Setup", "FirstLaunch"), "True");
}

TEST_F(Settings, TheHomeFolderWithoutXdgConfigHome) {
  const fs::path home = config_ / "home";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  ::setenv("HOME", home.c_str(), 1);
  ::unsetenv("XDG_CONFIG_HOME");
  WriteSetting("Setup", "FirstLaunch", "True");
  EXPECT_TRUE(fs::is_regular_file(home / ".config" / "folivar" / "Setup" / "section-values.txt"));
  EXPECT_EQ(ReadSetting("Setup", "FirstLaunch"), "True");
  // A relative folder is no folder of the store.
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(ReadSetting("Setup", "FirstLaunch"), "True");
  ::setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(ReadSetting("Setup", "FirstLaunch"), "True");
  // Without either there is no store: reads are empty, writes dropped.
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("HOME");
  WriteSetting("Setup", "Other", "x");
  EXPECT_EQ(ReadSetting("Setup", "FirstLaunch"), "");
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
  EXPECT_FALSE(fs::exists("relative"));
}

TEST_F(Settings, AFileInThePlaceOfAFolder) {
  fs::create_directories(config_ / "folivar");
  test::WriteTempFile("blocker", "x");
  fs::copy_file(fs::path(test::TempDir()) / "blocker", config_ / "folivar" / "Books");
  WriteSetting(BookSection("t", "e"), "LastViewedPage", "1");
  EXPECT_EQ(ReadSetting(BookSection("t", "e"), "LastViewedPage"), "");
}

#endif  // _WIN32

}  // namespace
}  // namespace folivar
