#include "core/ttable.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <unordered_map>
#include <utility>

namespace folivar {

namespace {

constexpr size_t kInt32Max = static_cast<size_t>(std::numeric_limits<int32_t>::max());

// Little-endian int32 at data[pos]; the caller has checked that four bytes are there.
int32_t PeekInt32(std::string_view data, size_t pos) {
  uint32_t v = 0;
  for (size_t k = 4; k > 0; --k) {
    v = (v << 8) | static_cast<unsigned char>(data[pos + k - 1]);
  }
  return static_cast<int32_t>(v);
}

void AppendInt32(std::string& bytes, size_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) {
    bytes.push_back(static_cast<char>((v >> shift) & 0xFFu));
  }
}

enum class ListRead {
  kComplete,  // every entry read; pos is past the list
  kEmptied,   // the count could not be right; pos is at the end of the data
  kStopped,   // an entry was short; pos is unchanged
};

// Reads one string list starting at data[pos]. Working on an offset lets ReadTable read many
// lists and delete the consumed bytes once, instead of once per column.
ListRead ReadStringsAt(std::string_view data, size_t& pos, TStringList& list) {
  list.clear();
  const size_t left = data.size() - pos;
  if (left < 4) {
    pos = data.size();
    return ListRead::kEmptied;
  }
  const int32_t count = PeekInt32(data, pos);
  // Every entry takes at least one byte of the data, so a count beyond the bytes that follow
  // is damage; a negative count is damage of the same kind.
  if (count < 0 || static_cast<size_t>(count) > left - 4) {
    pos = data.size();
    return ListRead::kEmptied;
  }
  list.resize(static_cast<size_t>(count));
  size_t at = pos + 4;
  for (std::string& entry : list) {
    if (data.size() - at < 4) return ListRead::kStopped;
    const int32_t length = PeekInt32(data, at);
    at += 4;
    if (length < 0 || static_cast<size_t>(length) > data.size() - at) {
      return ListRead::kStopped;
    }
    entry.assign(data.substr(at, static_cast<size_t>(length)));
    at += static_cast<size_t>(length);
  }
  pos = at;
  return ListRead::kComplete;
}

// The int32 fields cannot describe more; a longer list or string is written cut to that size,
// so that what is written always reads back as written.
size_t FieldSize(size_t size) { return size < kInt32Max ? size : kInt32Max; }

int32_t ToInt32(size_t n) { return static_cast<int32_t>(FieldSize(n)); }

// Adds a row named name at the end of every column and returns its index.
size_t AddRow(ttable& table, std::string_view name) {
  TStringList& names = table.storage[0];
  const size_t row = names.size();
  names.emplace_back(name);
  for (size_t c = 1; c < table.storage.size(); ++c) {
    // A damaged table may hold columns shorter than column 0; they are padded so that the new
    // row has a cell in every column.
    if (table.storage[c].size() <= row) table.storage[c].resize(row + 1);
  }
  return row;
}

void StoreValues(ttable& table, size_t row, const TStringList& values) {
  for (size_t k = 0; k < values.size() && k + 1 < table.storage.size(); ++k) {
    TStringList& column = table.storage[k + 1];
    if (column.size() <= row) column.resize(row + 1);
    column[row] = values[k];
  }
}

// The cell (column, row) or the empty string when a damaged table has no such cell.
std::string CellAt(const ttable& table, int32_t column, int32_t row) {
  if (column < 0 || row < 0) return {};
  const auto c = static_cast<size_t>(column);
  const auto r = static_cast<size_t>(row);
  if (c >= table.storage.size() || r >= table.storage[c].size()) return {};
  return table.storage[c][r];
}

}  // namespace

void ReadStrings(std::string& bytes, TStringList& list) {
  size_t pos = 0;
  ReadStringsAt(bytes, pos, list);
  bytes.erase(0, pos);
}

void WriteStrings(std::string& bytes, const TStringList& list) {
  const size_t count = FieldSize(list.size());
  AppendInt32(bytes, count);
  for (size_t i = 0; i < count; ++i) {
    const size_t length = FieldSize(list[i].size());
    AppendInt32(bytes, length);
    bytes.append(list[i], 0, length);
  }
}

void InitTable(ttable& table, std::initializer_list<std::string_view> names) {
  table.columnNames.assign(1, "name");
  for (std::string_view n : names) table.columnNames.emplace_back(n);
  table.storage.assign(table.columnNames.size(), TStringList{});
  table.cursor = -1;
}

