// folivar-fontmetrics -o FILE FONT...: writes what the native text device measures for each FONT,
// given as FACE,HEIGHT,WEIGHT (the face in UTF-8, the height as a LOGFONT's), one line each:
//
//   FACE|HEIGHT|WEIGHT|ASCENT DESCENT|A20 A21 ... AFF|U1 U2 ...
//
// with the advances of the code page 1251 characters 0x20 to 0xFF, then of the UTF-16 code units
// of kBeyondCp1251 in turn. The Windows build's tests compare these with what GDI measures.
#include <charconv>
#include <string>
#include <string_view>

#include "core/codepage.h"
#include "display/Views.h"
#include "display/textdevice.h"
#include "tools/common/toolmain.h"

namespace folivar {
namespace {

// Letters of Latin scripts and Greek that code page 1251 lacks, a surrogate and a noncharacter.
constexpr std::u16string_view kBeyondCp1251 =
    u"\u00E9\u00EA\u00DF\u0142\u0105\u03B1\u03C9\u03A9\xD800\xFFFF";

int32_t Number(std::string_view text, std::string_view what) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    throw TUsageError("bad " + std::string(what) + " '" + std::string(text) + "'");
  return value;
}

TLogFont ParseFont(std::string_view described) {
  const size_t first = described.find(',');
  const size_t second = first == std::string_view::npos ? first : described.find(',', first + 1);
  if (second == std::string_view::npos)
    throw TUsageError("expected FACE,HEIGHT,WEIGHT, not '" + std::string(described) + "'");
  TLogFont font;
  font.faceName = std::string(described.substr(0, first));
  font.height = Number(described.substr(first + 1, second - first - 1), "height");
  font.weight = Number(described.substr(second + 1), "weight");
  return font;
}

std::string Describe(TTextDevice& device, std::string_view described) {
  int32_t ascent = 0;
  int32_t descent = 0;
  device.GetAscentDescent(ascent, descent);
  std::string line(described.substr(0, described.find(',')));
  const TLogFont font = ParseFont(described);
  line += "|" + std::to_string(font.height) + "|" + std::to_string(font.weight) + "|" +
          std::to_string(ascent) + " " + std::to_string(descent) + "|";
  for (int code = 0x20; code <= 0xFF; ++code) {
    if (code > 0x20) line += ' ';
    line += std::to_string(device.MeasureText(Cp1251ToUtf16(std::string(1, static_cast<char>(code)))).cx);
  }
  line += '|';
  for (const char16_t& unit : kBeyondCp1251) {
    if (&unit != kBeyondCp1251.data()) line += ' ';
    line += std::to_string(device.MeasureText(std::u16string_view(&unit, 1)).cx);
  }
  return line + "\n";
}

}  // namespace
}  // namespace folivar

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-fontmetrics", "usage: folivar-fontmetrics -o FILE FACE,HEIGHT,WEIGHT...",
                 [&](std::string& file) {
                   if (argc < 4 || std::string(argv[1]) != "-o")
                     throw TUsageError("expected -o FILE and at least one font");
                   tview target(1, 1);
                   auto device = CreateTextDevice(target);
                   std::string out;
                   for (int i = 3; i < argc; ++i) {
                     device->SelectFont(ParseFont(argv[i]));
                     out += Describe(*device, argv[i]);
                   }
                   file = argv[2];
                   WriteFileBytes(file, out);
                   return 0;
                 });
}
