// The message box without its window: button layout, the button under the pointer, keys choosing
// buttons through the caption lists, where the box opens, and what it draws on its surface.
#include "display/helplayout.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/codepage.h"
#include "display/Views.h"
#include "display/surfaces.h"
#include "reader/msgs.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

struct TRect {
  int32_t left, top, right, bottom;
  bool operator==(const TRect&) const = default;
};

TRect RectOf(const TBoxButton& b) { return {b.left, b.top, b.right, b.bottom}; }

TEST(BoxButtons, LaidFromRightToLeftWithTheCaptionBeforeTheFirstColon) {
  const std::vector<TBoxButton> buttons = LayOutButtons({u"Ok", u"Yes:YES:Y", u"No"});
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(RectOf(buttons[0]), (TRect{298, 124, 378, 146}));
  EXPECT_EQ(RectOf(buttons[1]), (TRect{212, 124, 292, 146}));
  EXPECT_EQ(RectOf(buttons[2]), (TRect{126, 124, 206, 146}));
  EXPECT_EQ(buttons[1].caption, u"Yes");
  EXPECT_TRUE(LayOutButtons({}).empty());
  // Further buttons go on leftwards, past the box's edge.
  EXPECT_EQ(RectOf(LayOutButtons({u"a", u"b", u"c", u"d", u"e", u"f"})[5]), (TRect{-132, 124, -52, 146}));
  for (const auto& [caption, shown] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"Plain", u"Plain"}, {u":x", u""}, {u"", u""}})
    EXPECT_EQ(ButtonCaption(caption), shown) << Utf16ToUtf8(caption);
}

TEST(BoxButtons, PointerHitsIncludeBothEdges) {
  const std::vector<TBoxButton> buttons = LayOutButtons({u"Ok", u"Yes", u"No"});
  struct Case {
    int32_t x, y, button;
  };
  const Case cases[] = {
      {298, 124, 0}, {378, 146, 0}, {292, 135, 1}, {126, 146, 2},
      {295, 135, -1},  // between two buttons
      {300, 123, -1}, {300, 147, -1}, {379, 130, -1},
      {65535, 135, -1},  // a captured pointer left of the window
  };
  for (const Case& c : cases) EXPECT_EQ(ButtonAt(buttons, c.x, c.y), c.button) << c.x << "," << c.y;
  EXPECT_EQ(ButtonAt({}, 300, 130), -1);
  // Where rectangles overlap, the last one wins.
  const std::vector<TBoxButton> overlapping = {{0, 0, 10, 10, u"a"}, {5, 5, 20, 20, u"b"}};
  EXPECT_EQ(ButtonAt(overlapping, 7, 7), 1);
  EXPECT_EQ(ButtonAt(overlapping, 2, 2), 0);
}

TEST(CaptionLists, KeysWithLists) {
  const std::pair<int32_t, const char*> cases[] = {
      {13, "Enter"}, {27, "Esc"}, {78, "N"}, {89, "Y"}, {65, ""},
      {121, ""}};  // y in lower case is no virtual key
  for (const auto& [key, list] : cases) EXPECT_EQ(CaptionListKey(key), list) << key;
}

TEST(CaptionLists, NameWholeCaptionsUpperCasedWithAColon) {
  struct Case {
    const char16_t* list;
    const char16_t* caption;
    bool names;
  };
  const Case cases[] = {
      {u"OK:YES:", u"Ok", true}, {u"OK:YES:", u"yes", true}, {u"OK: YES:", u"YES", true},
      {u"ok:", u"Ok", false},  // the list itself is taken as it is
      {u"OK", u"Ok", false},   // no colon
      {u"", u"Ok", false}, {u"NO:", u"Yes", false},
      // Only ASCII letters are upper-cased: a Cyrillic caption must stand in the list as shown.
      {u"\u0414\u0410:", u"\u0414\u0410", true}, {u"\u0414\u0410:", u"\u0414\u0430", false},
      // The tail of a longer word in the list names nothing; punctuation and symbols end words.
      {u"OK:", u"K", false}, {u"CANCEL:9OK:", u"OK", false}, {u"\u0414OK:", u"OK", false},
      {u"\u00E9OK:", u"OK", false}, {u"\u03A9OK:", u"OK", false}, {u"\u00D7OK:", u"OK", true},
      {u"\u201EOK:", u"OK", true}, {u"\uFFFDOK:", u"OK", true}, {u"\xD800OK:", u"OK", true},
      {u"OK: K:", u"K", true}, {u"OK:K:", u"K", true}, {u"[OK:]", u"OK", true},
      // A list names an empty caption never, whatever colons it holds.
      {u":", u"", false}, {u"OK::", u"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CaptionListNames(c.list, c.caption), c.names)
        << Utf16ToUtf8(c.list) << " / " << Utf16ToUtf8(c.caption);
}

TEST(BoxPlace, CentredAcrossAboveTheMiddle) {
  EXPECT_EQ(BoxOrigin(1280, 1024, 390).x, 445);
  EXPECT_EQ(BoxOrigin(1280, 1024, 390).y, 452);
  // Each half truncates on its own.
  EXPECT_EQ(BoxOrigin(1279, 1023, 391).x, 639 - 195);
  EXPECT_EQ(BoxOrigin(1279, 1023, 391).y, 511 - 60);
}

class BoxKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageTable({"WasPresses_enter", "WasPresses_esc", "WasPresses_y", "WasPresses_n", "ok"},
                    {"OK:", "CANCEL:", "YES:OK:", "NO:", "Ok"});
  }
  void TearDown() override { ClearMessageTable(); }
};

