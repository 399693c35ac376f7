// folivar-info BOOK                      prints what a book image holds as one JSON object, with
//                                        the pictures whose data is damaged
// folivar-info BOOK --picture K -o OUT   writes picture K, decoded, as an RGB PNG
// folivar-info BOOK --page I|substitute  prints a decoded page
// folivar-info BOOK --styles             prints the style table after loading
// folivar-info BOOK --text               prints the text of the pages in reading order
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/loading.h"
#include "core/errors.h"
#include "core/strutil.h"
#include "images/imageclass.h"
#include "images/xif3.h"
#include "tools/common/png.h"
#include "tools/common/toolmain.h"
#include "tools/folivar-info/describe.h"

namespace folivar {
namespace {

const char* const kUsage =
    "usage: folivar-info BOOK\n"
    "       folivar-info BOOK --picture K -o OUT.png\n"
    "       folivar-info BOOK --page I|substitute\n"
    "       folivar-info BOOK --styles\n"
    "       folivar-info BOOK --text\n"
    "--text prints the book's text as UTF-8: a line for every stored line, a line holding only a form\n"
    "feed between pages (page 0, the cover, is empty), page references as their page numbers. A word\n"
    "that the compiler hyphenated at a line's end is printed whole on that line, without the hyphen;\n"
    "a word broken after a hyphen of its own stays as it is.";

// The page I of the book, decoded; a page that cannot be read is reported, not replaced.
std::unique_ptr<TPage> ReadPage(TBook& book, int32_t i) {
  TMemFile record;
  ReadPageBlock(*book.source, book.pages[static_cast<size_t>(i)]->offset, record);
  auto page = std::make_unique<TPage>();
  ReadPageRecord(record, *page);
  return page;
}

std::string PageText(TBook& book, const std::string& which) {
  if (which == "substitute") return DescribePage(book.substitute);
  const int32_t i = TextToInt(which);
  if (IntToText(i) != which || i < 0) throw TUsageError("the page must be a number or substitute");
  if (i >= book.PageCount()) {
    throw std::runtime_error("there is no page " + which + " (the book has " +
                             IntToText(book.PageCount()) + ")");
  }
  return DescribePage(*ReadPage(book, i));
}

std::string BookText(TBook& book) {
  std::vector<std::unique_ptr<TPage>> pages;
  for (int32_t i = 0; i < book.PageCount(); ++i) pages.push_back(ReadPage(book, i));
  return DescribeText(pages);
}

void WritePicture(TFile& source, const TBookImage& book, const std::string& number,
                  const std::string& out) {
  const int32_t k = TextToInt(number);
  if (IntToText(k) != number || k < 0) throw TUsageError("the picture number must be a number");
  if (k >= static_cast<int32_t>(book.pictures.size())) {
    throw std::runtime_error("there is no picture " + number + " (the book has " +
                             IntToText(static_cast<int64_t>(book.pictures.size())) + ")");
  }
  TCheckedReader reader(source);
  // Behind the entry's ascent and reserved byte lies the picture record.
  reader.Seek(book.pictures[static_cast<size_t>(k)].offset + 5, "picture " + number);
  TXif picture;
  picture.Load(reader);
  picture.Unpack();
  if (!picture.Damage().empty()) throw TBookDamaged("picture " + number + ": " + picture.Damage());
  std::vector<uint32_t> pixels;
  pixels.reserve(size_t{picture.Width()} * picture.Height());
  for (uint32_t y = 0; y < picture.Height(); ++y)
    for (uint32_t x = 0; x < picture.Width(); ++x) pixels.push_back(picture.GetPixel(x, y));
  WritePng(out, picture.Width(), picture.Height(), pixels);
}

}  // namespace
}  // namespace folivar

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-info", kUsage, [&](std::string& file) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool picture = args.size() == 5 && args[1] == "--picture" && args[3] == "-o";
    const bool page = args.size() == 3 && args[1] == "--page";
    const bool styles = args.size() == 2 && args[1] == "--styles";
    const bool text = args.size() == 2 && args[1] == "--text";
    if (args.size() != 1 && !picture && !page && !styles && !text) {
      throw TUsageError("expected a book and at most one of --picture, --page, --styles, --text");
    }
    file = args[0];
    auto source = OpenBookImage(file);
    const TBookImage image = WalkBookImage(*source);
    if (picture) {
      WritePicture(*source, image, args[2], args[4]);
      return 0;
    }
    TBook book;
    LoadBook(book, std::move(source));
    if (page) {
      std::cout << PageText(book, args[2]) << "\n";
    } else if (styles) {
      std::cout << DescribeStyles() << "\n";
    } else if (text) {
      std::cout << BookText(book);
    } else {
      // A damaged picture does not stop the book: it is reported. Packed pictures show their
      // damage only when unpacked, so every picture is unpacked here.
      std::vector<TPictureDamage> damaged;
      for (int32_t k = 0; k < ImageCount(); ++k) {
        TXif& stored = ImageAt(static_cast<uint32_t>(k)).picture;
        stored.Unpack();
        if (!stored.Damage().empty()) damaged.push_back({k, stored.Damage()});
      }
      std::cout << DescribeBook(image, StyleCount(), damaged) << "\n";
    }
    return 0;
  });
}
