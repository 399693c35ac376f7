// String lists and ttable: the small column store of strings, addressed by row name, that holds
// the book's property table, the settings text and the page-turn description. Both have a binary
// form (as stored in the book image) and the table has a text form of "name = value" lines.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/strutil.h"

namespace folivar {

// Reads a string list from the front of bytes and deletes what was read. Never fails: a count
// larger than the bytes that follow empties bytes and gives an empty list; a short entry stops the
// read, leaves the remaining entries empty and leaves bytes untouched.
void ReadStrings(std::string& bytes, TStringList& list);
// Appends the binary form (int32 count, then length-prefixed strings) of list to bytes.
void WriteStrings(std::string& bytes, const TStringList& list);

struct ttable {
  int32_t cursor = -1;                 // row for MoveNext/CurrentName/CurrentValue; -1 = before
  std::vector<TStringList> storage;    // columns; cell (c, r) is storage[c][r]
  TStringList columnNames;             // column 0 is "name"
};

// Column names become "name" followed by names; one empty column per name.
void InitTable(ttable& table, std::initializer_list<std::string_view> names);
void InitTable(ttable& table, const TStringList& names);

// Reads the binary form from the front of bytes (deleting what was read); cursor ends at -1.
void ReadTable(std::string& bytes, ttable& table);
// Appends the binary form of table to bytes.
void WriteTable(std::string& bytes, const ttable& table);
// Fills table from its text form (lines of name = value; comments kept as rows "#0", "#1", ...).
void ParseTable(std::string_view text, ttable& table);

int32_t FindRow(const ttable& table, std::string_view name);
std::string GetCell(const ttable& table, std::string_view name, int32_t column);
std::string GetValue(const ttable& table, std::string_view name);
void SetValues(ttable& table, std::string_view name, const TStringList& values);
void SetValue(ttable& table, std::string_view name, std::string_view value);
int32_t RowCount(const ttable& table);

void ResetCursor(ttable& table);
bool MoveNext(ttable& table);
std::string CurrentName(const ttable& table);
std::string CurrentValue(const ttable& table);

}  // namespace folivar
