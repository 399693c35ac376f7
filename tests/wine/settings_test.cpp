// The registry store as Windows sees it: the values land below HKCU\Software\Folivar in the
// section's key, as REG_SZ with their terminating zero, and the 16384-byte read buffer decides
// what reads back. How names and sections are cleaned is tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reader/regstuff.h"

namespace folivar {
namespace {

class RegistrySettings : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string number = std::to_string(std::random_device()());
    title_ = "Wine - settings test " + number;  // stored as "Wine settings test N"
    cleanTitle_ = "Wine settings test " + number;
    section_ = BookSection(title_, "Ed. 1");
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Folivar\\Books\\" + cleanTitle_).c_str());
  }

  // The raw value as the registry holds it (type and bytes); type 0 when there is none.
  std::pair<DWORD, std::string> Raw(const std::string& name) {
    std::vector<char> buffer(1 << 20);
    DWORD size = static_cast<DWORD>(buffer.size()), type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, KeyPath().c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     &type, buffer.data(), &size) != ERROR_SUCCESS)
      return {0, ""};
    return {type, std::string(buffer.data(), size)};
  }
  std::string KeyPath() const { return "Software\\Folivar\\Books\\" + cleanTitle_ + "\\Ed. 1"; }

  std::string title_, cleanTitle_, section_;
};

TEST_F(RegistrySettings, TheValueLandsInTheBooksKey) {
  WriteSetting(section_, "LastViewedPage", "42");
  EXPECT_EQ(ReadSetting(section_, "LastViewedPage"), "42");
  EXPECT_EQ(Raw("LastViewedPage"), std::make_pair(DWORD{REG_SZ}, std::string("42\0", 3)));
  // Nothing under the uncleaned title.
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\Folivar\\Books\\" + title_).c_str(), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  // Missing values and keys read empty.
  EXPECT_EQ(ReadSetting(section_, "Other"), "");
  EXPECT_EQ(ReadSetting(section_ + "\\Deeper", "LastViewedPage"), "");
}

TEST_F(RegistrySettings, TheLongestValueAndLonger) {
  const std::string longest(kMaxSettingSize, 'x');
  WriteSetting(section_, "Longest", longest);
  EXPECT_EQ(ReadSetting(section_, "Longest"), longest);
  EXPECT_EQ(Raw("Longest").second.size(), 16384u);
  // The longer value is stored; only the read buffer is too small for it.
  WriteSetting(section_, "Longer", longest + "y");
  EXPECT_EQ(ReadSetting(section_, "Longer"), "");
  EXPECT_EQ(Raw("Longer").second.size(), 16385u);
}

TEST_F(RegistrySettings, ValuesRoundTripAndOtherWritersValuesRead) {
  int i = 0;
  for (const std::string value : {"", "  spaces  ", "\"quoted\"", "a = b", "\xC0\xE1\xFF", "line\r\nbreak"}) {
    const std::string name = "v" + std::to_string(i++);
    WriteSetting(section_, name, value);
    EXPECT_EQ(ReadSetting(section_, name), value);
  }
  // Values of other writers: the type is not looked at; the last byte is taken for the terminating
  // zero, and a value of no bytes has no zero to drop.
  RegSetKeyValueA(HKEY_CURRENT_USER, KeyPath().c_str(), "Number", REG_DWORD, "234", 4);
  EXPECT_EQ(ReadSetting(section_, "Number"), "234");
  RegSetKeyValueA(HKEY_CURRENT_USER, KeyPath().c_str(), "Nothing", REG_BINARY, "", 0);
  EXPECT_EQ(ReadSetting(section_, "Nothing"), "");
}

}  // namespace
}  // namespace folivar
