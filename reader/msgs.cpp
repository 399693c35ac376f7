#include "reader/msgs.h"

#include "book/loading.h"

namespace folivar {

namespace {

struct TMessageTable {
  TStringList keys, texts, bareKeys;
};

TMessageTable& Table() {
  static TMessageTable table;
  return table;
}

std::string BareKey(const std::string& key) {
  const size_t underscore = key.find('_');
  return underscore == std::string::npos ? key : key.substr(underscore + 1);
}

int32_t Find(const TStringList& list, std::string_view key) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == key) return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace

void LoadMessageTable(const std::string& localeValue) {
  TMessageTable& table = Table();
  UnpackLocale(localeValue, table.keys, table.texts);
  table.bareKeys.clear();
  for (const std::string& key : table.keys) table.bareKeys.push_back(BareKey(key));
}

void ClearMessageTable() { Table() = TMessageTable(); }

std::string MessageText(std::string_view key, std::string_view context,
                        const TStringList& arguments) {
  const TMessageTable& table = Table();
  const std::string k = LowerCase1251(key);
  const std::string full = context.empty() ? k : std::string(context) + "_" + k;
  int32_t found = Find(table.keys, full);
  if (found < 0) found = Find(table.bareKeys, k);
  if (found < 0) return {};
  const std::string& text = table.texts[static_cast<size_t>(found)];
  if (arguments.empty()) return text;
  // One pass over the text, so that "%1" never eats the start of "%10" and an argument that
  // itself holds "%2" is not replaced again.
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      size_t end = i + 1;
      size_t number = 0;
      while (end < text.size() && text[end] >= '0' && text[end] <= '9' && number <= arguments.size()) {
        number = number * 10 + static_cast<size_t>(text[end] - '0');
        ++end;
      }
      // The longest number that names an argument wins: "%12" with three arguments is "%1", "2".
      while (number > arguments.size() && end > i + 2) {
        --end;
        number /= 10;
      }
      if (number >= 1 && number <= arguments.size()) {
        out += arguments[number - 1];
        i = end - 1;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace folivar
