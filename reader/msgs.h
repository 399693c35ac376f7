// The message-text table: every text the reader shows in its message boxes, the captions of their
// buttons and the print job's name. The table comes from the book's "locale" property, so the
// reader speaks the book's language and carries no texts of its own. Main thread only.
#pragma once

#include <string>
#include <string_view>

#include "core/strutil.h"

namespace folivar {

// Replaces the table with the lists packed in a "locale" value (one bzip2 stream holding the key
// list and the text list). A missing, empty or damaged value, or lists of uneven length, leave the
// table empty, so that every text is empty.
void LoadMessageTable(const std::string& localeValue);
// Replaces the table with lists that were already unpacked (as the loader does for the book);
// lists of uneven length leave it empty.
void SetMessageTable(TStringList keys, TStringList texts);
void ClearMessageTable();

// The text of key. The key is lower-cased (ASCII and code page 1251 capitals); the context keeps
// its case. The table is searched first for context + "_" + key (or the key alone without a
// context), then for the key among the bare keys (table keys without their part up to the first
// "_"). A key that is not found gives the empty text.
//
// Each "%N" in the text (N = 1, 2, ... up to the number of arguments, in decimal) becomes
// argument N. The text is read once from left to right and the longest number that names an
// argument wins, so "%10" is argument 10 when there are ten arguments and argument 1 followed by
// "0" when there are fewer. Inserted arguments are not searched again.
std::string MessageText(std::string_view key, std::string_view context = {},
                        const TStringList& arguments = {});

// MessageText for the texts of the find box: "find", "findprompt", "notfound" and "close" have
// English defaults here, used when the book's table has no text for them (a book made before
// the reader could search). Other keys are MessageText's.
std::string ReaderText(std::string_view key);

// The table as loaded, for the tools and the tests.
const TStringList& MessageKeys();
const TStringList& MessageTexts();
const TStringList& MessageBareKeys();

}  // namespace folivar
