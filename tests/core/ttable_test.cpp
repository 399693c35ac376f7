#include "core/ttable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace folivar {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// Little-endian int32 as it appears in the binary forms.
std::string Le32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}

// A length-prefixed string.
std::string Str(std::string_view s) { return Le32(static_cast<int32_t>(s.size())) + std::string(s); }

std::string ListBytes(const TStringList& list) {
  std::string out;
  WriteStrings(out, list);
  return out;
}

ttable MakeTable(TStringList names, std::vector<TStringList> columns) {
  ttable t;
  t.columnNames = std::move(names);
  t.storage = std::move(columns);
  return t;
}

// A table of one value column holding the given rows.
ttable ValueTable(std::initializer_list<std::pair<const char*, const char*>> rows) {
  ttable t;
  InitTable(t, {"value"});
  for (const auto& [name, value] : rows) SetValue(t, name, value);
  return t;
}

struct Row {
  std::string name, value;
  bool operator==(const Row&) const = default;
};

// All rows in walk order, as the callers see them.
std::vector<Row> Walk(ttable& t) {
  std::vector<Row> rows;
  ResetCursor(t);
  while (MoveNext(t)) rows.push_back({CurrentName(t), CurrentValue(t)});
  return rows;
}

// ---- string lists ----

TEST(ReadStringsTest, DamagedAndEdgeInputs) {
  // left: the bytes after the read.
  struct Case { const char* what; std::string in; TStringList list; std::string left; } const cases[] = {
      {"empty", "", {}, ""}, {"short count", "\x01\x00\x00"s, {}, ""},
      {"zero count", Le32(0) + "xy", {}, "xy"}, {"negative count", Le32(-1) + Str("a") + "tail", {}, ""},
      {"count beyond data", Le32(5) + "abcd", {}, ""}, {"huge count", Le32(0x7FFFFFFF) + Str("a"), {}, ""},
      // count 4 with four bytes after it: allowed by the count check, stops at entry 2.
      {"count equals remaining", Le32(4) + Le32(0), {"", "", "", ""}, Le32(4) + Le32(0)},
      {"entry longer than data", Le32(1) + Le32(5) + "abc", {""}, Le32(1) + Le32(5) + "abc"},
      {"negative entry length", Le32(1) + Le32(-1) + "abc", {""}, Le32(1) + Le32(-1) + "abc"},
      {"half a length", Le32(1) + "\x01\x00"s, {""}, Le32(1) + "\x01\x00"s},
      {"complete with tail", Le32(2) + Str("ab") + Str("c") + "tail", {"ab", "c"}, "tail"},
  };
  for (const Case& c : cases) {
    std::string bytes = c.in;
    TStringList list = {"stale"};  // whatever was there goes
    ReadStrings(bytes, list);
    EXPECT_EQ(list, c.list) << c.what;
    EXPECT_EQ(bytes, c.left) << c.what;
  }
}

// ---- building and looking up ----

TEST(TableTest, SetValueAddsRowsInOrderAndOverwrites) {
  ttable t = ValueTable({{"b", "1"}, {"a", "2"}, {"b", "3"}});  // existing name: same row, new value
  EXPECT_EQ(RowCount(t), 2);
  EXPECT_EQ(FindRow(t, "a"), 1);
  EXPECT_EQ(FindRow(t, "B"), -1);  // case-sensitive
  EXPECT_EQ(GetValue(t, "c"), "");
  EXPECT_EQ(Walk(t), (std::vector<Row>{{"b", "3"}, {"a", "2"}}));
  // Of two rows with one name, the first is the one found.
  t = MakeTable({"name", "value"}, {{"k", "x", "k"}, {"first", "mid", "second"}});
  EXPECT_EQ(GetValue(t, "k"), "first");
  SetValue(t, "k", "new");
  EXPECT_EQ(t.storage[1], (TStringList{"new", "mid", "second"}));
}

TEST(TableTest, SetValuesFillsColumnsInOrderAndDropsExtras) {
  ttable t;
  SetValues(t, "row", {"x", "y"});  // no columns yet: named after the values
  EXPECT_EQ(t.columnNames, (TStringList{"name", "x", "y"}));
  EXPECT_EQ(t.storage, (std::vector<TStringList>{{"row"}, {"x"}, {"y"}}));

  InitTable(t, {"a", "b"});
  SetValues(t, "r", {"1", "2", "3", "4"});
  EXPECT_EQ(t.storage, (std::vector<TStringList>{{"r"}, {"1"}, {"2"}}));
  SetValues(t, "r", {"5"});  // fewer values: later columns keep theirs
  EXPECT_EQ(GetCell(t, "r", 1), "5");
  EXPECT_EQ(GetCell(t, "r", 2), "2");
  SetValues(t, "s", {});
  EXPECT_EQ(t.storage, (std::vector<TStringList>{{"r", "s"}, {"5", ""}, {"2", ""}}));
}

