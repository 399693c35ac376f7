// The reader's search: an index of the book's whole text, made on the first search by decoding
// every page once, and the finding of a phrase in it forwards and backwards.
//
// The index holds the text folded for comparison, one UTF-16 code unit for each character the
// page text shows (book/pagetext.h), and for each the item it came from, book-wide numbered:
// about 6 bytes a character. A line end, and so a page end, counts as a space; a word that the
// compiler hyphenated at a line end is one word again, across a page end too. Runs of spaces
// compare as one space, in the text and in what is looked for.
//
// Comparison (FoldForSearch): case never matters, in any script (simple case folding, one
// character for one). Accents and other combining marks over Latin and Greek letters are ignored
// ("cafe" finds "café", "αθηνα" finds "Αθηνά"), as are the stress marks written as combining
// accents in Cyrillic texts. In Cyrillic only "ё" is taken as "е", the way Russian is printed and
// typed, while "й" stays a letter of its own ("мой" does not find "мои").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "book/pagetext.h"

namespace folivar {

class TBook;

// The character that c is compared as; 0 for a character that comparison leaves out (a combining
// accent).
char16_t FoldForSearch(char16_t c);

// A place where the phrase was found.
struct TSearchHit {
  int32_t page = 0;  // the page of the first item found
  size_t start = 0;  // in the index's text
  size_t length = 0;
  bool wrapped = false;           // found only after going round the book's end (or start)
  std::vector<TItemPlace> items;  // the items the match covers, in order, each once
};

class TSearchIndex {
 public:
  // Reads the text of every page of book, each decoded once from its source into a page of its
  // own (the book's decoded pages are not touched), on up to four threads that only read the
  // book's tables. A page that cannot be read adds no text.
  void Build(TBook& book);
  bool Built() const { return built_; }
  // Forgets the text, for another book.
  void Clear();

  // The first match of query starting at or after from, going round to the book's start when
  // there is none up to its end; nothing when query is nowhere (or holds no character that is
  // compared).
  std::optional<TSearchHit> FindNext(std::u16string_view query, size_t from) const;
  // The last match starting before before, going round from the book's end when there is none.
  std::optional<TSearchHit> FindPrevious(std::u16string_view query, size_t before) const;
  // Where the text of page begins in the index (the text's length for a page beyond the last
  // text): a search from a page shown starts here, the next one at a hit's start + 1, the
  // previous one before a hit's start.
  size_t PageStart(int32_t page) const;

  // What the index holds, for the measures.
  size_t TextLength() const { return text_.size(); }
  size_t MemoryBytes() const;

 private:
  void AddLine(const TTextLine& line);
  void AddSpace(uint32_t ordinal);
  std::u16string Fold(std::u16string_view query) const;
  TSearchHit Hit(size_t start, size_t length, bool wrapped) const;
  TItemPlace PlaceOf(uint32_t ordinal) const;

  bool built_ = false;
  std::u16string text_;
  // For each code unit of text_, the book-wide number of its item; a space that stands for a
  // line end has kNoItem set, over the number of the item before it.
  std::vector<uint32_t> ordinals_;
  std::vector<uint32_t> lineStarts_;  // the number of each line's first item, book-wide
  std::vector<uint32_t> pageLines_;   // the index of each page's first line in lineStarts_
  uint32_t items_ = 0;                // the number of items of the book's pages read
};

}  // namespace folivar