// Each row presses its keys in turn on a new box; a key closes the box when KeyPress says so,
// and the result is the button chosen (-1 for none).
TEST_F(BoxKeys, KeysChooseTheLastButtonTheirListNames) {
  struct Press {
    int32_t key;
    bool closes;
    int32_t result;
  };
  struct Case {
    const char* what;
    TBoxTexts captions;
    std::vector<Press> presses;
  };
  const Case cases[] = {
      {"Y names Ok and Yes: the last match wins", {u"Ok", u"Yes", u"No"},
       {{kKeyY, true, 1}, {kKeyN, true, 2}, {kKeyEnter, true, 0}}},
      {"Escape naming no button closes without a choice", {u"Ok", u"Yes"}, {{kKeyEscape, true, -1}}},
      {"unmatched keys leave the box open", {u"Continue"},
       {{kKeyY, false, -1}, {65, false, -1}, {kKeyN, false, -1}}},
      // "Yes:OK" is shown as Yes, and only Yes is looked for.
      {"captions are matched as shown", {u"Yes:OK"}, {{kKeyEnter, true, -1}, {kKeyY, true, 0}}},
  };
  for (const Case& c : cases) {
    THelpBox box(u"Text", c.captions);
    for (const Press& p : c.presses) {
      EXPECT_EQ(box.KeyPress(p.key), p.closes) << c.what << ", key " << p.key;
      EXPECT_EQ(box.Result(), p.result) << c.what << ", key " << p.key;
    }
  }
  // A key press forgets an earlier choice.
  THelpBox box(u"Text", {u"Continue"});
  EXPECT_TRUE(box.MouseRelease(340, 130));
  EXPECT_EQ(box.Result(), 0);
  EXPECT_FALSE(box.KeyPress(65));
  EXPECT_EQ(box.Result(), -1);
}

TEST(BoxKeysWithoutTexts, OnlyEnterAndEscapeClose) {
  ClearMessageTable();
  THelpBox box(u"", {u"", u""});
  for (int32_t key : {kKeyY, kKeyN, 65}) EXPECT_FALSE(box.KeyPress(key)) << key;
  EXPECT_TRUE(box.KeyPress(kKeyEnter));
  EXPECT_TRUE(box.KeyPress(kKeyEscape));
  EXPECT_EQ(box.Result(), -1);
  // Empty captions can still be clicked.
  EXPECT_TRUE(box.MouseRelease(250, 130));
  EXPECT_EQ(box.Result(), 1);
}

TEST(BoxMouse, HoverFollowsThePointerAndAReleaseOverAButtonChooses) {
  THelpBox box(u"Text", {u"Ok", u"Yes", u"No"});
  EXPECT_EQ(box.Hover(), -1);
  const std::tuple<int32_t, int32_t, int32_t> moves[] = {
      {300, 130, 0}, {250, 146, 1}, {295, 130, -1}, {65535, 65535, -1}};
  for (const auto& [x, y, hover] : moves) {
    box.MouseMove(x, y);
    EXPECT_EQ(box.Hover(), hover) << x << "," << y;
  }
  EXPECT_FALSE(box.MouseRelease(295, 130));  // outside every button: stays open
  EXPECT_FALSE(box.MouseRelease(20, 70));
  EXPECT_EQ(box.Result(), -1);
  EXPECT_TRUE(box.MouseRelease(150, 140));
  EXPECT_EQ(box.Result(), 2);
}

class BoxDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    background_.Fill(kPattern);
    background_.At(12, 12) = kButtonColour;
    surface_ = test::MakeTestSurface(390, 158, device_);
  }

  static constexpr uint32_t kPattern = 0x00123456;
  static constexpr uint32_t kButtonColour = 0x00ABCDEF;
  tview background_{390, 158};
  std::unique_ptr<TSurface> surface_;
  test::TTestTextDevice* device_ = nullptr;
};

