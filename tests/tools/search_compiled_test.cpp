// The search over a book made by the compiler: a Russian paragraph set in a narrow column, so that
// the compiler hyphenates its long words and its paragraphs run over page ends, is found every
// time, whatever the case, with "е" for "ё", and each match covers exactly its letters' items.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "book/bookclass.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "book/search.h"
#include "core/codepage.h"
#include "tests/support/testsupport.h"
#include "tools/make/compiler.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;

constexpr int kParagraphs = 30;
const char* const kParagraph = "Программирование книжных страниц ещё требует терпения.";

TEST(SearchCompiled, FindsEveryParagraphOverHyphensAndPageEnds) {
  const fs::path dir = fs::path(test::TempDir()) / "search-source";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "book.toml")
      << "language = \"ru\"\ntitle = \"Поиск\"\nchapters = [\"a.md\"]\n[page]\nwidth = 180\n";
  std::string text = "# Глава";
  for (int i = 0; i < kParagraphs; ++i) text += "\n\n" + std::string(kParagraph);
  std::ofstream(dir / "a.md") << text;
  TBook book;
  LoadBook(book, OpenBookImage(test::WriteTempFile("search.bin", make::CompileBook(dir.string()))));

  TSearchIndex index;
  index.Build(book);
  const std::u16string query = u"ПРОГРАММИРОВАНИЕ книжных   страниц еще требует терпения";
  std::u16string letters;
  for (char16_t c : query) {
    if (c != u' ') letters += FoldForSearch(c);
  }
  int found = 0, hyphenated = 0, overPages = 0;
  std::set<int32_t> pages;
  for (auto hit = index.FindNext(query, 0); hit && !hit->wrapped;
       hit = index.FindNext(query, hit->start + 1)) {
    ++found;
    std::u16string covered;
    std::set<int32_t> hitPages;
    for (const TItemPlace& p : hit->items) {
      TPage& page = *book.pages[static_cast<size_t>(p.page)];
      if (page.unloaded) page.DecodePage(&book.substitute, *book.source);
      const char16_t c = ItemCodeUnit(
          page.lines[static_cast<size_t>(p.line)]->items[static_cast<size_t>(p.item)].Code(), BookEncoding());
      if (c != u' ') covered += FoldForSearch(c);
      hitPages.insert(p.page);
    }
    EXPECT_EQ(covered, letters) << "match " << found;
    EXPECT_EQ(hit->page, *hitPages.begin());
    // A word hyphenated at a line end: two items of one word on two lines, without a space between.
    for (size_t i = 1; i < hit->items.size(); ++i) {
      const TItemPlace& a = hit->items[i - 1];
      const TItemPlace& b = hit->items[i];
      hyphenated +=
          (a.line != b.line || a.page != b.page) && b.item == 0 && a.item > 0 &&
          book.pages[static_cast<size_t>(a.page)]->lines[static_cast<size_t>(a.line)]->items.size() >
              static_cast<size_t>(a.item) + 2;
    }
    overPages += hitPages.size() > 1;
    pages.insert(hit->page);
  }
  EXPECT_EQ(found, kParagraphs);
  EXPECT_GT(hyphenated, 0);
  EXPECT_GT(overPages, 0);
  EXPECT_GT(pages.size(), 2u);
}

}  // namespace
}  // namespace folivar
