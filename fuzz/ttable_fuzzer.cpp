// Feeds arbitrary bytes to both forms of ttable: the binary form as a damaged book would hold it,
// and the text form as a settings text or page-turn description would. Besides staying inside
// its data, every table must survive WriteTable -> ReadTable unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/strutil.h"
#include "core/ttable.h"

namespace {

using folivar::ttable;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Looks up, walks and edits the table the way the reader does.
void Exercise(ttable& table, std::string_view probe) {
  const int32_t rows = folivar::RowCount(table);
  int32_t visited = 0;
  folivar::ResetCursor(table);
  while (folivar::MoveNext(table)) {
    const std::string name = folivar::CurrentName(table);
    (void)folivar::CurrentValue(table);
    // The first row of a name is at or before every row that carries it.
    const int32_t found = folivar::FindRow(table, name);
    Check(found >= 0 && found <= visited);
    ++visited;
  }
  Check(visited == rows);
  Check(folivar::CurrentName(table).empty() && folivar::CurrentValue(table).empty());

  (void)folivar::GetValue(table, probe);
  for (int32_t column = -1; column <= static_cast<int32_t>(table.storage.size()); ++column) {
    (void)folivar::GetCell(table, probe, column);
  }
  folivar::SetValue(table, probe, "v");
  Check(folivar::FindRow(table, probe) >= 0);
  if (table.storage.size() > 1) Check(folivar::GetValue(table, probe) == "v");
}

// Any table, damaged or not, must come back from its binary form as it went in.
void CheckRoundTrip(const ttable& table) {
  std::string bytes;
  folivar::WriteTable(bytes, table);
  ttable back;
  folivar::ReadTable(bytes, back);
  Check(bytes.empty());
  Check(back.columnNames == table.columnNames);
  Check(back.storage == table.storage);
  Check(back.cursor == -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // A short name to look up, taken from the front so that it often matches a row.
  const std::string_view probe = std::string_view(input).substr(0, size < 3 ? size : 3);

  {
    std::string bytes = input;
    ttable table;
    folivar::ReadTable(bytes, table);
    Check(bytes.size() <= size);
    Check(table.cursor == -1);
    // Nothing read may be larger than the data it came from.
    Check(table.storage.size() <= size / 4 + 1);
    for (const folivar::TStringList& column : table.storage) Check(column.size() <= size);
    CheckRoundTrip(table);
    Exercise(table, probe);
    CheckRoundTrip(table);
  }

  {
    ttable table;
    folivar::ParseTable(input, table);
    Check(table.columnNames == (folivar::TStringList{"name", "value"}));
    Check(table.storage.size() == 2 && table.storage[0].size() == table.storage[1].size());
    for (size_t r = 0; r < table.storage[0].size(); ++r) {
      // Every row of a parsed text has a value and a name of its own.
      Check(!table.storage[1][r].empty());
      Check(folivar::FindRow(table, table.storage[0][r]) == static_cast<int32_t>(r));
    }
    CheckRoundTrip(table);
    Exercise(table, probe);
    CheckRoundTrip(table);
  }

  {
    // The Horspool search against the library's plain search, pattern from the front.
    const size_t cut = size == 0 ? 0 : data[0] % 8;
    const std::string_view view(input);
    const std::string_view pattern = view.substr(cut < size ? 1 : 0, cut);
    const std::string_view text = view.substr(cut < size ? cut + 1 : size);
    const int32_t found = folivar::FindText(text, 1, pattern);
    const size_t plain = text.find(pattern);
    if (pattern.empty() || text.empty() || plain == std::string_view::npos) {
      Check(found == 0);
    } else {
      Check(found == static_cast<int32_t>(plain + 1));
    }
  }
  return 0;
}