TEST(TableTest, GetCellOutsideTheColumns) {
  const ttable t = ValueTable({{"a", "1"}});
  EXPECT_EQ(GetCell(t, "a", 0), "a");
  for (int32_t column : {2, -1, INT32_MAX, INT32_MIN}) EXPECT_EQ(GetCell(t, "a", column), "") << column;
  EXPECT_EQ(GetCell(t, "missing", 1), "");
}

// A table read from a damaged book may hold columns of different lengths.
TEST(TableTest, UnevenColumnsAreReadAndWrittenSafely) {
  ttable t = MakeTable({"name", "value"}, {{"a", "b", "c"}, {"1"}});
  EXPECT_EQ(RowCount(t), 3);
  EXPECT_EQ(Walk(t), (std::vector<Row>{{"a", "1"}, {"b", ""}, {"c", ""}}));
  SetValue(t, "c", "3");  // an existing row past the end of column 1
  SetValue(t, "d", "4");
  EXPECT_EQ(t.storage[1], (TStringList{"1", "", "3", "4"}));

  ttable onlyNames = MakeTable({"name"}, {{"a"}});
  SetValue(onlyNames, "a", "dropped");
  EXPECT_EQ(onlyNames.storage.size(), 1u);
  EXPECT_EQ(Walk(onlyNames), (std::vector<Row>{{"a", ""}}));

  ttable longValues = MakeTable({"name", "value"}, {{"a"}, {"1", "2", "3"}});
  EXPECT_EQ(Walk(longValues), (std::vector<Row>{{"a", "1"}}));
  EXPECT_EQ(CurrentValue(longValues), "");  // the cell below the last row is not a row
}

TEST(CursorTest, WalkEndsAndStaysEnded) {
  ttable empty;  // no columns at all
  EXPECT_EQ(FindRow(empty, ""), -1);
  EXPECT_EQ(GetValue(empty, "a"), "");
  EXPECT_EQ(Walk(empty), std::vector<Row>{});
  EXPECT_EQ(CurrentValue(empty), "");
  ttable t = ValueTable({{"x", "1"}, {"y", "2"}});
  EXPECT_EQ(Walk(t), (std::vector<Row>{{"x", "1"}, {"y", "2"}}));
  for (int32_t cursor : {RowCount(t), INT32_MAX, -100}) {  // far past the end: no overflow, still done
    t.cursor = cursor;
    EXPECT_FALSE(MoveNext(t)) << cursor;
    EXPECT_EQ(CurrentName(t), "") << cursor;
  }
}

// ---- text form ----

TEST(ParseTableTest, NameValueLines) {
  struct Case { const char* what; std::string_view text; std::vector<Row> rows; } const cases[] = {
      {"the usual mix", "a = 1\r\n#x\r\nb=\r\nc = 'q'", {{"a", "1"}, {"#0", "#x"}, {"c", "q"}}},
      {"empty name", "=5", {{"", "5"}}}, {"empty text", "", {}},
      {"LF only", "a=1\nb=2\n", {{"a", "1"}, {"b", "2"}}}, {"trailing CR LF", "a=1\r\n", {{"a", "1"}}},
      {"no equals sign", "a\nb 2", {}}, {"value keeps inner =", "k = a=b", {{"k", "a=b"}}},
      {"only spaces after =", "a =   ", {}}, {"quotes around nothing", "k=''", {}},
      {"quoted name and value", "\"my key\" = ' spaced '", {{"my key", " spaced "}}},
      {"later equal name overwrites", "a=1\nb=2\na=3", {{"a", "3"}, {"b", "2"}}},
      {"comments keep the whole line",
       "  # one = 1 \n;two\n#", {{"#0", "  # one = 1 "}, {"#1", ";two"}, {"#2", "#"}}},
      {"comment only by its name", "x=#1\n'#q'=2", {{"x", "#1"}, {"#q", "2"}}},
  };
  for (const Case& c : cases) {
    ttable t;
    ParseTable(c.text, t);
    EXPECT_EQ(t.columnNames, (TStringList{"name", "value"})) << c.what;
    EXPECT_EQ(Walk(t), c.rows) << c.what;
  }
}

