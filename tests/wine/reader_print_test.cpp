// Printing from the whole reader under Wine, to the CUPS PDF printer that scripts/cups-pdf sets
// up as the default: the Print button opens the system print dialog, which the test answers
// through its own controls (all pages, or a page range); each job must come out as one PDF named
// after the book's job title, with one sheet per page or spread printed, the book's completion
// text must be shown, and the reader must be back on its page afterwards.
//
// The PDFs are kept as FOLDER/NAME.pdf with FOLDER/NAME.expected ("pages N" and one "ratio W H"
// line per printed sheet) for tests/wine/check-printed-pdfs, which counts their pages and renders
// them natively to measure the printed picture.
#include <windows.h>

#include <gtest/gtest.h>

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
  void SetUp() override {
    ReaderFixture::SetUp();
    Greeted();
    reader_ = std::make_unique<TReader>(folder_ = Folder(PrintBook(title_)));
    main_ = Open(*reader_);
    ASSERT_NE(main_, nullptr);
    PressKey(main_, VK_DOWN);
    ASSERT_TRUE(At(1));
  }

  // Clicks the Print button and waits for the dialog.
  HWND OpenTheDialog() {
    LoadBuiltInImages();
    const int32_t about = static_cast<int32_t>(BuiltInImage(TBuiltIn::AboutButton).Height());
    const int32_t side = static_cast<int32_t>(BuiltInImage(TBuiltIn::PrintButton).Height());
    MoveTo(main_, 1 + side / 2, 1 + about + side / 2);
    Click(main_, 1 + side / 2, 1 + about + side / 2);
    HWND dialog = nullptr;
    // The dialog fills its controls once shown.
    WaitFor([&] {
      dialog = reader_->SystemBox();
      return dialog && GetDlgItem(dialog, IDOK) && IsWindowVisible(GetDlgItem(dialog, IDOK));
    });
    return dialog;
  }

  // Answers the dialog: all pages, or the range from .. to; to a file when asked. True once the
  // dialog was confirmed.
  bool PrintThroughTheDialog(int from = -1, int to = -1, bool toFile = false) {
    HWND dialog = OpenTheDialog();
    if (!dialog) return false;
    if (from >= 0) {
      SendMessageW(GetDlgItem(dialog, kPageRange), BM_CLICK, 0, 0);
      SetDlgItemTextA(dialog, kFromPage, std::to_string(from).c_str());
      SetDlgItemTextA(dialog, kToPage, std::to_string(to).c_str());
    } else {
      SendMessageW(GetDlgItem(dialog, kAllPages), BM_CLICK, 0, 0);
    }
    if (toFile) SendMessageW(GetDlgItem(dialog, kToFile), BM_CLICK, 0, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitFor([&] { return !IsWindow(dialog); });
  }

  // Waits for the completion box showing a text (ink in its white text area) and answers it.
  bool Completed() {
    HWND box = nullptr;
    const bool shown = WaitFor([&] {
      const std::vector<uint32_t> pixels = (box = reader_->Box()) ? Capture(box) : std::vector<uint32_t>();
      size_t ink = 0;
      for (size_t i = 65 * 390; i < 124 * 390 && i < pixels.size(); ++i)
        ink += i % 390 >= 20 && i % 390 < 378 && (pixels[i] & 0xFFFFFF) != 0xFFFFFF;
      return ink > 20;
    }, 10000);
    if (box) PressKey(box, VK_RETURN);
    return shown && WaitFor([&] { return reader_->Box() == nullptr; });
  }

  // Whether one new PDF came out since before, named after the job; it is kept under name with
  // what it must show.
  bool Job(const std::set<fs::path>& before, const std::string& name,
          const std::vector<std::pair<int, int>>& ratios) {
    fs::path job;
    WaitFor([&] {
      for (const fs::path& p : Printed())
        if (!before.count(p)) job = p;
      // cups-pdf writes the file while Ghostscript runs; it is done when it ends in %%EOF.
      return !job.empty() && PdfComplete(test::ReadWholeFile(job.string()));
    }, 60000);
    if (job.empty()) return false;
    EXPECT_NE(job.filename().string().find("FolivarPrintJob"), std::string::npos) << job;
    const fs::path kept = kOut / (name + ".pdf");
    std::error_code ec;
    fs::remove(kept, ec);
    fs::rename(job, kept, ec);
    std::ofstream expected(kOut / (name + ".expected"), std::ios::binary);
    expected << "pages " << ratios.size() << "\n";
    for (const auto& [w, h] : ratios) expected << "ratio " << w << " " << h << "\n";
    return true;
  }

  fs::path folder_;
  std::unique_ptr<TReader> reader_;
  HWND main_ = nullptr;
};

TEST_F(ReaderPrint, WholeBookAndRangesPrintOneSheetPerPageOrSpread) {
  PressKey(main_, VK_DOWN);
  ASSERT_TRUE(At(3));
  const std::vector<uint32_t> shown = Settled(main_);
  const std::pair<int, int> cover{388, 575}, spread{776, 575};
  const struct {
    const char* name;
    int from, to;
    std::vector<std::pair<int, int>> sheets;
  } jobs[] = {
      {"whole-book", -1, -1, {cover, spread, spread, spread}},
      {"current-spread", 3, 3, {spread}},
      {"spread-3", 3, 4, {spread}},  // ending on a spread's right page: that spread once
      {"cover-and-spread", 0, 2, {cover, spread}},
  };
  for (const auto& job : jobs) {
    SCOPED_TRACE(job.name);
    const auto before = Printed();
    ASSERT_TRUE(PrintThroughTheDialog(job.from, job.to));
    ASSERT_TRUE(Completed());
    EXPECT_TRUE(Job(before, job.name, job.sheets)) << "no PDF in " << (kOut / "pdf").string();
    EXPECT_TRUE(At(3));
  }
  // Back on the page it showed, on screen too, and going on from there.
  SetCursorPos(0, 0);
  PostMessageW(main_, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
  EXPECT_TRUE(WaitFor([&] { return Settled(main_) == shown; }, 10000));
  PressKey(main_, VK_DOWN);
  EXPECT_TRUE(At(5));
  Close(*reader_, main_);
}

// Printing to a file that cannot be made (the printer writes "FILE:" in the reader's folder; a
// folder of that name stands in the way) fails: no box says that the pages went to the printer.
TEST_F(ReaderPrint, APrinterThatRefusesTheDocumentIsNoCompletion) {
  fs::create_directories(folder_ / "FILE:");
  ASSERT_TRUE(PrintThroughTheDialog(-1, -1, true));
  Pause(3000);
  EXPECT_EQ(reader_->Box(), nullptr);
  EXPECT_TRUE(At(1));
  PressKey(main_, VK_DOWN);
  EXPECT_TRUE(At(3));
  Close(*reader_, main_);
}

// Another program closing the reader while the dialog is open ends it well, nothing printed and
// the page kept (the dialog's refusal, as when it is cancelled).
TEST_F(ReaderPrint, AClosePostedWhileTheDialogIsOpen) {
  const auto before = Printed();
  ASSERT_NE(OpenTheDialog(), nullptr);
  PostMessageW(main_, WM_CLOSE, 0, 0);
  EXPECT_EQ(reader_->ExitCode(), 0u);
  EXPECT_EQ(Page(), "1");
  EXPECT_EQ(Printed(), before);
}

}  // namespace
}  // namespace folivar