void InitTable(ttable& table, const TStringList& names) {
  table.columnNames.assign(1, "name");
  table.columnNames.insert(table.columnNames.end(), names.begin(), names.end());
  table.storage.assign(table.columnNames.size(), TStringList{});
  table.cursor = -1;
}

void ReadTable(std::string& bytes, ttable& table) {
  table.storage.clear();
  size_t pos = 0;
  ReadStringsAt(bytes, pos, table.columnNames);
  if (bytes.size() - pos >= 4) {
    const int32_t count = PeekInt32(bytes, pos);
    pos += 4;
    // Each column needs at least its four count bytes: columns beyond what the rest of the data
    // could hold would read as empty, so they are not stored at all.
    const size_t most = (bytes.size() - pos) / 4;
    const size_t columns = count <= 0 ? 0 : std::min(static_cast<size_t>(count), most);
    table.storage.resize(columns);
    for (TStringList& column : table.storage) {
      // A short entry leaves the data where it was; reading further columns would only copy
      // the same broken list into each of them, so they stay empty.
      if (ReadStringsAt(bytes, pos, column) == ListRead::kStopped) break;
    }
  }
  bytes.erase(0, pos);
  table.cursor = -1;
}

void WriteTable(std::string& bytes, const ttable& table) {
  WriteStrings(bytes, table.columnNames);
  const size_t columns = FieldSize(table.storage.size());
  AppendInt32(bytes, columns);
  for (size_t c = 0; c < columns; ++c) WriteStrings(bytes, table.storage[c]);
}

void ParseTable(std::string_view text, ttable& table) {
  InitTable(table, {"value"});
  std::string unified(text);
  ReplaceAll("\r\n", "\n", unified);
  // Rows by name, so that a long text does not search the whole table once per line. It only
  // speeds up FindRow: the first row of a name is the one that keeps its place.
  std::unordered_map<std::string, size_t> rows;
  auto set = [&](std::string name, std::string value) {
    auto [it, added] = rows.try_emplace(std::move(name), table.storage[0].size());
    if (added) AddRow(table, it->first);
    table.storage[1][it->second] = std::move(value);
  };
  int64_t comments = 0;
  for (std::string& line : Split(unified, "\n")) {
    std::string rest = line;
    std::string name = Trim(SplitFirst(rest, "="));
    if (!name.empty() && (name[0] == '#' || name[0] == ';')) {
      set("#" + IntToText(comments), std::move(line));
      ++comments;
      continue;
    }
    std::string value = Unquote(Trim(rest));
    if (!value.empty()) set(Unquote(name), std::move(value));
  }
}

int32_t FindRow(const ttable& table, std::string_view name) {
  if (table.storage.empty()) return -1;
  const TStringList& names = table.storage[0];
  const size_t rows = std::min(names.size(), kInt32Max);
  for (size_t r = 0; r < rows; ++r) {
    if (names[r] == name) return static_cast<int32_t>(r);
  }
  return -1;
}

std::string GetCell(const ttable& table, std::string_view name, int32_t column) {
  const int32_t row = FindRow(table, name);
  if (row < 0) return {};
  return CellAt(table, column, row);
}

std::string GetValue(const ttable& table, std::string_view name) {
  return GetCell(table, name, 1);
}

void SetValues(ttable& table, std::string_view name, const TStringList& values) {
  if (table.storage.empty()) InitTable(table, values);
  const int32_t found = FindRow(table, name);
  const size_t row = found >= 0 ? static_cast<size_t>(found) : AddRow(table, name);
  StoreValues(table, row, values);
}

void SetValue(ttable& table, std::string_view name, std::string_view value) {
  SetValues(table, name, TStringList{std::string(value)});
}

int32_t RowCount(const ttable& table) {
  if (table.storage.empty()) return 0;
  return ToInt32(table.storage[0].size());
}

void ResetCursor(ttable& table) { table.cursor = -1; }

bool MoveNext(ttable& table) {
  // Stops counting at the top of the range so that calls past the end never overflow.
  if (table.cursor < std::numeric_limits<int32_t>::max()) ++table.cursor;
  return table.cursor >= 0 && table.cursor < RowCount(table);
}

// Only rows count: a damaged table may hold cells below its last row in column 1, and the
// cursor left after a walk must not show them.
std::string CurrentName(const ttable& table) {
  return table.cursor < RowCount(table) ? CellAt(table, 0, table.cursor) : std::string();
}

std::string CurrentValue(const ttable& table) {
  return table.cursor < RowCount(table) ? CellAt(table, 1, table.cursor) : std::string();
}

}  // namespace folivar
