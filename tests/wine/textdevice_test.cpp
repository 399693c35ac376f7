// The GDI text device on a view's DIB section, and its agreement with the native device: for
// every code page 1251 character the advance that GDI gives must be the one the native device
// gives (written by the host tool folivar-fontmetrics into FOLIVAR_NATIVE_FONT_METRICS), and so
// must the ascent and descent, so that a book lays out alike in both builds.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "display/Views.h"
#include "display/textdevice.h"
#include "platform/win32/viewdc.h"

namespace folivar {
namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;

TLogFont Font(const std::string& face, int32_t height, int32_t weight = 400) {
  return {.height = height, .weight = weight, .faceName = face};
}

std::vector<uint32_t> Pixels(const tview& v) {
  return std::vector<uint32_t>(v.Bits(), v.Bits() + size_t{v.Width()} * v.Height());
}

struct TNativeMetrics {
  int32_t ascent = 0, descent = 0;
  std::vector<int32_t> advances;  // 0x20 .. 0xFF
};
using TFontKey = std::tuple<std::string, int32_t, int32_t>;  // face, height, weight

// FACE|HEIGHT|WEIGHT|ASCENT DESCENT|A20 ... AFF, one font a line.
std::map<TFontKey, TNativeMetrics> ReadNativeMetrics() {
  std::map<TFontKey, TNativeMetrics> table;
  std::ifstream in(FOLIVAR_NATIVE_FONT_METRICS);
  std::string face, rest;
  while (std::getline(in, face, '|') && std::getline(in, rest)) {
    std::replace(rest.begin(), rest.end(), '|', ' ');
    std::istringstream numbers(rest);
    int32_t height = 0, weight = 0;
    TNativeMetrics m;
    numbers >> height >> weight >> m.ascent >> m.descent;
    for (int32_t a = 0; numbers >> a;) m.advances.push_back(a);
    table[{face, height, weight}] = m;
  }
  return table;
}

// A view with a device context and a GDI device on it.
struct TCanvas {
  TCanvas(uint32_t width, uint32_t height, const TLogFont& font) : view(width, height, true) {
    view.Fill(kWhite);
    device = CreateTextDevice(view);
    device->SelectFont(font);
    device->SetTextColour(0);
  }
  tview view;
  std::unique_ptr<TTextDevice> device;
};

TEST(GdiNativeAgreementTest, EveryAdvanceAscentAndDescent) {
  const std::map<TFontKey, TNativeMetrics> native = ReadNativeMetrics();
  TCanvas c(8, 8, Font("Arial", -13));
  int compared = 0;
  for (const char* face : {"Arial", "Times New Roman"}) {
    for (int32_t height : {-13, -16}) {  // 10 and 12 points
      for (int32_t weight : {400, 700}) {
        const auto it = native.find({face, height, weight});
        ASSERT_NE(it, native.end()) << "no native metrics for " << face << " " << height << " "
                                    << weight << " in " << FOLIVAR_NATIVE_FONT_METRICS;
        const TNativeMetrics& n = it->second;
        ASSERT_EQ(n.advances.size(), 224u);
        c.device->SelectFont(Font(face, height, weight));
        int32_t ascent = 0, descent = 0;
        c.device->GetAscentDescent(ascent, descent);
        std::ostringstream differing;
        std::string all;
        int32_t sum = 0;
        // 0x98 has no character: both devices measure U+0098, which the fonts lack, as the
        // font's missing glyph.
        for (int code = 0x20; code <= 0xFF; ++code) {
          const std::string one(1, static_cast<char>(code));
          const TTextExtent e = c.device->MeasureText(one);
          EXPECT_EQ(e.cy, ascent + descent);
          if (e.cx != n.advances[code - 0x20])
            differing << " 0x" << std::hex << code << std::dec << ": GDI " << e.cx << ", native "
                      << n.advances[code - 0x20] << ";";
          all += one;
          sum += e.cx;
        }
        SCOPED_TRACE(testing::Message() << face << " " << height << " " << weight);
        EXPECT_EQ(ascent, n.ascent);
        EXPECT_EQ(descent, n.descent);
        EXPECT_EQ(differing.str(), "");
        EXPECT_EQ(c.device->MeasureText(all).cx, sum);
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 8);
}

// Code page 1251 goes through the wide calls: Cyrillic letters measure and draw as their
// Unicode selves under a Western and a Cyrillic system code page alike.
TEST(GdiTextDeviceTest, CyrillicWhateverTheAnsiCodePage) {
  TCanvas c(60, 30, Font("Arial", -16)), gdi(60, 30, Font("Arial", -16));
  HDC dc = ViewDC(gdi.view);
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32W(dc, L"\x0416\x0451", 2, &size));
  EXPECT_EQ(c.device->MeasureText("\xC6\xB8").cx, size.cx);
  c.device->WriteText(3, 3, "\xC6\xB8");
  TextOutW(dc, 3, 3, L"\x0416\x0451", 2);
  GdiFlush();
  EXPECT_EQ(Pixels(c.view), Pixels(gdi.view));
  EXPECT_NE(Pixels(c.view), std::vector<uint32_t>(60 * 30, kWhite));
}

// The text colour is a COLORREF; the cell's top-left is where the text is written, on a
// transparent background.
TEST(GdiTextDeviceTest, WritesInTheCellInTheTextColour) {
  TCanvas c(200, 60, Font("Arial", -16, 700));
  c.view.Fill(0x00406080);
  c.device->SetTextColour(0x000000FF);  // red
  const TTextExtent e = c.device->MeasureText("Hlg\xD8");
  c.device->WriteText(20, 10, "Hlg\xD8");
  EXPECT_EQ(GetBkMode(ViewDC(c.view)), TRANSPARENT);
  int red = 0;
  for (uint32_t y = 0; y < c.view.Height(); ++y) {
    for (uint32_t x = 0; x < c.view.Width(); ++x) {
      if (c.view.At(x, y) == 0x00406080) continue;
      EXPECT_TRUE(x + 2 >= 20 && x <= 20 + uint32_t(e.cx) + 1 && y >= 10 && y < 10 + uint32_t(e.cy))
          << x << "," << y;
      if (c.view.At(x, y) == 0x00FF0000) ++red;
    }
  }
  EXPECT_GT(red, 20);
  EXPECT_EQ(c.view.At(20, 10), 0x00406080u);  // the cell's corner: background
}

TEST(GdiTextDeviceTest, WriteRunPlacesEachCharacterByTheAdvances) {
  TCanvas run(200, 40, Font("Times New Roman", -16)), single(200, 40, Font("Times New Roman", -16));
  const int32_t advances[] = {40, 25, 0};
  run.device->WriteRun(10, 8, "ab\xC6", advances);
  single.device->WriteText(10, 8, "a");
  single.device->WriteText(50, 8, "b");
  single.device->WriteText(75, 8, "\xC6");
  EXPECT_EQ(Pixels(run.view), Pixels(single.view));
  EXPECT_NE(Pixels(run.view), std::vector<uint32_t>(200 * 40, kWhite));
}

TEST(GdiTextDeviceTest, FontsAreGivenBack) {
  tview view(16, 16, true);
  HDC dc = ViewDC(view);
  ASSERT_NE(dc, nullptr);
  HGDIOBJ original = GetCurrentObject(dc, OBJ_FONT);
  {
    auto device = CreateTextDevice(view);
    // More fonts than a process may hold handles: each switch deletes the font before it.
    for (int i = 0; i < 12000; ++i) device->SelectFont(Font(i % 2 ? "Arial" : "Times New Roman", -13));
    EXPECT_GT(device->MeasureText("abc").cx, 0);
    EXPECT_NE(GetCurrentObject(dc, OBJ_FONT), original);
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), original);
}

TEST(GdiTextDeviceTest, AViewWithoutADeviceContextIsLeftAlone) {
  tview memory(20, 20, false);
  memory.Fill(kWhite);
  auto device = CreateTextDevice(memory);
  ASSERT_NE(device, nullptr);
  device->SelectFont(Font("Arial", -16));
  device->WriteText(0, 0, "abc");
  const int32_t advances[] = {5, 5, 5};
  device->WriteRun(0, 0, "abc", advances);
  EXPECT_EQ(device->MeasureText("abc").cx, 0);
  EXPECT_EQ(Pixels(memory), std::vector<uint32_t>(400, kWhite));
  tview empty;
  EXPECT_NE(CreateTextDevice(empty), nullptr);
}

}  // namespace
}  // namespace folivar
