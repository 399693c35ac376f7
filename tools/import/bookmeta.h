// The metadata of pandoc's tree as book.toml's title, author, publisher, edition and language.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace folivar::bookimport {

// The plain text of inlines (pandoc's [Inline]): words, spaces, the text of every markup.
std::string InlinesText(const nlohmann::json& inlines);

// The plain text of blocks (paragraphs, headings, quotations, lists, code), their parts by spaces.
std::string BlocksText(const nlohmann::json& blocks);

// The plain text of a metadata value (MetaString, MetaInlines, MetaBlocks, MetaList joined by
// ", "); empty for anything else.
std::string MetaText(const nlohmann::json& value);

// "en-US" -> "en", "ru_RU" -> "ru", "FR" -> "fr"; empty for pandoc's "C" default and for nothing.
std::string LanguageCode(const std::string& lang);

// "A", "A and B", "A, B and C", with the language's word for "and".
std::string JoinNames(const std::vector<std::string>& names, const std::string& language);

// A header text of at most max bytes: cut at the last space that leaves room for an ellipsis,
// never inside a character. Unchanged when it fits.
std::string ShortenAtWord(const std::string& text, size_t max);

// The opening and closing marks of a quotation in the language (double, or single when inner).
struct TQuoteMarks {
  std::string open, close;
};
TQuoteMarks QuoteMarks(const std::string& language, bool single);

struct TBookMeta {
  std::string title, author, publisher, edition, language;
};

// Reads pandoc's "meta". Warnings (a missing title, a shortened one) are appended to warnings.
TBookMeta ReadBookMeta(const nlohmann::json& meta, const std::string& fileStem,
                       std::vector<std::string>& warnings);

}  // namespace folivar::bookimport
