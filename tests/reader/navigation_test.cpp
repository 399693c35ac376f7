// The reader's decisions by arithmetic: keys, Space's interval, the scroll bar, links, the shell
// rule, the book information, placement and the window shift.
#include "reader/navigation.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "display/anchorz.h"

namespace folivar {
namespace {

TEST(Navigation, KeysAndSpace) {
  using A = TKeyAction;
  const std::pair<int32_t, TKeyAction> keys[] = {
      {8, A::kBack},          {13, A::kNextPage},      {40, A::kNextPage},   {39, A::kNextPage},
      {34, A::kNextPage},     {38, A::kPreviousPage},  {37, A::kPreviousPage},
      {33, A::kPreviousPage}, {36, A::kFirstPage},     {35, A::kLastPage},   {27, A::kMinimise},
      {86, A::kBuildDate},    {115, A::kQuit},         {32, A::kSpaceNextPage},
      {65, A::kNone},         {114, A::kNone},  // F3
  };
  for (const auto& [key, action] : keys) EXPECT_EQ(KeyAction(key), action) << key;

  EXPECT_TRUE(SpaceTurns(5, 0));
  EXPECT_FALSE(SpaceTurns(15000, 5001));
  EXPECT_TRUE(SpaceTurns(15001, 5001));
  EXPECT_TRUE(SpaceTurns(100, 0xFFFFD000u));  // across the wrap of the tick count
  EXPECT_FALSE(SpaceTurns(100, 0xFFFFFF00u));
  EXPECT_EQ(std::string(kBuildDateText), "Build date:\r\n  06/02/2004, 11:16:36 PM");
}

TEST(Navigation, KeysTheKeyboardRepeats) {
  struct Step {
    bool down;
    int32_t key;
    bool repeated;  // for a press
  };
  const Step steps[] = {
      {true, 40, false}, {true, 40, true},  {true, 40, true},  {false, 40, false},
      {true, 40, false},  // pressed again after its release
      {true, 38, false}, {false, 40, false}, {true, 38, true},  // another key's release
      {true, 40, false}, {true, 38, false},                      // another key between
  };
  TKeyRepeat keys;
  int i = 0;
  for (const Step& s : steps) {
    if (s.down) {
      EXPECT_EQ(keys.Press(s.key), s.repeated) << "step " << i;
    } else {
      keys.Release(s.key);
    }
    ++i;
  }
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

  for (const char* link : {"http://a", "HTTPS://a", "mailto:someone@x.example"}) {
    EXPECT_TRUE(OpensInShell(link)) << link;
  }
  for (const char* link : {"file:///c:/windows/system32/calc.exe", "cmd", "c:\\windows\\notepad.exe",
                           "javascript:alert(1)", "http", ""}) {
    EXPECT_FALSE(OpensInShell(link)) << link;
  }
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

  const TPosition centred = CentredPosition(1024, 768, 776, 575);
  EXPECT_EQ(std::vector<int32_t>({centred.x, centred.y}), std::vector<int32_t>({124, 384 - 287}));
  EXPECT_EQ(CentredPosition(1025, 769, 389, 575).x, 512 - 194);

  EXPECT_EQ(std::vector<int32_t>({WindowShift(true, false), WindowShift(false, true),
                                  WindowShift(true, true), WindowShift(false, false)}),
            std::vector<int32_t>({340, -340, 0, 0}));
}

TEST(Navigation, PrintedSize) {
  auto size = [](int32_t w, int32_t h) {
    const TPrintSize s = PrintOutputSize(w, h, 680, 480);
    return std::vector<int32_t>{s.width, s.height};
  };
  EXPECT_EQ(size(4800, 6600), std::vector<int32_t>({4800, 3388}));  // 4800 / (680 / 480) = 3388.2
  EXPECT_EQ(size(4800, 3000), std::vector<int32_t>({4250, 3000}));  // too wide: the height rules
  EXPECT_EQ(PrintOutputSize(100, 100, 0, 480).width, 100);  // a damaged header divides by nothing
}

}  // namespace
}  // namespace folivar
