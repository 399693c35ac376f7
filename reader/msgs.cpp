#include "reader/msgs.h"

#include <cstddef>
#include <utility>

#include "book/loading.h"

namespace folivar {

namespace {

struct TMessageTable {
  TStringList keys, texts, bareKeys;
};

// Lives until the process ends; empty until a book supplies its texts.
TMessageTable& Table() {
  static TMessageTable table;
  return table;
}

std::string BareKey(const std::string& key) {
  const size_t underscore = key.find('_');
  return underscore == std::string::npos ? key : key.substr(underscore + 1);
}

// Index of the first entry equal to s, or list.size().
size_t FindEntry(const TStringList& list, std::string_view s) {
  size_t i = 0;
  while (i < list.size() && list[i] != s) ++i;
  return i;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One left-to-right pass over text; see MessageText in the header.
std::string InsertArguments(const std::string& text, const TStringList& arguments) {
  const size_t count = arguments.size();
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '%' || i + 1 >= text.size() || text[i + 1] < '1' || text[i + 1] > '9') {
      out.push_back(c);
      ++i;
      continue;
    }
    // The longest run of digits after '%' whose value names an argument. The value only grows
    // as digits are added, so the scan stops at the first one that goes beyond the count.
    size_t value = 0, digits = 0, chosen = 0, chosenDigits = 0;
    for (size_t j = i + 1; j < text.size() && IsDigit(text[j]); ++j) {
      value = value * 10 + static_cast<size_t>(text[j] - '0');
      ++digits;
      if (value > count) break;
      chosen = value;
      chosenDigits = digits;
    }
    if (chosenDigits == 0) {
      out.push_back(c);
      ++i;
      continue;
    }
    out += arguments[chosen - 1];
    i += 1 + chosenDigits;
  }
  return out;
}

}  // namespace

void SetMessageTable(TStringList keys, TStringList texts) {
  TMessageTable& table = Table();
  table = {};
  if (keys.size() != texts.size()) return;
  table.keys = std::move(keys);
  table.texts = std::move(texts);
  table.bareKeys.reserve(table.keys.size());
  for (const std::string& key : table.keys) table.bareKeys.push_back(BareKey(key));
}

void LoadMessageTable(const std::string& localeValue) {
  TStringList keys, texts;
  UnpackLocale(localeValue, keys, texts);
  SetMessageTable(std::move(keys), std::move(texts));
}

void ClearMessageTable() { Table() = {}; }

std::string MessageText(std::string_view key, std::string_view context,
                        const TStringList& arguments) {
  const TMessageTable& table = Table();
  const std::string k = LowerCase1251(key);
  const std::string full = context.empty() ? k : std::string(context) + "_" + k;
  size_t at = FindEntry(table.keys, full);
  if (at == table.keys.size()) at = FindEntry(table.bareKeys, k);
  if (at >= table.texts.size()) return {};
  if (arguments.empty()) return table.texts[at];
  return InsertArguments(table.texts[at], arguments);
}

std::string ReaderText(std::string_view key) {
  static constexpr std::pair<std::string_view, std::string_view> kDefaults[] = {
      {"find", "Find"},
      {"findprompt", "Type a word or phrase and press Enter."},
      {"notfound", "The book does not contain this text."},
      {"close", "Close"},
  };
  std::string text = MessageText(key);
  if (!text.empty()) return text;
  const std::string k = LowerCase1251(key);
  for (const auto& [name, english] : kDefaults)
    if (k == name) return std::string(english);
  return text;
}

const TStringList& MessageKeys() { return Table().keys; }
const TStringList& MessageTexts() { return Table().texts; }
const TStringList& MessageBareKeys() { return Table().bareKeys; }

}  // namespace folivar
