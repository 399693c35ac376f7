// The reader window's find box, the marks of a match, copying the pages shown and the keyboard
// focus on their links: the keys beyond the reader's key table.
#include <windows.h>

#include <cstring>

#include "book/pagetext.h"
#include "core/codepage.h"
#include "reader/ReaderClass.h"
#include "reader/msgs.h"
#include "reader/pagemarks.h"

namespace folivar {

namespace {

// What the find box asks of the reader window, posted (the box may not be freed in its own
// handler).
constexpr WPARAM kFindChoice = 1;
// Posted when the box opens: the index is built once the box is on the screen, while the reader
// types (the keys wait in the queue), rather than when Enter is pressed.
constexpr WPARAM kBuildIndex = 2;

}  // namespace

bool TFolivar::FindBoxKey(int32_t key, bool control) {
  switch (key) {
    case VK_RETURN: Find(true); return true;
    case VK_ESCAPE: CloseFind(); return true;
    // Keys that still move through the book while the box is open.
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_TAB:
    case VK_F4:
      return false;
    default: break;
  }
  if (control && key == 'V') {
    PasteIntoFind();
  } else if (findInput_.Edit(key)) {
    ShowFindInput();
  }
  // Every other key belongs to the line: its characters come as WM_CHAR.
  return true;
}

void TFolivar::OpenFind() {
  findLeftPage_ = false;
  if (findBox_) return;
  const auto text = [](std::string_view key) { return BookTextToUtf16(ReaderText(key), BookEncoding()); };
  findBox_ = MakeWindow<TFindWin>(Handle(), text("find"), text("findprompt"),
                                  TBoxTexts{text("find"), text("close")}, [this](int32_t button) {
                                    PostMessageW(Handle(), WM_USER + 1, kFindChoice,
                                                 static_cast<LPARAM>(button));
                                  });
  ShowFindInput();
  if (!search_.Built()) PostMessageW(Handle(), WM_USER + 1, kBuildIndex, 0);
}

void TFolivar::BuildIndex() {
  if (search_.Built()) return;
  const HCURSOR before = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  search_.Build(*book_);
  SetCursor(before);
}

void TFolivar::CloseFind() {
  findBox_.reset();
  if (Handle()) SetActiveWindow(Handle());
}

void TFolivar::ShowFindInput() {
  if (findBox_) findBox_->ShowInput(findInput_.Text(), findInput_.Caret());
}

void TFolivar::UserMessage(WPARAM wParam, LPARAM lParam) {
  if (wParam == kBuildIndex && !Gone()) BuildIndex();
  if (wParam != kFindChoice || !findBox_) return;
  if (lParam == 0) {
    Find(true);
  } else {
    CloseFind();
  }
}

// Typed characters go to the find box's line while it is open.
void TFolivar::OnChar(TWinMessage& m) {
  m.callDefault = false;
  m.result = 0;
  if (findBox_ && findInput_.Type(static_cast<char16_t>(m.wParam))) ShowFindInput();
}

void TFolivar::PasteIntoFind() {
  if (!OpenClipboard(Handle())) return;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const char16_t*>(GlobalLock(data))) {
      // Up to the terminating zero, never beyond the block.
      const size_t most = GlobalSize(data) / sizeof(char16_t);
      size_t length = 0;
      while (length < most && text[length] != 0) ++length;
      if (findInput_.Paste(std::u16string_view(text, length))) ShowFindInput();
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
}

void TFolivar::Find(bool forward) {
  if (Gone()) return;
  const std::u16string query = findInput_.Text();
  // Nothing to look for yet: F3 asks for it.
  if (query.find_first_not_of(u' ') == std::u16string::npos) {
    if (!findBox_) OpenFind();
    return;
  }
  BuildIndex();
  // On from the match shown, or from the start of the page shown.
  const bool onwards = hit_ && hitQuery_ == query;
  const size_t pageStart = search_.PageStart(book_->CurrentIndex());
  const std::optional<TSearchHit> found =
      forward ? search_.FindNext(query, onwards ? hit_->start + 1 : pageStart)
              : search_.FindPrevious(query, onwards ? hit_->start : pageStart);
  if (!found) {
    hit_.reset();
    matchBoxes_.clear();
    Repaint();
    const std::u16string text = BookTextToUtf16(ReaderText("notfound"), BookEncoding());
    ShowMessage(text, text, {BookTextToUtf16(ReaderText("close"), BookEncoding())});
    return;
  }
  hit_ = found;
  hitQuery_ = query;
  if (!ShownPage(found->page)) {
    // The page where this find began is kept for Back, once.
    if (!findLeftPage_) {
      history_.push_back(book_->CurrentIndex());
      findLeftPage_ = true;
    }
    finding_ = true;
    book_->GoToPage(book_->AlignToSpread(found->page));
    finding_ = false;
    if (Gone()) return;
  }
  MarkHit();
  Repaint();
}

std::vector<std::pair<int32_t, TPageFrame>> TFolivar::ShownPages() {
  const TBookHeader& h = book_->header;
  const int32_t width = book_->ColumnWidth();
  const int32_t limit = static_cast<int32_t>(display_->Surface().Height()) - h.bottomMargin;
  std::vector<std::pair<int32_t, TPageFrame>> pages;
  pages.push_back({book_->CurrentIndex(), {h.leftMargin, h.topMargin, width, limit}});
  if (book_->TwoPageMode() && book_->IsSpreadPage(-1) && book_->RightPage()) {
    pages.push_back({book_->CurrentIndex() + 1,
                     {h.viewWidth - width - h.leftMargin, h.topMargin, width, limit}});
  }
  return pages;
}

TPage* TFolivar::ShownPage(int32_t index) {
  if (index == book_->CurrentIndex()) return &book_->CurrentPage();
  if (index == book_->CurrentIndex() + 1 && book_->TwoPageMode() && book_->IsSpreadPage(-1))
    return book_->RightPage();
  return nullptr;
}

void TFolivar::MarkHit() {
  matchBoxes_.clear();
  if (!hit_ || !display_) return;
  for (const auto& [index, frame] : ShownPages()) {
    TPage* page = ShownPage(index);
    if (!page) continue;
    const std::vector<TItemBox> boxes = PageItemBoxes(*page, frame);
    for (const TItemPlace& place : hit_->items) {
      if (place.page != index) continue;
      for (const TItemBox& box : boxes) {
        if (box.line != place.line || box.item != place.item || box.right < box.left) continue;
        // The items of one line make one band.
        if (!matchBoxes_.empty() && matchBoxes_.back().line == box.line &&
            matchBoxes_.back().top == box.top) {
          TItemBox& band = matchBoxes_.back();
          band.left = std::min(band.left, box.left);
          band.right = std::max(band.right, box.right);
        } else {
          matchBoxes_.push_back(box);
        }
        break;
      }
    }
  }
}

void TFolivar::DrawMarks() {
  // Book rectangles (edges included) as the device pixels they cover.
  const auto after = [this](int32_t v) { return Device(v + 1) - 1; };
  for (const TItemBox& b : matchBoxes_) {
    TintRect(screen_, Device(b.left), Device(b.top), after(b.right), after(b.bottom), kMatchColour,
             kMatchWeight);
  }
  if (const TLinkStop* stop = focus_.Focused()) {
    for (const TItemBox& b : stop->frames) {
      // One device pixel around the link's items.
      const int32_t l = Device(b.left) - 1, t = Device(b.top) - 1;
      const int32_t r = after(b.right) + 1, bt = after(b.bottom) + 1;
      TintRect(screen_, l, t, r, t, kFocusColour, 255);
      TintRect(screen_, l, bt, r, bt, kFocusColour, 255);
      TintRect(screen_, l, t, l, bt, kFocusColour, 255);
      TintRect(screen_, r, t, r, bt, kFocusColour, 255);
    }
  }
}

// Copying ----------------------------------------------------------------------------------------

void TFolivar::CopyPages() {
  std::vector<const TPage*> pages;
  for (const auto& [index, frame] : ShownPages())
    if (const TPage* page = ShownPage(index)) pages.push_back(page);
  const std::u16string text = CopyText(pages, BookEncoding(), u"\r\n");
  if (!OpenClipboard(Handle())) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(char16_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* target = GlobalLock(memory)) {
      std::memcpy(target, text.c_str(), bytes);
      GlobalUnlock(memory);
      // The clipboard owns the memory once it took it.
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

// Links from the keyboard ---------------------------------------------------------------------

void TFolivar::MoveFocus(bool forward) {
  if (!focusReady_) {
    std::vector<TLinkItem> items;
    for (const auto& [index, frame] : ShownPages())
      if (TPage* page = ShownPage(index)) AddPageLinks(*page, index, frame, items);
    focus_.SetStops(GroupLinkStops(items));
    focusReady_ = true;
  }
  if (focus_.Move(forward)) Repaint();
}

void TFolivar::FollowFocus() {
  const TLinkStop* stop = focus_.Focused();
  TPage* page = stop ? ShownPage(stop->page) : nullptr;
  if (!page || stop->line >= static_cast<int32_t>(page->lines.size())) return;
  const TLine& line = *page->lines[static_cast<size_t>(stop->line)];
  if (stop->item >= static_cast<int32_t>(line.items.size())) return;
  FollowLink(line.items[static_cast<size_t>(stop->item)]);
}

}  // namespace folivar