TEST(ParseTableTest, ReplacesWhatWasThere) {
  ttable t = MakeTable({"name", "a", "b"}, {{"old"}, {"1"}, {"2"}});
  t.cursor = 0;
  ParseTable("new=1", t);
  EXPECT_EQ(t.cursor, -1);
  EXPECT_EQ(t.storage, (std::vector<TStringList>{{"new"}, {"1"}}));
}

// ---- binary form ----

TEST(TableBinaryTest, WriteTableAppendsItsLayout) {
  const ttable t = ValueTable({{"k", "v"}});
  std::string bytes = "head";
  WriteTable(bytes, t);
  EXPECT_EQ(bytes, "head" + Le32(2) + Str("name") + Str("value")  // column names
                       + Le32(2)                                   // column count
                       + Le32(1) + Str("k")                        // column 0
                       + Le32(1) + Str("v"));                      // column 1
}

// Through both binary forms: the table's and, for its names and columns, the string lists'.
TEST(TableBinaryTest, RoundTrips) {
  const ttable tables[] = {
      {},
      MakeTable({"name", "x", "y"}, {{"r1", "r2", ""}, {"1", "\x00\xFF"s, ""}, {"2", "", "z"}}),
      MakeTable({"name", "value"}, {{"a", "b"}, {"1"}}),  // uneven
      MakeTable({}, {{}, {}, {}}),                        // no names, empty lists
      MakeTable({"name", "value"}, {}),                   // no columns
      MakeTable({"\x00\x01\xFF"s, "with spaces ", ""},
                {{std::string(1000, 'x'), "", std::string(300, '\0')}, TStringList(500, "ab"), {""}}),
  };
  for (const ttable& t : tables) {
    std::string bytes;
    WriteTable(bytes, t);
    bytes += "after";
    ttable back;
    back.cursor = 3;
    back.storage = {{"stale"}};
    ReadTable(bytes, back);
    EXPECT_EQ(back.columnNames, t.columnNames);
    EXPECT_EQ(back.storage, t.storage);
    EXPECT_EQ(back.cursor, -1);
    EXPECT_EQ(bytes, "after");
  }
}

TEST(TableBinaryTest, DamagedInputs) {
  struct Case { const char* what; std::string in; TStringList columnNames;
    std::vector<TStringList> storage; std::string left; } const cases[] = {
      {"empty", "", {}, {}, ""},
      // Too few bytes for a column count: they are left where they are.
      {"names without a column count", ListBytes({"name"}) + "\x02\x00"s, {"name"}, {},
       "\x02\x00"s},
      {"negative column count", ListBytes({"name"}) + Le32(-3) + "tail", {"name"}, {}, "tail"},
      {"zero column count", ListBytes({"name"}) + Le32(0) + "tail", {"name"}, {}, "tail"},
      // The count asks for far more columns than the 8 bytes after it could hold: at most two
      // are stored, and both read as empty lists.
      {"huge column count", ListBytes({"name"}) + Le32(0x7FFFFFFF) + Le32(0) + Le32(0),
       {"name"}, {{}, {}}, ""},
      // Three columns announced, one present: the nine bytes left hold at most two columns, and
      // the second reads as empty.
      {"columns missing", ListBytes({"name", "value"}) + Le32(3) + ListBytes({"k"}),
       {"name", "value"}, {{"k"}, {}}, ""},
      // Column 0 is cut inside its second entry: it keeps what it read, the column after it is
      // left empty, and the bytes of the broken column stay unread.
      {"column cut short", ListBytes({"name", "value"}) + Le32(2) + Le32(2) + Str("a") + Le32(9) + "bc",
       {"name", "value"}, {{"a", ""}, {}}, Le32(2) + Str("a") + Le32(9) + "bc"},
      // The names stop at their second entry and leave their bytes in place, so the column
      // count is read from the names' own count (2); the five bytes after it hold one column,
      // which stops at its first entry.
      {"names cut short", "\x02\x00\x00\x00\x01\x00\x00\x00\x61"s, {"a", ""}, {{""}},
       "\x01\x00\x00\x00\x61"s},
      // A column whose count is beyond the data empties the rest.
      {"column count beyond data", ListBytes({"name"}) + Le32(2) + Le32(100) + "abcdefgh",
       {"name"}, {{}, {}}, ""},
  };
  for (const Case& c : cases) {
    std::string bytes = c.in;
    ttable t;
    t.cursor = 7;
    ReadTable(bytes, t);
    EXPECT_EQ(t.columnNames, c.columnNames) << c.what;
    EXPECT_EQ(t.storage, c.storage) << c.what;
    EXPECT_EQ(bytes, c.left) << c.what;
    EXPECT_EQ(t.cursor, -1) << c.what;
  }
}

}  // namespace
}  // namespace folivar
