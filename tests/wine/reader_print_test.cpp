// Printing from the whole reader under Wine, to the CUPS PDF printer that scripts/cups-pdf sets
// up as the default: the Print button opens the system print dialog, which the test answers
// through its own controls (all pages, or a page range); each job must come out as one PDF with
// one sheet per page or spread printed, and the reader must be back on its page afterwards.
//
// The PDFs are checked here for their number of pages, and are kept as FOLDER/NAME.pdf with
// FOLDER/NAME.expected ("pages N" and one "ratio W H" line per printed sheet) for
// tests/wine/check-printed-pdfs, which renders them natively and measures the printed picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "images/embed.h"
#include "tests/support/testsupport.h"
#include "tests/wine/pdfpages.h"
#include "tests/wine/readerharness.h"

namespace folivar {
namespace {

// The controls of the system print dialog.
constexpr int kAllPages = 0x420;   // rad1
constexpr int kPageRange = 0x422;  // rad3
constexpr int kFromPage = 0x480;   // edt1
constexpr int kToPage = 0x481;     // edt2
constexpr int kToFile = 0x410;     // chx1

const fs::path kOut = std::string("Z:") + FOLIVAR_PRINT_DIR;

std::set<fs::path> Printed() {
  std::set<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(kOut / "pdf", ec))
    if (e.path().extension() == ".pdf") found.insert(e.path());
  return found;
}

// The printable book: a single cover, then spreads (1-2, 3-4, 5-6), each page with its number.
std::string PrintBook(const std::string& title) {
  TBookWriter w;
  w.header.title = title;
  w.header.edition = "1";
  w.header.printEnabled = 1;
  const uint16_t style = AddTextStyle(w);
  for (int p = 0; p < 7; ++p)
    w.AddPage(EncodePageRecord(-1, {TextLine("Printed page " + std::to_string(p), style)}));
  SetTestMessages(w);
  return w.Build();
}

class ReaderPrint : public ReaderFixture {
 protected:
  // Clicks the Print button and answers the dialog: all pages, or the range from .. to; to a
  // file when asked. True once the dialog was confirmed.
  bool PrintThroughTheDialog(TReader& reader, HWND main, int from = -1, int to = -1, bool toFile = false) {
    LoadBuiltInImages();
    const int32_t aboutHeight = static_cast<int32_t>(BuiltInImage(TBuiltIn::AboutButton).Height());
    const int32_t printSide = static_cast<int32_t>(BuiltInImage(TBuiltIn::PrintButton).Height());
    const int32_t x = 1 + printSide / 2, y = 1 + aboutHeight + printSide / 2;
    MoveTo(main, x, y);
    Click(main, x, y);
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = reader.SystemBox()) != nullptr; })) return false;
    // The dialog fills its controls once shown.
    if (!WaitFor([&] { return GetDlgItem(dialog, IDOK) != nullptr && IsWindowVisible(GetDlgItem(dialog, IDOK)); }))
      return false;
    if (from >= 0) {
      SendMessageW(GetDlgItem(dialog, kPageRange), BM_CLICK, 0, 0);
      SetDlgItemTextA(dialog, kFromPage, std::to_string(from).c_str());
      SetDlgItemTextA(dialog, kToPage, std::to_string(to).c_str());
      EXPECT_EQ(IsDlgButtonChecked(dialog, kPageRange), BST_CHECKED);
    } else {
      SendMessageW(GetDlgItem(dialog, kAllPages), BM_CLICK, 0, 0);
    }
    if (toFile) {
      SendMessageW(GetDlgItem(dialog, kToFile), BM_CLICK, 0, 0);
      EXPECT_EQ(IsDlgButtonChecked(dialog, kToFile), BST_CHECKED);
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitFor([&] { return !IsWindow(dialog); });
  }

  // Waits for the "printed" box and answers it.
  bool Completed(TReader& reader) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = reader.Box()) != nullptr; })) return false;
    PressKey(box, VK_RETURN);
    return WaitFor([&] { return reader.Box() == nullptr; });
  }

  // The one new PDF since before, kept under name with what it must show.
  fs::path Job(const std::set<fs::path>& before, const std::string& name,
               const std::vector<std::pair<int, int>>& ratios) {
    fs::path job;
    WaitFor([&] {
      for (const fs::path& p : Printed())
        if (!before.count(p)) job = p;
      // cups-pdf writes the file while Ghostscript runs; it is done when it ends in %%EOF.
      return !job.empty() && PdfComplete(test::ReadWholeFile(job.string()));
    }, 60000);
    if (job.empty()) return job;
    const fs::path kept = kOut / (name + ".pdf");
    std::error_code ec;
    fs::remove(kept, ec);
    fs::rename(job, kept, ec);
    std::ofstream expected(kOut / (name + ".expected"), std::ios::binary);
    expected << "pages " << ratios.size() << "\n";
    for (const auto& [w, h] : ratios) expected << "ratio " << w << " " << h << "\n";
    return ec ? job : kept;
  }
};

