// The message box without its window: button layout, the button under the pointer, keys choosing
// buttons through the caption lists, where the box opens, and what it draws on its surface.
#include "display/helplayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(BoxButtons, LaidFromRightToLeft) {
  const std::vector<TBoxButton> buttons = LayOutButtons({"Ok", "Yes", "No"});
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(RectOf(buttons[0]), (TRect{298, 124, 378, 146}));
  EXPECT_EQ(RectOf(buttons[1]), (TRect{212, 124, 292, 146}));
  EXPECT_EQ(RectOf(buttons[2]), (TRect{126, 124, 206, 146}));
  EXPECT_EQ(buttons[2].caption, "No");
  EXPECT_TRUE(LayOutButtons({}).empty());
  // Further buttons go on leftwards, past the box's edge.
  EXPECT_EQ(RectOf(LayOutButtons({"a", "b", "c", "d", "e", "f"})[5]), (TRect{-132, 124, -52, 146}));
}

TEST(BoxButtons, CaptionEndsAtItsFirstColon) {
  EXPECT_EQ(ButtonCaption("Yes:YES:Y"), "Yes");
  EXPECT_EQ(ButtonCaption("Plain"), "Plain");
  EXPECT_EQ(ButtonCaption(":x"), "");
  EXPECT_EQ(ButtonCaption(""), "");
  EXPECT_EQ(LayOutButtons({"Continue:more"})[0].caption, "Continue");
}

TEST(BoxButtons, PointerHitsIncludeBothEdges) {
  const std::vector<TBoxButton> buttons = LayOutButtons({"Ok", "Yes", "No"});
  EXPECT_EQ(ButtonAt(buttons, 298, 124), 0);
  EXPECT_EQ(ButtonAt(buttons, 378, 146), 0);
  EXPECT_EQ(ButtonAt(buttons, 292, 135), 1);
  EXPECT_EQ(ButtonAt(buttons, 126, 146), 2);
  EXPECT_EQ(ButtonAt(buttons, 295, 135), -1);  // between two buttons
  EXPECT_EQ(ButtonAt(buttons, 300, 123), -1);
  EXPECT_EQ(ButtonAt(buttons, 300, 147), -1);
  EXPECT_EQ(ButtonAt(buttons, 379, 130), -1);
  EXPECT_EQ(ButtonAt(buttons, 65535, 135), -1);  // a captured pointer left of the window
  EXPECT_EQ(ButtonAt({}, 300, 130), -1);
  // Where rectangles overlap, the last one wins.
  const std::vector<TBoxButton> overlapping = {{0, 0, 10, 10, "a"}, {5, 5, 20, 20, "b"}};
  EXPECT_EQ(ButtonAt(overlapping, 7, 7), 1);
  EXPECT_EQ(ButtonAt(overlapping, 2, 2), 0);
}

TEST(CaptionLists, KeysWithLists) {
  EXPECT_EQ(CaptionListKey(13), "Enter");
  EXPECT_EQ(CaptionListKey(27), "Esc");
  EXPECT_EQ(CaptionListKey(78), "N");
  EXPECT_EQ(CaptionListKey(89), "Y");
  EXPECT_EQ(CaptionListKey(65), "");
  EXPECT_EQ(CaptionListKey(121), "");  // y in lower case is no virtual key
}

TEST(CaptionLists, NameCaptionsUpperCasedWithAColon) {
  EXPECT_TRUE(CaptionListNames("OK:YES:", "Ok"));
  EXPECT_TRUE(CaptionListNames("OK:YES:", "Yes"));
  EXPECT_TRUE(CaptionListNames("OK:YES:", "yes"));
  EXPECT_TRUE(CaptionListNames("OK: YES:", "YES"));
  EXPECT_FALSE(CaptionListNames("ok:", "Ok"));  // the list itself is taken as it is
  EXPECT_FALSE(CaptionListNames("OK", "Ok"));   // no colon
  EXPECT_FALSE(CaptionListNames("", "Ok"));
  EXPECT_FALSE(CaptionListNames("NO:", "Yes"));
  // Only ASCII letters are upper-cased: a Cyrillic caption must stand in the list as it is shown.
  EXPECT_TRUE(CaptionListNames("\xC4\xC0:", "\xC4\xC0"));
  EXPECT_FALSE(CaptionListNames("\xC4\xC0:", "\xC4\xE0"));
  EXPECT_TRUE(CaptionListNames("\xC4\xE0:", "\xC4\xE0"));
}

