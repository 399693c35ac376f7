// The message texts: every text the reader shows in its boxes, the captions of their buttons and
// the print job's name. They travel in the book as the property "locale", so the reader speaks
// the book's language and carries no texts of its own.
#pragma once

#include <string>
#include <string_view>

#include "core/strutil.h"

namespace folivar {

// Replaces the table with the texts of a "locale" value; a missing, empty or damaged value
// leaves it empty (every text empty).
void LoadMessageTable(const std::string& localeValue);
void ClearMessageTable();

// The text of key: the key is lower-cased (A-Z and the code page 1251 capitals), looked up as
// context + "_" + key when a context is given, then among the bare keys (a key without what
// precedes its first "_"). "%N" in the text is replaced by arguments[N - 1]. Empty when not found.
std::string MessageText(std::string_view key, std::string_view context = {},
                        const TStringList& arguments = {});

}  // namespace folivar