TEST_F(ReaderPrint, TheWholeBookPrintsOneSheetPerPageOrSpread) {
  Greeted();
  TReader reader(Folder(PrintBook(title_)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(3));
  const std::vector<uint32_t> shown = Settled(main);
  const auto before = Printed();
  ASSERT_TRUE(PrintThroughTheDialog(reader, main));
  ASSERT_TRUE(Completed(reader));
  // The cover alone, then the spreads 1-2, 3-4 and 5-6.
  const fs::path pdf = Job(before, "whole-book", {{388, 575}, {776, 575}, {776, 575}, {776, 575}});
  ASSERT_FALSE(pdf.empty()) << "no PDF came out in " << (kOut / "pdf").string();
  EXPECT_EQ(PdfPageCount(test::ReadWholeFile(pdf.string())), 4);
  // Back on the page it showed, on screen too, and going on from there.
  EXPECT_TRUE(At(3));
  SetCursorPos(0, 0);
  PostMessageW(main, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
  EXPECT_TRUE(WaitFor([&] { return Settled(main) == shown; }, 10000));
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(5));
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

TEST_F(ReaderPrint, ARangePrintsItsSpreadsOnly) {
  Greeted();
  TReader reader(Folder(PrintBook(title_)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  // The range the dialog offers, the current page to itself, prints the spread shown.
  auto before = Printed();
  ASSERT_TRUE(PrintThroughTheDialog(reader, main, 1, 1));
  ASSERT_TRUE(Completed(reader));
  fs::path pdf = Job(before, "current-spread", {{776, 575}});
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfPageCount(test::ReadWholeFile(pdf.string())), 1);
  EXPECT_TRUE(At(1));
  // A range ending on the right-hand page of a spread prints that spread once.
  before = Printed();
  ASSERT_TRUE(PrintThroughTheDialog(reader, main, 3, 4));
  ASSERT_TRUE(Completed(reader));
  pdf = Job(before, "spread-3", {{776, 575}});
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfPageCount(test::ReadWholeFile(pdf.string())), 1);
  EXPECT_TRUE(At(1));
  // From the cover to the first spread's right page: the cover and one spread.
  before = Printed();
  ASSERT_TRUE(PrintThroughTheDialog(reader, main, 0, 2));
  ASSERT_TRUE(Completed(reader));
  pdf = Job(before, "cover-and-spread", {{388, 575}, {776, 575}});
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfPageCount(test::ReadWholeFile(pdf.string())), 2);
  EXPECT_TRUE(At(1));
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

// Printing to a file that cannot be made (the printer writes "FILE:" in the reader's folder; a
// folder of that name stands in the way) fails: no box says that the pages went to the printer.
TEST_F(ReaderPrint, APrinterThatRefusesTheDocumentIsNoCompletion) {
  Greeted();
  const fs::path folder = Folder(PrintBook(title_));
  fs::create_directories(folder / "FILE:");
  TReader reader(folder);
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  ASSERT_TRUE(PrintThroughTheDialog(reader, main, -1, -1, true));
  Pause(3000);
  EXPECT_EQ(reader.Box(), nullptr);
  EXPECT_TRUE(fs::is_directory(folder / "FILE:"));
  // The reader is back on its page and answers keys.
  EXPECT_TRUE(At(1));
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(3));
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

TEST_F(ReaderPrint, CancellingTheDialogPrintsNothing) {
  Greeted();
  TReader reader(Folder(PrintBook(title_)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  LoadBuiltInImages();
  const int32_t aboutHeight = static_cast<int32_t>(BuiltInImage(TBuiltIn::AboutButton).Height());
  const auto before = Printed();
  MoveTo(main, 12, 1 + aboutHeight + 11);
  Click(main, 12, 1 + aboutHeight + 11);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (dialog = reader.SystemBox()) != nullptr; }));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  // No "printed" box, no job; the reader answers keys again.
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(1));
  EXPECT_EQ(reader.Box(), nullptr);
  Pause(1000);
  EXPECT_EQ(Printed(), before);
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

}  // namespace
}  // namespace folivar