TEST(CaptionLists, NameWholeCaptionsOnly) {
  // The tail of a longer word in the list names nothing.
  EXPECT_FALSE(CaptionListNames("OK:", "K"));
  EXPECT_FALSE(CaptionListNames("YES:", "ES"));
  EXPECT_FALSE(CaptionListNames("CANCEL:9OK:", "OK"));
  EXPECT_FALSE(CaptionListNames("\xC4OK:", "OK"));  // after a Cyrillic letter
  EXPECT_TRUE(CaptionListNames("OK: K:", "K"));
  EXPECT_TRUE(CaptionListNames("OK:K:", "K"));
  EXPECT_TRUE(CaptionListNames("[OK:]", "OK"));
  // A list names an empty caption never, whatever colons it holds.
  EXPECT_FALSE(CaptionListNames(":", ""));
  EXPECT_FALSE(CaptionListNames("OK::", ""));
}

TEST(BoxPlace, CentredAcrossAboveTheMiddle) {
  EXPECT_EQ(BoxOrigin(1280, 1024, 390).x, 445);
  EXPECT_EQ(BoxOrigin(1280, 1024, 390).y, 452);
  // Each half truncates on its own.
  EXPECT_EQ(BoxOrigin(1279, 1023, 391).x, 639 - 195);
  EXPECT_EQ(BoxOrigin(1279, 1023, 391).y, 511 - 60);
  EXPECT_EQ(BoxOrigin(0, 0, 390).x, -195);
  EXPECT_EQ(BoxOrigin(0, 0, 390).y, -60);
}

class BoxKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageTable({"WasPresses_enter", "WasPresses_esc", "WasPresses_y", "WasPresses_n", "ok"},
                    {"OK:", "CANCEL:", "YES:OK:", "NO:", "Ok"});
  }
  void TearDown() override { ClearMessageTable(); }
};

TEST_F(BoxKeys, KeyChoosesTheLastButtonItsListNames) {
  THelpBox box("Text", {"Ok", "Yes", "No"});
  EXPECT_EQ(box.Result(), -1);
  EXPECT_TRUE(box.KeyPress(kKeyY));  // names Ok and Yes: the last match wins
  EXPECT_EQ(box.Result(), 1);
  EXPECT_TRUE(box.KeyPress(kKeyN));
  EXPECT_EQ(box.Result(), 2);
  EXPECT_TRUE(box.KeyPress(kKeyEnter));
  EXPECT_EQ(box.Result(), 0);
}

TEST_F(BoxKeys, EscapeNamingNoButtonClosesWithoutAChoice) {
  THelpBox box("Text", {"Ok", "Yes"});
  EXPECT_TRUE(box.KeyPress(kKeyEscape));
  EXPECT_EQ(box.Result(), -1);
}

TEST_F(BoxKeys, UnmatchedYAndOtherKeysLeaveTheBoxOpen) {
  THelpBox box("Question\r\nasked", {"Continue"});
  EXPECT_FALSE(box.KeyPress(kKeyY));
  EXPECT_EQ(box.Result(), -1);
  EXPECT_EQ(box.Text(), "Question\r\nasked");
  EXPECT_EQ(box.Buttons()[0].caption, "Continue");
  EXPECT_FALSE(box.KeyPress(65));
  EXPECT_FALSE(box.KeyPress(kKeyN));
  // A key press forgets an earlier choice.
  EXPECT_TRUE(box.MouseRelease(340, 130));
  EXPECT_EQ(box.Result(), 0);
  EXPECT_FALSE(box.KeyPress(65));
  EXPECT_EQ(box.Result(), -1);
}

TEST_F(BoxKeys, CaptionsAreMatchedAsShown) {
  // "Yes:OK" is shown as Yes, and only Yes is looked for.
  THelpBox box("Text", {"Yes:OK"});
  EXPECT_TRUE(box.KeyPress(kKeyEnter));  // Enter's list names OK only
  EXPECT_EQ(box.Result(), -1);
  EXPECT_TRUE(box.KeyPress(kKeyY));
  EXPECT_EQ(box.Result(), 0);
}

TEST(BoxKeysWithoutTexts, OnlyEnterAndEscapeClose) {
  ClearMessageTable();
  THelpBox box("", {"", ""});
  for (int32_t key : {kKeyY, kKeyN, 65}) {
    EXPECT_FALSE(box.KeyPress(key)) << key;
    EXPECT_EQ(box.Result(), -1);
  }
  EXPECT_TRUE(box.KeyPress(kKeyEnter));
  EXPECT_EQ(box.Result(), -1);
  EXPECT_TRUE(box.KeyPress(kKeyEscape));
  // Empty captions can still be clicked.
  EXPECT_TRUE(box.MouseRelease(250, 130));
  EXPECT_EQ(box.Result(), 1);
}

