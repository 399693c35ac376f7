// The GDI text device on a view's DIB section, and its agreement with the native device: for
// every code page 1251 character and a few UTF-16 code units beyond it the advance that GDI gives
// must be the one the native device gives (written by the host tool folivar-fontmetrics into
// FOLIVAR_NATIVE_FONT_METRICS), and so must the ascent and descent, so that a book lays out alike
// in both builds.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/codepage.h"
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
  std::vector<int32_t> advances;  // 0x20 .. 0xFF, then kBeyondCp1251
};

// As folivar-fontmetrics measures them after code page 1251: Latin and Greek letters, a
// surrogate and a noncharacter (both the missing glyph).
constexpr std::u16string_view kBeyondCp1251 =
    u"\u00E9\u00EA\u00DF\u0142\u0105\u03B1\u03C9\u03A9\xD800\xFFFF";
using TFontKey = std::tuple<std::string, int32_t, int32_t>;  // face, height, weight

// FACE|HEIGHT|WEIGHT|ASCENT DESCENT|A20 ... AFF|beyond, one font a line.
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
        ASSERT_EQ(n.advances.size(), 224u + kBeyondCp1251.size());
        c.device->SelectFont(Font(face, height, weight));
        int32_t ascent = 0, descent = 0;
        c.device->GetAscentDescent(ascent, descent);
        std::ostringstream differing;
        std::u16string all;
        int32_t sum = 0;
        // 0x98 has no character: both devices measure U+0098, which the fonts lack, as the
        // font's missing glyph.
        for (int code = 0x20; code < 0x100 + static_cast<int>(kBeyondCp1251.size()); ++code) {
          const std::u16string one = code < 0x100
              ? Cp1251ToUtf16(std::string(1, static_cast<char>(code)))
              : std::u16string(1, kBeyondCp1251[static_cast<size_t>(code - 0x100)]);
          const TTextExtent e = c.device->MeasureText(one);
          EXPECT_EQ(e.cy, ascent + descent);
          if (e.cx != n.advances[static_cast<size_t>(code - 0x20)])
            differing << " U+" << std::hex << int{one[0]} << std::dec << ": GDI " << e.cx
                      << ", native " << n.advances[static_cast<size_t>(code - 0x20)] << ";";
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

// UTF-16 goes to the wide calls as it is: Cyrillic, Latin and Greek letters measure and draw as
// themselves under a Western and a Cyrillic system code page alike.
TEST(GdiTextDeviceTest, UnicodeWhateverTheAnsiCodePage) {
  for (const std::u16string_view text : {std::u16string_view(u"\u0416\u0451"),
           std::u16string_view(u"\u00E9\u0142\u00DF\u03B1\u03C9")}) {
    TCanvas c(90, 30, Font("Arial", -16)), gdi(90, 30, Font("Arial", -16));
    HDC dc = ViewDC(gdi.view);
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(dc, wide, static_cast<int>(text.size()), &size));
    EXPECT_EQ(c.device->MeasureText(text).cx, size.cx);
    c.device->WriteText(3, 3, text);
    TextOutW(dc, 3, 3, wide, static_cast<int>(text.size()));
    GdiFlush();
    EXPECT_EQ(Pixels(c.view), Pixels(gdi.view));
    EXPECT_NE(Pixels(c.view), std::vector<uint32_t>(90 * 30, kWhite));
  }
}

// The text colour is a COLORREF; the cell's top-left is where the text is written, on a
// transparent background.
TEST(GdiTextDeviceTest, WritesInTheCellInTheTextColour) {
  TCanvas c(200, 60, Font("Arial", -16, 700));
  c.view.Fill(0x00406080);
  c.device->SetTextColour(0x000000FF);  // red
  const TTextExtent e = c.device->MeasureText(u"Hlg\u0428");
  c.device->WriteText(20, 10, u"Hlg\u0428");
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
  run.device->WriteRun(10, 8, u"ab\u0416", advances);
  single.device->WriteText(10, 8, u"a");
  single.device->WriteText(50, 8, u"b");
  single.device->WriteText(75, 8, u"\u0416");
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
    EXPECT_GT(device->MeasureText(u"abc").cx, 0);
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
  device->WriteText(0, 0, u"abc");
  const int32_t advances[] = {5, 5, 5};
  device->WriteRun(0, 0, u"abc", advances);
  EXPECT_EQ(device->MeasureText(u"abc").cx, 0);
  EXPECT_EQ(Pixels(memory), std::vector<uint32_t>(400, kWhite));
  tview empty;
  EXPECT_NE(CreateTextDevice(empty), nullptr);
}

}  // namespace
}  // namespace folivar
