// Reading pandoc's JSON tree: the parts of its blocks, inlines and attributes, and the questions
// the importer asks of them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace folivar::bookimport {

using nlohmann::json;
using TLines = std::vector<std::string>;

// The type ("Para", "Str"), the contents ("c", an empty array when there is none) and an element
// of an array (an empty array past its end) of a tree node; a string, or empty.
std::string Type(const json& x);
const json& C(const json& x);
const json& At(const json& x, size_t i);
std::string Str(const json& x);

// Pandoc's Attr: [id, [classes], [[key, value]]]. A class, or the value of any attribute (EPUB's
// epub:type, HTML's role with or without "doc-").
std::string AttrId(const json& attr);
bool HasClass(const json& attr, const std::string& name);
// The Attr of a block or inline that has one, else null.
const json* AttrOf(const json& x);

bool IsSpace(const json& in);  // Space or SoftBreak
// Whether an id names a file of an EPUB ("ch002.xhtml").
bool IsFileName(const std::string& id);
// pandoc's EPUB reader marks where each file of the book begins: Para [Span (file, [], []) []].
// The file's id, or empty for any other block.
std::string FileMarker(const json& b);
// The one picture of a paragraph that holds nothing else, or null.
const json* LonePicture(const json& b);
bool ContainsHeader(const json& blocks);
// Whether a block holds text to set (a heading's or paragraph's words, a list, a table, code).
bool HoldsText(const json& b);
// A paragraph's inlines split at its line breaks.
std::vector<json> SplitLines(const json& inlines);
// A paragraph of asterisks alone ("* * *", "***", "⁂"), or of other such signs: a scene break.
bool IsDinkus(const std::string& text);

std::string TrimSpaces(const std::string& s);

// One item of the book in reading order after the sections are opened: a block, the start of a
// file of an EPUB, an anchor of an opened section, or the place of the table of contents.
struct TItem {
  enum Kind { kBlock, kFile, kAnchor, kContents } kind = kBlock;
  const json* block = nullptr;
  std::string id;  // kFile, kAnchor: the raw id; kContents: its title
};

}  // namespace folivar::bookimport
