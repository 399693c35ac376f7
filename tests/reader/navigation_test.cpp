// The reader's decisions by arithmetic: keys, Space's interval, the scroll bar, links, the shell
// rule, the book information, placement and the window shift.
#include "reader/navigation.h"

#include <gtest/gtest.h>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "display/anchorz.h"

namespace folivar {
namespace {

TEST(Navigation, KeysAndSpace) {
  EXPECT_EQ(KeyAction(8), TKeyAction::kBack);
  EXPECT_EQ(KeyAction(13), TKeyAction::kNextPage);
  EXPECT_EQ(KeyAction(40), TKeyAction::kNextPage);
  EXPECT_EQ(KeyAction(38), TKeyAction::kPreviousPage);
  EXPECT_EQ(KeyAction(36), TKeyAction::kFirstPage);
  EXPECT_EQ(KeyAction(35), TKeyAction::kLastPage);
  EXPECT_EQ(KeyAction(27), TKeyAction::kMinimise);
  EXPECT_EQ(KeyAction(86), TKeyAction::kBuildDate);
  EXPECT_EQ(KeyAction(115), TKeyAction::kQuit);
  EXPECT_EQ(KeyAction(39), TKeyAction::kNextPage);
  EXPECT_EQ(KeyAction(34), TKeyAction::kNextPage);
  EXPECT_EQ(KeyAction(37), TKeyAction::kPreviousPage);
  EXPECT_EQ(KeyAction(33), TKeyAction::kPreviousPage);
  EXPECT_EQ(KeyAction(65), TKeyAction::kNone);
  EXPECT_EQ(KeyAction(114), TKeyAction::kNone);  // F3

  EXPECT_TRUE(SpaceTurns(5, 0));
  EXPECT_FALSE(SpaceTurns(15000, 5001));
  EXPECT_TRUE(SpaceTurns(15001, 5001));
  EXPECT_TRUE(SpaceTurns(100, 0xFFFFD000u));  // across the wrap of the tick count
  EXPECT_FALSE(SpaceTurns(100, 0xFFFFFF00u));
  EXPECT_EQ(std::string(kBuildDateText), "Build date:\r\n  06/02/2004, 11:16:36 PM");
}

TEST(Navigation, ScrollBarPages) {
  const TScrollBar bar{756, 55, 776, 510};  // 455 rows
  EXPECT_EQ(ScrollBarPage(55, bar, 10), 0);
  EXPECT_EQ(ScrollBarPage(55 + 45, bar, 10), 0);   // 45.5 rows a page
  EXPECT_EQ(ScrollBarPage(55 + 46, bar, 10), 1);
  EXPECT_EQ(ScrollBarPage(509, bar, 10), 9);
  EXPECT_EQ(ScrollBarPage(600, bar, 10), 9);  // below the bar: the last page
  EXPECT_EQ(ScrollBarPage(0, bar, 10), 0);    // above it: the first
  EXPECT_EQ(ScrollBarPage(300, bar, 0), 0);
}

TEST(Navigation, LinksAndTheShell) {
  TBookWriter w;
  const auto web = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 10, .link = "https://x.example/"})));
  w.AddAnchor("intro", 3);
  w.AddAnchor("end", 9);
  w.AddPage(EncodePageRecord(-1, {}));
  const std::string image = w.Build();
  TBook book;
  LoadBook(book, std::make_unique<TStrFile>(image));
  EXPECT_EQ(LinkOf(TViewItem('a', web)), "https://x.example/");
  EXPECT_EQ(LinkOf(TViewItem(1, kPageReferenceStyle)), "#end");  // by the anchor's position
  EXPECT_EQ(LinkOf(TViewItem(7, kPageReferenceStyle)), "");      // no such anchor
  EXPECT_EQ(LinkOf(TViewItem('a', 0)), "");

  EXPECT_TRUE(OpensInShell("http://a"));
  EXPECT_TRUE(OpensInShell("HTTPS://a"));
  EXPECT_TRUE(OpensInShell("mailto:someone@x.example"));
  EXPECT_FALSE(OpensInShell("file:///c:/windows/system32/calc.exe"));
  EXPECT_FALSE(OpensInShell("cmd"));
  EXPECT_FALSE(OpensInShell("c:\\windows\\notepad.exe"));
  EXPECT_FALSE(OpensInShell("javascript:alert(1)"));
  EXPECT_FALSE(OpensInShell("http"));
  EXPECT_FALSE(OpensInShell(""));
  ClearAnchors();
  ResetStyles();
}

TEST(Navigation, InformationPlacementAndShift) {
  TBookHeader h;
  h.author = "A";
  h.title = "T";
  h.edition = "2";
  h.publisher = "P";
  EXPECT_EQ(BookInformation(h, "Publisher"), "A\r\nT, ed: 2\r\nPublisher: P");
  h.noAbout = 1;
  EXPECT_EQ(BookInformation(h, ""), "A\r\nT\r\n: P");

  EXPECT_EQ(CentredPosition(1024, 768, 776, 575).x, 124);
  EXPECT_EQ(CentredPosition(1024, 768, 776, 575).y, 97);  // 384 - 287
  EXPECT_EQ(CentredPosition(1025, 769, 389, 575).x, 512 - 194);

  EXPECT_EQ(WindowShift(true, false), 340);
  EXPECT_EQ(WindowShift(false, true), -340);
  EXPECT_EQ(WindowShift(true, true), 0);
  EXPECT_EQ(WindowShift(false, false), 0);
}

TEST(Navigation, PrintedSize) {
  const TPrintSize spread = PrintOutputSize(4800, 6600, 680, 480);
  EXPECT_EQ(spread.width, 4800);
  EXPECT_EQ(spread.height, 3388);  // 4800 / (680 / 480) = 3388.2
  const TPrintSize tall = PrintOutputSize(4800, 3000, 680, 480);
  EXPECT_EQ(tall.width, 4250);
  EXPECT_EQ(tall.height, 3000);
  EXPECT_EQ(PrintOutputSize(100, 100, 0, 480).width, 100);  // a damaged header divides by nothing
}

}  // namespace
}  // namespace folivar
