// The item boxes found again after drawing lie where drawing marked each item in the item map,
// for every alignment, justified spaces, fixed spaces, page references and pictures.
#include "reader/itemboxes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/paraclasses.h"
#include "book/pictureencode.h"
#include "core/myclasses.h"
#include "display/anchorz.h"
#include "display/class2d.h"
#include "display/drawing.h"
#include "images/imageclass.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

TEST(ItemBoxes, LieWhereDrawingMarkedTheItems) {
  // Every item is clickable, so that the item map shows where drawing put each one.
  TBookWriter w;
  const auto link = static_cast<uint16_t>(
      w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12, .link = "#a"})));
  const auto picture = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 2, .link = "#a"})));
  std::vector<uint32_t> pixels(size_t{25} * 10, 0xFFFFFF);
  const auto number = static_cast<uint16_t>(
      w.AddPicture(10, PackedPictureRecord(25, 10, PackRawPixels(pixels.data(), 25, 10))));
  w.AddAnchor("a", 7);
  const int32_t anchor = 0;  // the first anchor
  w.AddPage(EncodePageRecord(-1, {}));
  std::string image = w.Build();
  TBook book;
  LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
  test::TTestTextDevice* device = nullptr;
  std::unique_ptr<TSurface> surface = test::MakeTestSurface(300, 200, device);
  surface->SetItemMap(std::make_unique<T2D>(300, 200));
  surface->ItemMap()->Clear();
  SetCurrentSurface(surface.get());

  TPage page;
  for (const uint8_t alignment : {kAlignLeft, kAlignCentre, kAlignRight, kJustify}) {
    auto line = std::make_unique<TLine>(alignment);
    line->height = 16;
    line->ascent = 12;
    line->descent = 4;
    line->leftIndent = 3;
    line->rightIndent = 5;
    for (char c : std::string("ab c d"))
      line->items.emplace_back(static_cast<uint8_t>(c), link);
    line->items.emplace_back(kFixedSpace, link);
    line->items.emplace_back(static_cast<uint16_t>(anchor), kPageReferenceStyle);
    line->items.emplace_back(number, picture);
    line->items.emplace_back(static_cast<uint8_t>('e'), link);
    page.lines.push_back(std::move(line));
  }
  const TPageFrame frame{10, 5, 250, 200 - 100};
  DrawPage(frame.left, frame.top, &page, frame.width, 100);
  const std::vector<TItemBox> boxes = PageItemBoxes(page, frame);

  ASSERT_EQ(boxes.size(), 4u * 10);
  for (const TItemBox& box : boxes) {
    const TLine& line = *page.lines[static_cast<size_t>(box.line)];
    const TViewItem* item = &line.items[static_cast<size_t>(box.item)];
    EXPECT_EQ(box.top, line.top);
    EXPECT_EQ(box.bottom, line.top + 15);
    if (box.right < box.left) continue;  // nothing drawn
    const int32_t y = line.top + line.ascent - 1;
    EXPECT_EQ(surface->ItemMap()->ItemAt(box.left, y), item) << box.line << " " << box.item;
    EXPECT_EQ(surface->ItemMap()->ItemAt(box.right, y), item) << box.line << " " << box.item;
  }
  // A page whose lines do not all fit has boxes for those drawn only.
  EXPECT_EQ(PageItemBoxes(page, {10, 5, 250, 5 + 16 * 2}).size(), 2u * 10);

  SetCurrentSurface(nullptr);
  FreeImages();
  ClearAnchors();
  ResetStyles();
}

}  // namespace
}  // namespace folivar