TEST(BoxMouse, HoverFollowsThePointerAndAReleaseOverAButtonChooses) {
  THelpBox box("Text", {"Ok", "Yes", "No"});
  EXPECT_EQ(box.Hover(), -1);
  box.MouseMove(300, 130);
  EXPECT_EQ(box.Hover(), 0);
  box.MouseMove(250, 146);
  EXPECT_EQ(box.Hover(), 1);
  box.MouseMove(295, 130);
  EXPECT_EQ(box.Hover(), -1);
  box.MouseMove(65535, 65535);
  EXPECT_EQ(box.Hover(), -1);
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
  EXPECT_EQ(device_->calls[1].kind, test::TDeviceCall::kFont);
  EXPECT_EQ(device_->calls[1].font.faceName, "Arial");
  EXPECT_EQ(device_->calls[1].font.height, -13);
  EXPECT_EQ(device_->calls[1].font.weight, 400);
  EXPECT_EQ(device_->calls[1].font.charSet, 1);
  EXPECT_EQ(device_->calls[1].font.italic + device_->calls[1].font.underline, 0);
}

TEST_F(BoxDrawing, TextLinesAndCentredCaptions) {
  THelpBox::PrepareSurface(*surface_);
  THelpBox box("Line one\r\nLine two", {"Ok", "Yes:x"});
  box.Draw(*surface_, background_);
  const std::vector<test::TDeviceCall> writes = device_->Writes();
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[0].text, "Line one");
  EXPECT_EQ(writes[0].x, 20);
  EXPECT_EQ(writes[0].y, 65);
  EXPECT_EQ(writes[1].text, "Line two");
  EXPECT_EQ(writes[1].y, 65 + 13);
  for (int i = 0; i < 2; ++i) {
    const test::TDeviceCall& w = writes[2 + i];
    const TBoxButton& b = box.Buttons()[i];
    EXPECT_EQ(w.text, b.caption);
    const int32_t width = surface_->TextWidth(b.caption);
    EXPECT_EQ(w.x, b.left + (80 - width) / 2) << b.caption;
    EXPECT_EQ(w.y, 124 + (22 - 13) / 2) << b.caption;
    EXPECT_EQ(w.colour, 0u);
  }
  EXPECT_EQ(writes[3].text, "Yes");
  // With the test device "Ok" is 5 + 6 = 11 pixels wide: (80 - 11) / 2 = 34.
  EXPECT_EQ(writes[2].x, 298 + 34);
}

TEST_F(BoxDrawing, AreasAndButtonColours) {
  THelpBox box("", {"Ok", "Yes"});
  box.Draw(*surface_, background_);
  EXPECT_EQ(surface_->PixelAt(5, 5), kPattern);
  EXPECT_EQ(surface_->PixelAt(19, 64), kPattern);
  EXPECT_EQ(surface_->PixelAt(20, 65), 0u);  // the mark of the text's first cell
  EXPECT_EQ(surface_->PixelAt(21, 66), 0x00FFFFFFu);
  EXPECT_EQ(surface_->PixelAt(378, 123), 0x00FFFFFFu);
  EXPECT_EQ(surface_->PixelAt(379, 100), kPattern);
  EXPECT_EQ(surface_->PixelAt(10, 124), 0x00FFFFFFu);
  EXPECT_EQ(surface_->PixelAt(10, 143), 0x00FFFFFFu);
  EXPECT_EQ(surface_->PixelAt(10, 144), kButtonColour);
  EXPECT_EQ(surface_->PixelAt(378, 146), kButtonColour);
  EXPECT_EQ(surface_->PixelAt(9, 130), kPattern);
  EXPECT_EQ(surface_->PixelAt(10, 147), kPattern);
  EXPECT_EQ(surface_->PixelAt(298, 124), kButtonColour);
  EXPECT_EQ(surface_->PixelAt(212, 124), kButtonColour);
  EXPECT_EQ(surface_->PixelAt(211, 124), 0x00FFFFFFu);

  box.MouseMove(250, 130);
  box.Draw(*surface_, background_);
  EXPECT_EQ(surface_->PixelAt(212, 124), kBoxHoverColour);
  EXPECT_EQ(surface_->PixelAt(292, 146), kBoxHoverColour);
  EXPECT_EQ(surface_->PixelAt(298, 124), kButtonColour);
  box.MouseMove(0, 0);
  box.Draw(*surface_, background_);
  EXPECT_EQ(surface_->PixelAt(212, 124), kButtonColour);
}

TEST_F(BoxDrawing, EveryDrawingStartsFromTheBackground) {
  THelpBox::PrepareSurface(*surface_);
  // A text too long for the white area runs past it, unwrapped and uncut...
  const std::string longLine(100, 'W');
  THelpBox long_("First\r" + longLine, {});
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
  THelpBox short_("Short", {});
  short_.Draw(*surface_, background_);
  EXPECT_EQ(surface_->PixelAt(outside, writes[1].y), kPattern);
  EXPECT_EQ(surface_->PixelAt(0, 0), kPattern);
  EXPECT_EQ(surface_->PixelAt(3, 3), kPattern);
}

}  // namespace
}  // namespace folivar