TEST_F(BoxDrawing, SurfaceGetsTheBoxFontAndColours) {
  surface_->keyColour = 0x00000102;
  THelpBox::PrepareSurface(*surface_);
  EXPECT_EQ(surface_->keyColour, 0x00FFFFFFu);
  ASSERT_EQ(device_->calls.size(), 2u);
  EXPECT_EQ(device_->calls[0].kind, test::TDeviceCall::kColour);
  EXPECT_EQ(device_->calls[0].colour, 0u);
  const TLogFont& f = device_->calls[1].font;
  EXPECT_TRUE(f.faceName == "Arial" && f.height == -13 && f.weight == 400 && f.charSet == 1 &&
              f.italic + f.underline + f.strikeOut == 0);
}

TEST_F(BoxDrawing, TextLinesAndCentredCaptions) {
  THelpBox::PrepareSurface(*surface_);
  THelpBox box(u"Line one\r\nLine two", {u"Ok", u"Yes:x"});
  box.Draw(*surface_, background_);
  const std::vector<test::TDeviceCall> writes = device_->Writes();
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[0].text, u"Line one");
  EXPECT_EQ(writes[0].x, 20);
  EXPECT_EQ(writes[0].y, 65);
  EXPECT_EQ(writes[1].text, u"Line two");
  EXPECT_EQ(writes[1].y, 65 + 13);
  for (int i = 0; i < 2; ++i) {
    const test::TDeviceCall& w = writes[2 + i];
    const TBoxButton& b = box.Buttons()[i];
    EXPECT_EQ(w.text, b.caption);
    const int32_t width = surface_->TextWidth(b.caption);
    EXPECT_EQ(w.x, b.left + (80 - width) / 2) << Utf16ToUtf8(b.caption);
    EXPECT_EQ(w.y, 124 + (22 - 13) / 2) << Utf16ToUtf8(b.caption);
    EXPECT_EQ(w.colour, 0u);
  }
  EXPECT_EQ(writes[3].text, u"Yes");
  // With the test device "Ok" is 5 + 6 = 11 pixels wide: (80 - 11) / 2 = 34.
  EXPECT_EQ(writes[2].x, 298 + 34);
}

TEST_F(BoxDrawing, AreasAndButtonColours) {
  THelpBox box(u"", {u"Ok", u"Yes"});
  const auto expect = [&](std::initializer_list<std::tuple<int32_t, int32_t, uint32_t>> pixels) {
    box.Draw(*surface_, background_);
    for (const auto& [x, y, colour] : pixels) EXPECT_EQ(surface_->PixelAt(x, y), colour) << x << "," << y;
  };
  constexpr uint32_t kWhite = 0x00FFFFFF;
  expect({{5, 5, kPattern}, {19, 64, kPattern}, {20, 65, 0u},  // the mark of the text's first cell
          {21, 66, kWhite}, {378, 123, kWhite}, {379, 100, kPattern}, {10, 124, kWhite},
          {10, 143, kWhite}, {10, 144, kButtonColour}, {378, 146, kButtonColour},
          {9, 130, kPattern}, {10, 147, kPattern}, {298, 124, kButtonColour},
          {212, 124, kButtonColour}, {211, 124, kWhite}});
  box.MouseMove(250, 130);
  expect({{212, 124, kBoxHoverColour}, {292, 146, kBoxHoverColour}, {298, 124, kButtonColour}});
  box.MouseMove(0, 0);
  expect({{212, 124, kButtonColour}});
}

TEST_F(BoxDrawing, EveryDrawingStartsFromTheBackground) {
  THelpBox::PrepareSurface(*surface_);
  // A text too long for the white area runs past it, unwrapped and uncut...
  const std::u16string longLine(100, u'W');
  THelpBox long_(u"First\r" + longLine, {});
  long_.Draw(*surface_, background_);
  const std::vector<test::TDeviceCall> writes = device_->Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[1].text, longLine);
  int32_t outside = -1;  // a cell mark right of the white area
  for (int32_t x = 379; x < 390; ++x)
    if (surface_->PixelAt(x, writes[1].y) == 0u) outside = x;
  ASSERT_GE(outside, 0);
  surface_->FillRect(0, 0, 3, 3, 0x00FF0000);
  // ...and the next drawing on the same surface shows none of it.
  THelpBox short_(u"Short", {});
  short_.Draw(*surface_, background_);
  EXPECT_EQ(surface_->PixelAt(outside, writes[1].y), kPattern);
  EXPECT_EQ(surface_->PixelAt(0, 0), kPattern);
  EXPECT_EQ(surface_->PixelAt(3, 3), kPattern);
}

}  // namespace
}  // namespace folivar
