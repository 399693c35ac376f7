// The registry store as Windows sees it: the values land below HKCU\Software\Folivar in the
// section's key, as REG_SZ with their terminating zero, and the 16384-byte read buffer decides
// what reads back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
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

  // The raw value as the registry holds it, read with a buffer large enough for anything here.
  struct TRaw {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::string data;
  };
  TRaw Raw(const std::string& path, const std::string& name) {
    TRaw raw;
    HKEY key = nullptr;
    raw.status = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (raw.status != ERROR_SUCCESS) return raw;
    std::vector<char> buffer(1 << 20);
    DWORD size = static_cast<DWORD>(buffer.size());
    raw.status = RegQueryValueExA(key, name.c_str(), nullptr, &raw.type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(key);
    if (raw.status == ERROR_SUCCESS) raw.data.assign(buffer.data(), size);
    return raw;
  }
  // Stores a value of any type in the book's key, past the settings store.
  void Put(const std::string& name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, KeyPath().c_str(), &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::string KeyPath() const {
    return "Software\\Folivar\\Books\\" + cleanTitle_ + "\\Ed. 1";
  }

  std::string title_, cleanTitle_, section_;
};

TEST_F(RegistrySettings, TheValueLandsInTheBooksKey) {
  EXPECT_EQ(section_, "Books\\" + cleanTitle_ + "\\Ed. 1");
  WriteSetting(section_, "LastViewedPage", "42");
  EXPECT_EQ(ReadSetting(section_, "LastViewedPage"), "42");
  const TRaw raw = Raw(KeyPath(), "LastViewedPage");
  ASSERT_EQ(raw.status, ERROR_SUCCESS);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw.data, std::string("42\0", 3));  // with its terminating zero
  // Nothing under the uncleaned title.
  EXPECT_NE(Raw("Software\\Folivar\\Books\\" + title_, "LastViewedPage").status, ERROR_SUCCESS);
}

// What the system's own registry tool shows: the value under the cleaned section names.
TEST_F(RegistrySettings, RegQuerySeesTheValue) {
  WriteSetting(section_, "LastViewedPage", "17");
  const std::string command = "reg query \"HKCU\\" + KeyPath() + "\" /v LastViewedPage 2>&1";
  FILE* pipe = _popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  EXPECT_EQ(_pclose(pipe), 0) << output;
  EXPECT_NE(output.find("Folivar\\Books\\" + cleanTitle_ + "\\Ed. 1"), std::string::npos) << output;
  EXPECT_NE(output.find("LastViewedPage"), std::string::npos) << output;
  EXPECT_NE(output.find("REG_SZ"), std::string::npos) << output;
  EXPECT_NE(output.find("17"), std::string::npos) << output;
}

TEST_F(RegistrySettings, MissingKeysAndValuesReadEmpty) {
  EXPECT_EQ(ReadSetting(section_, "LastViewedPage"), "");
  WriteSetting(section_, "Other", "1");
  EXPECT_EQ(ReadSetting(section_, "LastViewedPage"), "");
  EXPECT_EQ(ReadSetting(section_ + "\\Deeper", "Other"), "");
}

TEST_F(RegistrySettings, TheLongestValueAndLonger) {
  const std::string longest(kMaxSettingSize, 'x');
  WriteSetting(section_, "Longest", longest);
  EXPECT_EQ(ReadSetting(section_, "Longest"), longest);
  EXPECT_EQ(Raw(KeyPath(), "Longest").data.size(), 16384u);

  WriteSetting(section_, "Longer", longest + "y");
  EXPECT_EQ(ReadSetting(section_, "Longer"), "");
  // The value is stored; only the read buffer is too small for it.
  EXPECT_EQ(Raw(KeyPath(), "Longer").data.size(), 16385u);
}

TEST_F(RegistrySettings, ValuesRoundTrip) {
  const std::string values[] = {"", "  spaces  ", "\"quoted\"", "a = b", "\xC0\xE1\xFF",
                                "line\r\nbreak"};
  int i = 0;
  for (const std::string& value : values) {
    const std::string name = "v" + std::to_string(i++);
    WriteSetting(section_, name, value);
    EXPECT_EQ(ReadSetting(section_, name), value);
  }
}

TEST_F(RegistrySettings, ValuesOfOtherWriters) {
  // The type is not looked at; the last byte is taken for the terminating zero.
  Put("Number", REG_DWORD, std::string("234\0", 4));
  EXPECT_EQ(ReadSetting(section_, "Number"), "234");
  // A value of no bytes has no zero to drop.
  Put("Nothing", REG_BINARY, "");
  EXPECT_EQ(ReadSetting(section_, "Nothing"), "");
}

}  // namespace
}  // namespace folivar
