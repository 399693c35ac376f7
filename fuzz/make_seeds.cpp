// make_seeds DIR: writes the seed corpus of the fuzzers with the book writer: small books and
// property tables, binary and text.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "book/xwlencode.h"
#include "core/bzip.h"

namespace {

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace folivar;
  if (argc != 2) return 2;
  const std::filesystem::path dir = argv[1];

  TBookWriter empty;
  Write(dir / "container" / "empty-book", empty.Build());

  TBookWriter book;
  book.header.title = "Seed";
  book.SetProperty("anime", "frames=1");
  book.SetMessages({"ok", "cancel"}, {"OK", "Cancel"});
  book.AddPicture(15, PackedPictureRecord(2, 2, Bzip(std::string(16, '\x7F'))));
  book.AddPicture(3, WaveletPictureRecord("XWL" + std::string(33, '\0')));
  book.AddAnchor("a", 0);
  book.AddAnchor("", 1);
  const int32_t style = book.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 10}));
  TLineRecord line;
  line.height = 12;
  line.items = {{'H', static_cast<uint16_t>(style)}, {'i', static_cast<uint16_t>(style)}};
  book.AddPage(EncodePageRecord(-1, {line}));
  book.AddPage(EncodePageRecord(0, {line, line}));
  std::string image = book.Build();
  Write(dir / "container" / "small-book", image);
  // Without the padding, so that mutations reach the style block.
  Write(dir / "container" / "small-book-unpadded", image.substr(0, image.find_last_not_of('\0') + 1));

  // Picture records of both layouts: raw pixels, both XBM variants, a small wavelet stream.
  const std::vector<uint32_t> pixels = {0xC6C2B6, 0, 0x112233, 0xC6C2B6, 0, 0};
  Write(dir / "xif" / "raw", PackedPictureRecord(3, 2, PackRawPixels(pixels.data(), 3, 2)));
  Write(dir / "xif" / "xbm-palette", PackedPictureRecord(3, 2, EncodeXbm(pixels.data(), 3, 2)));
  const std::vector<uint32_t> glyph = {0xC6C2B6, 0, 0, 0xC6C2B6};
  Write(dir / "xif" / "xbm-single", PackedPictureRecord(2, 2, EncodeXbm(glyph.data(), 2, 2)));
  std::string xwl = "XWL";
  xwl += std::string("\x02\0\x02\0\x08\x01", 6);
  xwl += std::string("\x04\0\0\0", 4) + std::string(8, '\0');
  xwl += std::string("\x02\0\0\0", 4) + std::string(8, '\0');
  xwl += "\x08\x08\x08";
  const double steps[3] = {1.0, 0.5, 0.25};
  xwl.append(reinterpret_cast<const char*>(steps), sizeof steps);
  xwl += std::string("\x22", 1) + "\x40\x20";
  Write(dir / "xif" / "xwl", WaveletPictureRecord(xwl));

  ttable table;
  InitTable(table, {"value"});
  SetValue(table, "locale", "x");
  SetValue(table, "pageturn_animation", "1");
  std::string bytes;
  WriteTable(bytes, table);
  Write(dir / "ttable" / "binary", bytes);
  Write(dir / "ttable" / "text", "a = 1\r\n#x\r\nb=\r\nc = 'q'\n=5\n; comment\n\"n\" = \"v\"\n");
  // Page-turn descriptions: two frames of a curl, and one of a single segment.
  Write(dir / "pageturn" / "curl",
        "framecount=2\r\nduration=500\r\nframe.0=4\r\n0.0=440,100\r\n0.1=730,100\r\n"
        "0.2=771,93\r\n0.3=700,60\r\nframe.1=2\r\n1.0=440,100\r\n1.1=100,100\r\n");
  Write(dir / "pageturn" / "flat", "framecount=1\r\nframe.0=2\r\n0.0=440,100\r\n0.1=100,100\r\n");

  // Wavelet streams from the encoder: grey and colour, odd sizes, a few qualities and levels.
  const struct {
    uint32_t width, height;
    TXwlOptions options;
  } wavelets[] = {{1, 1, {.colour = false}}, {7, 5, {}}, {16, 16, {.colour = false, .quality = 40}},
                  {33, 21, {.quality = 90, .levels = 3}}};
  for (const auto& wave : wavelets) {
    std::vector<uint32_t> picture(size_t{wave.width} * wave.height);
    for (size_t i = 0; i < picture.size(); ++i) {
      picture[i] = static_cast<uint32_t>(i * 0x030507u + (i % 7) * 0x402010u) & 0xFFFFFF;
    }
    Write(dir / "xwl" / (std::to_string(wave.width) + "x" + std::to_string(wave.height)),
          EncodeXwl(picture.data(), wave.width, wave.height, wave.options));
  }
  return 0;
}
